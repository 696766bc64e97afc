// Creating and closing an instance as a host does, through the loaded module: VSTPluginMain,
// effOpen, effClose. The module is loaded once, before timing, as a host keeps it loaded.
//   kv7_bench_instance [benchmark flags] (the module is the one the build made)
#include <benchmark/benchmark.h>

#include "plugin_host.h"

namespace {

void createAndCloseInstance(benchmark::State& state) {
    static PluginModule module(builtPluginPath());
    if (!module.loaded()) {
        state.SkipWithError(module.error().c_str());
        return;
    }
    for (auto _ : state) {
        AEffect* effect = module.instantiate(HostCallbackLog::callback);
        if (!effect) {
            state.SkipWithError("VSTPluginMain gave no effect");
            return;
        }
        dispatch(effect, effOpen);
        dispatch(effect, effClose);
    }
}

BENCHMARK(createAndCloseInstance)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
