// Building the Qvp file block from a path: the five text fields and the header bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/qvp.h"

// Zeroes the block and fills its text fields from the path (and the header from `header`,
// `headerSize` bytes, the rest zero). Fails, leaving the block zeroed, when a field does not
// fit: paths are never cut.
bool QvpFillFileBlock(QvpFile* file, const std::string& path, const uint8_t* header = nullptr,
                      size_t headerSize = 0);

// The parts of a path as the file block holds them.
struct QvpPathParts {
  std::string folder;     // without a trailing slash; the root keeps its "/"
  std::string fileName;   // with extension
  std::string title;      // without extension
  std::string extension;  // without the dot; empty when none
};
QvpPathParts QvpSplitPath(const std::string& path);
