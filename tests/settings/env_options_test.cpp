// The environment options record: defaults, saved keys, load clamps, change flags and the
// opaque alpha value.
#include "settings/env_options.h"

#include <gtest/gtest.h>

#include <tuple>

#include "settings/app_profile.h"
#include "settings/prof_mng.h"
#include "settings/profile.h"

namespace {

TEST(EnvOptions, DefaultsAndSavedKeysInOrder) {
  CEnvOpt o;
  EXPECT_EQ(o.OpaqueAlpha(), 255);
  CProfMng mng;
  CProfile prof(&mng.Root());
  ASSERT_TRUE(o.Save(prof));
  std::string text;
  for (const CSectKey* k = mng.Root().FindSect("Options")->m_Keys.Head(); k; k = k->m_pNext)
    text += k->m_strName + "=" + k->m_strValue + "\n";
  EXPECT_EQ(text,
            "Flag=5\n"
            "AlpType=0\n"
            "AlpUserVal=255\n"
            "BgType=1\n"
            "MonoCol=-8355712\n"    // 0xFF808080
            "TileCol1=-4144960\n"   // 0xFFC0C0C0
            "TileCol2=-10461088\n"  // 0xFF606060
            "TileSize=8\n"
            "BgImgFile=\n"
            "GridSize=16\n"
            "GridCol=-16776961\n"  // 0xFF0000FF: red is the lowest byte
            "SusiePulginDir=\n");
  CEnvOpt back;
  back.m_nGridSize = 99;
  ASSERT_TRUE(back.Load(prof));
  EXPECT_EQ(back, o);
}

struct ClampCase {
  const char* key;
  const char* stored;
  int CEnvOpt::*field;
  int expected;
};

TEST(EnvOptions, LoadClamps) {
  const ClampCase cases[] = {
      {"BgType", "3", &CEnvOpt::m_nBgType, 1},
      {"BgType", "-1", &CEnvOpt::m_nBgType, 0},
      {"BgType", "2", &CEnvOpt::m_nBgType, 2},
      {"AlpType", "3", &CEnvOpt::m_nAlpType, 0},
      {"AlpType", "-1", &CEnvOpt::m_nAlpType, 0},
      {"AlpType", "2", &CEnvOpt::m_nAlpType, 2},
      {"TileSize", "0", &CEnvOpt::m_nTileSize, 1},
      {"TileSize", "513", &CEnvOpt::m_nTileSize, 512},
      {"TileSize", "512", &CEnvOpt::m_nTileSize, 512},
      {"GridSize", "5000", &CEnvOpt::m_nGridSize, 1024},
      {"GridSize", "-3", &CEnvOpt::m_nGridSize, 1},
      {"GridSize", "1024", &CEnvOpt::m_nGridSize, 1024},
      {"AlpUserVal", "256", &CEnvOpt::m_nAlpUserVal, 255},
      {"AlpUserVal", "-5", &CEnvOpt::m_nAlpUserVal, 1},
      {"AlpUserVal", "0", &CEnvOpt::m_nAlpUserVal, 1},  // divided by later: never 0
      {"AlpUserVal", "1", &CEnvOpt::m_nAlpUserVal, 1},
  };
  for (const auto& c : cases) {
    CProfMng mng;
    mng.Root().SetString("Options", c.key, c.stored);
    CEnvOpt o;
    ASSERT_TRUE(o.Load(CProfile(&mng.Root())));
    EXPECT_EQ(o.*c.field, c.expected) << c.key << "=" << c.stored;
  }
}

TEST(EnvOptions, ColoursReadWithFullAlphaAndStringsKept) {
  CAppProfile app("");
  CProfile prof(&app);
  prof.WriteInt("Options", "MonoCol", 0x00112233);
  prof.WriteInt("Options", "GridCol", 0x7F000001);
  prof.WriteString("Options", "BgImgFile", "/pics/bg 1.png");
  prof.WriteString("Options", "SusiePulginDir", "/spi");
  CEnvOpt o;
  ASSERT_TRUE(o.Load(prof));
  EXPECT_EQ(o.m_dwMonoCol, 0xFF112233u);
  EXPECT_EQ(o.m_dwGridCol, 0xFF000001u);
  EXPECT_EQ(o.m_strBgImgFile, "/pics/bg 1.png");
  EXPECT_EQ(o.m_strSusieDir, "/spi");
  EXPECT_EQ(o.m_nTileSize, 8);  // missing keys keep the current value
}

TEST(EnvOptions, OpaqueAlphaValue) {
  CEnvOpt o;
  o.m_nAlpUserVal = 200;
  const std::tuple<int, int, int> table[] = {{0, 200, 255}, {1, 200, 128}, {2, 200, 200},
                                             {2, 0, 1},     {2, 300, 255}, {7, 200, 255}};
  for (auto [type, user, expected] : table) {
    o.m_nAlpType = type;
    o.m_nAlpUserVal = user;
    EXPECT_EQ(o.OpaqueAlpha(), expected) << type << " " << user;
  }
}

struct ChangeCase {
  const char* name;
  void (*edit)(CEnvOpt&);
  uint32_t expected;
};

TEST(EnvOptions, ChangeFlags) {
  const ChangeCase cases[] = {
      {"nothing", [](CEnvOpt&) {}, 0},
      {"alpha type", [](CEnvOpt& o) { o.m_nAlpType = 1; }, 0x2},
      {"user alpha, type 0", [](CEnvOpt& o) { o.m_nAlpUserVal = 100; }, 0x1},
      {"user alpha, type 2", [](CEnvOpt& o) { o.m_nAlpType = 2, o.m_nAlpUserVal = 100; }, 0x2},
      {"alpha clamp", [](CEnvOpt& o) { o.m_dwFlag ^= ENVF_ALPHA_CLAMP; }, 0x2},
      {"background type", [](CEnvOpt& o) { o.m_nBgType = 0; }, 0x102},
      {"mono colour, type 1", [](CEnvOpt& o) { o.m_dwMonoCol = EnvColour(1, 2, 3); }, 0x1},
      {"mono colour, type 0", [](CEnvOpt& o) { o.m_nBgType = 0, o.m_dwMonoCol = EnvColour(1, 2, 3); }, 0x102},
      {"tile colours, type 0",
       [](CEnvOpt& o) {
         o.m_nBgType = 0;
         o.m_dwTileCol1 = EnvColour(1, 1, 1);
         o.m_dwTileCol2 = EnvColour(2, 2, 2);
       },
       0x103},  // the type change itself rebuilds
      {"tile size, type 1", [](CEnvOpt& o) { o.m_nTileSize = 4; }, 0x102},
      {"tile colour 2, type 1", [](CEnvOpt& o) { o.m_dwTileCol2 = EnvColour(1, 1, 1); }, 0x102},
      {"image path, type 1", [](CEnvOpt& o) { o.m_strBgImgFile = "x.png"; }, 0x1},
      {"image path, type 2", [](CEnvOpt& o) { o.m_nBgType = 2, o.m_strBgImgFile = "x.png"; }, 0x102},
      {"background not zoomed", [](CEnvOpt& o) { o.m_dwFlag ^= ENVF_BG_NOT_ZOOMED; }, 0x2},
      {"grid size", [](CEnvOpt& o) { o.m_nGridSize = 8; }, 0x2},
      {"grid colour", [](CEnvOpt& o) { o.m_dwGridCol = EnvColour(0, 0, 0); }, 0x2},
      {"Susie folder", [](CEnvOpt& o) { o.m_strSusieDir = "/spi"; }, 0x1},
      {"centred", [](CEnvOpt& o) { o.m_dwFlag ^= ENVF_CENTER; }, 0x2},
      {"unused flag bit", [](CEnvOpt& o) { o.m_dwFlag ^= 0x100; }, 0},
  };
  for (const auto& c : cases) {
    CEnvOpt live, edited;
    c.edit(edited);
    EXPECT_EQ(live.Assign(edited), c.expected) << c.name;
    EXPECT_EQ(live, edited) << c.name;
  }
  // Tile colours alone while the single colour shows: recorded, nothing redrawn.
  CEnvOpt live;
  live.m_nBgType = 0;
  CEnvOpt edited = live;
  edited.m_dwTileCol1 = EnvColour(1, 1, 1);
  edited.m_dwTileCol2 = EnvColour(2, 2, 2);
  EXPECT_EQ(live.Assign(edited), 0x1u);
}

}  // namespace
