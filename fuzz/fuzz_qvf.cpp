// Fuzz target of the QVF loader: check, load from memory, widening and move into the model.
#include "formats/qvf_plugin.h"
#include "fuzz_bytes_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzLoadBytes(kQvfPlugin, QvfLoadFromBytes, data, size);
}
