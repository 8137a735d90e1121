// Writing a file in place of another only on success: a temporary file beside the target
// receives the content, and replaces the target by rename when the writer succeeds.
#pragma once

#include <string>

class ReplaceFileGuard {
 public:
  // Reserves a temporary file in the target's folder whose name keeps the target's extension.
  explicit ReplaceFileGuard(const std::string& target);
  ~ReplaceFileGuard();  // removes the temporary file unless committed
  ReplaceFileGuard(const ReplaceFileGuard&) = delete;
  ReplaceFileGuard& operator=(const ReplaceFileGuard&) = delete;

  bool ok() const { return !m_temp.empty(); }
  const std::string& TempPath() const { return m_temp; }
  // Flushes the temporary file to disk and renames it over the target.
  bool Commit();

 private:
  std::string m_target;
  std::string m_temp;
  bool m_committed = false;
};
