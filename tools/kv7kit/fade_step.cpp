// --fade-out: a linear fade at the sound's end, against clicks at cut points.
#include <algorithm>
#include <cmath>

#include "prepared_sound.h"

void fadeOut(PreparedSound& sound, double ms) {
    const size_t size = sound.samples.size();
    const size_t length = std::min(size, static_cast<size_t>(std::lround(sound.rate * ms / 1000.0)));
    for (size_t i = 0; i < length; ++i)
        sound.samples[size - length + i] *= static_cast<float>(length - i) / static_cast<float>(length + 1);
}
