// CDibLib: the bitmap reader. Parses device-independent bitmaps (a BMP file, or an info header
// followed by its colour table and pixels as on the clipboard), decodes RLE8 and RLE4, and
// delivers palette entries, raw pixel values and colours. Used by the BMP loader, clipboard
// paste and the Susie adapter (through IDibSource).
//
// Every offset, count and size is checked against the bytes the reader was given before use;
// the reader never reads outside them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/dib_source.h"
#include "model/rgba.h"

// Reader codes.
enum DibResult : int {
  DIBRC_OK = 0,
  DIBRC_UNSUPPORTED = 1,
  DIBRC_DAMAGED = 2,  // damaged or too short
  DIBRC_NOINPUT = 3,  // missing input or no memory
  DIBRC_FILE = 4,
};

// Kinds of info header, by their size.
enum DibHeaderKind : int {
  DIBHDR_NONE = 0,
  DIBHDR_OS2 = 12,
  DIBHDR_WIN = 40,
  DIBHDR_V4 = 108,
  DIBHDR_V5 = 124,
};

// Compression values of the info header.
enum DibCompression : uint32_t {
  DIBCMP_NONE = 0,
  DIBCMP_RLE8 = 1,
  DIBCMP_RLE4 = 2,
  DIBCMP_BITFIELDS = 3,
};

class CDibLib : public IDibSource {
 public:
  CDibLib() = default;
  CDibLib(const CDibLib&) = delete;
  CDibLib& operator=(const CDibLib&) = delete;

  // A whole BMP file of `length` bytes. The bytes must stay valid while the reader is used
  // (LoadFile keeps its own copy).
  int ParseFile(const uint8_t* bytes, uint64_t length);
  // The head of a BMP file (`available` bytes of it) whose length is unknown: the header is
  // checked, no pixel is available.
  int ParseHead(const uint8_t* bytes, uint64_t available);
  // An info header at `header` with `headerArea` bytes for header, masks and colour table;
  // the pixels at `pixels` (`pixelLength` bytes), or, when `pixels` is null, right after the
  // colour table inside the header area.
  int ParseInfo(const uint8_t* header, uint64_t headerArea, const uint8_t* pixels, uint64_t pixelLength);
  // Reads the whole file, then ParseFile.
  int LoadFile(const std::string& path);
  // Decodes RLE8 or RLE4 pixels into a buffer the reader owns; the bitmap then counts as
  // uncompressed.
  int Decompress();

  // Colour-table entry i as R, G, B, 0.
  std::optional<RGBA> GetPaletteEntry(int i) const;
  // Raw pixel value at (x, y), y = 0 the top row.
  std::optional<uint32_t> GetIndex(int x, int y) const;
  // Colour at (x, y).
  std::optional<RGBA> GetPixel(int x, int y) const;
  // Whole rows (y = 0 the top), for speed: the raw values of a bitmap of 8 bits or fewer into
  // byte 0 of each `cellSize`-byte cell, or the colours as R, G, B, A. False when the row is
  // not available.
  bool GetIndexRow(int y, uint8_t* cells, int cellSize) const;
  bool GetPixelRow(int y, uint8_t* rgba) const;

  bool IsParsed() const { return m_kind != DIBHDR_NONE; }
  int HeaderKind() const { return m_kind; }
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  int BitCount() const { return m_bitCount; }
  uint32_t Compression() const { return m_compression; }
  bool IsCompressed() const { return m_compressed; }
  bool HasAlpha() const { return m_hasAlpha; }
  bool HasColourTable() const { return m_tableEntries > 0; }
  bool IsTopDown() const { return m_topDown; }
  bool HasBitFields() const { return m_bitFields; }
  uint64_t Stride() const { return m_stride; }
  uint64_t ImageSize() const { return m_imageSize; }
  int ColourTableEntries() const { return m_tableEntries; }
  int ColourEntrySize() const { return m_entrySize; }
  uint32_t Mask(int channel) const { return m_mask[channel]; }
  int ChannelBits(int channel) const { return m_bits[channel]; }

  // IDibSource
  int DibWidth() const override { return m_width; }
  int DibHeight() const override { return m_height; }
  int DibBitCount() const override { return m_bitCount; }
  bool DibHasAlpha() const override { return m_hasAlpha; }
  int DibColourCount() const override { return m_bitCount <= 8 ? m_tableEntries : 0; }
  std::optional<RGBA> DibPaletteEntry(int i) const override { return GetPaletteEntry(i); }
  std::optional<uint32_t> DibIndex(int x, int y) const override { return GetIndex(x, y); }
  std::optional<RGBA> DibPixel(int x, int y) const override { return GetPixel(x, y); }

 private:
  void Reset();
  int Finish(int rc);
  int Parse(const uint8_t* header, uint64_t area, uint64_t readable, const uint8_t* pixels,
            uint64_t pixelLength, bool headOnly);
  int SetMasks(uint32_t r, uint32_t g, uint32_t b, uint32_t a);
  const uint8_t* RowPointer(int y) const;
  int DecodeRle(std::vector<uint8_t>& out) const;

  std::vector<uint8_t> m_file;    // LoadFile's copy of the file
  std::vector<uint8_t> m_pixels;  // decompressed pixels
  int m_kind = DIBHDR_NONE;
  int m_width = 0;
  int m_height = 0;
  int m_bitCount = 0;
  uint32_t m_compression = DIBCMP_NONE;
  bool m_compressed = false;
  bool m_hasAlpha = false;
  bool m_topDown = false;
  bool m_bitFields = false;
  uint64_t m_stride = 0;
  uint64_t m_imageSize = 0;
  const uint8_t* m_table = nullptr;
  int m_entrySize = 4;
  int m_tableEntries = 0;        // entries delivered (at most 256 for bitmaps of 8 bits or fewer)
  uint64_t m_tableReadable = 0;  // bytes of the table that are really present
  uint32_t m_mask[4] = {};
  int m_rshift[4] = {};
  int m_bits[4] = {};
  const uint8_t* m_data = nullptr;  // pixel bytes, or null when not available
  uint64_t m_dataLength = 0;
};

// Reads a whole file into `bytes`; a reader code (4 when the file cannot be opened or read,
// 3 without memory).
int ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes);

// A reader code as a Qvp code: 0 -> 0, 2 -> data, 3 -> memory, 4 -> file, else param.
int DibToQvpCode(int dibCode);
