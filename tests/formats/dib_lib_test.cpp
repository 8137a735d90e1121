// The bitmap reader: header checks (including the damaged and hostile headers it must
// refuse), pixel access at every depth, bit fields, RLE decoding, and the model's ReadDib.
#include "formats/dib_lib.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "model/default_colour.h"
#include "model/img_inf.h"
#include "support/bmp_builder.h"

namespace {

using testutil::BmpSpec;
using testutil::BuildBmp;
using testutil::PackRows;
using testutil::Pal8Spec;
using testutil::PutU32;

int Parse(const std::vector<uint8_t>& file) {
  CDibLib dib;
  const int rc = dib.ParseFile(file.data(), file.size());
  if (rc != DIBRC_OK) {
    // A refused bitmap delivers nothing.
    EXPECT_FALSE(dib.IsParsed());
    EXPECT_FALSE(dib.GetIndex(0, 0));
    EXPECT_FALSE(dib.GetPaletteEntry(0));
  }
  return rc;
}

TEST(DibLib, RefusesDamagedAndUnsupportedHeaders) {
  struct Case {
    const char* name;
    std::function<void(BmpSpec&)> spec;
    std::function<void(std::vector<uint8_t>&)> bytes;
    int rc;
  } cases[] = {
      {"valid", {}, {}, DIBRC_OK},
      {"not BM", {}, [](auto& b) { b[0] = 'X'; }, DIBRC_UNSUPPORTED},
      {"file size above length", {}, [](auto& b) { PutU32(b, 2, uint32_t(b.size() + 1)); }, DIBRC_DAMAGED},
      {"pixel offset inside the file header", {}, [](auto& b) { PutU32(b, 10, 13); }, DIBRC_DAMAGED},
      {"pixel offset at the length", {}, [](auto& b) { PutU32(b, 10, uint32_t(b.size())); }, DIBRC_DAMAGED},
      // The header area ends at the pixel offset: a table reaching past it is damaged.
      {"table past the pixel offset", {}, [](auto& b) { PutU32(b, 10, 14 + 40 + 1020); }, DIBRC_DAMAGED},
      {"header size 66", [](auto& s) { s.headerSize = 66; }, {}, DIBRC_UNSUPPORTED},
      {"header size 64", [](auto& s) { s.headerSize = 64; }, {}, DIBRC_UNSUPPORTED},
      {"header beyond the area", {}, [](auto& b) { PutU32(b, 10, 14 + 39); }, DIBRC_DAMAGED},
      {"compression 4", [](auto& s) { s.compression = 4; }, {}, DIBRC_UNSUPPORTED},
      {"width 0", [](auto& s) { s.width = 0; }, {}, DIBRC_DAMAGED},
      {"width negative", [](auto& s) { s.width = -4; }, {}, DIBRC_DAMAGED},
      {"height 0", [](auto& s) { s.height = 0; }, {}, DIBRC_DAMAGED},
      {"height INT_MIN", [](auto& s) { s.height = INT32_MIN; }, {}, DIBRC_DAMAGED},
      {"too large for a plane", [](auto& s) { s.width = 30000, s.height = 30000; }, {}, DIBRC_UNSUPPORTED},
      {"stride overflow", [](auto& s) { s.width = INT32_MAX, s.height = 1; }, {}, DIBRC_UNSUPPORTED},
      {"planes 2", [](auto& s) { s.planes = 2; }, {}, DIBRC_DAMAGED},
      {"bit count 0", [](auto& s) { s.bits = 0; }, {}, DIBRC_UNSUPPORTED},
      {"bit count 3", [](auto& s) { s.bits = 3; }, {}, DIBRC_UNSUPPORTED},
      {"bit count 12", [](auto& s) { s.bits = 12; }, {}, DIBRC_UNSUPPORTED},
      {"bit count 33", [](auto& s) { s.bits = 33; }, {}, DIBRC_UNSUPPORTED},
      {"bit count 64", [](auto& s) { s.bits = 64; }, {}, DIBRC_UNSUPPORTED},
      {"colour count 65535", [](auto& s) { s.colourCount = 65535; }, {}, DIBRC_DAMAGED},
      {"colour count 2^30", [](auto& s) { s.colourCount = 1u << 30; }, {}, DIBRC_DAMAGED},
      {"image size above the pixels", [](auto& s) { s.imageSize = 13; }, {}, DIBRC_DAMAGED},
      // An image size below stride x height is no licence to read rows that are not there.
      {"rows missing, small image size",
       [](auto& s) { s.pixels.resize(8), s.imageSize = 8; },
       {},
       DIBRC_DAMAGED},
      {"rows missing", [](auto& s) { s.pixels.resize(11); }, {}, DIBRC_DAMAGED},
      {"top-down RLE", [](auto& s) { s.compression = 1, s.height = -3; }, {}, DIBRC_DAMAGED},
      {"RLE8 at 4 bits", [](auto& s) { s.compression = 1, s.bits = 4; }, {}, DIBRC_DAMAGED},
      {"RLE4 at 8 bits", [](auto& s) { s.compression = 2; }, {}, DIBRC_DAMAGED},
      {"bit fields at 8 bits", [](auto& s) { s.compression = 3; }, {}, DIBRC_UNSUPPORTED},
      {"tiny file", {}, [](auto& b) { b.resize(13); }, DIBRC_DAMAGED},
  };
  for (const auto& c : cases) {
    BmpSpec spec = Pal8Spec();
    if (c.spec) c.spec(spec);
    std::vector<uint8_t> file = BuildBmp(spec);
    if (c.bytes) c.bytes(file);
    EXPECT_EQ(Parse(file), c.rc) << c.name;
  }
  CDibLib dib;
  EXPECT_EQ(dib.ParseFile(nullptr, 100), DIBRC_NOINPUT);
  EXPECT_EQ(dib.ParseInfo(nullptr, 100, nullptr, 0), DIBRC_NOINPUT);
}

TEST(DibLib, BitFieldMasks) {
  struct Case {
    std::vector<uint32_t> masks;
    int rc;
  } cases[] = {
      {{0xF800, 0x07E0, 0x001F}, DIBRC_OK},
      {{0x0F00, 0x00F0, 0x000F}, DIBRC_OK},
      {{0xFF80, 0x007E, 0x0001}, DIBRC_UNSUPPORTED},  // a run of 9 bits
      {{0xF00F, 0x0F00, 0x00F0}, DIBRC_UNSUPPORTED},  // not one run
      {{0, 0, 0}, DIBRC_OK},                          // the defaults
  };
  for (const auto& c : cases) {
    BmpSpec s;
    s.bits = 16;
    s.compression = 3;
    s.masks = c.masks;
    s.pixels = PackRows(4, 3, 16, false, [](int x, int y) { return uint32_t(x * 999 + y); });
    EXPECT_EQ(Parse(BuildBmp(s)), c.rc) << std::hex << c.masks[0];
  }
  // The three masks of a 40-byte header must lie inside the header area.
  BmpSpec s;
  s.bits = 16;
  s.compression = 3;
  s.pixels = PackRows(4, 3, 16, false, [](int, int) { return 0u; });
  EXPECT_EQ(Parse(BuildBmp(s)), DIBRC_DAMAGED);
}

TEST(DibLib, ColourTableIsBoundedTo256Entries) {
  BmpSpec s = Pal8Spec();
  s.table = testutil::GreyishTable(300);
  s.colourCount = 300;
  const auto file = BuildBmp(s);
  CDibLib dib;
  ASSERT_EQ(dib.ParseFile(file.data(), file.size()), DIBRC_OK);
  EXPECT_EQ(dib.ColourTableEntries(), 256);
  EXPECT_EQ(dib.DibColourCount(), 256);
  EXPECT_FALSE(dib.GetPaletteEntry(256));
  EXPECT_EQ(*dib.GetPaletteEntry(255), (RGBA{255, 0, uint8_t(255 * 3), 0}));
}

TEST(DibLib, PixelsAtEveryDepthAndOrientation) {
  for (int bits : {1, 2, 4, 8, 16, 24, 32}) {
    for (bool topDown : {false, true}) {
      const int w = 13, h = 5;
      const uint32_t top = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
      auto value = [top](int x, int y) { return uint32_t(x * 2654435761u + y * 40503u) & top; };
      BmpSpec s;
      s.width = w;
      s.height = topDown ? -h : h;
      s.bits = uint16_t(bits);
      if (bits <= 8) s.table = testutil::GreyishTable(1 << bits);
      s.pixels = PackRows(w, h, bits, topDown, value);
      const auto file = BuildBmp(s);
      CDibLib dib;
      ASSERT_EQ(dib.ParseFile(file.data(), file.size()), DIBRC_OK) << bits;
      EXPECT_EQ(dib.IsTopDown(), topDown);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(dib.GetIndex(x, y), value(x, y)) << bits << " " << x << "," << y;
      EXPECT_FALSE(dib.GetIndex(w, 0));
      EXPECT_FALSE(dib.GetIndex(0, h));
      EXPECT_FALSE(dib.GetIndex(-1, 0));
    }
  }
}

TEST(DibLib, ColoursFromTablesMasksAndBytes) {
  {
    // 24 bits: B, G, R bytes; alpha 0.
    BmpSpec s;
    s.width = 1, s.height = 1, s.bits = 24;
    s.pixels = {0x10, 0x20, 0x30, 0};
    const auto f = BuildBmp(s);
    CDibLib dib;
    ASSERT_EQ(dib.ParseFile(f.data(), f.size()), DIBRC_OK);
    EXPECT_EQ(*dib.GetPixel(0, 0), (RGBA{0x30, 0x20, 0x10, 0}));
    EXPECT_FALSE(dib.HasAlpha());
  }
  {
    // 32 bits without bit fields: the fourth byte is not alpha.
    BmpSpec s;
    s.width = 1, s.height = 1, s.bits = 32;
    s.pixels = {0x10, 0x20, 0x30, 0x80};
    const auto f = BuildBmp(s);
    CDibLib dib;
    ASSERT_EQ(dib.ParseFile(f.data(), f.size()), DIBRC_OK);
    EXPECT_EQ(*dib.GetPixel(0, 0), (RGBA{0x30, 0x20, 0x10, 0}));
    EXPECT_FALSE(dib.HasAlpha());
  }
  {
    // 5-6-5: a 5-bit 31 becomes 255, a 6-bit 32 becomes 130 (bit replication).
    BmpSpec s;
    s.width = 2, s.height = 1, s.bits = 16, s.compression = 3;
    s.masks = {0xF800, 0x07E0, 0x001F};
    s.pixels =
        PackRows(2, 1, 16, false, [](int x, int) { return x == 0 ? 0xF800u | (32u << 5) | 1u : 0x001Fu; });
    const auto f = BuildBmp(s);
    CDibLib dib;
    ASSERT_EQ(dib.ParseFile(f.data(), f.size()), DIBRC_OK);
    EXPECT_EQ(*dib.GetPixel(0, 0), (RGBA{255, 130, 8, 0}));
    EXPECT_EQ(*dib.GetPixel(1, 0), (RGBA{0, 0, 255, 0}));
  }
  {
    // 16 bits default masks 5-5-5; the top bit is ignored.
    BmpSpec s;
    s.width = 1, s.height = 1, s.bits = 16;
    s.pixels = PackRows(1, 1, 16, false, [](int, int) { return 0x8000u | (31u << 10) | (16u << 5); });
    const auto f = BuildBmp(s);
    CDibLib dib;
    ASSERT_EQ(dib.ParseFile(f.data(), f.size()), DIBRC_OK);
    EXPECT_EQ(*dib.GetPixel(0, 0), (RGBA{255, 132, 0, 0}));
  }
  {
    // V4 with an alpha mask: alpha flag and alpha values.
    BmpSpec s;
    s.headerSize = 108, s.width = 1, s.height = 1, s.bits = 32, s.compression = 3;
    s.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    s.pixels = {0x10, 0x20, 0x30, 0x80};
    const auto f = BuildBmp(s);
    CDibLib dib;
    ASSERT_EQ(dib.ParseFile(f.data(), f.size()), DIBRC_OK);
    EXPECT_TRUE(dib.HasAlpha());
    EXPECT_EQ(*dib.GetPixel(0, 0), (RGBA{0x30, 0x20, 0x10, 0x80}));
  }
  {
    // OS/2: 3-byte entries, 2^bits of them.
    BmpSpec s;
    s.headerSize = 12, s.width = 2, s.height = 1, s.bits = 4;
    s.table = testutil::GreyishTable(16, 3);
    s.pixels = {0x5A, 0, 0, 0};
    const auto f = BuildBmp(s);
    CDibLib dib;
    ASSERT_EQ(dib.ParseFile(f.data(), f.size()), DIBRC_OK);
    EXPECT_EQ(dib.ColourTableEntries(), 16);
    EXPECT_EQ(*dib.GetPixel(0, 0), (RGBA{5, 250, 15, 0}));
    EXPECT_EQ(*dib.GetPixel(1, 0), (RGBA{10, 245, 30, 0}));
  }
}

// RLE data of a w x h bitmap; the rows of `expect` are from the top.
struct RleCase {
  const char* name;
  int bits;
  int width, height;
  std::vector<uint8_t> data;
  int rc;
  std::vector<std::vector<uint8_t>> expect;
};

TEST(DibLib, RunLengthDecoding) {
  const RleCase cases[] = {
      {"rle8 runs, literal, end of line, delta",
       8,
       6,
       3,
       {3, 7, 0, 3, 1, 2, 3, 0, 0, 0,  // bottom row: 7 7 7 1 2 3
        0, 2, 1, 1,                    // delta: x + 1, y + 1
        2, 9, 0, 1},                   // top row: 0 9 9
       DIBRC_OK,
       {{0, 9, 9, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, {7, 7, 7, 1, 2, 3}}},
      {"rle8 stops at the end of the data", 8, 2, 2, {2, 5}, DIBRC_OK, {{0, 0}, {5, 5}}},
      {"rle8 stops after the last row", 8, 1, 1, {1, 4, 0, 0, 9, 9}, DIBRC_OK, {{4}}},
      {"rle4 runs and literal",
       4,
       5,
       2,
       {5, 0x12, 0, 0, 0, 3, 0xAB, 0xC0, 0, 1},
       DIBRC_OK,
       {{10, 11, 12, 0, 0}, {1, 2, 1, 2, 1}}},
      {"rle8 run past the row", 8, 2, 2, {9, 1}, DIBRC_DAMAGED, {}},
      {"rle8 literal past the data", 8, 8, 1, {0, 5, 1, 2}, DIBRC_DAMAGED, {}},
      {"rle8 delta past the bitmap", 8, 4, 2, {0, 2, 0, 5}, DIBRC_DAMAGED, {}},
      {"rle8 delta cut short", 8, 4, 2, {0, 2, 1}, DIBRC_DAMAGED, {}},
      {"rle8 rows past the height", 8, 2, 1, {0, 0, 2, 3}, DIBRC_OK, {{0, 0}}},
      {"rle8 write after delta to the end", 8, 2, 1, {0, 2, 0, 1, 1, 3}, DIBRC_DAMAGED, {}},
      {"rle4 run past the row", 4, 3, 1, {12, 0x11}, DIBRC_DAMAGED, {}},
      {"rle4 literal past the data", 4, 8, 1, {0, 8, 0x12}, DIBRC_DAMAGED, {}},
  };
  for (const auto& c : cases) {
    BmpSpec s;
    s.width = c.width;
    s.height = c.height;
    s.bits = uint16_t(c.bits);
    s.compression = c.bits == 8 ? 1 : 2;
    s.table = testutil::GreyishTable(1 << c.bits);
    s.pixels = c.data;
    while (s.pixels.size() < 4) s.pixels.push_back(0);  // at least 4 pixel bytes
    s.imageSize = uint32_t(c.data.size());
    const auto f = BuildBmp(s);
    CDibLib dib;
    ASSERT_EQ(dib.ParseFile(f.data(), f.size()), DIBRC_OK) << c.name;
    EXPECT_TRUE(dib.IsCompressed());
    EXPECT_FALSE(dib.GetIndex(0, 0)) << "no pixels before decompression";
    ASSERT_EQ(dib.Decompress(), c.rc) << c.name;
    if (c.rc != DIBRC_OK) continue;
    EXPECT_FALSE(dib.IsCompressed());
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x)
        EXPECT_EQ(dib.GetIndex(x, y), c.expect[size_t(y)][size_t(x)]) << c.name << " " << x << "," << y;
  }
}

TEST(DibLib, HugeRunLengthBitmapFromFewBytesIsRefused) {
  BmpSpec s;
  s.width = 20000;
  s.height = 20000;
  s.bits = 8;
  s.compression = 1;
  s.table = testutil::GreyishTable(256);
  s.pixels = {0, 1, 0, 0};
  EXPECT_EQ(Parse(BuildBmp(s)), DIBRC_UNSUPPORTED);
  s.width = 1000;  // 1 MB decoded: fine
  s.height = 1000;
  EXPECT_EQ(Parse(BuildBmp(s)), DIBRC_OK);
}

TEST(DibLib, HeadOnlyParsesWithoutPixels) {
  BmpSpec s = Pal8Spec(600, 10);
  const auto file = BuildBmp(s);
  CDibLib dib;
  ASSERT_EQ(dib.ParseHead(file.data(), 2048), DIBRC_OK);
  EXPECT_EQ(dib.Width(), 600);
  EXPECT_FALSE(dib.GetIndex(0, 0));
  // A table that reaches past the head: entries beyond the bytes held are not delivered.
  BmpSpec big = Pal8Spec();
  big.gap = 5000;
  const auto gapped = BuildBmp(big);
  ASSERT_EQ(dib.ParseHead(gapped.data(), 100), DIBRC_OK);
  EXPECT_TRUE(dib.GetPaletteEntry(0));  // header bytes 40..43 of the 86 held
  EXPECT_TRUE(dib.GetPaletteEntry(10));
  EXPECT_FALSE(dib.GetPaletteEntry(20));
  EXPECT_EQ(dib.ParseHead(gapped.data(), 13), DIBRC_DAMAGED);
}

TEST(DibLib, PackedInfoWithPixelsAfterTheTable) {
  // The clipboard form: header, table and pixels in one block.
  const auto file = BuildBmp(Pal8Spec());
  CDibLib dib;
  ASSERT_EQ(dib.ParseInfo(file.data() + 14, file.size() - 14, nullptr, 0), DIBRC_OK);
  EXPECT_EQ(dib.GetIndex(3, 2), 3u + 32u);
  // Pixels cut short inside the block.
  EXPECT_EQ(dib.ParseInfo(file.data() + 14, file.size() - 14 - 2, nullptr, 0), DIBRC_DAMAGED);
}

TEST(DibLib, ModelReadsParsedBitmap) {
  ScopedOpaqueAlpha opaque(255);
  const auto file = BuildBmp(Pal8Spec());
  CDibLib dib;
  ASSERT_EQ(dib.ParseFile(file.data(), file.size()), DIBRC_OK);
  CImgInf img;
  ASSERT_TRUE(img.ReadDib(dib));
  ASSERT_EQ(img.ImgNum(), 1);
  ASSERT_EQ(img.PalNum(), 1);
  EXPECT_EQ(img.m_aryImg[0].Cell(2, 1)[0], 2 + 16);
  EXPECT_EQ(img.m_aryPal[0].m_pCol[7], (RGBA{7, 248, 21, 255}));
}

TEST(DibLib, LoadFileErrors) {
  CDibLib dib;
  EXPECT_EQ(dib.LoadFile("/nonexistent/quovex/file.bmp"), DIBRC_FILE);
}

}  // namespace
