#include "launch.h"

#include <filesystem>

namespace kviewer {

std::string pictureFromArguments(const std::vector<std::string>& arguments) {
    std::string line;
    for (const auto& argument : arguments) {
        if (!line.empty()) line += ' ';
        line += argument;
    }
    return pictureFromCommandLine(line);
}

std::string pictureFromCommandLine(std::string_view commandLine) {
    if (!commandLine.empty() && commandLine.front() == '"') commandLine.remove_prefix(1);
    if (!commandLine.empty() && commandLine.back() == '"') commandLine.remove_suffix(1);
    return std::string(commandLine);
}

bool isKviPath(std::string_view path) {
    return path.size() >= 3 && path.substr(path.size() - 3) == "kvi";
}

std::string findStartDir(const std::string& executableDir, const std::string& installedDataDir) {
    std::error_code ec;
    const auto hasLanguage = [&ec](const std::string& dir) {
        return !dir.empty() && std::filesystem::is_directory(std::filesystem::path(dir) / "Language", ec);
    };
    if (hasLanguage(executableDir)) return executableDir;
    if (hasLanguage(installedDataDir)) return installedDataDir;
    return executableDir;
}

}  // namespace kviewer
