// Atomic file replacement through a temporary file and rename(2).
#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// The process's file creation mask without changing it (umask(2) would, for every thread).
mode_t CurrentUmask() {
  if (FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    unsigned mask = 022;
    while (std::fgets(line, sizeof line, f)) {
      if (std::sscanf(line, "Umask: %o", &mask) == 1) break;
    }
    std::fclose(f);
    return mode_t(mask & 0777);
  }
  return 022;
}

// Mode for the new file: that of the file it replaces, else what open(2) would give.
mode_t TargetMode(const std::string& target) {
  struct stat st;
  if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
  return 0666 & ~CurrentUmask();
}

void SyncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);  // best effort: the rename is done either way
  ::close(fd);
}

}  // namespace

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

void AtomicFileWriter::Fail(int error) {
  if (!m_bFailed) m_nError = error ? error : EIO;
  m_bFailed = true;
}

void AtomicFileWriter::Discard() {
  if (m_nFd >= 0) {
    ::close(m_nFd);
    m_nFd = -1;
  }
  if (!m_strTemp.empty()) {
    ::unlink(m_strTemp.c_str());
    m_strTemp.clear();
  }
}

bool AtomicFileWriter::Open(std::string_view target) {
  Discard();
  m_bFailed = false;
  m_nError = 0;
  m_strTarget.assign(target);
  if (m_strTarget.empty() || m_strTarget.back() == '/') {
    Fail(EINVAL);
    return false;
  }
  const size_t slash = m_strTarget.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : m_strTarget.substr(0, slash + 1);
  const std::string name = m_strTarget.substr(folder.size());
  const size_t dot = name.rfind('.');
  // A leading dot (".hidden") is no extension.
  const std::string ext = (dot == std::string::npos || dot == 0) ? std::string() : name.substr(dot);
  std::string templ = folder + "." + name.substr(0, name.size() - ext.size()) + ".XXXXXX" + ext;
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  int fd = ::mkostemps(buf.data(), int(ext.size()), O_CLOEXEC);
  if (fd < 0) {
    Fail(errno);
    return false;
  }
  m_nFd = fd;
  m_strTemp.assign(buf.data());
  if (::fchmod(fd, TargetMode(m_strTarget)) != 0) {
    Fail(errno);
    Discard();
    return false;
  }
  return true;
}

bool AtomicFileWriter::Write(const void* data, size_t size) {
  if (m_nFd < 0 || m_bFailed) {
    Fail(m_nFd < 0 ? EBADF : m_nError);
    return false;
  }
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::write(m_nFd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
      return false;
    }
    if (n == 0) {
      Fail(ENOSPC);
      return false;
    }
    p += n;
    size -= size_t(n);
  }
  return true;
}

bool AtomicFileWriter::Commit() {
  if (m_nFd < 0 || m_bFailed) {
    Fail(m_nFd < 0 ? EBADF : m_nError);
    Discard();
    return false;
  }
  if (::fsync(m_nFd) != 0) {
    Fail(errno);
    Discard();
    return false;
  }
  int fd = m_nFd;
  m_nFd = -1;
  if (::close(fd) != 0) {
    Fail(errno);
    Discard();
    return false;
  }
  if (::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) {
    Fail(errno);
    Discard();
    return false;
  }
  m_strTemp.clear();
  const size_t slash = m_strTarget.rfind('/');
  SyncFolder(slash == std::string::npos ? std::string(".") : m_strTarget.substr(0, slash + 1));
  return true;
}

bool WriteFileAtomic(std::string_view target, const void* data, size_t size) {
  AtomicFileWriter w;
  return w.Open(target) && w.Write(data, size) && w.Commit();
}
