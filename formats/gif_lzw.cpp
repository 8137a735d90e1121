// GIF LZW coding. The encoder follows the classic hashed scheme exactly (hash size 5003,
// secondary probing by 5003 - h, clear when the table is full) because files written by
// earlier versions must be reproduced byte for byte.
#include "formats/gif_lzw.h"

#include <cstring>

namespace {

constexpr int kHashSize = 5003;
constexpr int kMaxBits = 12;
constexpr int kMaxMaxCode = 1 << kMaxBits;

class Encoder {
 public:
  Encoder(int initBits, std::vector<uint8_t>& out) : m_out(out), m_initBits(initBits) {
    m_clear = 1 << (initBits - 1);
    m_eof = m_clear + 1;
    m_free = m_clear + 2;
    m_bits = initBits;
    m_maxCode = (1 << m_bits) - 1;
    ClearHash();
  }

  bool Run(const uint8_t* pixels, int width, int height, const std::function<bool(int)>& rowDone) {
    Output(m_clear);
    int ent = pixels[0];
    const size_t total = size_t(width) * size_t(height);
    for (size_t i = 0; i < total; ++i) {
      if (i > 0) ent = Step(ent, pixels[i]);
      if ((i + 1) % size_t(width) == 0 && rowDone && rowDone(int((i + 1) / size_t(width)))) return false;
    }
    Output(ent);
    Output(m_eof);
    return true;
  }

 private:
  // Adds pixel c to the current string `ent`; returns the new current string.
  int Step(int ent, int c) {
    const int32_t key = (int32_t(c) << kMaxBits) + ent;
    int h = (c << 4) ^ ent;
    if (m_htab[h] == key) return m_codetab[h];
    if (m_htab[h] >= 0) {
      const int disp = h == 0 ? 1 : kHashSize - h;
      do {
        h -= disp;
        if (h < 0) h += kHashSize;
        if (m_htab[h] == key) return m_codetab[h];
      } while (m_htab[h] > 0);
    }
    Output(ent);
    if (m_free < kMaxMaxCode) {
      m_codetab[h] = uint16_t(m_free++);
      m_htab[h] = key;
    } else {
      ClearHash();
      m_free = m_clear + 2;
      m_clearFlag = true;
      Output(m_clear);
    }
    return c;
  }

  void ClearHash() {
    for (auto& k : m_htab) k = -1;
  }

  void Output(int code) {
    m_accum &= (uint32_t(1) << m_accumBits) - 1;
    m_accum |= uint32_t(code) << m_accumBits;
    m_accumBits += m_bits;
    while (m_accumBits >= 8) {
      Byte(uint8_t(m_accum & 0xFF));
      m_accum >>= 8;
      m_accumBits -= 8;
    }
    if (m_free > m_maxCode || m_clearFlag) {
      if (m_clearFlag) {
        m_bits = m_initBits;
        m_maxCode = (1 << m_bits) - 1;
        m_clearFlag = false;
      } else {
        ++m_bits;
        m_maxCode = m_bits == kMaxBits ? kMaxMaxCode : (1 << m_bits) - 1;
      }
    }
    if (code == m_eof) {
      while (m_accumBits > 0) {
        Byte(uint8_t(m_accum & 0xFF));
        m_accum >>= 8;
        m_accumBits -= 8;
      }
      Flush();
    }
  }

  void Byte(uint8_t b) {
    m_packet[m_count++] = b;
    if (m_count >= 254) Flush();
  }

  void Flush() {
    if (m_count == 0) return;
    m_out.push_back(uint8_t(m_count));
    m_out.insert(m_out.end(), m_packet, m_packet + m_count);
    m_count = 0;
  }

  std::vector<uint8_t>& m_out;
  int m_initBits;
  int m_clear = 0, m_eof = 0, m_free = 0, m_bits = 0, m_maxCode = 0;
  bool m_clearFlag = false;
  uint32_t m_accum = 0;
  int m_accumBits = 0;
  uint8_t m_packet[256] = {};
  int m_count = 0;
  int32_t m_htab[kHashSize];
  uint16_t m_codetab[kHashSize] = {};
};

}  // namespace

bool GifLzwEncode(const uint8_t* pixels, int width, int height, int minCodeSize, std::vector<uint8_t>& out,
                  const std::function<bool(int)>& rowDone) {
  if (!pixels || width <= 0 || height <= 0 || minCodeSize < 2 || minCodeSize > 8) return false;
  Encoder enc(minCodeSize + 1, out);
  return enc.Run(pixels, width, height, rowDone);
}

GifLzwDecoder::GifLzwDecoder(FILE* f, int minCodeSize) : m_f(f), m_minSize(minCodeSize) {}

int GifLzwDecoder::ReadCode() {
  while (m_bitCount < m_width) {
    if (m_blockPos >= m_blockLen) {
      if (m_ended) return -1;
      const int len = std::fgetc(m_f);
      if (len == EOF) return -2;
      if (len == 0) {
        m_ended = true;
        return -1;
      }
      if (std::fread(m_block, 1, size_t(len), m_f) != size_t(len)) return -2;
      m_blockLen = len;
      m_blockPos = 0;
    }
    m_bits |= uint32_t(m_block[m_blockPos++]) << m_bitCount;
    m_bitCount += 8;
  }
  const int code = int(m_bits & ((1u << m_width) - 1));
  m_bits >>= m_width;
  m_bitCount -= m_width;
  return code;
}

GifLzwResult GifLzwDecoder::Run(const std::function<int(uint8_t)>& emit) {
  const int clear = 1 << m_minSize;
  const int end = clear + 1;
  int next = clear + 2;
  m_width = m_minSize + 1;
  int limit = 1 << m_width;
  int old = -1;  // no previous code: the next one is taken as a single index
  uint8_t first = 0;
  for (int i = 0; i < kMaxCodes; ++i) {
    m_prefix[i] = 0;
    m_suffix[i] = uint8_t(i < clear ? i : 0);
  }
  auto put = [&](uint8_t v) -> GifLzwResult {
    const int r = emit(v);
    return r == 0 ? GifLzwResult::kOk : r == 2 ? GifLzwResult::kCancel : GifLzwResult::kData;
  };
  for (;;) {
    int code = ReadCode();
    if (code == -2) return GifLzwResult::kData;
    if (code == -1 || code == end) return GifLzwResult::kOk;
    if (code == clear || old < 0) {
      if (code == clear) {
        m_width = m_minSize + 1;
        limit = 1 << m_width;
        next = clear + 2;
        do code = ReadCode();
        while (code == clear);
        if (code == -2) return GifLzwResult::kData;
        if (code == -1 || code == end) return GifLzwResult::kOk;
      }
      if (code >= next) code = 0;
      old = code;
      first = uint8_t(code);
      const GifLzwResult r = put(first);
      if (r != GifLzwResult::kOk) return r;
      continue;
    }
    const int incode = code;
    int sp = 0;
    if (code >= next) {  // the string being defined (or a damaged code): previous + its first byte
      m_stack[sp++] = first;
      code = old;
    }
    while (code >= clear) {
      if (sp >= kMaxCodes) return GifLzwResult::kData;  // a cycle in a hostile table
      m_stack[sp++] = m_suffix[code];
      code = m_prefix[code];
    }
    if (sp >= kMaxCodes) return GifLzwResult::kData;
    first = uint8_t(code);
    m_stack[sp++] = first;
    if (next < limit) {
      m_prefix[next] = uint16_t(old);
      m_suffix[next] = first;
      ++next;
      if (next >= limit && m_width < 12) {
        ++m_width;
        limit <<= 1;
      }
    }
    old = incode;
    while (sp > 0) {
      const GifLzwResult r = put(m_stack[--sp]);
      if (r != GifLzwResult::kOk) return r;
    }
  }
}
