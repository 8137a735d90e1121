// Paths of the program and folder listing.
#pragma once

#include <string>
#include <vector>

namespace paths {

// The folder holding the running program, without a trailing slash.
std::string ExecutableDir();
// `folder` + "/" + `name`, without doubling the slash.
std::string Join(const std::string& folder, const std::string& name);
// Names of the regular files in a folder whose extension equals `ext` ignoring case, in the
// order the file system returns them. Empty when the folder cannot be read.
std::vector<std::string> FilesWithExtension(const std::string& folder, const std::string& ext);
// Case-insensitive comparison of ASCII letters.
bool EqualsIgnoreCase(const std::string& a, const std::string& b);
// The extension of a file name: the text after its last dot (empty when none).
std::string ExtensionOf(const std::string& name);

}  // namespace paths
