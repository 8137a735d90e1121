// The PNG adapter: the PNG suite against ImageMagick, 16-bit and tRNS rules, palette depths,
// interlace, the transparency options, and round trips judged by ImageMagick.
#include "formats/png_plugin.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>

#include "codec_test_util.h"
#include "formats/host_result.h"
#include "formats/plugin_manager.h"
#include "model/default_colour.h"
#include "support/image_builders.h"
#include "support/temp_dir.h"

namespace {

using codectest::Record;

class PngCodec : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(mng.Scan({&kPngPlugin}), 1); }
  int Load(const std::string& path, CImgInf& img) { return mng.Load(path, img, false, -1); }
  int SaveWith(const std::string& path, const CImgInf& img, const PngSettings& s) {
    Record r(kPngSaverId, QVP_KIND_SAVE, &img);
    return PngSave(&r.rec, path.c_str(), s);
  }
  PngSettings Defaults() const { return codec::DefaultSettings(kPngSettingKeys); }
  CPluginMng mng{""};
  testutil::TempDir dir;
};

// Writes a PNG with libpng directly: `samples` are 16-bit values, stored at `depth`.
void WriteRawPng(const std::string& path, int w, int h, int colourType, int depth,
                 const std::vector<uint16_t>& samples, const png_color_16* trans) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), depth, colourType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (trans) png_set_tRNS(png, info, nullptr, 0, const_cast<png_color_16*>(trans));
  png_write_info(png, info);
  const int channels = colourType == PNG_COLOR_TYPE_RGB ? 3 : 1;
  std::vector<uint8_t> row(size_t(w) * size_t(channels) * 2);
  for (int y = 0; y < h; ++y) {
    for (int i = 0; i < w * channels; ++i) {
      const uint16_t v = samples[size_t(y * w * channels + i)];
      if (depth == 16) {
        row[size_t(i) * 2] = uint8_t(v >> 8);
        row[size_t(i) * 2 + 1] = uint8_t(v);
      } else if (depth < 8) {
        if (i * depth % 8 == 0) row[size_t(i * depth / 8)] = 0;
        row[size_t(i * depth / 8)] |= uint8_t(v << (8 - depth - i * depth % 8));
      } else {
        row[size_t(i)] = uint8_t(v);
      }
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

TEST_F(PngCodec, SuiteMatchesImageMagick) {
  const std::string root = codectest::Corpora();
  if (root.empty() || !codectest::HaveTool("convert")) GTEST_SKIP() << "corpora or ImageMagick missing";
  int good = 0, corrupt = 0;
  for (const auto& e : std::filesystem::directory_iterator(root + "/pngsuite/png")) {
    if (e.path().extension() != ".png") continue;
    const std::string name = e.path().filename().string();
    CImgInf img;
    const int rc = Load(e.path().string(), img);
    if (name[0] == 'x') {
      ++corrupt;
      EXPECT_NE(rc, PIRC_OK) << name;
      continue;
    }
    ++good;
    ASSERT_EQ(rc, PIRC_OK) << name;
    codectest::Rgba want;
    // ImageMagick would convert files with a gAMA of 1 from linear light; the raw samples are
    // wanted, so the colour space is relabelled instead.
    ASSERT_TRUE(codectest::MagickRgba(e.path().string(), want, "-set colorspace sRGB")) << name;
    const auto ours = codectest::ModelRgba(img);
    ASSERT_EQ(ours.width, want.width) << name;
    ASSERT_EQ(ours.height, want.height) << name;
    // The loader keeps the high byte of a 16-bit sample; ImageMagick rounds, so 16-bit files
    // may differ by one.
    const bool sixteen = name.find("16") != std::string::npos;
    int worst = 0;
    for (size_t i = 0; i < ours.px.size(); ++i)
      worst = std::max(worst, std::abs(int(ours.px[i]) - int(want.px[i])));
    EXPECT_LE(worst, sixteen ? 1 : 0) << name;
    // Names read "xxx" + interlace + colour type + ...; "t" files carry tRNS but "tp0" ones.
    const bool alpha = name[4] == '4' || name[4] == '6' || (name[0] == 't' && name.compare(0, 3, "tp0") != 0);
    EXPECT_EQ(img.HasAlpha(), alpha) << name;
  }
  EXPECT_GT(good, 140);
  EXPECT_GT(corrupt, 10);
}

TEST_F(PngCodec, SixteenBitTransparentColourUsesStrippedValues) {
  const png_color_16 trans{0, 0x1234, 0x5678, 0x9ABC, 0};
  // Pixel 0 is the tRNS colour, pixel 1 differs only in low bytes, pixel 2 in a high byte.
  const std::vector<uint16_t> px = {0x1234, 0x5678, 0x9ABC, 0x12FF, 0x5600, 0x9A01, 0x1334, 0x5678, 0x9ABC};
  WriteRawPng(dir / "t16.png", 3, 1, PNG_COLOR_TYPE_RGB, 16, px, &trans);
  CImgInf img;
  ASSERT_EQ(Load(dir / "t16.png", img), PIRC_OK);
  ASSERT_TRUE(img.HasAlpha());
  const uint8_t* c = img.m_aryImg[0].m_pData;
  EXPECT_EQ(c[3], 0);
  EXPECT_EQ(c[7], 0);
  EXPECT_EQ(c[11], 255);
  EXPECT_EQ(c[8], 0x13);
  EXPECT_EQ(c[9], 0x56);
}

TEST_F(PngCodec, GreyTransparentLevel) {
  const png_color_16 trans{0, 0, 0, 0, 200};
  WriteRawPng(dir / "g8.png", 3, 1, PNG_COLOR_TYPE_GRAY, 8, {199, 200, 201}, &trans);
  const png_color_16 trans2{0, 0, 0, 0, 2};  // 2 of 3 on the 2-bit scale is 170
  WriteRawPng(dir / "g2.png", 4, 1, PNG_COLOR_TYPE_GRAY, 2, {0, 1, 2, 3}, &trans2);
  ScopedOpaqueAlpha opaque(128);
  for (auto [file, clearAt, level] : {std::tuple{"g8.png", 1, 200}, {"g2.png", 2, 170}}) {
    CImgInf img;
    ASSERT_EQ(Load(dir / file, img), PIRC_OK);
    const auto& lv = img.m_aryImg[0];
    for (int x = 0; x < lv.m_nWidth; ++x) {
      EXPECT_EQ(lv.m_pData[x * 4 + 3], x == clearAt ? 0 : 128) << file << " " << x;
      EXPECT_EQ(lv.m_pData[x * 4], lv.m_pData[x * 4 + 2]);
    }
    EXPECT_EQ(lv.m_pData[clearAt * 4], level);
  }
}

TEST_F(PngCodec, PaletteDepthFromEntryCount) {
  for (auto [colours, depth] : {std::pair{2, 1}, {3, 2}, {4, 2}, {5, 4}, {16, 4}, {17, 8}, {256, 8}}) {
    ASSERT_EQ(SaveWith(dir / "p.png", testutil::PaletteImage(9, 5, colours), Defaults()), QVP_OK);
    const auto f = testutil::ReadFile(dir / "p.png");
    ASSERT_GT(f.size(), 26u);
    EXPECT_EQ(f[24], depth) << colours;
    EXPECT_EQ(f[25], 3);
  }
  // An index the palette does not hold is refused rather than written into a corrupt file.
  CImgInf bad = testutil::PaletteImage(4, 4, 3);
  bad.m_aryImg[0].m_pData[2] = 3;
  EXPECT_EQ(SaveWith(dir / "b.png", bad, Defaults()), QVP_ERR_PARAM);
}

TEST_F(PngCodec, RoundTripsReadByUsAndImageMagick) {
  const bool magick = codectest::HaveTool("convert");
  struct Case {
    const char* what;
    CImgInf img;
  } cases[] = {
      {"palette 3", testutil::PaletteImage(13, 7, 3)},
      {"palette 16 alpha", testutil::PaletteImage(8, 9, 16, 1, 1, true)},
      {"palette 200", testutil::PaletteImage(31, 17, 200)},
      {"rgb", testutil::DirectImage(33, 21)},
      {"rgba", testutil::DirectImage(17, 40, 1, true)},
  };
  // Pixels of an image without alpha carry the opaque value, which is what a reader gives.
  for (auto& c : cases)
    if (!c.img.HasAlpha()) {
      for (auto& lv : c.img.m_aryImg)
        if (lv.m_nType == IMGTYPE_DIR)
          for (int i = 0; i < lv.m_nWidth * lv.m_nHeight; ++i) lv.m_pData[i * 4 + 3] = 255;
      for (auto& b : c.img.m_aryPal)
        for (int i = 0; i < 256; ++i) b.m_pCol[i].a = 255;
    } else {
      auto& lv = c.img.m_aryImg[0];
      if (lv.m_nType == IMGTYPE_DIR)
        for (int i = 0; i < lv.m_nWidth * lv.m_nHeight; ++i) lv.m_pData[i * 4 + 3] = uint8_t(i * 37);
    }
  for (int interlace : {0, 1}) {
    for (const auto& c : cases) {
      PngSettings s = Defaults();
      s.interlace = interlace;
      const std::string path = dir / "r.png";
      ASSERT_EQ(SaveWith(path, c.img, s), QVP_OK) << c.what;
      CImgInf back;
      ASSERT_EQ(Load(path, back), PIRC_OK) << c.what;
      EXPECT_EQ(back.HasAlpha(), c.img.HasAlpha()) << c.what;
      EXPECT_EQ(testutil::Bytes(back.m_aryImg[0]), testutil::Bytes(c.img.m_aryImg[0])) << c.what;
      EXPECT_TRUE(codectest::ModelRgba(back).px == codectest::ModelRgba(c.img).px) << c.what;
      if (magick) {
        codectest::Rgba theirs;
        ASSERT_TRUE(codectest::MagickRgba(path, theirs)) << c.what;
        EXPECT_TRUE(theirs.px == codectest::ModelRgba(c.img).px) << c.what << " interlace " << interlace;
      }
    }
  }
}

TEST_F(PngCodec, TransparencyOptions) {
  CImgInf direct = testutil::DirectImage(4, 4);
  direct.m_aryImg[0].Cell(1, 1)[0] = 255;
  direct.m_aryImg[0].Cell(1, 1)[1] = 0;
  direct.m_aryImg[0].Cell(1, 1)[2] = 255;
  PngSettings s = Defaults();
  s.dirColTrns = 1;
  ASSERT_EQ(SaveWith(dir / "d.png", direct, s), QVP_OK);
  CImgInf back;
  ASSERT_EQ(Load(dir / "d.png", back), PIRC_OK);
  EXPECT_TRUE(back.HasAlpha());
  EXPECT_EQ(back.m_aryImg[0].Cell(1, 1)[3], 0);
  EXPECT_EQ(back.m_aryImg[0].Cell(0, 0)[3], 255);
  // With alpha the colour option is ignored.
  direct.SetAlphaFlag(true);
  ASSERT_EQ(SaveWith(dir / "a.png", direct, s), QVP_OK);
  ASSERT_EQ(Load(dir / "a.png", back), PIRC_OK);
  EXPECT_EQ(back.m_aryImg[0].Cell(1, 1)[3], direct.m_aryImg[0].Cell(1, 1)[3]);
  // Index 0 transparent in a palette image without alpha.
  s = Defaults();
  s.idxColTrnsIdx0 = 1;
  ASSERT_EQ(SaveWith(dir / "i.png", testutil::PaletteImage(4, 4, 5), s), QVP_OK);
  ASSERT_EQ(Load(dir / "i.png", back), PIRC_OK);
  EXPECT_TRUE(back.HasAlpha());
  EXPECT_EQ(back.m_aryPal[0].m_pCol[0].a, 0);
  EXPECT_EQ(back.m_aryPal[0].m_pCol[1].a, 255);
}

TEST_F(PngCodec, DamagedAndMissingFiles) {
  ASSERT_EQ(SaveWith(dir / "g.png", testutil::DirectImage(64, 64), Defaults()), QVP_OK);
  const auto good = testutil::ReadFile(dir / "g.png");
  CImgInf img;
  testutil::WriteFile(dir / "cut.png",
                      std::vector<uint8_t>(good.begin(), good.begin() + long(good.size() / 2)));
  EXPECT_EQ(Load(dir / "cut.png", img), PIRC_FILE);
  auto crc = good;
  crc[20] ^= 1;  // inside IHDR: its CRC no longer matches
  testutil::WriteFile(dir / "crc.png", crc);
  EXPECT_EQ(Load(dir / "crc.png", img), PIRC_ERROR);
  // A header claiming 60000 x 60000 with a few bytes of data is refused before allocating.
  std::vector<uint8_t> huge(good.begin(), good.begin() + 33);
  huge[16] = 0, huge[17] = 0, huge[18] = 0xEA, huge[19] = 0x60;
  huge[20] = 0, huge[21] = 0, huge[22] = 0xEA, huge[23] = 0x60;
  const uint32_t c = uint32_t(crc32(crc32(0, nullptr, 0), huge.data() + 12, 17));
  huge[29] = uint8_t(c >> 24), huge[30] = uint8_t(c >> 16), huge[31] = uint8_t(c >> 8), huge[32] = uint8_t(c);
  huge.insert(huge.end(), good.begin() + 33, good.end());
  testutil::WriteFile(dir / "huge.png", huge);
  EXPECT_EQ(Load(dir / "huge.png", img), PIRC_BROKEN);
}

}  // namespace
