// The environment a POSIX child process is given: this process's, with some
// variables added or replaced, as execve takes it.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace kavosaytest {

std::vector<std::string> MergedEnvironment(const std::vector<std::pair<std::string, std::string>>& added);

}  // namespace kavosaytest
