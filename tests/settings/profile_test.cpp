// Profiles over a section tree, over the application profile and over nothing; record section
// names; the record base; the per-user store file.
#include "settings/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/user_store.h"
#include "settings/app_profile.h"
#include "settings/cmd_stg.h"
#include "settings/prof_mng.h"
#include "settings/temp_folder.h"

namespace {

using settingstest::ReadFile;
using settingstest::ScopedEnv;
using settingstest::TempFolder;
using settingstest::WriteFile;

// A small record in the shape of the operation records.
class SamplePrm : public CCmdStg {
 public:
  SamplePrm() { Init(); }
  int m_nWidth;
  double m_dRatio;
  std::string m_strName;
  uint8_t m_bytes[3];

  void Init() override {
    m_nWidth = 64;
    m_dRatio = 0.25;
    m_strName = "none";
    m_bytes[0] = m_bytes[1] = m_bytes[2] = 0;
  }
  void Validate() override {
    if (m_nWidth < 1) m_nWidth = 1;
  }
  bool Load(CProfile& prof, const char* sect) override {
    const std::string s = prof.MakeSection(sect, "Settings", nullptr, "SampleParam");
    m_nWidth = prof.GetInt(s, "Width", m_nWidth);
    m_dRatio = prof.GetReal(s, "Ratio", m_dRatio);
    m_strName = prof.GetString(s, "Name", m_strName);
    prof.GetBinary(s, "Bytes", m_bytes, sizeof m_bytes);
    Validate();
    return true;
  }
  bool Save(CProfile& prof, const char* sect) const override {
    const std::string s = prof.MakeSection(sect, "Settings", nullptr, "SampleParam");
    return prof.WriteInt(s, "Width", m_nWidth) && prof.WriteReal(s, "Ratio", m_dRatio) &&
           prof.WriteString(s, "Name", m_strName) && prof.WriteBinary(s, "Bytes", m_bytes, sizeof m_bytes);
  }
};

TEST(ProfileSection, MakeSectionTable) {
  CProfSect root;
  CProfile file(&root), app(static_cast<CAppProfile*>(nullptr));
  struct Case {
    const CProfile* prof;
    const char *sect, *profDefault, *fileDefault, *sub, *expected;
  } cases[] = {
      {&app, nullptr, "Settings", nullptr, "ImageScalingParam", "Settings\\ImageScalingParam"},
      {&file, nullptr, "Settings", nullptr, "ImageScalingParam", "ImageScalingParam"},
      {&file, "BatchConvertSettings\\ConverterSettings", "Settings", nullptr, "ImageScalingParam",
       "BatchConvertSettings\\ConverterSettings\\ImageScalingParam"},
      {&app, "", "Settings", nullptr, "X", "X"},  // a given empty section is not replaced
      {&file, nullptr, "P", "F", "X", "F\\X"},
      {&app, nullptr, "ColRdctPrm", nullptr, "\\FileSizeLim", "ColRdctPrm\\\\FileSizeLim"},
      {&app, nullptr, nullptr, nullptr, nullptr, ""},
      {&app, "S", nullptr, nullptr, nullptr, "S"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.prof->MakeSection(c.sect, c.profDefault, c.fileDefault, c.sub), c.expected)
        << (c.sect ? c.sect : "(none)") << " " << (c.sub ? c.sub : "(none)");
}

TEST(ProfileRecord, RoundTripsThroughAFile) {
  TempFolder dir;
  const std::string path = dir / "s.bcs";
  SamplePrm saved;
  saved.m_nWidth = 640;
  saved.m_dRatio = 0.1;
  saved.m_strName = " spaced name ";
  saved.m_bytes[0] = 0xDE;
  saved.m_bytes[2] = 0x7F;
  {
    CProfMng mng;
    mng.SetCommonInfo("BatCnvPrm", kSettingFmtVers);
    CProfile prof(&mng.Root());
    ASSERT_TRUE(saved.Save(prof, "BatchConvertSettings\\ConverterSettings"));
    ASSERT_TRUE(mng.Save(path, MakeBanner(";   一括変換設定ファイル")));
  }
  EXPECT_NE(
      ReadFile(path).find(
          "    [SampleParam]\r\n    {\r\n      Width=640\r\n      Ratio=0.1000000000000000055511151231257"
          "8\r\n      Name= spaced name \r\n      Bytes=0xDE007F\r\n    }\r\n"),
      std::string::npos)
      << ReadFile(path);
  CProfMng mng;
  ASSERT_TRUE(mng.Load(path));
  ASSERT_TRUE(mng.CheckVersion(kSettingFmtVers));
  CProfile prof(&mng.Root());
  SamplePrm loaded;
  ASSERT_TRUE(loaded.Load(prof, "BatchConvertSettings\\ConverterSettings"));
  EXPECT_EQ(loaded.m_nWidth, 640);
  EXPECT_EQ(loaded.m_dRatio, 0.1);
  EXPECT_EQ(loaded.m_strName, " spaced name ");
  EXPECT_EQ(loaded.m_bytes[0], 0xDE);
  EXPECT_EQ(loaded.m_bytes[2], 0x7F);
}

TEST(ProfileRecord, WithoutAnyStoreKeepsDefaultsAndFailsWrites) {
  SamplePrm p;
  p.m_nWidth = 5;
  EXPECT_TRUE(p.LoadAppDefault(nullptr));
  EXPECT_EQ(p.m_nWidth, 5);
  EXPECT_FALSE(p.SaveAppDefault(nullptr));
  CProfile none;
  EXPECT_EQ(none.GetString("S", "k", "d"), "d");
  EXPECT_EQ(none.GetInt("S", "k", 3), 3);
  EXPECT_EQ(none.GetReal("S", "k", 1.5), 1.5);
  uint8_t b[2];
  EXPECT_EQ(none.GetBinary("S", "k", b, 2), 0);
  EXPECT_FALSE(none.WriteInt("S", "k", 1));
}

TEST(AppProfile, StoresUnderXdgConfigHomeAtomically) {
  TempFolder dir;
  ScopedEnv xdg("XDG_CONFIG_HOME", (dir / "config").c_str());
  const std::string path = UserStorePath();
  ASSERT_EQ(path, dir / "config/Norrwick/Quovex/Quovo.ini");
  {
    CAppProfile app(path);
    ASSERT_TRUE(app.Load());  // no file yet: an empty store
    SamplePrm p;
    p.m_nWidth = 320;
    ASSERT_TRUE(p.SaveAppDefault(&app));
    EXPECT_TRUE(app.IsDirty());
    ASSERT_TRUE(app.Flush());  // creates the folder chain
    EXPECT_FALSE(app.IsDirty());
  }
  const std::string text = ReadFile(path);
  EXPECT_EQ(text.rfind(";-----", 0), 0u);
  EXPECT_NE(text.find("[Settings]\r\n{\r\n  [SampleParam]\r\n  {\r\n    Width=320\r\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("SettingFmtVers=100"), std::string::npos);

  CAppProfile app(path);
  ASSERT_TRUE(app.Load());
  SamplePrm p;
  ASSERT_TRUE(p.LoadAppDefault(&app));
  EXPECT_EQ(p.m_nWidth, 320);
  // The application profile reads an empty value as missing.
  CProfile prof(&app);
  ASSERT_TRUE(prof.WriteString("S", "empty", ""));
  EXPECT_EQ(prof.GetInt("S", "empty", 7), 7);
  EXPECT_EQ(prof.GetReal("S", "empty", 7.5), 7.5);
  EXPECT_EQ(prof.GetString("S", "empty", "d"), "");
}

TEST(AppProfile, FailedFlushKeepsTheOldFile) {
  TempFolder dir;
  const std::string folder = dir / "store";
  std::filesystem::create_directory(folder);
  const std::string path = folder + "/Quovo.ini";
  {
    CAppProfile app(path);
    CProfile(&app).WriteInt("Options", "Flag", 1);
    ASSERT_TRUE(app.Flush());
  }
  const std::string before = ReadFile(path);
  ::chmod(folder.c_str(), 0500);
  if (::access(folder.c_str(), W_OK) == 0) {
    ::chmod(folder.c_str(), 0700);
    GTEST_SKIP() << "permissions are not enforced for this user";
  }
  CAppProfile app(path);
  ASSERT_TRUE(app.Load());
  CProfile(&app).WriteInt("Options", "Flag", 2);
  EXPECT_FALSE(app.Flush());
  EXPECT_TRUE(app.IsDirty());
  ::chmod(folder.c_str(), 0700);
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
}

TEST(AppProfile, FlushThatCannotWriteEverythingKeepsTheOldFile) {
  TempFolder dir;
  const std::string path = dir / "Quovo.ini";
  CAppProfile app(path);
  CProfile prof(&app);
  prof.WriteInt("Options", "Flag", 1);
  ASSERT_TRUE(app.Flush());
  const std::string before = ReadFile(path);
  prof.WriteString("Options", "BgImgFile", std::string(8192, 'x'));
  {
    settingstest::ScopedFileSizeLimit limit(4096);
    ASSERT_TRUE(limit.Ok());
    EXPECT_FALSE(app.Flush());
  }
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
  EXPECT_TRUE(app.Flush());  // still dirty: the next flush writes
  EXPECT_NE(ReadFile(path), before);
}

TEST(AppProfile, AnUnreadableStoreIsNotOverwritten) {
  TempFolder dir;
  const std::string path = dir / "Quovo.ini";
  const std::string newer = "[SettingsCommonInformationSection]\nSettingFmtVers=200\n[Options]\nFlag=3\n";
  ASSERT_TRUE(WriteFile(path, newer));
  CAppProfile app(path);
  EXPECT_FALSE(app.Load());
  EXPECT_TRUE(app.IsProtected());
  CProfile prof(&app);
  EXPECT_EQ(prof.GetInt("Options", "Flag", 5), 5);  // served from defaults
  prof.WriteInt("Options", "Flag", 1);
  EXPECT_FALSE(app.Flush());
  EXPECT_EQ(ReadFile(path), newer);
}

TEST(AppProfile, InMemoryStoreNeverTouchesTheDisk) {
  CAppProfile app("");
  EXPECT_TRUE(app.Load());
  CProfile prof(&app);
  ASSERT_TRUE(prof.WriteReal("A\\B", "r", 2.5));
  EXPECT_EQ(prof.GetReal("A\\B", "r", 0), 2.5);
  EXPECT_TRUE(app.Flush());
}

}  // namespace
