// --fit: the longest sounds shortened to one equal length until the kit's 12 seconds hold them all.
#include <algorithm>
#include <numeric>

#include "prepared_sound.h"

std::vector<FitCut> fitToBudget(std::vector<PreparedSound>& sounds, int64_t budget, double fadeMs) {
    auto total = [&sounds](int64_t cap) {
        int64_t sum = 0;
        for (const PreparedSound& s : sounds) sum += std::min<int64_t>(static_cast<int64_t>(s.samples.size()), cap);
        return sum;
    };
    int64_t longest = 0;
    for (const PreparedSound& s : sounds) longest = std::max<int64_t>(longest, static_cast<int64_t>(s.samples.size()));
    if (total(longest) <= budget) return {};
    // The largest equal length for the longest sounds that still fits.
    int64_t low = 0, high = longest;
    while (low < high) {
        const int64_t middle = (low + high + 1) / 2;
        if (total(middle) <= budget) low = middle;
        else high = middle - 1;
    }
    std::vector<FitCut> cuts;
    for (PreparedSound& s : sounds) {
        const auto before = static_cast<int64_t>(s.samples.size());
        if (before <= low) continue;
        s.samples.resize(static_cast<size_t>(low));
        fadeOut(s, fadeMs);
        cuts.push_back({s.path, before, low});
    }
    return cuts;
}
