// chop's onsets: aubio's onset detector, on its own threshold scale.
#include <aubio/aubio.h>

#include <memory>

#include "prepared_sound.h"
#include "tool_error.h"

std::vector<int64_t> findOnsets(const PreparedSound& sound, double threshold, double minGapMs) {
    constexpr uint_t kWindow = 1024, kHop = 256;
    std::unique_ptr<aubio_onset_t, void (*)(aubio_onset_t*)> detector(
        new_aubio_onset("default", kWindow, kHop, static_cast<uint_t>(sound.rate)), del_aubio_onset);
    std::unique_ptr<fvec_t, void (*)(fvec_t*)> in(new_fvec(kHop), del_fvec), out(new_fvec(1), del_fvec);
    if (!detector || !in || !out) throw ToolError("cannot look for onsets in \"" + sound.path + "\"");
    aubio_onset_set_threshold(detector.get(), static_cast<smpl_t>(threshold));
    aubio_onset_set_minioi_ms(detector.get(), static_cast<smpl_t>(minGapMs));
    std::vector<int64_t> onsets;
    for (size_t start = 0; start < sound.samples.size(); start += kHop) {
        for (uint_t i = 0; i < kHop; ++i)
            in->data[i] = start + i < sound.samples.size() ? sound.samples[start + i] : 0.0f;
        aubio_onset_do(detector.get(), in.get(), out.get());
        if (out->data[0] != 0.0f) onsets.push_back(static_cast<int64_t>(aubio_onset_get_last(detector.get())));
    }
    return onsets;
}
