#include "kavo_say_harness.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>

#include <gtest/gtest.h>

#include "util/platform/dynamic_library.h"
#include "util/platform/module_path.h"
#include "util/utf.h"

namespace kavosaytest {
namespace fs = std::filesystem;

namespace {

std::uint32_t U32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

std::uint16_t U16(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::string LibraryFile(const std::string& stem) {
    return kavo::Utf16ToUtf8(kavo::DynamicLibraryFileName(kavo::Utf8ToUtf16(stem)));
}

}  // namespace

fs::path BinFolder() { return fs::path(kavo::GetModuleDirectory()); }

std::string Utf8(const fs::path& path) {
    const auto text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string KavoSayPath() { return Utf8(BinFolder() / ExecutableFileName("kavo-say")); }

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (;;) {
        path_ = fs::temp_directory_path() /
                ("kavo-say-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
        if (fs::create_directory(path_)) return;
    }
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

StagedPlugin::StagedPlugin(const std::optional<std::string>& engineStem) {
    const std::string plugin = LibraryFile("KavoSynthXunFeiClassic");
    fs::copy_file(BinFolder() / plugin, folder_.Path() / plugin);
    if (engineStem) fs::copy_file(BinFolder() / LibraryFile(*engineStem), folder_.Path() / LibraryFile("mscclassic"));
    pluginPath_ = folder_.File(plugin);
}

ChildResult RunKavoSay(std::vector<std::string> args, const std::string& input,
                       std::vector<std::pair<std::string, std::string>> environment) {
    ChildSpec launch;
    launch.args.push_back(KavoSayPath());
    launch.args.insert(launch.args.end(), args.begin(), args.end());
    launch.input = input;
    launch.environment = std::move(environment);
    return RunChild(launch);
}

ChildResult RunKavoSayWithoutSound(const std::string& pulseServer) {
    TempFolder empty;
    const std::string noDevices = empty.File("asound.conf");
    std::ofstream(fs::u8path(noDevices)).flush();
    const std::string server = pulseServer.empty() ? "unix:" + empty.File("no-server") : pulseServer;
    return RunKavoSay({"--play", "你好"}, std::string(), {{"PULSE_SERVER", server}, {"ALSA_CONFIG_PATH", noDevices}});
}

WavFile ParseWav(const std::string& bytes) {
    WavFile wav;
    if (bytes.size() < 44) {
        wav.problem = "only " + std::to_string(bytes.size()) + " bytes";
        return wav;
    }
    if (bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 8, "WAVEfmt ") != 0 || bytes.compare(36, 4, "data") != 0) {
        wav.problem = "not a RIFF WAVE file with fmt and data chunks";
        return wav;
    }
    wav.riffSize = U32(bytes, 4);
    wav.fmtSize = U32(bytes, 16);
    wav.formatTag = U16(bytes, 20);
    wav.channels = U16(bytes, 22);
    wav.sampleRate = U32(bytes, 24);
    wav.byteRate = U32(bytes, 28);
    wav.blockAlign = U16(bytes, 32);
    wav.bitsPerSample = U16(bytes, 34);
    wav.dataSize = U32(bytes, 40);
    wav.data = bytes.substr(44);
    return wav;
}

std::string FakeEngineAudio(const std::vector<std::string>& texts) {
    std::string audio;
    for (const std::string& text : texts) {
        for (unsigned char b : text) {
            const int sample = 1000 + b;
            audio.push_back(static_cast<char>(sample & 0xFF));
            audio.push_back(static_cast<char>(sample >> 8));
        }
    }
    return audio;
}

void ExpectPcm16kMono(const WavFile& wav) {
    ASSERT_EQ(wav.problem, "");
    EXPECT_EQ(wav.fmtSize, 16u);
    EXPECT_EQ(wav.formatTag, 1);
    EXPECT_EQ(wav.channels, 1);
    EXPECT_EQ(wav.sampleRate, 16000u);
    EXPECT_EQ(wav.byteRate, 32000u);
    EXPECT_EQ(wav.blockAlign, 2);
    EXPECT_EQ(wav.bitsPerSample, 16);
}

}  // namespace kavosaytest
