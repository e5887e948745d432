// Start-up details: the picture named on the command line, the folder the data files are
// found in, and which decoder a path goes to.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kviewer {

// The path buffers of the design hold 260 characters including the terminator.
constexpr std::size_t kMaxPathChars = 259;

// The command line after the program name is one picture path: a leading double quote is
// dropped, and then a trailing one. Arguments are joined with single spaces first, so a path
// with spaces works whether a launcher quoted it or split it.
std::string pictureFromArguments(const std::vector<std::string>& arguments);
std::string pictureFromCommandLine(std::string_view commandLine);

// KVI files go to the KVI decoder; the comparison of the ending is case-sensitive.
bool isKviPath(std::string_view path);

// The folder whose "Language" subfolder holds the themes: the executable's own folder when it
// has one, else the installed data folder, else the executable's folder all the same.
std::string findStartDir(const std::string& executableDir, const std::string& installedDataDir);

}  // namespace kviewer
