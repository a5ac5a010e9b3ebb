// Two copies of the plug-in in one process, each with the espeak engine beside
// it, speaking at the same time. espeak-ng keeps its state once per process;
// each request must still get the audio of its text spoken alone. No two
// renderings of a text are equal to the byte, even alone: espeak-ng's voices
// breathe with random noise, and a text comes out up to about 50 ms longer or
// shorter depending on the text spoken before it. Mixed-up audio is far off:
// nothing, or two texts' worth.
#include <array>
#include <cmath>
#include <string>

#include "support/plugin_fixture.h"

namespace kavotest {
namespace {

struct Utterance {
    const std::u16string& voice;
    std::u16string text;
};

const std::array<Utterance, 6> kUtterances{{{kXiaoyan, u"你好，世界。"},
                                            {kCatherine, u"Two copies speak at once."},
                                            {kXiaofeng, u"今天天气很好。"},
                                            {kXiaomei, u"早晨。"},
                                            {kCatherine, u"Each request gets its own audio."},
                                            {kXiaoyan, u"第二个插件也在说话。"}}};

class TwoPluginCopies : public ::testing::Test {
protected:
    TwoPluginCopies() {
        PlayRecorder::Instance().Reset();
        LogRecorder::Instance().Reset();
        for (PluginHost& copy : copies_) {
            copy.api().SetPlayCallback(&PlayRecorder::Callback);
            EXPECT_TRUE(copy.api().Initialize(&LogRecorder::Sink));
        }
    }

    // Queues every utterance on the copy, values from first on.
    void QueueAll(PluginHost& copy, std::int32_t first) {
        for (std::size_t i = 0; i < kUtterances.size(); ++i) {
            const std::int32_t value = first + static_cast<std::int32_t>(i);
            EXPECT_TRUE(copy.api().Speak(K(kUtterances[i].voice), K(kUtterances[i].text), value));
        }
    }

    PlayRecorder& play() { return PlayRecorder::Instance(); }

    // Speaks on the first copy alone and returns the audio.
    std::vector<unsigned char> SpeakAlone(const Utterance& utterance, std::int32_t value) {
        EXPECT_TRUE(copies_[0].api().Speak(K(utterance.voice), K(utterance.text), value));
        EXPECT_TRUE(play().WaitForEnd(value));
        return play().AudioOf(value);
    }

    std::array<PluginHost, 2> copies_{{PluginHost(EngineKind::Espeak, u"copy-a"), PluginHost(EngineKind::Espeak, u"copy-b")}};
};

double Rms(const std::vector<unsigned char>& pcm) {
    double sum = 0;
    for (std::size_t i = 0; i + 1 < pcm.size(); i += 2) {
        const double sample = static_cast<std::int16_t>(pcm[i] | pcm[i + 1] << 8);
        sum += sample * sample;
    }
    return pcm.size() < 2 ? 0 : std::sqrt(sum / static_cast<double>(pcm.size() / 2));
}

TEST_F(TwoPluginCopies, SpeakingAtOnceEachRequestGetsTheAudioOfItsTextSpokenAlone) {
    // Alone: one copy, one request at a time.
    std::array<std::vector<unsigned char>, kUtterances.size()> alone;
    for (std::size_t i = 0; i < kUtterances.size(); ++i) {
        alone[i] = SpeakAlone(kUtterances[i], 1000 + static_cast<std::int32_t>(i));
        ASSERT_FALSE(alone[i].empty()) << "no audio for utterance " << i;
    }
    // At once: both copies, every request queued before the first is spoken.
    QueueAll(copies_[0], 2000);
    QueueAll(copies_[1], 3000);
    for (std::int32_t first : {2000, 3000}) {
        for (std::size_t i = 0; i < kUtterances.size(); ++i) {
            const std::int32_t value = first + static_cast<std::int32_t>(i);
            ASSERT_TRUE(play().WaitForEnd(value)) << "request " << value << " never ended";
            const std::vector<unsigned char> audio = play().AudioOf(value);
            const double length = static_cast<double>(alone[i].size());
            EXPECT_NEAR(static_cast<double>(audio.size()), length, 3200 + length / 50) << "request " << value;
            EXPECT_NEAR(Rms(audio), Rms(alone[i]), Rms(alone[i]) / 10) << "request " << value;
        }
    }
}

}  // namespace
}  // namespace kavotest
