// The JPEG adapter: the check, baseline, progressive, grey, CMYK and truncated files, the
// quality mapping, progressive output and the search for the quality that meets a size limit.
#include "formats/jpeg_plugin.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "codec_test_util.h"
#include "formats/host_result.h"
#include "formats/plugin_manager.h"
#include "support/image_builders.h"
#include "support/temp_dir.h"

namespace {

using codectest::Record;

class JpegCodec : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(mng.Scan({&kJpegPlugin}), 1); }
  int Load(const std::string& path, CImgInf& img) { return mng.Load(path, img, false, -1); }
  JpegSettings Defaults() const { return codec::DefaultSettings(kJpegSettingKeys); }
  CPluginMng mng{""};
  testutil::TempDir dir;
};

// A smooth picture that compresses like a photograph.
CImgInf Photo(int w, int h) {
  CImgInf img = testutil::DirectImage(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* c = img.m_aryImg[0].Cell(x, y);
      c[0] = uint8_t(x * 255 / w);
      c[1] = uint8_t(y * 255 / h);
      c[2] = uint8_t(((x / 8 + y / 8) & 1) ? 200 : 40);
    }
  return img;
}

TEST_F(JpegCodec, CheckWantsTheMarkerAndAJpegExtension) {
  ASSERT_EQ(mng.Save(dir / "a.jpg", Photo(16, 16), false, 1, 0, 0), PIRC_OK);
  const auto bytes = testutil::ReadFile(dir / "a.jpg");
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    int code;
  } cases[] = {
      {"b.JPEG", bytes, PIRC_OK},
      {"c.Jpe", bytes, PIRC_OK},
      {"d.jfif", bytes, PIRC_NOTHANDLED},  // JPEG content, but not a JPEG extension
      {"e.jpg", {0xFF, 0xFF, 0xD8}, PIRC_NOTHANDLED},
      {"f.jpg", {0xFF, 0x00, 0xD8}, PIRC_NOTHANDLED},
      {"g.jpg", {0xFF, 0xD8}, PIRC_BROKEN},  // no image in it
      {"h.jpg", {0xFF, 0x01, 0x02, 0x03}, PIRC_ERROR},
  };
  for (const auto& c : cases) {
    testutil::WriteFile(dir / c.name, c.bytes);
    CImgInf img;
    EXPECT_EQ(Load(dir / c.name, img), c.code) << c.name;
  }
}

TEST_F(JpegCodec, FilesOfImageMagickLoadLikeImageMagickReadsThem) {
  if (!codectest::HaveTool("convert")) GTEST_SKIP() << "ImageMagick missing";
  const std::string src = dir / "src.png";
  ASSERT_TRUE(codectest::Run("convert -size 61x37 gradient:orange-navy -swirl 90 " + codectest::Quote(src)));
  struct Case {
    const char* name;
    const char* options;
    int tolerance;
  } cases[] = {
      {"baseline.jpg", "-quality 90", 2},
      {"progressive.jpg", "-quality 80 -interlace JPEG", 2},
      {"grey.jpg", "-colorspace Gray", 2},
      {"cmyk.jpg", "-colorspace CMYK", 3},
  };
  for (const auto& c : cases) {
    const std::string path = dir / c.name;
    ASSERT_TRUE(
        codectest::Run("convert " + codectest::Quote(src) + " " + c.options + " " + codectest::Quote(path)));
    CImgInf img;
    ASSERT_EQ(Load(path, img), PIRC_OK) << c.name;
    EXPECT_FALSE(img.HasAlpha());
    codectest::Rgba want;
    ASSERT_TRUE(codectest::MagickRgba(path, want, "-colorspace sRGB")) << c.name;
    const auto ours = codectest::ModelRgba(img);
    ASSERT_EQ(ours.width, 61);
    ASSERT_EQ(ours.height, 37);
    int worst = 0;
    for (size_t i = 0; i < ours.px.size(); ++i)
      if (i % 4 != 3) worst = std::max(worst, std::abs(int(ours.px[i]) - int(want.px[i])));
    EXPECT_LE(worst, c.tolerance) << c.name;
  }
}

TEST_F(JpegCodec, TruncatedFilesLoad) {
  for (int progressive : {0, 1}) {
    Record r(kJpegSaverId, QVP_KIND_SAVE, nullptr);
    const CImgInf img = Photo(256, 256);  // large enough for the cut to fall into the scans
    QvpImageFromModel(&r.rec.image, img);
    JpegSettings s = Defaults();
    s.progression = progressive;
    ASSERT_EQ(JpegSave(&r.rec, (dir / "full.jpg").c_str(), s), QVP_OK);
    const auto bytes = testutil::ReadFile(dir / "full.jpg");
    testutil::WriteFile(dir / "cut.jpg",
                        std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(bytes.size() * 2 / 3)));
    CImgInf back;
    EXPECT_EQ(Load(dir / "cut.jpg", back), PIRC_OK) << progressive;
    EXPECT_EQ(back.m_aryImg[0].m_nWidth, 256);
  }
}

TEST_F(JpegCodec, QualityMappingAndProgressiveOutput) {
  EXPECT_EQ(JpegEncoderQuality(0), 15);
  EXPECT_EQ(JpegEncoderQuality(50), 57);
  EXPECT_EQ(JpegEncoderQuality(100), 100);
  const CImgInf pal = testutil::PaletteImage(40, 30, 7);
  Record r(kJpegSaverId, QVP_KIND_SAVE, &pal);
  JpegSettings s = Defaults();
  s.progression = 1;
  ASSERT_EQ(JpegSave(&r.rec, (dir / "p.jpg").c_str(), s), QVP_OK);
  const auto f = testutil::ReadFile(dir / "p.jpg");
  bool sof2 = false;
  for (size_t i = 0; i + 1 < f.size(); ++i) sof2 = sof2 || (f[i] == 0xFF && f[i + 1] == 0xC2);
  EXPECT_TRUE(sof2);
  CImgInf back;
  ASSERT_EQ(Load(dir / "p.jpg", back), PIRC_OK);
  // A palette image is written through its bank.
  const auto want = codectest::ModelRgba(pal);
  const auto got = codectest::ModelRgba(back);
  int worst = 0;
  for (size_t i = 0; i < got.px.size(); ++i)
    if (i % 4 != 3) worst = std::max(worst, std::abs(int(got.px[i]) - int(want.px[i])));
  EXPECT_LT(worst, 64);
}

TEST_F(JpegCodec, SizeSearchStaysWithinTheLimit) {
  const CImgInf img = Photo(96, 80);
  Record r(kJpegSaverId, QVP_KIND_SAVE, &img);
  uint64_t best = 0, worst = 0;
  ASSERT_EQ(JpegEncodedSize(&r.rec, 100, false, &best), QVP_OK);
  ASSERT_EQ(JpegEncodedSize(&r.rec, 0, false, &worst), QVP_OK);
  ASSERT_LT(worst, best);
  struct Case {
    int value, radix;
    int quality;  // -1: check the limit only
  } cases[] = {
      {31, 0, 0},              // below 32 bytes nothing is searched
      {int(worst) - 1, 0, 0},  // nothing fits
      {int(best), 0, 100},     // the best quality fits exactly
      {100000000, 2, 100},     // 100000000 MiB: a limit beyond 32 bits
      {int((worst + best) / 2), 0, -1},
      {int(best / 1024), 1, -1},
  };
  for (const auto& c : cases) {
    JpegSettings s = Defaults();
    s.fileSizeLimEnb = 1;
    s.fileSizeLimVal = c.value;
    s.fileSizeLimRadix = c.radix;
    int q = -1;
    ASSERT_EQ(JpegSearchQuality(&r.rec, s, &q), QVP_OK);
    if (c.quality >= 0) {
      EXPECT_EQ(q, c.quality) << c.value;
    }
    const uint64_t limit = JpegSizeLimit(s);
    if (c.quality < 0) {
      uint64_t size = 0, above = 0;
      ASSERT_EQ(JpegEncodedSize(&r.rec, q, false, &size), QVP_OK);
      EXPECT_LE(size, limit);
      ASSERT_EQ(JpegEncodedSize(&r.rec, q + 1, false, &above), QVP_OK);
      EXPECT_GT(above, limit) << "quality " << q + 1 << " would also fit";
      ASSERT_EQ(JpegSave(&r.rec, (dir / "s.jpg").c_str(), s), QVP_OK);
      EXPECT_LE(std::filesystem::file_size(dir / "s.jpg"), limit);
    }
  }
  EXPECT_EQ(JpegSizeLimit(JpegSettings{0, 0, 1, 100000000, 2}), uint64_t(100000000) << 20);
}

}  // namespace
