// SAPI's prosody onto the plug-in's 0..100 scales.
//   rate:   the site's rate (-10..10) plus the fragment's RateAdj, clamped to
//           -10..10, then 50 + 5 * r: -10 -> 0, 0 -> 50 (the plug-in's
//           normal), 10 -> 100.
//   volume: the site's volume (0..100) times the fragment's Volume (0..100)
//           / 100: both at 100 -> 100 (the plug-in's default, full scale).
//   pitch:  the fragment's PitchAdj.MiddleAdj (-10..10, clamped), 50 + 5 * p.
#pragma once

namespace kavo::sapi {

struct PluginProsody {
    int rate = 50;
    int volume = 100;
    int pitch = 50;
    bool operator==(const PluginProsody& other) const {
        return rate == other.rate && volume == other.volume && pitch == other.pitch;
    }
};

PluginProsody MapProsody(long siteRate, unsigned long siteVolume, long fragmentRate, unsigned long fragmentVolume,
                         long fragmentPitch);

}  // namespace kavo::sapi
