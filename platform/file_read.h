// Reading a whole file with an upper size limit, for loaders that parse from memory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

enum class FileReadResult {
  Ok,
  NotFound,  // the file does not exist
  OpenFailed,
  TooLarge,  // larger than the caller's limit
  ReadFailed,
};

// Reads the file at path into out (replacing its content) when it holds at most maxBytes bytes.
// Only regular files are read. The size is checked before anything is allocated, and a file
// that grows while it is read is refused as too large.
FileReadResult ReadWholeFile(std::string_view path, uint64_t maxBytes, std::string& out);
