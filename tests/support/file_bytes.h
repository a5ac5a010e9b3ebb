// Reading a whole file, for the tests and the programs they drive.
#pragma once
#include <filesystem>
#include <string>

namespace kavotest {

// The file's bytes as they are on disk; empty when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& file);

}  // namespace kavotest
