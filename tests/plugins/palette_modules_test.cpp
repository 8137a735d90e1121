// The palriff and palact modules, found by discovery in the program's Plugins folder and driven
// through the plug-in manager.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>

#include "formats/filter_list.h"
#include "formats/host_result.h"
#include "formats/plugin_manager.h"
#include "model/default_colour.h"
#include "model/img_inf.h"
#include "support/image_builders.h"
#include "support/scripted_messages.h"
#include "support/temp_dir.h"

namespace {

const std::string kPluginDir = std::string(QUOVEX_BIN_DIR) + "/Plugins";

std::vector<uint8_t> RiffPal(int declared, int present, unsigned version = 0x0300) {
  std::vector<uint8_t> b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'P', 'A', 'L', ' ', 'd', 'a', 't', 'a', 0, 0, 0, 0};
  b.push_back(uint8_t(version));
  b.push_back(uint8_t(version >> 8));
  b.push_back(uint8_t(declared));
  b.push_back(uint8_t(declared >> 8));
  for (int i = 0; i < present; ++i) {
    b.push_back(uint8_t(i));
    b.push_back(uint8_t(i * 2));
    b.push_back(uint8_t(255 - i));
    b.push_back(0x55);
  }
  return b;
}

std::vector<uint8_t> ActBytes(int bytes) {
  std::vector<uint8_t> b;
  for (int i = 0; i < bytes; ++i) b.push_back(uint8_t(i * 7));
  return b;
}

class PaletteModules : public ::testing::Test {
 protected:
  void SetUp() override {
    mng = std::make_unique<CPluginMng>(kPluginDir, &messages);
    ASSERT_EQ(mng->Scan({}), 2) << "palriff.qvp and palact.qvp in " << kPluginDir;
  }
  int IndexOf(const std::string& name, int kind) {
    for (int i = mng->NextIndex(kind, -1); i >= 0; i = mng->NextIndex(kind, i))
      if (mng->GetProcess(i).process->m_name == name) return i;
    return -1;
  }
  ScopedOpaqueAlpha alpha{255};
  ScriptedMessageBox messages;
  std::unique_ptr<CPluginMng> mng;
  testutil::TempDir dir;
};

TEST_F(PaletteModules, DiscoveredWithTheirProcesses) {
  std::set<std::string> names;
  for (int i = 0; i < mng->PluginCount(); ++i) {
    names.insert(mng->Plugin(i)->m_name);
    EXPECT_EQ(mng->Plugin(i)->m_type, CPlugin::kQvp);
    EXPECT_TRUE(mng->Plugin(i)->HasAbout());
  }
  EXPECT_EQ(names, (std::set<std::string>{"Microsoft PAL フォーマットプラグイン", "フォトショップACTフォーマットプラグイン"}));
  EXPECT_EQ(mng->CountOf(kKindLoad), 2);
  EXPECT_EQ(mng->CountOf(kKindSave), 2);
  EXPECT_GE(IndexOf("ACTフォーマットセーバ", kKindSave), 0);
  mng->Plugin(0)->ShowAbout(mng->MainWindow());
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].caption, mng->Plugin(0)->m_name);
  EXPECT_EQ(messages.shown[0].text, mng->Plugin(0)->m_about);
  EXPECT_NE(messages.shown[0].text.find("Ver 1.01"), std::string::npos);
}

TEST_F(PaletteModules, RiffLoadCases) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    int rc;
    int colours;
  } cases[] = {
      {"300 entries", RiffPal(300, 300), PIRC_OK, 256},
      {"16 declared 10 present", RiffPal(16, 10), PIRC_OK, 16},
      {"version 0x0200", RiffPal(16, 16, 0x0200), PIRC_NOTHANDLED, 0},
      {"count 0", RiffPal(0, 0), PIRC_NOTHANDLED, 0},
      {"header only", RiffPal(4, 0), PIRC_OK, 4},
  };
  for (const auto& c : cases) {
    const std::string path = dir / "p.pal";
    testutil::WriteFile(path, c.bytes);
    CImgInf img;
    EXPECT_EQ(mng->Load(path, img, false, -1), c.rc) << c.name;
    if (c.rc != PIRC_OK) continue;
    EXPECT_TRUE(img.IsPalOnly()) << c.name;
    ASSERT_EQ(img.GetColNum(0), c.colours) << c.name;
    EXPECT_FALSE(img.HasAlpha());
  }
  // Entries the file does not hold keep the default colour.
  testutil::WriteFile(dir / "short.pal", RiffPal(16, 10));
  CImgInf img;
  ASSERT_EQ(mng->Load(dir / "short.pal", img, false, -1), PIRC_OK);
  EXPECT_EQ(img.m_aryPal[0].m_pCol[9], (RGBA{9, 18, 246, 255}));
  EXPECT_EQ(img.m_aryPal[0].m_pCol[10], DefaultColour());
}

TEST_F(PaletteModules, RiffSavesTheShownBank) {
  const CImgInf img = testutil::PaletteImage(4, 4, 16, 3);
  const int saver = IndexOf("Microsoft PAL フォーマットローダ", kKindSave);
  ASSERT_GE(saver, 0);
  const std::string path = dir / "out.pal";
  ASSERT_EQ(mng->Save(path, img, false, saver, 0, 2), PIRC_OK);
  const auto bytes = testutil::ReadFile(path);
  ASSERT_EQ(bytes.size(), 24u + 16u * 4u);
  EXPECT_EQ(bytes[4], 16 + 64);
  EXPECT_EQ(bytes[16], 4 + 64);
  EXPECT_EQ(bytes[22], 16);
  const RGBA c = img.m_aryPal[2].m_pCol[5];
  EXPECT_EQ(bytes[24 + 5 * 4], c.r);
  EXPECT_EQ(bytes[24 + 5 * 4 + 2], c.b);
  EXPECT_EQ(bytes[24 + 5 * 4 + 3], 0);
  CImgInf back;
  ASSERT_EQ(mng->Load(path, back, false, -1), PIRC_OK);
  EXPECT_TRUE(back.m_aryPal[0].IsEqual(img.m_aryPal[2], false));
}

TEST_F(PaletteModules, ActCases) {
  struct Case {
    const char* file;
    int bytes;
    int loaded;
  } cases[] = {{"full.act", 772, 256}, {"short.ACT", 30, 10}, {"exact.act", 768, 256}};
  for (const auto& c : cases) {
    testutil::WriteFile(dir / c.file, ActBytes(c.bytes));
    CImgInf img;
    ASSERT_EQ(mng->Load(dir / c.file, img, false, -1), PIRC_OK) << c.file;
    ASSERT_EQ(img.GetColNum(0), 256);
    for (int i = 0; i < 256; ++i) {
      const RGBA expected = i < c.loaded ? RGBA{uint8_t(i * 21), uint8_t(i * 21 + 7), uint8_t(i * 21 + 14), 255}
                                         : DefaultColour();
      ASSERT_EQ(img.m_aryPal[0].m_pCol[i], expected) << c.file << " entry " << i;
    }
  }
  // A colour table named .pal is not offered to the ACT loader (nor taken by the RIFF one).
  testutil::WriteFile(dir / "table.pal", ActBytes(768));
  CImgInf img;
  EXPECT_EQ(mng->Load(dir / "table.pal", img, false, -1), PIRC_NOTHANDLED);
}

TEST_F(PaletteModules, ActSavesSixteenColoursAs768Bytes) {
  const CImgInf img = testutil::PaletteImage(4, 4, 16, 1);
  const int saver = IndexOf("ACTフォーマットセーバ", kKindSave);
  ASSERT_EQ(mng->Save(dir / "o.act", img, false, saver, 0, 0), PIRC_OK);
  const auto bytes = testutil::ReadFile(dir / "o.act");
  ASSERT_EQ(bytes.size(), 768u);
  EXPECT_EQ(bytes[15 * 3], img.m_aryPal[0].m_pCol[15].r);
  for (size_t i = 16 * 3; i < 768; ++i) ASSERT_EQ(bytes[i], 0) << i;
}

TEST_F(PaletteModules, SaveListOffersPaletteSaversForPaletteImagesAndPaletteOnly) {
  CFltrInfList list(*mng);
  const CImgInf palImage = testutil::PaletteImage(4, 4, 16);
  EXPECT_EQ(list.Build(kKindSave, &palImage, 0, 0), 2);
  const CImgInf direct = testutil::DirectImage(4, 4);
  EXPECT_EQ(list.Build(kKindSave, &direct, 0, 0), 0);
}

TEST(PaletteModuleExports, OnlyQvpFunctions) {
  for (const char* module : {"palriff.qvp", "palact.qvp"}) {
    const std::string cmd = "nm -D --defined-only '" + kPluginDir + "/" + module + "' 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::set<std::string> symbols;
    char line[512];
    while (std::fgets(line, sizeof(line), p)) {
      char type = 0;
      char name[400] = {};
      if (std::sscanf(line, "%*s %c %399s", &type, name) == 2) symbols.insert(name);
    }
    if (pclose(p) != 0 && symbols.empty()) GTEST_SKIP() << "nm not available";
    EXPECT_EQ(symbols, (std::set<std::string>{"QvpConnectPlugin", "QvpDispAbout", "QvpFileLoadChkSupport",
                                              "QvpFileLoadExec", "QvpFileSaveExec"}))
        << module;
  }
}

}  // namespace
