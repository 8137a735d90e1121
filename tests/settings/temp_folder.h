// A temporary folder for a test, removed with its content at the end of the scope.
#pragma once

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace settingstest {

class TempFolder {
 public:
  TempFolder() {
    std::string templ = (std::filesystem::temp_directory_path() / "quovex-test-XXXXXX").string();
    if (char* p = ::mkdtemp(templ.data())) m_path = p;
  }
  ~TempFolder() {
    if (m_path.empty()) return;
    std::error_code ec;
    // Folders a test made read-only must become writable again to be removed.
    for (auto& e : std::filesystem::recursive_directory_iterator(m_path, ec))
      if (e.is_directory(ec)) std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all, ec);
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(m_path, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return m_path; }
  std::string operator/(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool WriteFile(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(data.data(), std::streamsize(data.size()));
  return bool(out);
}

// Sets an environment variable for a scope and restores the old value on exit.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) {
      m_had = true;
      m_old = old;
    }
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (m_had)
      ::setenv(m_name.c_str(), m_old.c_str(), 1);
    else
      ::unsetenv(m_name.c_str());
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string m_name, m_old;
  bool m_had = false;
};

// Limits the size of files this process may write, so that a write fails with EFBIG even for a
// user whom file permissions do not stop; restores the limit and the signal on exit.
class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(rlim_t bytes) {
    m_oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    m_ok = ::getrlimit(RLIMIT_FSIZE, &m_old) == 0;
    if (m_ok) {
      struct rlimit lim = m_old;
      lim.rlim_cur = bytes;
      m_ok = ::setrlimit(RLIMIT_FSIZE, &lim) == 0;
    }
  }
  ~ScopedFileSizeLimit() {
    if (m_ok) ::setrlimit(RLIMIT_FSIZE, &m_old);
    std::signal(SIGXFSZ, m_oldSignal);
  }
  ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
  ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;
  bool Ok() const { return m_ok; }

 private:
  struct rlimit m_old {};
  void (*m_oldSignal)(int) = nullptr;
  bool m_ok = false;
};

}  // namespace settingstest
