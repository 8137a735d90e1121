// Temporary-file-and-rename replacement of a target file.
#include "platform/replace_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "platform/paths.h"

namespace {

mode_t CurrentUmask() {
  const mode_t m = umask(0);
  umask(m);
  return m;
}

}  // namespace

ReplaceFileGuard::ReplaceFileGuard(const std::string& target) : m_target(target) {
  const size_t slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  const std::string ext = paths::ExtensionOf(name);
  const std::string suffix = ext.empty() ? "" : "." + ext;
  std::string pattern = paths::Join(folder, "." + name + ".XXXXXX" + suffix);
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  const int fd = mkstemps(buf.data(), int(suffix.size()));
  if (fd < 0) return;
  // Keep the mode of an existing target, else the mode a newly created file would get.
  struct stat st;
  const mode_t mode = stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
  fchmod(fd, mode);
  close(fd);
  m_temp = buf.data();
}

ReplaceFileGuard::~ReplaceFileGuard() {
  if (!m_committed && !m_temp.empty()) unlink(m_temp.c_str());
}

bool ReplaceFileGuard::Commit() {
  if (m_temp.empty() || m_committed) return false;
  const int fd = open(m_temp.c_str(), O_RDONLY);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
  if (std::rename(m_temp.c_str(), m_target.c_str()) != 0) return false;
  m_committed = true;
  return true;
}
