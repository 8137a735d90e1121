// The GIF variant of LZW: the hashed encoder whose output is fixed byte for byte, and a
// decoder with bounded table and stack that reads its codes through the data sub-blocks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

// Encodes width x height indices (rows in the order they are to be stored) with the given
// minimum code size (2..8) into data sub-blocks (each a length byte and up to 254 bytes),
// without the minimum code size byte and without the terminating zero-length block.
// `rowDone`(rows) is called after each completed row and returns true to cancel. Returns
// false when cancelled.
bool GifLzwEncode(const uint8_t* pixels, int width, int height, int minCodeSize, std::vector<uint8_t>& out,
                  const std::function<bool(int)>& rowDone = {});

// Result of decoding.
enum class GifLzwResult { kOk, kData, kCancel };

// Decodes the image data that follows the minimum code size byte from `f`, handing each
// decoded index to `pixel`; `pixel` returns false to stop with kData (a pixel outside the
// picture) and may report kCancel through `cancelled`.
class GifLzwDecoder {
 public:
  GifLzwDecoder(FILE* f, int minCodeSize);
  // Decodes until the end code, a zero-length sub-block or an error. `emit` receives each
  // index and returns 0 to go on, 1 to stop with a data error, 2 to stop cancelled.
  GifLzwResult Run(const std::function<int(uint8_t)>& emit);

 private:
  static constexpr int kMaxCodes = 4096;
  // Next code of `m_width` bits, -1 at the end of the data (zero-length block), -2 on a
  // failed read.
  int ReadCode();

  FILE* m_f;
  int m_minSize;
  int m_width = 0;
  uint8_t m_block[255] = {};
  int m_blockLen = 0;
  int m_blockPos = 0;
  bool m_ended = false;
  uint32_t m_bits = 0;
  int m_bitCount = 0;
  uint16_t m_prefix[kMaxCodes] = {};
  uint8_t m_suffix[kMaxCodes] = {};
  uint8_t m_stack[kMaxCodes] = {};
};
