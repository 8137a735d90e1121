// dlopen-based module loading.
#include "platform/dyn_module.h"

#include <dlfcn.h>

namespace dynmod {

void* Open(const std::string& path, std::string* error) {
  // RTLD_LOCAL keeps each module's symbols to itself; modules only talk through the Qvp calls.
  void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h && error) {
    const char* msg = dlerror();
    *error = msg ? msg : "";
  }
  return h;
}

void* Symbol(void* handle, const char* name) { return handle ? dlsym(handle, name) : nullptr; }

void Close(void* handle) {
  if (handle) dlclose(handle);
}

}  // namespace dynmod
