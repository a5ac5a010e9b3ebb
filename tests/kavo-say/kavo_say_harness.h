// What the kavo-say tests share: where the built programs are, a plug-in copy
// staged with a chosen engine, reading WAV files, and the fake engine's audio.
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"
#include "support/file_bytes.h"

namespace kavosaytest {

// The build's bin/ folder, which holds this test program, kavo-say, the
// plug-in and the engines side by side.
std::filesystem::path BinFolder();
std::string KavoSayPath();
std::string Utf8(const std::filesystem::path& path);

// A fresh temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return Utf8(path_ / name); }

private:
    std::filesystem::path path_;
};

// A copy of the plug-in in a folder of its own, with the named engine library
// of bin/ beside it under the name the plug-in loads (none: no engine).
class StagedPlugin {
public:
    explicit StagedPlugin(const std::optional<std::string>& engineStem);
    std::string PluginPath() const { return pluginPath_; }
    std::string File(const std::string& name) const { return folder_.File(name); }

private:
    TempFolder folder_;
    std::string pluginPath_;
};

// kavo-say with these arguments (the program path is put in front).
ChildResult RunKavoSay(std::vector<std::string> args, const std::string& input = std::string(),
                       std::vector<std::pair<std::string, std::string>> environment = {});

// kavo-say --play on a machine without sound: no server at the PulseAudio
// address (given, else one that cannot exist), and ALSA (the fall-back on
// Linux, also read by Wine) without a device.
ChildResult RunKavoSayWithoutSound(const std::string& pulseServer = std::string());

// path in UTF-8, as the harness hands paths out.
inline std::string ReadFileBytes(const std::string& path) {
    return kavotest::ReadFileBytes(std::filesystem::u8path(path));
}

struct WavFile {
    std::string problem;  // empty when the layout is the 44-byte PCM header + data
    std::uint32_t riffSize = 0, fmtSize = 0, sampleRate = 0, byteRate = 0, dataSize = 0;
    std::uint16_t formatTag = 0, channels = 0, blockAlign = 0, bitsPerSample = 0;
    std::string data;  // everything after the header
};
WavFile ParseWav(const std::string& bytes);
// A well-formed header of 16 kHz, mono, 16-bit PCM (adds test failures otherwise).
void ExpectPcm16kMono(const WavFile& wav);

// The fake engine's default audio for these texts, each given to one session:
// one 16-bit sample of 1000 + b for every byte b.
std::string FakeEngineAudio(const std::vector<std::string>& texts);

}  // namespace kavosaytest
