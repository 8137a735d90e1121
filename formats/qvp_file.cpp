// File block construction.
#include "formats/qvp_file.h"

#include <algorithm>
#include <cstring>

QvpPathParts QvpSplitPath(const std::string& path) {
  QvpPathParts parts;
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) {
    parts.fileName = path;
  } else {
    parts.folder = slash == 0 ? "/" : path.substr(0, slash);
    parts.fileName = path.substr(slash + 1);
  }
  const size_t dot = parts.fileName.find_last_of('.');
  if (dot == std::string::npos || dot == 0) {
    parts.title = parts.fileName;
  } else {
    parts.title = parts.fileName.substr(0, dot);
    parts.extension = parts.fileName.substr(dot + 1);
  }
  return parts;
}

namespace {
bool Put(char* field, const std::string& text) {
  if (text.size() >= QVP_MAX_PATH) return false;
  std::memcpy(field, text.data(), text.size());
  return true;
}
}  // namespace

bool QvpFillFileBlock(QvpFile* file, const std::string& path, const uint8_t* header, size_t headerSize) {
  if (!file) return false;
  std::memset(file, 0, sizeof(*file));
  const QvpPathParts parts = QvpSplitPath(path);
  if (!Put(file->path, path) || !Put(file->folder, parts.folder) || !Put(file->fileName, parts.fileName) ||
      !Put(file->title, parts.title) || !Put(file->extension, parts.extension)) {
    std::memset(file, 0, sizeof(*file));
    return false;
  }
  if (header && headerSize) std::memcpy(file->header, header, std::min<size_t>(headerSize, QVP_HEADER_SIZE));
  return true;
}
