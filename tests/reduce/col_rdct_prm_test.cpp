#include "reduce/col_rdct_prm.h"

#include <gtest/gtest.h>

#include "model/default_colour.h"

namespace {

TEST(ColRdctPrm, DefaultsAndDescription) {
  ScopedOpaqueAlpha alpha(200);
  CColRdctPrm p;
  EXPECT_EQ(p.m_dwFlags, 0x8360u);
  EXPECT_EQ(p.m_nOutColNum, 256);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(p.m_byDepth[i], 8);
  EXPECT_EQ(p.m_colNuki, (RGBA{255, 0, 255, 255}));
  EXPECT_EQ(p.m_colInvis, (RGBA{0, 0, 0, 0}));
  EXPECT_EQ(p.m_aFixPal[0], (RGBA{0, 0, 0, 200}));
  EXPECT_EQ(p.m_aFixPal[255], (RGBA{0, 0, 0, 200}));
  EXPECT_EQ(p.m_nFixPalColNum, 256);
  EXPECT_EQ(p.m_aGroup[0], (ColGroup{0, 256}));
  for (int g = 1; g < 8; ++g) EXPECT_EQ(p.m_aGroup[g], ColGroup{}) << g;
  EXPECT_EQ(p.m_nDithMode, 0);
  EXPECT_FLOAT_EQ(p.m_fDithLevel, 0.8f);
  EXPECT_EQ(p.m_nImpRate, 1);
  EXPECT_EQ(p.GetText(),
            "256 色へ減色\r\nRGBA8888\r\nRGBモニタ用色空間\r\nディザ無し\r\n"
            "アルファ値も含めて減色する\r\n重要領域を有効にする\r\n");
}

TEST(ColRdctPrm, DescriptionLines) {
  CColRdctPrm p;
  p.m_nOutColNum = 16;
  p.m_byDepth[0] = 5, p.m_byDepth[1] = 6, p.m_byDepth[2] = 5, p.m_byDepth[3] = 0;
  p.m_nColSpcType = 3;
  p.m_nDithMode = 2;
  p.m_dwFlags = 0xFFFFFFFF;
  EXPECT_EQ(p.GetText(),
            "16 色へ減色\r\nRGB565\r\nRGB均等色空間\r\n誤差拡散\r\n固定パレットを使用する\r\n"
            "アルファ値も含めて減色する\r\n透明色(ヌキ)指定を行う\r\nグルーピング減色を行う\r\n"
            "重要領域を有効にする\r\n");
  // A direct-colour record lists no option lines whatever its flags.
  p.m_nOutColNum = kDirectColourCount;
  p.m_nColSpcType = 1;
  p.m_nDithMode = 1;
  EXPECT_EQ(p.GetText(), "ダイレクトカラー減色\r\nRGB565\r\nNTSC色空間\r\nパターンディザ\r\n");
  p.m_nColSpcType = 2;
  EXPECT_NE(p.GetText().find("PAL用色空間\r\n"), std::string::npos);
}

TEST(ColRdctPrm, ValidateClampsAsLoading) {
  struct Case {
    const char* what;
    void (*set)(CColRdctPrm&);
    bool (*check)(const CColRdctPrm&);
  };
  const Case cases[] = {
      {"4095 kept", [](CColRdctPrm& p) { p.m_nOutColNum = 4095; }, [](const CColRdctPrm& p) { return p.m_nOutColNum == 4095; }},
      {"1 -> 2", [](CColRdctPrm& p) { p.m_nOutColNum = 1; }, [](const CColRdctPrm& p) { return p.m_nOutColNum == 2; }},
      {"300 -> 256", [](CColRdctPrm& p) { p.m_nOutColNum = 300; }, [](const CColRdctPrm& p) { return p.m_nOutColNum == 256; }},
      {"depth 0 -> 1110",
       [](CColRdctPrm& p) { CrsUnpackDepth(0, p.m_byDepth); },
       [](const CColRdctPrm& p) {
         return p.m_byDepth[0] == 1 && p.m_byDepth[1] == 1 && p.m_byDepth[2] == 1 && p.m_byDepth[3] == 0 &&
                p.GetText().find("RGB111\r\n") != std::string::npos;
       }},
      {"depth 9 -> 8", [](CColRdctPrm& p) { CrsUnpackDepth(0x09FF0909, p.m_byDepth); },
       [](const CColRdctPrm& p) { return p.m_byDepth[0] == 8 && p.m_byDepth[2] == 8 && p.m_byDepth[3] == 8; }},
      {"hue -2000", [](CColRdctPrm& p) { p.m_fPriHueBalance = CrsIntToFloat(-2000); },
       [](const CColRdctPrm& p) { return p.m_fPriHueBalance == -1.0f; }},
      {"chroma 5", [](CColRdctPrm& p) { p.m_fPriIntentChroma = 5; }, [](const CColRdctPrm& p) { return p.m_fPriIntentChroma == 1.0f; }},
      {"alpha prio -3", [](CColRdctPrm& p) { p.m_fPriRgbAlpha = -3; }, [](const CColRdctPrm& p) { return p.m_fPriRgbAlpha == -1.0f; }},
      {"space 7", [](CColRdctPrm& p) { p.m_nColSpcType = 7; }, [](const CColRdctPrm& p) { return p.m_nColSpcType == 3; }},
      {"space -1", [](CColRdctPrm& p) { p.m_nColSpcType = -1; }, [](const CColRdctPrm& p) { return p.m_nColSpcType == 0; }},
      {"nuki alpha", [](CColRdctPrm& p) { p.m_colNuki = {1, 2, 3, 4}; }, [](const CColRdctPrm& p) { return p.m_colNuki == RGBA{1, 2, 3, 255}; }},
      {"invis alpha", [](CColRdctPrm& p) { p.m_colInvis = {1, 2, 3, 4}; }, [](const CColRdctPrm& p) { return p.m_colInvis == RGBA{1, 2, 3, 0}; }},
      {"fixnum 0", [](CColRdctPrm& p) { p.m_nFixPalColNum = 0; }, [](const CColRdctPrm& p) { return p.m_nFixPalColNum == 1; }},
      {"fixnum 999", [](CColRdctPrm& p) { p.m_nFixPalColNum = 999; }, [](const CColRdctPrm& p) { return p.m_nFixPalColNum == 256; }},
      {"group count -5", [](CColRdctPrm& p) { p.m_aGroup[3].m_nCount = -5; }, [](const CColRdctPrm& p) { return p.m_aGroup[3].m_nCount == 0; }},
      {"group count 1000", [](CColRdctPrm& p) { p.m_aGroup[7].m_nCount = 1000; },
       [](const CColRdctPrm& p) { return p.m_aGroup[7].m_nCount == 256 && p.m_aGroup[0].m_nCount == 0; }},
      {"dither -1", [](CColRdctPrm& p) { p.m_nDithMode = -1; }, [](const CColRdctPrm& p) { return p.m_nDithMode == 0; }},
      {"dither 3", [](CColRdctPrm& p) { p.m_nDithMode = 3; }, [](const CColRdctPrm& p) { return p.m_nDithMode == 2; }},
      {"level 2", [](CColRdctPrm& p) { p.m_fDithLevel = 2; }, [](const CColRdctPrm& p) { return p.m_fDithLevel == 1.0f; }},
      {"level -1", [](CColRdctPrm& p) { p.m_fDithLevel = -1; }, [](const CColRdctPrm& p) { return p.m_fDithLevel == 0.0f; }},
      {"imprate 0", [](CColRdctPrm& p) { p.m_nImpRate = 0; }, [](const CColRdctPrm& p) { return p.m_nImpRate == 1; }},
      {"imprate 101", [](CColRdctPrm& p) { p.m_nImpRate = 101; }, [](const CColRdctPrm& p) { return p.m_nImpRate == 100; }},
  };
  for (const Case& c : cases) {
    CColRdctPrm p;
    c.set(p);
    p.Validate();
    EXPECT_TRUE(c.check(p)) << c.what;
  }
}

TEST(ColRdctPrm, GroupLayout) {
  CColRdctPrm p;
  p.m_aGroup[1].m_nCount = 10;
  p.m_aGroup[3].m_nCount = 20;
  EXPECT_EQ(p.DeriveGroupLayout(64), 64);
  const ColGroup want[8] = {{0, 34}, {34, 10}, {44, 0}, {44, 20}, {64, 0}, {64, 0}, {64, 0}, {64, 0}};
  for (int g = 0; g < 8; ++g) EXPECT_EQ(p.m_aGroup[g], want[g]) << g;
  // Groups 1..7 asking for more than the count leave group 0 empty.
  p.m_aGroup[5].m_nCount = 100;
  EXPECT_EQ(p.DeriveGroupLayout(64), 130);
  EXPECT_EQ(p.m_aGroup[0].m_nCount, 0);
  EXPECT_EQ(p.m_aGroup[1].m_nStart, 0);
}

TEST(ColRdctPrm, StoreNumberEncoding) {
  EXPECT_EQ(CrsFloatToInt(-0.35f), -349);
  EXPECT_FLOAT_EQ(CrsIntToFloat(-349), -0.349f);
  EXPECT_EQ(CrsFloatToInt(0.8f), 800);
  EXPECT_EQ(CrsFloatToInt(1.0f), 1000);
  const uint8_t d[4] = {5, 6, 5, 0};
  EXPECT_EQ(CrsPackDepth(d), 0x00050605);
}

TEST(ColRdctPrm, CopyIsFieldByField) {
  CColRdctPrm a;
  a.m_strGroupFile = "g.png";
  a.m_aFixPal[7] = RGBA{1, 2, 3, 4};
  CColRdctPrm b = a;
  EXPECT_TRUE(a == b);
  b.m_aFixPal[7].a = 5;
  EXPECT_FALSE(a == b);
}

}  // namespace
