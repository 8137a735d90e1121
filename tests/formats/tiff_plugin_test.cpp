// The TIFF adapter: the libtiff test images, round trips in both byte orders with and without
// LZW judged by ImageMagick, the tags the saver writes, and damaged palette strips.
#include "formats/tiff_plugin.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <filesystem>

#include "codec_test_util.h"
#include "formats/host_result.h"
#include "formats/plugin_manager.h"
#include "support/image_builders.h"
#include "support/temp_dir.h"

namespace {

using codectest::Record;

class TiffCodec : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(mng.Scan({&kTiffPlugin}), 1); }
  int Load(const std::string& path, CImgInf& img) { return mng.Load(path, img, false, -1); }
  int SaveWith(const std::string& path, const CImgInf& img, const TiffSettings& s) {
    Record r(kTiffSaverId, QVP_KIND_SAVE, &img);
    return TiffSave(&r.rec, path.c_str(), s);
  }
  CPluginMng mng{""};
  testutil::TempDir dir;
};

// Images whose every byte a reader gives back: opaque where there is no alpha.
CImgInf Opaque(CImgInf img) {
  for (auto& lv : img.m_aryImg)
    if (lv.m_nType == IMGTYPE_DIR && !img.HasAlpha())
      for (int i = 0; i < lv.m_nWidth * lv.m_nHeight; ++i) lv.m_pData[i * 4 + 3] = 255;
  for (auto& b : img.m_aryPal)
    for (int i = 0; i < 256; ++i) b.m_pCol[i].a = 255;
  return img;
}

TEST_F(TiffCodec, TestImagesLoadOrFailCleanly) {
  const std::string root = codectest::Corpora();
  if (root.empty()) GTEST_SKIP() << "corpora missing";
  const bool magick = codectest::HaveTool("convert");
  int loaded = 0;
  for (const auto& e : std::filesystem::directory_iterator(root + "/tiff")) {
    if (e.path().extension() != ".tiff" && e.path().extension() != ".tif") continue;
    const std::string name = e.path().filename().string();
    CImgInf img;
    const int rc = Load(e.path().string(), img);
    EXPECT_NE(rc, PIRC_NOTHANDLED) << name;
    if (rc != PIRC_OK) continue;
    ++loaded;
    // Where ImageMagick reads the same samples, the pictures agree (16-bit samples may round
    // differently by one).
    if (!magick || name.find("logluv") != std::string::npos || name.find("jpg") != std::string::npos)
      continue;
    // Grey and alpha in separate planes: ImageMagick 6 gives every pixel alpha 255, although
    // the stored alpha plane begins with zeros (as libtiff reads it).
    if (name == "minisblack-2c-8b-alpha.tiff") {
      EXPECT_TRUE(img.HasAlpha());
      EXPECT_EQ(img.m_aryImg[0].m_pData[3], 0);
      continue;
    }
    codectest::Rgba want;
    if (!codectest::MagickRgba(e.path().string(), want)) continue;
    const auto ours = codectest::ModelRgba(img);
    ASSERT_EQ(ours.width, want.width) << name;
    ASSERT_EQ(ours.height, want.height) << name;
    int worst = 0;
    size_t at = 0;
    for (size_t i = 0; i < ours.px.size(); ++i)
      if ((i % 4 != 3 || img.HasAlpha()) && std::abs(int(ours.px[i]) - int(want.px[i])) > worst) {
        worst = std::abs(int(ours.px[i]) - int(want.px[i]));
        at = i;
      }
    EXPECT_LE(worst, 1) << name << " at byte " << at << ": " << int(ours.px[at]) << " vs "
                        << int(want.px[at]);
  }
  EXPECT_GE(loaded, 8);
}

TEST_F(TiffCodec, RoundTripsInBothByteOrders) {
  const bool magick = codectest::HaveTool("convert");
  CImgInf rgba = testutil::DirectImage(19, 23, 1, true);
  for (int i = 0; i < 19 * 23; ++i)
    rgba.m_aryImg[0].m_pData[i * 4 + 3] = uint8_t(i * 29);  // semi-transparent
  struct Case {
    const char* what;
    CImgInf img;
  } cases[] = {
      {"palette 2", Opaque(testutil::PaletteImage(13, 9, 2))},
      {"palette 16", Opaque(testutil::PaletteImage(17, 9, 16))},
      {"palette 17", Opaque(testutil::PaletteImage(8, 31, 17))},
      {"palette 256", Opaque(testutil::PaletteImage(300, 40, 256))},
      {"rgb", Opaque(testutil::DirectImage(33, 21))},
      {"rgba", rgba},
  };
  for (int big : {0, 1})
    for (int lzw : {0, 1})
      for (const auto& c : cases) {
        const std::string path = dir / "r.tif";
        ASSERT_EQ(SaveWith(path, c.img, TiffSettings{big, lzw}), QVP_OK) << c.what;
        const auto head = testutil::ReadFile(path);
        EXPECT_EQ(head[0], big ? 'M' : 'I');
        CImgInf back;
        ASSERT_EQ(Load(path, back), PIRC_OK) << c.what;
        EXPECT_EQ(back.HasAlpha(), c.img.HasAlpha());
        const auto want = codectest::ModelRgba(c.img);
        EXPECT_TRUE(codectest::ModelRgba(back).px == want.px) << c.what << " big " << big << " lzw " << lzw;
        if (c.img.m_aryImg[0].m_nType == IMGTYPE_IDX) {
          EXPECT_EQ(testutil::Bytes(back.m_aryImg[0]), testutil::Bytes(c.img.m_aryImg[0])) << c.what;
        }
        if (magick) {
          codectest::Rgba theirs;
          ASSERT_TRUE(codectest::MagickRgba(path, theirs)) << c.what;
          EXPECT_TRUE(theirs.px == want.px) << c.what << " big " << big << " lzw " << lzw;
        }
      }
}

TEST_F(TiffCodec, TagsOfTheSaver) {
  struct Case {
    CImgInf img;
    int lzw;
    uint16_t bits, spp, compression, predictor;
  } cases[] = {
      {testutil::PaletteImage(8, 8, 200), 1, 8, 1, COMPRESSION_LZW, PREDICTOR_HORIZONTAL},
      {testutil::PaletteImage(8, 8, 16), 1, 4, 1, COMPRESSION_LZW, PREDICTOR_NONE},
      {testutil::DirectImage(8, 8), 1, 8, 3, COMPRESSION_LZW, PREDICTOR_HORIZONTAL},
      {testutil::DirectImage(8, 8, 1, true), 0, 8, 4, COMPRESSION_NONE, PREDICTOR_NONE},
  };
  for (const auto& c : cases) {
    const std::string path = dir / "t.tif";
    ASSERT_EQ(SaveWith(path, c.img, TiffSettings{0, c.lzw}), QVP_OK);
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    uint16_t bits = 0, spp = 0, compression = 0, predictor = PREDICTOR_NONE, count = 0;
    uint16_t* extra = nullptr;
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetField(tif, TIFFTAG_PREDICTOR, &predictor);
    EXPECT_EQ(bits, c.bits);
    EXPECT_EQ(spp, c.spp);
    EXPECT_EQ(compression, c.compression);
    EXPECT_EQ(predictor, c.predictor);
    if (spp == 4) {
      ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &count, &extra));
      EXPECT_EQ(extra[0], EXTRASAMPLE_UNASSALPHA);  // the colours are not premultiplied
    }
    if (bits == 4) {
      uint16_t *r, *g, *b;
      ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b));
      EXPECT_EQ(r[1], c.img.m_aryPal[0].m_pCol[1].r * 257);
    }
    TIFFClose(tif);
  }
  // Indices the colour map cannot hold are refused.
  CImgInf bad = testutil::PaletteImage(4, 4, 16);
  bad.m_aryImg[0].m_pData[0] = 16;
  EXPECT_EQ(SaveWith(dir / "b.tif", bad, TiffSettings{0, 0}), QVP_ERR_PARAM);
}

// Offset of the value of a tag in a little-endian file with one directory.
size_t TagValueOffset(const std::vector<uint8_t>& f, uint16_t tag) {
  const size_t ifd = f[4] | (f[5] << 8) | (f[6] << 16) | (size_t(f[7]) << 24);
  const size_t n = f[ifd] | (f[ifd + 1] << 8);
  for (size_t i = 0; i < n; ++i) {
    const size_t e = ifd + 2 + i * 12;
    if ((f[e] | (f[e + 1] << 8)) == tag) return e + 8;
  }
  return 0;
}

TEST_F(TiffCodec, DamagedPaletteStrips) {
  // 8-bit palette, 10 rows in strips of 4 (the last one holds 2 rows).
  TIFF* tif = TIFFOpen((dir / "p.tif").c_str(), "wl");
  ASSERT_NE(tif, nullptr);
  const uint32_t w = 10, h = 10;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 4);
  uint16_t map[256] = {};
  for (int i = 0; i < 256; ++i) map[i] = uint16_t(i * 257);
  TIFFSetField(tif, TIFFTAG_COLORMAP, map, map, map);
  uint8_t row[10];
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) row[x] = uint8_t(y * 10 + x);
    ASSERT_GE(TIFFWriteScanline(tif, row, y, 0), 0);
  }
  TIFFClose(tif);
  const auto good = testutil::ReadFile(dir / "p.tif");
  CImgInf img;
  ASSERT_EQ(Load(dir / "p.tif", img), PIRC_OK);
  EXPECT_EQ(img.m_aryImg[0].m_pData[2 * 99], 99);

  const size_t rps = TagValueOffset(good, TIFFTAG_ROWSPERSTRIP);
  ASSERT_NE(rps, 0u);
  auto zero = good;
  zero[rps] = 0;  // RowsPerStrip 0: one strip of the whole height, of which 4 rows are there
  testutil::WriteFile(dir / "z.tif", zero);
  const int rc = Load(dir / "z.tif", img);
  EXPECT_TRUE(rc == PIRC_OK || rc == PIRC_ERROR || rc == PIRC_BROKEN) << rc;
  if (rc == PIRC_OK) {
    EXPECT_EQ(img.m_aryImg[0].m_pData[2 * 35], 35);
  }

  auto many = good;
  many[rps] = 200;  // more rows per strip than the picture: one strip
  testutil::WriteFile(dir / "m.tif", many);
  EXPECT_NE(Load(dir / "m.tif", img), PIRC_NOTHANDLED);

  // The last strip cut short: the loader keeps what is there or fails with a code, and never
  // reads beyond its buffer (ASan watches).
  const size_t offsets = TagValueOffset(good, TIFFTAG_STRIPOFFSETS);
  ASSERT_NE(offsets, 0u);
  auto u32 = [&](size_t at) {
    return good[at] | (good[at + 1] << 8) | (good[at + 2] << 16) | (size_t(good[at + 3]) << 24);
  };
  const size_t lastStrip = u32(u32(offsets) + 8);
  ASSERT_LT(lastStrip, good.size());
  auto cut = good;
  cut.resize(lastStrip + 5);
  testutil::WriteFile(dir / "s.tif", cut);
  const int cutRc = Load(dir / "s.tif", img);
  EXPECT_NE(cutRc, PIRC_NOTHANDLED);
  if (cutRc == PIRC_OK) {
    EXPECT_EQ(img.m_aryImg[0].m_pData[2 * 79], 79);
  }
}

}  // namespace
