#include "module_config.h"

#include <fstream>
#include <sstream>

#include "plugin_library.h"

#ifndef KAVO_SD_PLUGIN_FOLDER
#define KAVO_SD_PLUGIN_FOLDER "../kavosynth"
#endif

namespace sdkavo {

ModuleConfig ReadModuleConfig(const std::filesystem::path& file) {
    ModuleConfig config;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string key;
        if (!(words >> key) || key != "KavoSynthPlugin") continue;
        std::string value;
        std::getline(words >> std::ws, value);
        while (!value.empty() && (value.back() == '\r' || value.back() == ' ' || value.back() == '\t')) value.pop_back();
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        if (value.empty()) continue;
        const std::filesystem::path path(value);
        config.pluginPath = path.is_absolute() ? path : file.parent_path() / path;
    }
    return config;
}

std::filesystem::path DefaultPluginPath() {
    const std::filesystem::path beside = kavosay::DefaultPluginPath();
    std::error_code error;
    if (std::filesystem::exists(beside, error)) return beside;
    return (beside.parent_path() / KAVO_SD_PLUGIN_FOLDER / beside.filename()).lexically_normal();
}

}  // namespace sdkavo
