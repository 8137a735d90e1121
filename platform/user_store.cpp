// Location of the per-user settings store.
#include "platform/user_store.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace {

constexpr const char* kCompany = "Norrwick";
constexpr const char* kProduct = "Quovex";
constexpr const char* kFileName = "Quovo.ini";

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return home;
  long n = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buf(n > 0 ? size_t(n) : 16384);
  struct passwd pw;
  struct passwd* result = nullptr;
  if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &result) == 0 && result && result->pw_dir &&
      result->pw_dir[0] == '/')
    return result->pw_dir;
  return {};
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string UserStoreDir() {
  std::string base;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    std::string home = HomeFolder();
    if (home.empty()) return {};
    base = home + "/.config";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (base != "/") base += '/';
  return base + kCompany + "/" + kProduct;
}

std::string UserStorePath() {
  std::string dir = UserStoreDir();
  return dir.empty() ? dir : dir + "/" + kFileName;
}

bool EnsureUserStoreDir() {
  std::string dir = UserStoreDir();
  return !dir.empty() && MakeFolderChain(dir, 0700);
}

bool MakeFolderChain(std::string_view path, unsigned mode) {
  if (path.empty()) return false;
  std::string p(path);
  for (size_t i = 1; i <= p.size(); ++i) {
    if (i < p.size() && p[i] != '/') continue;
    if (p[i - 1] == '/') continue;  // doubled slash
    std::string part = p.substr(0, i);
    if (::mkdir(part.c_str(), mode_t(mode)) != 0 && errno != EEXIST && !IsFolder(part)) return false;
  }
  return IsFolder(p);
}
