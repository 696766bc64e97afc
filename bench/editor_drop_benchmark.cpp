// Dropping a folder of 24 one-second WAV files on the drop zone of an open editor: the whole
// editor path, from the drop to the window redrawn with every slot's name and duration.
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "editor/adeditor.h"
#include "engine/kv7drumeditedit.h"
#include "kitfiles/kit_trace.h"
#include "vstgui/cdropsource.h"
#include "vstgui/platform/offscreen/offscreenframe.h"

using namespace VSTGUI;

namespace {

struct SoundFolder {
    SoundFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kv7-bench-drop-XXXXXX").string();
        path = mkdtemp(pattern.data());
        std::vector<float> stereo(2 * 44100);
        for (int slot = 0; slot < kNumSlots; ++slot) {
            for (std::size_t i = 0; i < stereo.size(); ++i)
                stereo[i] = 0.001f * static_cast<float>((i * 13 + static_cast<std::size_t>(slot)) % 500) - 0.25f;
            char name[64];
            std::snprintf(name, sizeof name, "/sound%02d.wav", slot + 1);
            SF_INFO info{};
            info.samplerate = 44100;
            info.channels = 2;
            info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
            SNDFILE* file = sf_open((path + name).c_str(), SFM_WRITE, &info);
            sf_writef_float(file, stereo.data(), 44100);
            sf_close(file);
        }
    }
    ~SoundFolder() { std::filesystem::remove_all(path); }
    std::string path;
};

void dropFolderOf24Sounds(benchmark::State& state) {
    kitfiles::setTraceStream(nullptr);
    SoundFolder folder;
    ScopedOffscreenPlatform offscreen;
    auto* effect = new Kv7DrumEditEdit(nullptr);
    ADEditor* editor = effect->getADEditor();
    editor->open(nullptr);
    OffscreenFrame* screen = OffscreenFrame::of(editor->getFrame());
    editor->hostIdle();
    const CPoint dropZone{120, 35};
    for (auto _ : state) {
        CDropSource package({folder.path});
        screen->dragEnter(&package, dropZone);
        screen->drop(&package, dropZone);
        editor->hostIdle();
        if (effect->BufferLength[kNumSlots - 1].load() != 44100) state.SkipWithError("the folder did not fill 24 slots");
    }
    editor->close();
    delete effect;
}

BENCHMARK(dropFolderOf24Sounds)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
