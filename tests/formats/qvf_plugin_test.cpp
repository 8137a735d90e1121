// The QVF plug-in: exact round trips of everything the model holds (levels, banks, alpha,
// palette only), the header limits, and damaged or truncated files.
#include "formats/qvf_plugin.h"

#include <gtest/gtest.h>

#include <cstring>

#include "model/default_colour.h"
#include "support/codec_harness.h"
#include "support/image_builders.h"
#include "support/temp_dir.h"
#include "support/test_files.h"

namespace {

using testutil::CodecHarness;
using Bytes = std::vector<uint8_t>;

uint32_t U32(const Bytes& b, size_t at) {
  return uint32_t(b[at]) | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}
void SetU32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

class QvfTest : public ::testing::Test {
 protected:
  testutil::TempDir dir;
  CodecHarness saver{kQvfPlugin, kQvfSaverId};
  CodecHarness loader{kQvfPlugin, kQvfLoaderId};
  ScopedOpaqueAlpha opaque{255};

  Bytes SaveBytes(const CImgInf& img) {
    const std::string path = dir / "s.qvf";
    EXPECT_EQ(saver.Save(path, img), QVP_OK);
    return testutil::ReadFile(path);
  }
  int LoadBytes(const Bytes& file, CImgInf& img) {
    const std::string path = dir / "l.qvf";
    testutil::WriteFile(path, file);
    return loader.Load(path, img);
  }
  void RoundTrip(const CImgInf& img) {
    const std::string path = dir / "rt.qvf";
    ASSERT_EQ(saver.Save(path, img), QVP_OK);
    ASSERT_EQ(loader.Check(path), 1);
    CImgInf back;
    ASSERT_EQ(loader.Load(path, back), QVP_OK);
    EXPECT_TRUE(testutil::SameContent(img, back));
  }
};

TEST_F(QvfTest, Tables) {
  const QvpPluginInfo* info = nullptr;
  const QvpProcInfo* table = nullptr;
  QvpConnect connect{};
  ASSERT_TRUE(kQvfPlugin.functions.ConnectPlugin(&connect, &info, &table));
  EXPECT_STREQ(info->name, "QVFフォーマットプラグイン(ビルトイン)");
  EXPECT_EQ(table[0].id, 0x7FFF0000);
  EXPECT_EQ(table[1].id, 0x7FFF0001);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(table[i].caps, 0x3Fu);
    EXPECT_STREQ(table[i].description, "QVFファイル");
    EXPECT_STREQ(table[i].patterns, "*.qvf");
  }
  EXPECT_STREQ(table[0].name, "QVFフォーマットローダ");
  EXPECT_STREQ(table[1].name, "QVFフォーマットセーバ");
  EXPECT_EQ(kQvfPlugin.functions.SettingGet, nullptr);
  EXPECT_EQ(kQvfPlugin.functions.SettingSet, nullptr);
  EXPECT_EQ(kQvfPlugin.functions.FileLoadOptions(nullptr, nullptr), QVP_OK);
  EXPECT_EQ(kQvfPlugin.functions.FileSaveOptions(nullptr, nullptr), QVP_OK);
}

TEST_F(QvfTest, KeepsEverythingExactly) {
  RoundTrip(testutil::DirectImage(512, 512, 10, true));          // ten levels, alpha
  RoundTrip(testutil::PaletteImage(64, 32, 256, 100, 6, true));  // 100 banks, 6 levels
  RoundTrip(testutil::PaletteImage(7, 3, 5, 3, 1, false));       // odd sizes, 5 entries
  RoundTrip(testutil::DirectImage(300, 200, 1, false));
}

TEST_F(QvfTest, PaletteOnlyRoundTrips) {
  CImgInf pal;
  pal.m_aryPal.push_back(testutil::Bank(16, 1));
  pal.m_aryPal.push_back(testutil::Bank(16, 2));
  pal.Renumber();
  const Bytes file = SaveBytes(pal);
  EXPECT_EQ(U32(file, 20), 0u);  // no pictures
  EXPECT_EQ(U32(file, 28), 2u);
  RoundTrip(pal);
}

TEST_F(QvfTest, HeaderLimits) {
  {
    // Twelve pictures claimed for a 512 x 512 image: ten are loaded.
    Bytes file = SaveBytes(testutil::DirectImage(512, 512, 10));
    SetU32(file, 20, 12);
    CImgInf img;
    ASSERT_EQ(LoadBytes(file, img), QVP_OK);
    EXPECT_EQ(img.ImgNum(), 10);
  }
  {
    // 150 banks claimed: 100 are loaded.
    Bytes file = SaveBytes(testutil::PaletteImage(8, 8, 256, 100));
    SetU32(file, 28, 150);
    CImgInf img;
    ASSERT_EQ(LoadBytes(file, img), QVP_OK);
    EXPECT_EQ(img.PalNum(), 100);
  }
  {
    // Check: version above 0x00010000 and type 2 are refused.
    Bytes file = SaveBytes(testutil::DirectImage(4, 4));
    const std::string path = dir / "c.qvf";
    testutil::WriteFile(path, file);
    EXPECT_EQ(loader.Check(path), 1);
    Bytes v = file;
    SetU32(v, 4, 0x00010001);
    testutil::WriteFile(path, v);
    EXPECT_EQ(loader.Check(path), 0);
    Bytes t = file;
    t[16] = 2;
    testutil::WriteFile(path, t);
    EXPECT_EQ(loader.Check(path), 0);
  }
}

TEST_F(QvfTest, MipLevelsLargerOrSmallerThanTheBlock) {
  const CImgInf img = testutil::DirectImage(8, 8, 2);
  Bytes file = SaveBytes(img);
  // Level 1 (4 x 4 = 64 bytes) at table entry 1: claim 32 bytes: the rest stays default.
  const size_t entry1 = 136 + 32;
  SetU32(file, entry1 + 8, 32);
  CImgInf back;
  ASSERT_EQ(LoadBytes(file, back), QVP_OK);
  ASSERT_EQ(back.ImgNum(), 2);
  EXPECT_EQ(std::memcmp(back.m_aryImg[1].m_pData, img.m_aryImg[1].m_pData, 32), 0);
  RGBA c;
  ASSERT_TRUE(back.GetPixel(1, 3, 3, 0, c));
  EXPECT_EQ(c, DefaultColour());
  // Claim more than the block holds (the bytes exist: level 0's offset): only 64 are read.
  SetU32(file, entry1 + 8, 64);
  SetU32(file, entry1 + 12, U32(file, 136 + 12));
  SetU32(file, entry1 + 8, 256);
  ASSERT_EQ(LoadBytes(file, back), QVP_OK);
  EXPECT_EQ(std::memcmp(back.m_aryImg[1].m_pData, img.m_aryImg[0].m_pData, 64), 0);
}

TEST_F(QvfTest, TruncatedFilesFailWithTheDataError) {
  const Bytes file = SaveBytes(testutil::PaletteImage(16, 16, 16, 2, 3, true));
  for (size_t cut :
       {size_t(0), size_t(10), size_t(100), size_t(135), size_t(136), size_t(150), size_t(136 + 32 * 5 - 1),
        size_t(136 + 32 * 5 + 10), file.size() - 100, file.size() - 1}) {
    SCOPED_TRACE(cut);
    CImgInf img;
    const Bytes part(file.begin(), file.begin() + std::ptrdiff_t(cut));
    const int rc = LoadBytes(part, img);
    EXPECT_EQ(rc, QVP_ERR_DATA);
    EXPECT_EQ(img.ImgNum(), 0);
  }
}

TEST_F(QvfTest, DamagedFieldsFailWithTheDataError) {
  const Bytes good = SaveBytes(testutil::PaletteImage(16, 16, 16, 2, 1));
  struct Case {
    const char* name;
    size_t at;
    uint32_t value;
  } cases[] = {
      {"magic", 0, 0x58465651 ^ 1},
      {"no pictures, no banks", 20, 0},
      {"bank table offset past the end", 36, 0xFFFFFFF0},
      {"picture table offset past the end", 24, 0x7FFFFFFF},
      {"width 0", 136 + 64, 0},
      {"huge width", 136 + 64, 0x7FFFFFFF},
      {"bank data past the end", 136 + 4, 0xFFFFFF00},
      {"pixels past the end", 136 + 64 + 12, 0xFFFFFF00},
      {"pixels shorter than the picture", 136 + 64 + 8, 100},
      {"entries 0", 32, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = good;
    SetU32(file, c.at, c.value);
    if (std::strcmp(c.name, "no pictures, no banks") == 0) SetU32(file, 28, 0);
    CImgInf img;
    EXPECT_EQ(LoadBytes(file, img), QVP_ERR_DATA);
  }
  Bytes type = good;
  type[16] = 7;
  CImgInf img;
  EXPECT_EQ(LoadBytes(type, img), QVP_ERR_DATA);
}

TEST_F(QvfTest, ZeroTotalDoesNotDivideByZero) {
  // A palette-only file whose banks claim no bytes: nothing to read, progress still ends.
  CImgInf pal;
  pal.m_aryPal.push_back(testutil::Bank(4));
  pal.Renumber();
  Bytes file = SaveBytes(pal);
  SetU32(file, 136, 0);
  CImgInf back;
  ASSERT_EQ(LoadBytes(file, back), QVP_OK);
  EXPECT_EQ(back.m_aryPal[0].m_pCol[0], DefaultColour());
  EXPECT_EQ(loader.progress.back(), 100);
}

TEST_F(QvfTest, ProgressCancelAndErrors) {
  const CImgInf img = testutil::DirectImage(256, 256, 3);
  const std::string path = dir / "p.qvf";
  ASSERT_EQ(saver.Save(path, img), QVP_OK);
  EXPECT_TRUE(std::is_sorted(saver.progress.begin(), saver.progress.end()));
  EXPECT_EQ(saver.progress.back(), 100);
  CImgInf back;
  ASSERT_EQ(loader.Load(path, back), QVP_OK);
  EXPECT_GT(loader.progress.size(), 2u);  // pieces of 100 KiB
  loader.onProgress = [](int p) { return p > 10 ? 1 : 0; };
  EXPECT_EQ(loader.Load(path, back), QVP_ERR_CANCEL);
  saver.onProgress = [](int) { return 1; };
  EXPECT_EQ(saver.Save(dir / "q.qvf", img), QVP_ERR_CANCEL);
  saver.onProgress = nullptr;
  EXPECT_EQ(saver.Save("/nonexistent/quovex/x.qvf", img), QVP_ERR_FILE);
  EXPECT_EQ(loader.Load(dir / "missing.qvf", back), QVP_ERR_FILE);
  std::filesystem::create_directory(dir / "folder.qvf");
  EXPECT_EQ(loader.Load(dir / "folder.qvf", back), QVP_ERR_FILE);
  // The wrong process.
  EXPECT_EQ(saver.Load(path, back), QVP_ERR_PARAM);
  EXPECT_EQ(loader.Save(dir / "r.qvf", img), QVP_ERR_PARAM);
}

}  // namespace
