// Resident memory that idle instances add to their host: the host's resident set before the module
// is loaded, after it is loaded, after a first and after a second instance is created through
// VSTPluginMain and effOpen. Prints "name kilobytes" lines for bench/run.
//   kv7_bench_idle_memory [PLUGIN.so]
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "plugin_host.h"

namespace {

long residentKilobytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : builtPluginPath();
    const long hostAlone = residentKilobytes();
    PluginModule module(path);
    if (!module.loaded()) {
        std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), module.error().c_str());
        return 1;
    }
    const long moduleLoaded = residentKilobytes();
    AEffect* first = module.instantiate(HostCallbackLog::callback);
    if (!first) return 1;
    dispatch(first, effOpen);
    const long firstInstance = residentKilobytes();
    AEffect* second = module.instantiate(HostCallbackLog::callback);
    if (!second) return 1;
    dispatch(second, effOpen);
    const long secondInstance = residentKilobytes();
    std::printf("host_kb %ld\n", hostAlone);
    std::printf("module_kb %ld\n", moduleLoaded - hostAlone);
    std::printf("module_and_first_instance_kb %ld\n", firstInstance - hostAlone);
    std::printf("second_instance_kb %ld\n", secondInstance - firstInstance);
    dispatch(second, effClose);
    dispatch(first, effClose);
    return 0;
}
