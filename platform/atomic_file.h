// Atomic file replacement: the new content goes to a temporary file in the target's folder,
// is flushed to the disk, and only then renamed over the target. A failure at any step removes
// the temporary file and leaves an existing target untouched.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class AtomicFileWriter {
 public:
  AtomicFileWriter() = default;
  // Removes the temporary file when Commit was not reached or failed.
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // Creates the temporary file ".<name>.XXXXXX<ext>" beside target (it keeps the target's
  // extension, so a writer that looks at the extension sees the right one). An earlier open
  // temporary file is discarded first.
  bool Open(std::string_view target);
  // Appends size bytes; false on a failed write (the writer then stays failed).
  bool Write(const void* data, size_t size);
  bool Write(std::string_view text) { return Write(text.data(), text.size()); }
  // Flushes the temporary file to the disk and renames it over the target.
  bool Commit();
  // Removes the temporary file without touching the target.
  void Discard();

  bool IsOpen() const { return m_nFd >= 0; }
  // Path of the open temporary file (empty when none), for writers that need a file name.
  const std::string& TempPath() const { return m_strTemp; }
  const std::string& Target() const { return m_strTarget; }
  // errno of the first failure, 0 when none.
  int Error() const { return m_nError; }

 private:
  void Fail(int error);

  int m_nFd = -1;
  bool m_bFailed = false;
  int m_nError = 0;
  std::string m_strTemp;
  std::string m_strTarget;
};

// Writes size bytes to target atomically; true on success.
bool WriteFileAtomic(std::string_view target, const void* data, size_t size);
