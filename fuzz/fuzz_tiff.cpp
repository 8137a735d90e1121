// Fuzz target of the TIFF loader.
#include "formats/tiff_plugin.h"
#include "fuzz_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzLoad(kTiffPlugin, "tif", data, size);
}
