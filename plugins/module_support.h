// Small helpers shared by the Qvp modules built here: a file that closes itself, the progress
// check, and the about box shown through the host's window.
#pragma once

#include <cstdio>

#include "formats/qvp.h"

namespace qvpmod {

class File {
 public:
  File(const char* path, const char* mode) : m_f(std::fopen(path, mode)) {}
  ~File() {
    if (m_f) std::fclose(m_f);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  FILE* get() const { return m_f; }
  // Closes the file; false when buffered data could not be written.
  bool Close() {
    const bool ok = m_f && std::fclose(m_f) == 0;
    m_f = nullptr;
    return ok;
  }

 private:
  FILE* m_f;
};

// True when the host asks to stop.
inline bool Cancelled(QvpProcess* record, int percent) {
  return record->Progress && record->Progress(record, percent);
}

// An OK message box with the about text, captioned with the plug-in name.
inline void ShowAbout(QvpConnect* connect, const char* about, const char* name) {
  if (connect && connect->parentWindow && connect->parentWindow->MessageBox)
    connect->parentWindow->MessageBox(connect->parentWindow->context, about, name, QVP_MB_OK);
}

}  // namespace qvpmod
