// Fuzz target of the BMP loader: check, load from memory, widening and move into the model.
#include "formats/bmp_plugin.h"
#include "fuzz_bytes_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzLoadBytes(kBmpPlugin, BmpLoadFromBytes, data, size);
}
