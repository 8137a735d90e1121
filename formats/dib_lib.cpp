// The bitmap reader: header parsing with every field checked against the bytes given, the
// RLE8/RLE4 decoder, and pixel access.
#include "formats/dib_lib.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>

#include "formats/byte_io.h"
#include "formats/qvp.h"
#include "formats/qvp_image.h"
#include "platform/checked_math.h"

namespace {

constexpr uint64_t kFileHeaderSize = 14;
// Run-length data may describe a bitmap far larger than itself (end-of-line and delta escapes
// skip whole rows). A decoded size up to kRleFreeBytes is always accepted; above it the data
// must be at least 1/kRleMaxRatio of the decoded size, so a few bytes cannot make the reader
// and the image block allocate gigabytes.
constexpr uint64_t kRleFreeBytes = 1ull << 20;
constexpr uint64_t kRleMaxRatio = 2048;

bool SupportedBitCount(int bits) {
  return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Shifts and width of one contiguous channel mask; false when the mask's bits are not one run.
bool MaskShape(uint32_t mask, int& rshift, int& bits) {
  rshift = 0;
  bits = 0;
  if (mask == 0) return true;
  rshift = __builtin_ctz(mask);
  const uint64_t run = uint64_t(mask >> rshift);
  if ((run & (run + 1)) != 0) return false;
  bits = __builtin_popcount(mask);
  return true;
}

}  // namespace

int DibToQvpCode(int dibCode) {
  switch (dibCode) {
    case DIBRC_OK: return QVP_OK;
    case DIBRC_DAMAGED: return QVP_ERR_DATA;
    case DIBRC_NOINPUT: return QVP_ERR_MEMORY;
    case DIBRC_FILE: return QVP_ERR_FILE;
    default: return QVP_ERR_PARAM;
  }
}

void CDibLib::Reset() {
  m_pixels.clear();
  m_kind = DIBHDR_NONE;
  m_width = m_height = m_bitCount = 0;
  m_compression = DIBCMP_NONE;
  m_compressed = m_hasAlpha = m_topDown = m_bitFields = false;
  m_stride = m_imageSize = 0;
  m_table = nullptr;
  m_entrySize = 4;
  m_tableEntries = 0;
  m_tableReadable = 0;
  for (int c = 0; c < 4; ++c) m_mask[c] = 0, m_rshift[c] = 0, m_bits[c] = 0;
  m_data = nullptr;
  m_dataLength = 0;
}

int CDibLib::ParseFile(const uint8_t* bytes, uint64_t length) {
  Reset();
  if (!bytes) return DIBRC_NOINPUT;
  if (length <= 13) return DIBRC_DAMAGED;
  if (bytes[0] != 0x42 || bytes[1] != 0x4D) return DIBRC_UNSUPPORTED;
  const uint32_t fileSize = ReadU32Le(bytes + 2);
  const uint32_t offBits = ReadU32Le(bytes + 10);
  if (fileSize > length || offBits >= length) return DIBRC_DAMAGED;
  // The info header starts right after the 14-byte file header, so the header area is what
  // lies between the two.
  if (offBits < kFileHeaderSize) return DIBRC_DAMAGED;
  const uint64_t area = offBits - kFileHeaderSize;
  return Finish(Parse(bytes + kFileHeaderSize, area, area, bytes + offBits, length - offBits, false));
}

int CDibLib::ParseHead(const uint8_t* bytes, uint64_t available) {
  Reset();
  if (!bytes) return DIBRC_NOINPUT;
  if (available <= 13) return DIBRC_DAMAGED;
  if (bytes[0] != 0x42 || bytes[1] != 0x4D) return DIBRC_UNSUPPORTED;
  const uint32_t offBits = ReadU32Le(bytes + 10);
  if (offBits < kFileHeaderSize) return DIBRC_DAMAGED;
  const uint64_t area = offBits - kFileHeaderSize;
  const uint64_t readable = std::min<uint64_t>(area, available - kFileHeaderSize);
  return Finish(Parse(bytes + kFileHeaderSize, area, readable, nullptr, 0, true));
}

int CDibLib::ParseInfo(const uint8_t* header, uint64_t headerArea, const uint8_t* pixels,
                       uint64_t pixelLength) {
  Reset();
  return Finish(Parse(header, headerArea, headerArea, pixels, pixelLength, false));
}

int CDibLib::Finish(int rc) {
  // A failed parse leaves nothing half-known behind.
  if (rc != DIBRC_OK) Reset();
  return rc;
}

int CDibLib::SetMasks(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  const uint32_t masks[4] = {r, g, b, a};
  for (int c = 0; c < 4; ++c) {
    m_mask[c] = masks[c];
    if (!MaskShape(masks[c], m_rshift[c], m_bits[c]) || m_bits[c] > 8) return DIBRC_UNSUPPORTED;
  }
  m_hasAlpha = m_bits[3] > 0;
  return DIBRC_OK;
}

int CDibLib::Parse(const uint8_t* h, uint64_t area, uint64_t readable, const uint8_t* pixels,
                   uint64_t pixelLength, bool headOnly) {
  if (!h) return DIBRC_NOINPUT;
  if (area <= 11 || (pixels && pixelLength <= 3)) return DIBRC_DAMAGED;
  // Every field read below lies within the header and its masks, which must be readable.
  if (readable < 4) return DIBRC_DAMAGED;

  const uint32_t headerSize = ReadU32Le(h);
  if (headerSize != DIBHDR_WIN && headerSize != DIBHDR_OS2 && headerSize != DIBHDR_V4 &&
      headerSize != DIBHDR_V5)
    return DIBRC_UNSUPPORTED;
  if (headerSize > area || headerSize > readable) return DIBRC_DAMAGED;

  int64_t width, height;
  int planes, bits;
  uint32_t compression = DIBCMP_NONE, imageSize = 0, colourCount = 0;
  if (headerSize == DIBHDR_OS2) {
    width = ReadU16Le(h + 4);
    height = ReadU16Le(h + 6);
    planes = ReadU16Le(h + 8);
    bits = ReadU16Le(h + 10);
  } else {
    width = ReadI32Le(h + 4);
    height = ReadI32Le(h + 8);
    planes = ReadU16Le(h + 12);
    bits = ReadU16Le(h + 14);
    compression = ReadU32Le(h + 16);
    imageSize = ReadU32Le(h + 20);
    colourCount = ReadU32Le(h + 32);
  }
  if (compression > DIBCMP_BITFIELDS) return DIBRC_UNSUPPORTED;
  if (!SupportedBitCount(bits)) return DIBRC_UNSUPPORTED;
  if (planes != 1) return DIBRC_DAMAGED;
  if (width <= 0 || height == 0 || height == INT32_MIN) return DIBRC_DAMAGED;
  const bool topDown = height < 0;
  if (topDown) height = -height;
  // Every bitmap must fit a direct plane of the model.
  if (!checked::PlaneBytes(width, height, 4)) return DIBRC_UNSUPPORTED;
  const uint64_t stride = (uint64_t(bits) * uint64_t(width) + 31) / 32 * 4;
  const uint64_t fullSize = stride * uint64_t(height);  // below 2^36: no overflow

  m_kind = int(headerSize);
  m_width = int(width);
  m_height = int(height);
  m_bitCount = bits;
  m_compression = compression;
  m_topDown = topDown;
  m_stride = stride;

  if (compression == DIBCMP_RLE8 || compression == DIBCMP_RLE4) {
    if (topDown || (compression == DIBCMP_RLE8 && bits != 8) || (compression == DIBCMP_RLE4 && bits != 4))
      return DIBRC_DAMAGED;
    if (imageSize == 0) return DIBRC_DAMAGED;
    if (fullSize > kRleFreeBytes && fullSize / kRleMaxRatio > imageSize) return DIBRC_UNSUPPORTED;
    m_compressed = true;
    m_imageSize = imageSize;
  } else {
    m_imageSize = imageSize ? imageSize : fullSize;
  }

  uint64_t extra = 0;
  if (compression == DIBCMP_BITFIELDS) {
    if (bits != 16 && bits != 24 && bits != 32) return DIBRC_UNSUPPORTED;
    m_bitFields = true;
    uint32_t r, g, b, a = 0;
    if (headerSize == DIBHDR_WIN) {
      if (DIBHDR_WIN + 12 > area || DIBHDR_WIN + 12 > readable) return DIBRC_DAMAGED;
      r = ReadU32Le(h + 40);
      g = ReadU32Le(h + 44);
      b = ReadU32Le(h + 48);
      extra = 12;
    } else if (headerSize == DIBHDR_OS2) {
      return DIBRC_UNSUPPORTED;
    } else {
      r = ReadU32Le(h + 40);
      g = ReadU32Le(h + 44);
      b = ReadU32Le(h + 48);
      a = ReadU32Le(h + 52);
    }
    if (r == 0 && g == 0 && b == 0 && a == 0) {
      if (bits == 16)
        r = 0x7C00, g = 0x03E0, b = 0x001F;
      else
        r = 0x00FF0000, g = 0x0000FF00, b = 0x000000FF;
    }
    if (const int rc = SetMasks(r, g, b, a); rc != DIBRC_OK) return rc;
  } else if (bits == 16) {
    SetMasks(0x7C00, 0x03E0, 0x001F, 0);
  } else if (bits > 16) {
    SetMasks(0x00FF0000, 0x0000FF00, 0x000000FF, 0);
  }

  // Colour table. The count is taken as stored (all 32 bits) and must fit the header area;
  // a bitmap of 8 bits or fewer uses at most 256 entries of it.
  m_entrySize = headerSize == DIBHDR_OS2 ? 3 : 4;
  uint64_t entries;
  if (bits <= 8)
    entries = (headerSize == DIBHDR_OS2 || colourCount == 0) ? (uint64_t(1) << bits) : colourCount;
  else
    entries = colourCount;
  const uint64_t tableStart = headerSize + extra;
  const uint64_t tableEnd = tableStart + entries * uint64_t(m_entrySize);
  if (tableEnd > area) return DIBRC_DAMAGED;
  m_table = h + tableStart;
  m_tableEntries = int(std::min<uint64_t>(entries, 256));
  m_tableReadable = readable > tableStart ? std::min(readable, tableEnd) - tableStart : 0;

  if (headOnly) return DIBRC_OK;  // the pixels are not here
  if (!pixels) {
    pixels = h + tableEnd;
    pixelLength = area - tableEnd;
    if (pixelLength <= 3) return DIBRC_DAMAGED;
  }
  if (pixelLength < m_imageSize) return DIBRC_DAMAGED;
  // Uncompressed rows are read in place: every row must be present.
  if (!m_compressed && pixelLength < fullSize) return DIBRC_DAMAGED;
  m_data = pixels;
  m_dataLength = m_compressed ? m_imageSize : pixelLength;
  return DIBRC_OK;
}

int ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes) {
  bytes.clear();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return DIBRC_FILE;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return DIBRC_FILE;
  int rc = DIBRC_OK;
  if (std::fseek(f, 0, SEEK_END) != 0) rc = DIBRC_FILE;
  const long size = rc == DIBRC_OK ? std::ftell(f) : -1;
  if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) rc = DIBRC_FILE;
  if (rc == DIBRC_OK) {
    try {
      bytes.resize(size_t(size));
    } catch (const std::bad_alloc&) {
      rc = DIBRC_NOINPUT;
    }
  }
  if (rc == DIBRC_OK && size > 0 && std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size())
    rc = DIBRC_FILE;
  std::fclose(f);
  if (rc != DIBRC_OK) bytes.clear();
  return rc;
}

int CDibLib::LoadFile(const std::string& path) {
  Reset();
  const int rc = ReadFileBytes(path, m_file);
  if (rc != DIBRC_OK) return rc;
  if (m_file.empty()) return DIBRC_DAMAGED;
  return ParseFile(m_file.data(), m_file.size());
}

int CDibLib::DecodeRle(std::vector<uint8_t>& out) const {
  const bool rle8 = m_compression == DIBCMP_RLE8;
  const uint8_t* d = m_data;
  const uint64_t n = m_dataLength;
  const int64_t width = m_width, height = m_height;
  // Pixels a row's stride has room for; runs may spill into the padding but no further.
  const int64_t rowRoom = int64_t(m_stride * 8 / uint64_t(m_bitCount));
  int64_t x = 0, row = 0;
  auto put = [&](uint8_t v) -> bool {
    if (row >= height || x >= rowRoom) return false;
    if (x < width) {
      uint8_t* line = out.data() + uint64_t(row) * m_stride;
      if (rle8) {
        line[x] = v;
      } else {
        uint8_t& byte = line[x / 2];
        byte = (x & 1) ? uint8_t((byte & 0xF0) | (v & 15)) : uint8_t((byte & 0x0F) | (v << 4));
      }
    }
    ++x;
    return true;
  };
  uint64_t pos = 0;
  while (pos + 2 <= n) {
    const uint8_t count = d[pos], value = d[pos + 1];
    pos += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i) {
        const uint8_t v = rle8 ? value : ((i & 1) ? (value & 15) : (value >> 4));
        if (!put(v)) return DIBRC_DAMAGED;
      }
      continue;
    }
    switch (value) {
      case 0:  // end of line
        x = 0;
        if (++row >= height) return DIBRC_OK;
        break;
      case 1:  // end of bitmap
        return DIBRC_OK;
      case 2: {  // delta
        if (pos + 2 > n) return DIBRC_DAMAGED;
        x += d[pos];
        row += d[pos + 1];
        pos += 2;
        if (x > width || row > height) return DIBRC_DAMAGED;
        break;
      }
      default: {  // absolute run of `value` pixels, padded to a 16-bit boundary
        const uint64_t bytes = rle8 ? value : (uint64_t(value) + 1) / 2;
        if (pos + bytes > n) return DIBRC_DAMAGED;
        for (int i = 0; i < value; ++i) {
          const uint8_t v = rle8 ? d[pos + i] : ((i & 1) ? (d[pos + i / 2] & 15) : (d[pos + i / 2] >> 4));
          if (!put(v)) return DIBRC_DAMAGED;
        }
        pos += (bytes + 1) & ~uint64_t(1);
        break;
      }
    }
  }
  return DIBRC_OK;
}

int CDibLib::Decompress() {
  if (!IsParsed()) return DIBRC_NOINPUT;
  if (!m_compressed) return DIBRC_OK;
  if (m_compression != DIBCMP_RLE8 && m_compression != DIBCMP_RLE4) return DIBRC_UNSUPPORTED;
  if (!m_data || m_dataLength == 0) return DIBRC_DAMAGED;
  std::vector<uint8_t> out;
  try {
    out.assign(size_t(m_stride * uint64_t(m_height)), 0);
  } catch (const std::bad_alloc&) {
    return DIBRC_NOINPUT;
  }
  const int rc = DecodeRle(out);
  if (rc != DIBRC_OK) return rc;
  m_pixels.swap(out);
  m_data = m_pixels.data();
  m_dataLength = m_pixels.size();
  m_compressed = false;
  return DIBRC_OK;
}

std::optional<RGBA> CDibLib::GetPaletteEntry(int i) const {
  if (!m_table || i < 0 || i >= m_tableEntries) return std::nullopt;
  const uint64_t off = uint64_t(i) * uint64_t(m_entrySize);
  if (off + 3 > m_tableReadable) return std::nullopt;
  const uint8_t* e = m_table + off;
  return RGBA{e[2], e[1], e[0], 0};
}

const uint8_t* CDibLib::RowPointer(int y) const {
  if (!m_data || m_compressed) return nullptr;
  const uint64_t row = m_topDown ? uint64_t(y) : uint64_t(m_height - 1 - y);
  const uint64_t off = row * m_stride;
  if (off + m_stride > m_dataLength) return nullptr;
  return m_data + off;
}

std::optional<uint32_t> CDibLib::GetIndex(int x, int y) const {
  if (x < 0 || x >= m_width || y < 0 || y >= m_height) return std::nullopt;
  const uint8_t* p = RowPointer(y);
  if (!p) return std::nullopt;
  switch (m_bitCount) {
    case 1:
    case 2:
    case 4: {
      const uint64_t bit = uint64_t(x) * uint64_t(m_bitCount);
      const int shift = 8 - m_bitCount - int(bit % 8);
      return uint32_t((p[bit / 8] >> shift) & ((1u << m_bitCount) - 1));
    }
    case 8: return p[x];
    case 16: return ReadU16Le(p + uint64_t(x) * 2);
    case 24: {
      const uint8_t* q = p + uint64_t(x) * 3;
      return uint32_t(q[0]) | (uint32_t(q[1]) << 8) | (uint32_t(q[2]) << 16);
    }
    case 32: return ReadU32Le(p + uint64_t(x) * 4);
    default: return std::nullopt;
  }
}

std::optional<RGBA> CDibLib::GetPixel(int x, int y) const {
  const auto value = GetIndex(x, y);
  if (!value) return std::nullopt;
  const uint32_t v = *value;
  if (m_bitCount <= 8) return GetPaletteEntry(int(v));
  if (m_bitCount == 16 || m_bitFields) {
    uint8_t ch[4];
    for (int c = 0; c < 4; ++c) {
      if (m_bits[c] == 0) {
        ch[c] = 0;
        continue;
      }
      const uint8_t top = uint8_t(((v & m_mask[c]) >> m_rshift[c]) << (8 - m_bits[c]));
      ch[c] = QvpExpandValue(top, m_bits[c]);
    }
    return RGBA{ch[0], ch[1], ch[2], ch[3]};
  }
  return RGBA{uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v), 0};
}

bool CDibLib::GetIndexRow(int y, uint8_t* cells, int cellSize) const {
  if (y < 0 || y >= m_height || m_bitCount > 8 || !cells) return false;
  const uint8_t* p = RowPointer(y);
  if (!p) return false;
  const int bits = m_bitCount;
  const unsigned mask = (1u << bits) - 1;
  for (int x = 0; x < m_width; ++x, cells += cellSize) {
    if (bits == 8) {
      *cells = p[x];
    } else {
      const unsigned bit = unsigned(x) * unsigned(bits);
      *cells = uint8_t((p[bit / 8] >> (8 - bits - int(bit % 8))) & mask);
    }
  }
  return true;
}

bool CDibLib::GetPixelRow(int y, uint8_t* rgba) const {
  if (y < 0 || y >= m_height || !rgba) return false;
  if (m_bitCount <= 8 || m_bitCount == 16 || m_bitFields) {
    for (int x = 0; x < m_width; ++x) {
      const auto c = GetPixel(x, y);
      if (!c) return false;
      std::memcpy(rgba + size_t(x) * 4, &*c, 4);
    }
    return true;
  }
  const uint8_t* p = RowPointer(y);
  if (!p) return false;
  const int step = m_bitCount / 8;
  for (int x = 0; x < m_width; ++x, p += step, rgba += 4) {
    rgba[0] = p[2];
    rgba[1] = p[1];
    rgba[2] = p[0];
    rgba[3] = 0;
  }
  return true;
}
