// The module's configuration file, named by the server as its one argument,
// and where the plug-in is looked for.
#pragma once
#include <filesystem>
#include <string>

namespace sdkavo {

struct ModuleConfig {
    std::filesystem::path pluginPath;  // empty: the default
};

// Reads `KavoSynthPlugin "PATH"` (a relative path is taken from the file's
// folder); every other line, and a file that cannot be read, changes nothing.
ModuleConfig ReadModuleConfig(const std::filesystem::path& file);

// The plug-in beside the module (a build tree), else where the install puts
// it relative to the module's folder.
std::filesystem::path DefaultPluginPath();

}  // namespace sdkavo
