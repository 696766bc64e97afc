// Resident memory that one idle instance adds to its host: the host's resident set just before
// and just after the plug-in is created through VSTPluginMain.
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
    const long firstInstance = residentKilobytes();
    AEffect* second = module.instantiate(HostCallbackLog::callback);
    const long secondInstance = residentKilobytes();
    if (!first || !second) return 1;
    constexpr long kSampleMemoryKilobytes = 24L * 529200L * 4L / 1024L;
    std::printf("resident memory (kB): host %ld, module loaded %+ld, first idle instance %+ld, second %+ld\n",
                hostAlone, moduleLoaded - hostAlone, firstInstance - moduleLoaded, secondInstance - firstInstance);
    std::printf("an idle instance costs %ld kB of resident memory; its kit store spans %ld kB\n",
                secondInstance - firstInstance, kSampleMemoryKilobytes);
    std::printf("host plus module plus first instance: %ld kB above the host alone\n", firstInstance - hostAlone);
    dispatch(second, effClose);
    dispatch(first, effClose);
    return 0;
}
