// Fuzz target of the PNG loader.
#include "formats/png_plugin.h"
#include "fuzz_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzLoad(kPngPlugin, "png", data, size);
}
