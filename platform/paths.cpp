// Program location, path joining and folder listing.
#include "platform/paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <memory>

namespace paths {

std::string ExecutableDir() {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return ".";
  std::string exe(buf, size_t(n));
  const size_t slash = exe.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : exe.substr(0, slash);
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

bool EqualsIgnoreCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string ExtensionOf(const std::string& name) {
  const size_t slash = name.find_last_of('/');
  const size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return name.substr(dot + 1);
}

std::vector<std::string> FilesWithExtension(const std::string& folder, const std::string& ext) {
  std::vector<std::string> out;
  if (folder.empty() || ext.empty()) return out;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) return out;
  while (dirent* e = readdir(dir.get())) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    if (!EqualsIgnoreCase(ExtensionOf(name), ext)) continue;
    struct stat st;
    if (stat(Join(folder, name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    out.push_back(name);
  }
  return out;
}

}  // namespace paths
