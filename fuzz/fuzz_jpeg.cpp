// Fuzz target of the JPEG loader.
#include "formats/jpeg_plugin.h"
#include "fuzz_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzLoad(kJpegPlugin, "jpg", data, size);
}
