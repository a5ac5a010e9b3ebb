// Runs a fuzz target without libFuzzer: on the files named as arguments (a
// folder stands for the files in it), or on a fixed series of pseudo-random
// inputs, so every build replays it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/file_bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    if (argc > 1) {
        std::vector<std::filesystem::path> files;
        for (int i = 1; i < argc; ++i) {
            if (std::filesystem::is_directory(argv[i])) {
                std::vector<std::filesystem::path> inFolder;
                for (const auto& entry : std::filesystem::directory_iterator(argv[i])) inFolder.push_back(entry.path());
                std::sort(inFolder.begin(), inFolder.end());
                files.insert(files.end(), inFolder.begin(), inFolder.end());
            } else {
                files.emplace_back(argv[i]);
            }
        }
        if (files.empty()) {
            std::fputs("no inputs to replay\n", stderr);
            return 1;
        }
        for (const auto& file : files) {
            const std::string bytes = kavotest::ReadFileBytes(file);
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        }
        std::printf("%zu inputs replayed\n", files.size());
        return 0;
    }
    std::uint32_t state = 12345;
    auto next = [&] { return state = state * 1103515245u + 12345u; };
    // Units drawn mostly from the interesting ones: breaks, surrogates, CJK, NUL.
    const std::uint16_t interesting[] = {u',', u'，', u'。', u'.', u' ', 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0x5B57, 0, u'a'};
    std::vector<std::uint8_t> input;
    for (int round = 0; round < 1000; ++round) {
        input.clear();
        const std::size_t units = next() >> 16 & 0x3FF;
        for (std::size_t u = 0; u < units; ++u) {
            const std::uint32_t r = next() >> 8;
            const std::uint16_t unit = r % 4 == 0 ? static_cast<std::uint16_t>(r >> 8) : interesting[(r >> 8) % 12];
            input.push_back(static_cast<std::uint8_t>(unit & 0xFF));
            input.push_back(static_cast<std::uint8_t>(unit >> 8));
        }
        if (round % 3 == 0) input.push_back(static_cast<std::uint8_t>(next() >> 24));
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::puts("1000 inputs replayed");
    return 0;
}
