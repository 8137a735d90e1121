// The GIF codec: the encoder's exact bytes, the saver's options, the loader's handling of
// interlace, transparency, animations and damaged data, and agreement with ImageMagick,
// gifsicle and the GIF conformance suite.
#include "formats/gif_plugin.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "codec_test_util.h"
#include "formats/gif_lzw.h"
#include "formats/host_result.h"
#include "formats/plugin_manager.h"
#include "support/image_builders.h"
#include "support/temp_dir.h"

namespace {

using codectest::Record;

class GifCodec : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(mng.Scan({&kGifPlugin}), 1); }
  int Save(const std::string& path, const CImgInf& img) { return mng.Save(path, img, false, 1, 0, 0); }
  int Load(const std::string& path, CImgInf& img) { return mng.Load(path, img, false, -1); }
  // Saves through the codec with explicit settings.
  int SaveWith(const std::string& path, const CImgInf& img, const GifSettings& s) {
    Record r(kGifSaverId, QVP_KIND_SAVE, &img);
    return GifSave(&r.rec, path.c_str(), s);
  }
  CPluginMng mng{""};
  testutil::TempDir dir;
};

// Entries of the table the saver writes for a palette of n colours.
int BitsToEntries(int n) {
  int e = 2;
  while (e < n) e *= 2;
  return e;
}

CImgInf OnePixel(int colours, uint8_t index) {
  CImgInf img = testutil::PaletteImage(1, 1, colours);
  img.m_aryImg[0].m_pData[0] = index;
  return img;
}

// Packs codes of the given widths least significant bits first into sub-blocks.
std::vector<uint8_t> PackCodes(const std::vector<std::pair<int, int>>& codes) {
  std::vector<uint8_t> bytes;
  uint32_t acc = 0;
  int n = 0;
  for (auto [code, width] : codes) {
    acc |= uint32_t(code) << n;
    n += width;
    while (n >= 8) {
      bytes.push_back(uint8_t(acc));
      acc >>= 8;
      n -= 8;
    }
  }
  if (n > 0) bytes.push_back(uint8_t(acc));
  bytes.insert(bytes.begin(), uint8_t(bytes.size()));
  bytes.push_back(0);
  return bytes;
}

// A GIF89a file of w x h with a two-entry table and the given image data.
std::vector<uint8_t> GifFile(int w, int h, int minCodeSize, const std::vector<uint8_t>& data,
                             uint8_t packed = 0) {
  std::vector<uint8_t> f = {
      'G',  'I', 'F', '8', '9',        'a', uint8_t(w), 0,  uint8_t(h), 0,
      0x80, 0,   0,   10,  20,         30,  40,         50, 60,         0x2C,
      0,    0,   0,   0,   uint8_t(w), 0,   uint8_t(h), 0,  packed,     uint8_t(minCodeSize)};
  f.insert(f.end(), data.begin(), data.end());
  f.push_back(0x3B);
  return f;
}

TEST_F(GifCodec, EncoderGoldenBytes) {
  struct Case {
    const char* what;
    std::vector<uint8_t> pixels;
    int width, minCodeSize;
    std::vector<uint8_t> bytes;
  } cases[] = {
      // clear, the pixel, end: 4 | 1 << 3 | 5 << 6 in 3-bit codes.
      {"1x1", {1}, 1, 2, {0x02, 0x4C, 0x01}},
      // clear, 0, code 6 ("00"), 0, end; the end code is the first of 4 bits.
      {"run of four", {0, 0, 0, 0}, 2, 2, {0x02, 0x84, 0x51}},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> out;
    ASSERT_TRUE(GifLzwEncode(c.pixels.data(), c.width, int(c.pixels.size()) / c.width, c.minCodeSize, out));
    EXPECT_EQ(out, c.bytes) << c.what;
  }
}

TEST_F(GifCodec, OnePixelFileBytes) {
  ASSERT_EQ(Save(dir / "one.gif", OnePixel(2, 1)), PIRC_OK);
  const auto bank = testutil::Bank(2);
  const std::vector<uint8_t> want = {'G',
                                     'I',
                                     'F',
                                     '8',
                                     '9',
                                     'a',
                                     1,
                                     0,
                                     1,
                                     0,
                                     0x80,
                                     0,
                                     0,  // screen, table of 2 entries
                                     bank.m_pCol[0].r,
                                     bank.m_pCol[0].g,
                                     bank.m_pCol[0].b,
                                     bank.m_pCol[1].r,
                                     bank.m_pCol[1].g,
                                     bank.m_pCol[1].b,
                                     0x21,
                                     0xF9,
                                     0x04,
                                     0,
                                     0,
                                     0,
                                     0,
                                     0,  // graphic control: no transparency
                                     0x2C,
                                     0,
                                     0,
                                     0,
                                     0,
                                     1,
                                     0,
                                     1,
                                     0,
                                     0,  // descriptor
                                     2,
                                     0x02,
                                     0x4C,
                                     0x01,
                                     0x00,
                                     0x3B};
  EXPECT_EQ(testutil::ReadFile(dir / "one.gif"), want);
}

TEST_F(GifCodec, TableSizeAndCodeSizeFromEntryCount) {
  struct Case {
    int colours;
    uint8_t packed;
    int tableEntries;
    uint8_t codeSize;
  } cases[] = {{2, 0x80, 2, 2}, {3, 0x91, 4, 2}, {16, 0xB3, 16, 4}, {17, 0xC4, 32, 5}, {256, 0xF7, 256, 8}};
  for (const auto& c : cases) {
    ASSERT_EQ(Save(dir / "t.gif", testutil::PaletteImage(5, 3, c.colours)), PIRC_OK);
    const auto f = testutil::ReadFile(dir / "t.gif");
    EXPECT_EQ(f[10], c.packed) << c.colours;
    const size_t gce = 13 + size_t(c.tableEntries) * 3;
    ASSERT_GT(f.size(), gce + 18);
    EXPECT_EQ(f[gce], 0x21);
    EXPECT_EQ(f[gce + 8 + 10], c.codeSize) << c.colours;
    // Entries past the bank's count are zero.
    if (c.colours == 3) {
      EXPECT_EQ(f[13 + 9], 0);
    }
  }
}

TEST_F(GifCodec, VersionInterlaceAndTransparencySettings) {
  CImgInf img = testutil::PaletteImage(4, 4, 12);
  img.m_aryPal[0].m_pCol[5].a = 0;
  img.m_aryPal[0].m_pCol[9].a = 0;
  struct Case {
    GifSettings s;
    bool alpha;
    const char* version;
    uint8_t gcePacked, transIndex, imagePacked;
  } cases[] = {
      {{0, 1, 1, 0}, true, "GIF87a", 0, 0, 0x00},  // 87a writes neither interlace nor transparency
      {{1, 1, 0, 0}, true, "GIF89a", 0, 0, 0x40},
      {{1, 0, 1, 0}, false, "GIF89a", 1, 0, 0x00},  // mode 0: index 0
      {{1, 0, 1, 1}, true, "GIF89a", 1, 5, 0x00},   // mode 1: the smallest index of alpha 0
      {{1, 0, 1, 1}, false, "GIF89a", 0, 0, 0x00},  // mode 1 without alpha: none
      {{7, 5, 9, -3}, true, "GIF89a", 1, 0, 0x40},  // out-of-range values are clamped
  };
  for (const auto& c : cases) {
    img.SetAlphaFlag(c.alpha);
    ASSERT_EQ(SaveWith(dir / "s.gif", img, c.s), QVP_OK);
    const auto f = testutil::ReadFile(dir / "s.gif");
    EXPECT_EQ(std::string(f.begin(), f.begin() + 6), c.version);
    size_t pos = 13 + 16 * 3;
    if (c.version[4] == '9') {
      ASSERT_EQ(f[pos], 0x21);
      EXPECT_EQ(f[pos + 3], c.gcePacked) << c.s.transMode;
      EXPECT_EQ(f[pos + 6], c.transIndex);
      pos += 8;
    }
    ASSERT_EQ(f[pos], 0x2C);
    EXPECT_EQ(f[pos + 9], c.imagePacked);
    EXPECT_EQ(f[f.size() - 2], 0x00);
    EXPECT_EQ(f.back(), 0x3B);
  }
}

TEST_F(GifCodec, RoundTripThroughOurLoader) {
  for (bool interlace : {false, true}) {
    for (auto [w, h, colours] : {std::tuple{1, 1, 2}, {13, 11, 3}, {300, 200, 256}, {64, 9, 17}}) {
      CImgInf img = testutil::PaletteImage(w, h, colours);
      for (int i = 0; i < colours; ++i) img.m_aryPal[0].m_pCol[i].a = 255;
      ASSERT_EQ(SaveWith(dir / "r.gif", img, GifSettings{1, interlace, 0, 0}), QVP_OK);
      CImgInf back;
      ASSERT_EQ(Load(dir / "r.gif", back), PIRC_OK);
      EXPECT_EQ(back.GetCaps() & 0x12, 0x02u);
      ASSERT_EQ(back.m_aryPal[0].m_nColNum, BitsToEntries(colours));
      EXPECT_EQ(testutil::Bytes(back.m_aryImg[0]), testutil::Bytes(img.m_aryImg[0])) << w << "x" << h;
      for (int i = 0; i < colours; ++i) EXPECT_EQ(back.m_aryPal[0].m_pCol[i], img.m_aryPal[0].m_pCol[i]);
    }
  }
}

TEST_F(GifCodec, TransparentEntryLoadsAsAlpha) {
  CImgInf img = testutil::PaletteImage(6, 6, 4, 1, 1, true);
  img.m_aryPal[0].m_pCol[2].a = 0;
  ASSERT_EQ(SaveWith(dir / "t.gif", img, GifSettings{1, 0, 1, 1}), QVP_OK);
  CImgInf back;
  ASSERT_EQ(Load(dir / "t.gif", back), PIRC_OK);
  EXPECT_TRUE(back.HasAlpha());
  for (int i = 0; i < 4; ++i) EXPECT_EQ(back.m_aryPal[0].m_pCol[i].a, i == 2 ? 0 : 255) << i;
}

TEST_F(GifCodec, RefusesWhatTheFormatCannotHold) {
  // An index at or above the table size would be written into a corrupt file.
  CImgInf wide = testutil::PaletteImage(4, 4, 3);
  wide.m_aryImg[0].m_pData[6] = 7;
  EXPECT_EQ(SaveWith(dir / "i.gif", wide, GifSettings{1, 0, 0, 0}), QVP_ERR_PARAM);
  // Sizes above 65535 do not fit the 16-bit fields.
  CImgInf tall = testutil::PaletteImage(1, 70000, 2);
  EXPECT_EQ(SaveWith(dir / "w.gif", tall, GifSettings{1, 0, 0, 0}), QVP_ERR_PARAM);
  EXPECT_EQ(Save(dir / "d.gif", testutil::DirectImage(4, 4)),
            PIRC_NOTHANDLED);  // not a palette saver's image
}

TEST_F(GifCodec, DamagedFiles) {
  const auto good = GifFile(2, 2, 2, PackCodes({{4, 3}, {0, 3}, {1, 3}, {0, 3}, {1, 4}, {5, 4}}));
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    int code;
  } cases[] = {
      {"good", good, PIRC_OK},
      {"code size 10", GifFile(2, 2, 10, PackCodes({{1024, 11}})), PIRC_BROKEN},
      {"code size 1", GifFile(2, 2, 1, PackCodes({{2, 2}})), PIRC_BROKEN},
      // 7 refers past the table, then defines entry 7 as its own prefix: a cycle.
      {"self-referring table", GifFile(8, 8, 2, PackCodes({{4, 3}, {0, 3}, {7, 3}, {7, 3}, {7, 4}, {5, 4}})),
       PIRC_BROKEN},
      {"more pixels than the picture", GifFile(1, 1, 2, PackCodes({{4, 3}, {0, 3}, {1, 3}, {5, 3}})),
       PIRC_BROKEN},
      {"data cut short", std::vector<uint8_t>(good.begin(), good.end() - 4), PIRC_BROKEN},
      {"header cut short", std::vector<uint8_t>(good.begin(), good.begin() + 11), PIRC_FILE},
      {"table cut short", std::vector<uint8_t>(good.begin(), good.begin() + 16), PIRC_FILE},
      {"no image", {'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0, 0, 0, 0x3B}, PIRC_ERROR},
      {"end inside the blocks", {'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0, 0, 0, 0x21, 0xF9}, PIRC_FILE},
      {"not a GIF", {'G', 'I', 'F', '7', '9', 'a', 2, 0, 2, 0, 0, 0, 0, 0x3B}, PIRC_NOTHANDLED},
  };
  for (const auto& c : cases) {
    testutil::WriteFile(dir / "x.gif", c.bytes);
    CImgInf img;
    EXPECT_EQ(Load(dir / "x.gif", img), c.code) << c.what;
  }
}

TEST_F(GifCodec, ImagesOutsideTheScreenArePassedOver) {
  // Screen 2x2: a 1x1 image at (5, 5) is skipped, the following 1x1 image at (1, 1) loads.
  std::vector<uint8_t> f = {'G', 'I', 'F', '8', '7', 'a', 2, 0, 2, 0, 0x80, 0, 0, 1, 2, 3, 4, 5, 6};
  const auto data = PackCodes({{4, 3}, {1, 3}, {5, 3}});
  for (int pos : {5, 1}) {
    f.insert(f.end(), {0x2C, uint8_t(pos), 0, uint8_t(pos), 0, 1, 0, 1, 0, 0, 2});
    f.insert(f.end(), data.begin(), data.end());
  }
  f.push_back(0x3B);
  testutil::WriteFile(dir / "o.gif", f);
  CImgInf img;
  ASSERT_EQ(Load(dir / "o.gif", img), PIRC_OK);
  EXPECT_EQ(img.m_aryImg[0].m_nWidth, 1);
  EXPECT_EQ(img.m_aryImg[0].m_pData[0], 1);
}

TEST_F(GifCodec, OtherProgramsReadWhatWeWrite) {
  const bool magick = codectest::HaveTool("convert"), gifsicle = codectest::HaveTool("gifsicle");
  if (!magick && !gifsicle) GTEST_SKIP() << "neither ImageMagick nor gifsicle is installed";
  // Sizes and colour counts that drive the encoder through table growth and clears.
  for (auto [w, h, colours, interlace] :
       {std::tuple{1, 1, 2, 0}, {7, 5, 3, 1}, {257, 131, 256, 0}, {640, 480, 256, 1}, {33, 900, 5, 0}}) {
    CImgInf img = testutil::PaletteImage(w, h, colours);
    // Noise-like indices fill the table quickly.
    uint32_t state = 12345;
    for (int i = 0; i < w * h; ++i) {
      state = state * 1103515245u + 12345u;
      if (w > 200) img.m_aryImg[0].m_pData[i * 2] = uint8_t((state >> 16) % uint32_t(colours));
    }
    for (int i = 0; i < colours; ++i)
      img.m_aryPal[0].m_pCol[i] = RGBA{uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 255};
    const std::string path = dir / "m.gif";
    ASSERT_EQ(SaveWith(path, img, GifSettings{interlace ? 1 : (w & 1), interlace, 0, 0}), QVP_OK);
    if (gifsicle) {
      EXPECT_TRUE(codectest::Run("gifsicle --info " + codectest::Quote(path))) << w << "x" << h;
    }
    if (magick) {
      codectest::Rgba theirs;
      ASSERT_TRUE(codectest::MagickRgba(path, theirs)) << w << "x" << h;
      const auto ours = codectest::ModelRgba(img);
      EXPECT_EQ(theirs.width, w);
      EXPECT_TRUE(theirs.px == ours.px) << w << "x" << h;
    }
  }
}

TEST_F(GifCodec, ConformanceSuiteFirstFrames) {
  const std::string root = codectest::Corpora();
  if (root.empty() || !codectest::HaveTool("convert")) GTEST_SKIP() << "corpora or ImageMagick missing";
  const std::string gifs = root + "/gif/gifs";
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(gifs)) {
    if (e.path().extension() != ".gif") continue;
    ++files;
    const std::string name = e.path().stem().string();
    CImgInf img;
    ASSERT_EQ(Load(e.path().string(), img), PIRC_OK) << name;
    const auto ours = codectest::ModelRgba(img);
    codectest::Rgba want;
    if (name.find("out_of_bounds") != std::string::npos) {
      // Its first image lies off the screen and is passed over: the second one is loaded,
      // which ImageMagick gives as frame 1 without composing.
      ASSERT_TRUE(codectest::MagickRgba(e.path().string() + "[1]", want, "+repage")) << name;
    } else {
      std::string frame = gifs + "/frames/" + name + "-0.png";
      if (!std::filesystem::exists(frame)) frame = gifs + "/frames/" + name + ".png";
      ASSERT_TRUE(codectest::MagickRgba(frame, want)) << name;
    }
    ASSERT_EQ(ours.width, want.width) << name;
    ASSERT_EQ(ours.height, want.height) << name;
    int bad = 0;
    for (size_t i = 0; i < ours.px.size(); i += 4) {
      const bool clear = want.px[i + 3] == 0;
      if (clear ? ours.px[i + 3] != 0
                : std::memcmp(&ours.px[i], &want.px[i], 3) != 0 || ours.px[i + 3] != 255)
        ++bad;
    }
    EXPECT_EQ(bad, 0) << name;
  }
  EXPECT_GE(files, 10);
}

}  // namespace
