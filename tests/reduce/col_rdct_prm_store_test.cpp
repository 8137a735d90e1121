#include <gtest/gtest.h>

#include <string>

#include "model/default_colour.h"
#include "reduce/col_rdct_prm.h"
#include "settings/prof_mng.h"
#include "settings/profile.h"
#include "support/temp_dir.h"

namespace {

std::string SectionText(CProfMng& mng, const char* path) {
  const CProfSect* s = mng.Root().FindSect(path);
  std::string out;
  if (s) s->Write(out, "");
  return out;
}

TEST(ColRdctPrmStore, SavedDefaultsHaveEveryKeyInOrder) {
  ScopedOpaqueAlpha alpha(255);
  CColRdctPrm p;
  CProfMng mng;
  CProfile prof(&mng.Root());
  ASSERT_TRUE(p.Save(prof, nullptr));
  std::string fixpal = "0x";
  for (int i = 0; i < 256; ++i) fixpal += "000000FF";
  const std::string want = "[ColRdctPrm]\n{\n  Flag=33632\n  OutColNum=256\n  ColDepth=134744072\n"
                           "  PriIntentChroma=0\n  PriHueBalance=0\n  ColSpcType=0\n  NukiCol=-65281\n"
                           "  InvisCol=0\n  PriRgbAlpha=0\n  FixPal=" + fixpal + "\n  FixPalColNum=256\n"
                           "  IdxNum-Grp1=0\n  IdxNum-Grp2=0\n  IdxNum-Grp3=0\n  IdxNum-Grp4=0\n"
                           "  IdxNum-Grp5=0\n  IdxNum-Grp6=0\n  IdxNum-Grp7=0\n  GroupFile=\n  DithMode=0\n"
                           "  DithLevel=800\n  ImpRate=1\n}\n";
  EXPECT_EQ(SectionText(mng, "ColRdctPrm"), want);
}

TEST(ColRdctPrmStore, LoadClampsEveryKey) {
  struct Case {
    const char* key;
    const char* value;
    bool (*check)(const CColRdctPrm&);
  };
  const Case cases[] = {
      {"OutColNum", "4095", [](const CColRdctPrm& p) { return p.m_nOutColNum == 4095; }},
      {"OutColNum", "1", [](const CColRdctPrm& p) { return p.m_nOutColNum == 2; }},
      {"OutColNum", "300", [](const CColRdctPrm& p) { return p.m_nOutColNum == 256 && p.m_aGroup[0].m_nCount == 256; }},
      {"OutColNum", "16", [](const CColRdctPrm& p) { return p.m_aGroup[0].m_nCount == 16; }},
      {"ColDepth", "0",
       [](const CColRdctPrm& p) {
         return p.m_byDepth[0] == 1 && p.m_byDepth[1] == 1 && p.m_byDepth[2] == 1 && p.m_byDepth[3] == 0 &&
                p.GetText().find("RGB111\r\n") != std::string::npos;
       }},
      {"ColDepth", "-1", [](const CColRdctPrm& p) { return p.m_byDepth[0] == 8 && p.m_byDepth[3] == 8; }},
      {"ColDepth", "328965", [](const CColRdctPrm& p) { return p.m_byDepth[0] == 5 && p.m_byDepth[1] == 5 && p.m_byDepth[2] == 5 && p.m_byDepth[3] == 0; }},
      {"PriIntentChroma", "-350", [](const CColRdctPrm& p) { return p.m_fPriIntentChroma == -0.35f; }},
      {"PriHueBalance", "-2000", [](const CColRdctPrm& p) { return p.m_fPriHueBalance == -1.0f; }},
      {"PriRgbAlpha", "1500", [](const CColRdctPrm& p) { return p.m_fPriRgbAlpha == 1.0f; }},
      {"ColSpcType", "9", [](const CColRdctPrm& p) { return p.m_nColSpcType == 3; }},
      {"ColSpcType", "-4", [](const CColRdctPrm& p) { return p.m_nColSpcType == 0; }},
      {"NukiCol", "16909060", [](const CColRdctPrm& p) { return p.m_colNuki == RGBA{4, 3, 2, 255}; }},
      {"InvisCol", "-1", [](const CColRdctPrm& p) { return p.m_colInvis == RGBA{255, 255, 255, 0}; }},
      {"FixPalColNum", "0", [](const CColRdctPrm& p) { return p.m_nFixPalColNum == 1; }},
      {"FixPalColNum", "257", [](const CColRdctPrm& p) { return p.m_nFixPalColNum == 256; }},
      {"FixPal", "0x01020304", [](const CColRdctPrm& p) { return p.m_aFixPal[0] == RGBA{1, 2, 3, 4} && p.m_aFixPal[1] == DefaultColour(); }},
      {"FixPal", "0xzz", [](const CColRdctPrm& p) { return p.m_aFixPal[0] == DefaultColour(); }},
      {"IdxNum-Grp3", "-7", [](const CColRdctPrm& p) { return p.m_aGroup[3].m_nCount == 0; }},
      {"IdxNum-Grp7", "999", [](const CColRdctPrm& p) { return p.m_aGroup[7].m_nCount == 256 && p.m_aGroup[0].m_nCount == 0; }},
      {"IdxNum-Grp2", "10", [](const CColRdctPrm& p) { return p.m_aGroup[0].m_nCount == 246 && p.m_aGroup[2].m_nStart == 246; }},
      {"GroupFile", " g.png ", [](const CColRdctPrm& p) { return p.m_strGroupFile == " g.png "; }},
      {"DithMode", "5", [](const CColRdctPrm& p) { return p.m_nDithMode == 2; }},
      {"DithMode", "-5", [](const CColRdctPrm& p) { return p.m_nDithMode == 0; }},
      {"DithLevel", "1001", [](const CColRdctPrm& p) { return p.m_fDithLevel == 1.0f; }},
      {"DithLevel", "-3", [](const CColRdctPrm& p) { return p.m_fDithLevel == 0.0f; }},
      {"ImpRate", "0", [](const CColRdctPrm& p) { return p.m_nImpRate == 1; }},
      {"ImpRate", "101", [](const CColRdctPrm& p) { return p.m_nImpRate == 100; }},
      {"Flag", "-1", [](const CColRdctPrm& p) { return p.m_dwFlags == 0xFFFFFFFFu; }},
  };
  for (const Case& c : cases) {
    CProfMng mng;
    ASSERT_TRUE(mng.Root().SetString("ColRdctPrm", c.key, c.value));
    CColRdctPrm p;
    CProfile prof(&mng.Root());
    ASSERT_TRUE(p.Load(prof, nullptr));
    EXPECT_TRUE(c.check(p)) << c.key << "=" << c.value;
  }
}

TEST(ColRdctPrmStore, MissingKeysKeepTheirValues) {
  CColRdctPrm p;
  p.m_fPriHueBalance = 0.35f;  // not a multiple of 0.001 as stored: kept exactly
  p.m_nOutColNum = 32;
  p.m_strGroupFile = "keep.bmp";
  CProfMng mng;
  ASSERT_TRUE(mng.Root().SetString("ColRdctPrm", "DithMode", "1"));
  CProfile prof(&mng.Root());
  ASSERT_TRUE(p.Load(prof, nullptr));
  EXPECT_EQ(p.m_fPriHueBalance, 0.35f);
  EXPECT_EQ(p.m_nOutColNum, 32);
  EXPECT_EQ(p.m_strGroupFile, "keep.bmp");
  EXPECT_EQ(p.m_nDithMode, 1);
}

TEST(ColRdctPrmStore, CallerSectionAndRoundTrip) {
  CColRdctPrm p;
  p.m_dwFlags = 0x1C4D5;
  p.m_nOutColNum = kDirectColourCount;
  p.m_byDepth[0] = 5, p.m_byDepth[1] = 6, p.m_byDepth[2] = 5, p.m_byDepth[3] = 0;
  p.m_fPriIntentChroma = -0.5f;
  p.m_fPriHueBalance = 0.25f;
  p.m_nColSpcType = 2;
  p.m_colNuki = RGBA{1, 2, 3, 255};
  p.m_fPriRgbAlpha = 1.0f;
  p.m_aFixPal[200] = RGBA{9, 8, 7, 6};
  p.m_nFixPalColNum = 17;
  p.m_aGroup[4].m_nCount = 12;
  p.m_strGroupFile = "グループ.png";
  p.m_nDithMode = 2;
  p.m_fDithLevel = 0.5f;
  p.m_nImpRate = 42;
  p.DeriveGroupLayout(p.m_nOutColNum);
  CProfMng mng;
  CProfile prof(&mng.Root());
  ASSERT_TRUE(p.Save(prof, "BatchConvertSettings\\ConverterSettings"));
  EXPECT_NE(mng.Root().FindSect("BatchConvertSettings\\ConverterSettings\\ColRdctPrm"), nullptr);
  CColRdctPrm q;
  ASSERT_TRUE(q.Load(prof, "BatchConvertSettings\\ConverterSettings"));
  EXPECT_TRUE(q == p);
}

TEST(ColRdctPrmStore, CrsFile) {
  testutil::TempDir dir;
  CColRdctPrm p;
  p.m_nOutColNum = 64;
  p.m_fDithLevel = 0.5f;
  p.m_nDithMode = 1;
  p.DeriveGroupLayout(p.m_nOutColNum);
  ASSERT_TRUE(p.SaveCrs(dir / "a.crs"));
  const std::vector<uint8_t> bytes = testutil::ReadFile(dir / "a.crs");
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_EQ(text.rfind(";-----", 0), 0u);
  EXPECT_NE(text.find(";   減色設定ファイル\r\n"), std::string::npos);
  EXPECT_NE(text.find("SettingFmtType=ColRdctPrm\r\n"), std::string::npos);
  EXPECT_NE(text.find("SettingFmtVers=100\r\n"), std::string::npos);
  EXPECT_LT(text.find("[SettingsCommonInformationSection]"), text.find("[ColRdctPrm]"));
  CColRdctPrm q;
  ASSERT_TRUE(q.LoadCrs(dir / "a.crs"));
  EXPECT_TRUE(q == p);

  // Unreadable files and newer formats are refused; the record keeps its values.
  CColRdctPrm r;
  r.m_nOutColNum = 7;
  EXPECT_FALSE(r.LoadCrs(dir / "missing.crs"));
  EXPECT_FALSE(r.LoadCrs(""));
  const std::string newer = "[SettingsCommonInformationSection]\n{\n  SettingFmtVers=200\n}\n[ColRdctPrm]\n{\n  OutColNum=16\n}\n";
  testutil::WriteFile(dir / "b.crs", std::vector<uint8_t>(newer.begin(), newer.end()));
  EXPECT_FALSE(r.LoadCrs(dir / "b.crs"));
  EXPECT_EQ(r.m_nOutColNum, 7);
  const std::string older = "[SettingsCommonInformationSection]\n{\n  SettingFmtVers=199\n}\n[ColRdctPrm]\n{\n  OutColNum=16\n}\n";
  testutil::WriteFile(dir / "c.crs", std::vector<uint8_t>(older.begin(), older.end()));
  EXPECT_TRUE(r.LoadCrs(dir / "c.crs"));
  EXPECT_EQ(r.m_nOutColNum, 16);
  EXPECT_FALSE(p.SaveCrs(dir / "no/such/folder/x.crs"));
}

}  // namespace
