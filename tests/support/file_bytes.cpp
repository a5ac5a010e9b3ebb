#include "support/file_bytes.h"

#include <fstream>
#include <iterator>

namespace kavotest {

std::string ReadFileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace kavotest
