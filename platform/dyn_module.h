// Shared libraries loaded at run time: open by path, look up exported functions, close.
#pragma once

#include <string>

namespace dynmod {

// Returns a handle, or nullptr with the loader's message in `error` (when given).
void* Open(const std::string& path, std::string* error = nullptr);
void* Symbol(void* handle, const char* name);
void Close(void* handle);

}  // namespace dynmod
