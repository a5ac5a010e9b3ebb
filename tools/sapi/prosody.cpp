#include "prosody.h"

#include <algorithm>

namespace kavo::sapi {
namespace {

// -10..10 (clamped) -> 0..100, 0 -> 50.
int AdjustmentToScale(long adjustment) { return 50 + 5 * static_cast<int>(std::clamp(adjustment, -10L, 10L)); }

}  // namespace

PluginProsody MapProsody(long siteRate, unsigned long siteVolume, long fragmentRate, unsigned long fragmentVolume,
                         long fragmentPitch) {
    PluginProsody out;
    out.rate = AdjustmentToScale(siteRate + fragmentRate);
    const unsigned long volume = std::min(siteVolume, 100UL) * std::min(fragmentVolume, 100UL);
    out.volume = static_cast<int>((volume + 50) / 100);
    out.pitch = AdjustmentToScale(fragmentPitch);
    return out;
}

}  // namespace kavo::sapi
