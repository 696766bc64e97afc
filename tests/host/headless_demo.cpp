// Loads the plug-in the way a music host does, reports what the host sees, plays a short note
// pattern over a test tone on the inputs and writes the rendered audio to a WAV file.
//   kv7-host-demo PLUGIN.so OUT.wav
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "plugin_host.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PLUGIN.so OUT.wav\n", argv[0]);
        return 2;
    }
    PluginModule module(argv[1]);
    if (!module.loaded()) {
        std::fprintf(stderr, "kv7-host-demo: cannot load %s: %s\n", argv[1], module.error().c_str());
        return 1;
    }
    AEffect* effect = module.instantiate(HostCallbackLog::callback);
    if (!effect) {
        std::fprintf(stderr, "kv7-host-demo: %s returned no effect\n", argv[1]);
        return 1;
    }
    constexpr int kRate = 44100;
    constexpr int kBlock = 512;
    constexpr int kBlocks = 2 * kRate / kBlock;
    dispatch(effect, effOpen);
    dispatch(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    dispatch(effect, effSetBlockSize, 0, kBlock);
    dispatch(effect, effMainsChanged, 0, 1);
    std::printf("loaded %s: \"%s\" by \"%s\", version %ld, %d inputs, %d outputs, flags 0x%x\n", argv[1],
                dispatchText(effect, effGetEffectName).c_str(), dispatchText(effect, effGetVendorString).c_str(),
                static_cast<long>(dispatch(effect, effGetVendorVersion)), effect->numInputs, effect->numOutputs,
                static_cast<unsigned>(effect->flags));

    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* out = sf_open(argv[2], SFM_WRITE, &info);
    if (!out) {
        std::fprintf(stderr, "kv7-host-demo: cannot write %s: %s\n", argv[2], sf_strerror(nullptr));
        dispatch(effect, effClose);
        return 1;
    }
    std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock), interleaved(2 * kBlock);
    int notes = 0;
    for (int block = 0; block < kBlocks; ++block) {
        if (block % 8 == 0) {  // a note every 93 ms, walking up the 24 slots
            const auto note = static_cast<uint8_t>(53 + (block / 8) % 24);
            sendNotes(effect, {midiEvent(0, 0x90, note, 100), midiEvent(kBlock / 2, 0x80, note, 0)});
            ++notes;
        }
        for (int f = 0; f < kBlock; ++f) {
            const double t = static_cast<double>(block * kBlock + f) / kRate;
            inL[f] = static_cast<float>(0.2 * std::sin(2.0 * M_PI * 220.0 * t));
            inR[f] = static_cast<float>(0.2 * std::sin(2.0 * M_PI * 330.0 * t));
        }
        float* inputs[2] = {inL.data(), inR.data()};
        float* outputs[2] = {outL.data(), outR.data()};
        effect->processReplacing(effect, inputs, outputs, kBlock);
        for (int f = 0; f < kBlock; ++f) {
            interleaved[2 * f] = outL[f];
            interleaved[2 * f + 1] = outR[f];
        }
        sf_writef_float(out, interleaved.data(), kBlock);
    }
    sf_close(out);
    dispatch(effect, effMainsChanged, 0, 0);
    dispatch(effect, effClose);
    std::printf("rendered %d frames (%d notes over a test tone on the inputs) to %s\n", kBlocks * kBlock, notes,
                argv[2]);
    return 0;
}
