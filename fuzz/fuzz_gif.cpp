// Fuzz target of the GIF loader.
#include "formats/gif_plugin.h"
#include "fuzz_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzLoad(kGifPlugin, "gif", data, size);
}
