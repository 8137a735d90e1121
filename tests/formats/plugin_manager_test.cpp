// The plug-in manager: connecting plug-ins, the loader order, saving through a named saver,
// atomic replacement, progress and cancel, the save list and the save-loss warning.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "formats/filter_list.h"
#include "formats/host_result.h"
#include "formats/plugin_manager.h"
#include "model/img_inf.h"
#include "support/image_builders.h"
#include "support/scripted_messages.h"
#include "support/temp_dir.h"

namespace {

// A scriptable fake plug-in. Its functions are plain C functions, so their state is here.
struct FakeState {
  int checks[4] = {};
  int execs[4] = {};
  bool accept[4] = {true, true, true, true};
  int loadResult = QVP_OK;
  int saveResult = QVP_OK;
  bool writePartial = false;
  uint8_t lastHeader[QVP_HEADER_SIZE] = {};
  int progressCancelAt = -1;
  uint32_t version = QVP_VERSION;
};
FakeState g_fake;

const QvpPluginInfo* FakeInfo() {
  static QvpPluginInfo info;
  info = QvpPluginInfo{g_fake.version, "Fake", "about\nfake", {}};
  return &info;
}

QvpProcInfo g_table[4] = {
    {QVP_KIND_LOAD, 10, "FakeA loader", 0x13, {}, "Fake|A", "*.fa", {}},
    {QVP_KIND_LOAD, 11, "FakeB loader", 0x04, {}, "Fake B", "*.fb", {}},
    {QVP_KIND_SAVE, 12, "Fake saver", 0x13, {}, "Fake", "*.foo;*.bar", {}},
    {0, 0, nullptr, 0, {}, nullptr, nullptr, {}},
};

int Slot(const QvpProcess* r) { return r->id - 10; }

int FakeConnect(QvpConnect*, const QvpPluginInfo** info, const QvpProcInfo** table) {
  *info = FakeInfo();
  *table = g_table;
  return 1;
}
int FakeCheck(QvpProcess* r, const QvpFile* f) {
  ++g_fake.checks[Slot(r)];
  std::memcpy(g_fake.lastHeader, f->header, QVP_HEADER_SIZE);
  return g_fake.accept[Slot(r)];
}
int FakeLoad(QvpProcess* r, const QvpFile*) {
  ++g_fake.execs[Slot(r)];
  if (g_fake.loadResult != QVP_OK) return g_fake.loadResult;
  int rc = r->CreateImage(r, 0, QVPIMG_DIR, 4, 2, 1, 0, 0);
  if (rc) return rc;
  for (int p = 0; p <= 100; p += 50)
    if (r->Progress(r, p)) return QVP_ERR_CANCEL;
  r->image.pictures[0].data[0] = uint8_t(r->id);
  return QVP_OK;
}
int FakeSave(QvpProcess* r, const QvpFile* f) {
  ++g_fake.execs[Slot(r)];
  std::ofstream out(f->path, std::ios::binary);
  out << (g_fake.writePartial ? "partial" : "complete");
  out.close();
  if (g_fake.progressCancelAt >= 0 && r->Progress(r, g_fake.progressCancelAt)) return QVP_ERR_CANCEL;
  return g_fake.saveResult;
}

BuiltinPluginDesc FakeDesc() {
  BuiltinPluginDesc d{};
  d.functions.ConnectPlugin = FakeConnect;
  d.functions.FileLoadChkSupport = FakeCheck;
  d.functions.FileLoadExec = FakeLoad;
  d.functions.FileSaveExec = FakeSave;
  return d;
}

class PluginManager : public ::testing::Test {
 protected:
  void SetUp() override {
    g_fake = FakeState{};
    desc = FakeDesc();
  }
  BuiltinPluginDesc desc;
  ScriptedMessageBox messages;
  testutil::TempDir dir;
};

TEST_F(PluginManager, VersionLimit) {
  struct Case {
    uint32_t version;
    int plugins;
  } cases[] = {{0x00010001, 1}, {0x000100FF, 1}, {0x00010100, 0}, {0x00020000, 0}, {0x00000001, 1}};
  for (const auto& c : cases) {
    g_fake.version = c.version;
    CPluginMng mng("");
    EXPECT_EQ(mng.Scan({&desc}), c.plugins) << std::hex << c.version;
  }
}

TEST_F(PluginManager, ProcessEntriesAndPatterns) {
  CPluginMng mng("");
  ASSERT_EQ(mng.Scan({&desc}), 1);
  EXPECT_EQ(mng.CountOf(kKindLoad), 2);
  EXPECT_EQ(mng.CountOf(kKindSave), 1);
  EXPECT_EQ(mng.CountOf(kKindAny), 3);
  const auto* a = static_cast<const CPiPrcFile*>(mng.GetProcess(0).process);
  EXPECT_EQ(a->m_desc, "FakeA");
  EXPECT_EQ(a->m_defExt, "fa");
  const auto* saver = static_cast<const CPiPrcFile*>(mng.GetProcess(2).process);
  EXPECT_EQ(saver->m_patterns, "*.foo");
  EXPECT_EQ(mng.NextIndex(kKindSave, -1), 2);
  EXPECT_EQ(mng.NextIndex(kKindLoad, 1), -1);
  EXPECT_EQ(mng.FindBuiltinProcess(12), 2);
  EXPECT_EQ(mng.FindBuiltinProcess(99), -1);
  EXPECT_FALSE(mng.GetProcess(3));
  EXPECT_FALSE(mng.GetProcess(1 << 16));
}

TEST_F(PluginManager, LoaderWithoutExecIsSkippedOthersKept) {
  desc.functions.FileLoadExec = nullptr;
  CPluginMng mng("");
  ASSERT_EQ(mng.Scan({&desc}), 1);
  EXPECT_EQ(mng.CountOf(kKindLoad), 0);
  EXPECT_EQ(mng.CountOf(kKindSave), 1);
}

QvpProcInfo g_full[128];
int FullConnect(QvpConnect*, const QvpPluginInfo** info, const QvpProcInfo** table) {
  *info = FakeInfo();
  *table = g_full;
  return 1;
}

TEST_F(PluginManager, TableOf128EntriesWithoutTerminator) {
  for (auto& e : g_full) e = QvpProcInfo{QVP_KIND_LOAD, 10, "x", 1, {}, "X", "*.x", {}};
  desc.functions.ConnectPlugin = FullConnect;
  CPluginMng mng("");
  ASSERT_EQ(mng.Scan({&desc}), 1);
  EXPECT_EQ(mng.CountOf(kKindLoad), 128);  // under ASan a 129th read would be reported
}

TEST_F(PluginManager, HeaderOfShortFileAndEmptyFile) {
  CPluginMng mng("");
  mng.Scan({&desc});
  CImgInf img;
  testutil::WriteFile(dir / "empty.fa", {});
  EXPECT_EQ(mng.Load(dir / "empty.fa", img, false, -1), PIRC_FILE);
  EXPECT_EQ(g_fake.checks[0], 0);
  EXPECT_EQ(mng.Load(dir / "missing.fa", img, false, -1), PIRC_FILE);
  std::memset(g_fake.lastHeader, 0xEE, sizeof(g_fake.lastHeader));
  testutil::WriteFile(dir / "ten.fa", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  ASSERT_EQ(mng.Load(dir / "ten.fa", img, false, -1), PIRC_OK);
  EXPECT_EQ(g_fake.lastHeader[9], 10);
  for (int i = 10; i < QVP_HEADER_SIZE; ++i) ASSERT_EQ(g_fake.lastHeader[i], 0) << i;
  EXPECT_EQ(mng.m_currentIndex, 0);
  EXPECT_TRUE(img.IsValid());
}

TEST_F(PluginManager, LoaderOrderAndPreferredLoader) {
  CPluginMng mng("");
  mng.Scan({&desc});
  testutil::WriteFile(dir / "a.fa", {1});
  CImgInf img;
  // The preferred loader declines: the others are asked, the preferred one not twice.
  g_fake.accept[1] = false;
  g_fake.accept[0] = true;
  ASSERT_EQ(mng.Load(dir / "a.fa", img, false, 1), PIRC_OK);
  EXPECT_EQ(g_fake.checks[1], 1);
  EXPECT_EQ(g_fake.checks[0], 1);
  EXPECT_EQ(mng.m_currentIndex, 0);
  // The preferred loader accepts: it alone is asked.
  g_fake = FakeState{};
  ASSERT_EQ(mng.Load(dir / "a.fa", img, false, 1), PIRC_OK);
  EXPECT_EQ(g_fake.checks[0], 0);
  EXPECT_EQ(img.m_aryImg[0].m_pData[0], 11);
  // Nobody accepts.
  g_fake.accept[0] = g_fake.accept[1] = false;
  EXPECT_EQ(mng.Load(dir / "a.fa", img, false, -1), PIRC_NOTHANDLED);
  EXPECT_EQ(mng.m_currentIndex, -1);
}

TEST_F(PluginManager, FirstAcceptingLoaderDecidesAndFailureKeepsTarget) {
  CPluginMng mng("");
  mng.Scan({&desc});
  testutil::WriteFile(dir / "a.fa", {1});
  CImgInf img = testutil::DirectImage(3, 3);
  const CImgInf before = img;
  struct Case {
    int qvp, host;
  } cases[] = {{QVP_ERR_MEMORY, PIRC_MEMORY}, {QVP_ERR_FILE, PIRC_FILE}, {QVP_ERR_DATA, PIRC_BROKEN},
               {QVP_ERR_PARAM, PIRC_ERROR},  {QVP_ERR_CANCEL, PIRC_CANCEL}, {77, PIRC_ERROR}};
  for (const auto& c : cases) {
    g_fake = FakeState{};
    g_fake.loadResult = c.qvp;
    EXPECT_EQ(mng.Load(dir / "a.fa", img, false, -1), c.host);
    EXPECT_EQ(g_fake.execs[1], 0);  // no second loader after an error
    EXPECT_TRUE(testutil::SameContent(img, before));
  }
}

int CancelAtFifty(CPluginMng*, void* ctx, int percent) {
  ++*static_cast<int*>(ctx);
  return percent >= 50;
}

TEST_F(PluginManager, ProgressHookCancels) {
  CPluginMng mng("");
  mng.Scan({&desc});
  testutil::WriteFile(dir / "a.fa", {1});
  int calls = 0;
  EXPECT_EQ(mng.SetProgressHook(CancelAtFifty, &calls), nullptr);
  CImgInf img;
  EXPECT_EQ(mng.Load(dir / "a.fa", img, false, -1), PIRC_CANCEL);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(img.ImgNum(), 0);
}

TEST_F(PluginManager, SaveThroughNamedSaverMatchesExtension) {
  CPluginMng mng("");
  mng.Scan({&desc});
  const CImgInf img = testutil::DirectImage(4, 4);
  EXPECT_EQ(mng.Save(dir / "x.FOO", img, false, 2, 0, 0), PIRC_OK);
  EXPECT_EQ(testutil::ReadFile(dir / "x.FOO").size(), 8u);
  EXPECT_EQ(mng.Save(dir / "x.bar", img, false, 2, 0, 0), PIRC_NOTHANDLED);
  EXPECT_EQ(mng.Save(dir / "noext", img, false, 2, 0, 0), PIRC_NOTHANDLED);
  EXPECT_EQ(mng.Save(dir / "x.foo", img, false, 0, 0, 0), PIRC_NOTHANDLED);  // a loader
  EXPECT_EQ(mng.Save(dir / "x.foo", img, false, -1, 0, 0), PIRC_NOTHANDLED);
  EXPECT_EQ(mng.Save("", img, false, 2, 0, 0), PIRC_FILE);
  EXPECT_EQ(mng.Save(dir / "x.foo", CImgInf{}, false, 2, 0, 0), PIRC_NOTHANDLED);
  EXPECT_EQ(mng.Save(dir.path() + "/no/such/folder/x.foo", img, false, 2, 0, 0), PIRC_FILE);
}

TEST_F(PluginManager, FailedOrCancelledSaveKeepsExistingFile) {
  CPluginMng mng("");
  mng.Scan({&desc});
  const CImgInf img = testutil::DirectImage(4, 4);
  const std::string target = dir / "keep.foo";
  testutil::WriteFile(target, {'o', 'l', 'd'});
  g_fake.writePartial = true;
  g_fake.saveResult = QVP_ERR_FILE;
  EXPECT_EQ(mng.Save(target, img, false, 2, 0, 0), PIRC_FILE);
  EXPECT_EQ(testutil::ReadFile(target), (std::vector<uint8_t>{'o', 'l', 'd'}));
  g_fake.saveResult = QVP_OK;
  int calls = 0;
  mng.SetProgressHook(CancelAtFifty, &calls);
  g_fake.progressCancelAt = 60;
  EXPECT_EQ(mng.Save(target, img, false, 2, 0, 0), PIRC_CANCEL);
  EXPECT_EQ(testutil::ReadFile(target), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"keep.foo"}));  // no temporary left behind
  mng.SetProgressHook(nullptr, nullptr);
  g_fake.progressCancelAt = -1;
  g_fake.writePartial = false;
  EXPECT_EQ(mng.Save(target, img, false, 2, 0, 0), PIRC_OK);
  EXPECT_EQ(testutil::ReadFile(target).size(), 8u);
  EXPECT_EQ(dir.Entries().size(), 1u);
}

TEST_F(PluginManager, CanSaveTable) {
  struct Case {
    uint32_t saverCaps, docCaps;
    bool ok;
  } cases[] = {
      {0x13, 0x01, true},  {0x13, 0x02, true},  {0x04, 0x02, true},  {0x04, 0x01, false},
      {0x04, 0x04, true},  {0x13, 0x04, false}, {0x01, 0x02, false}, {0x02, 0x0C, false},
      {0x06, 0x0C, true},
  };
  for (const auto& c : cases) {
    CPiPrcInf p;
    p.m_caps = c.saverCaps;
    EXPECT_EQ(CPluginMng::CanSave(p, c.docCaps), c.ok) << std::hex << c.saverCaps << " " << c.docCaps;
  }
}

TEST_F(PluginManager, SaveLossText) {
  QvpProcInfo table[3] = {{QVP_KIND_SAVE, 1, "img", 0x13, {}, "I", "*.i", {}},
                          {QVP_KIND_SAVE, 2, "pal", 0x04, {}, "P", "*.p", {}},
                          {0, 0, nullptr, 0, {}, nullptr, nullptr, {}}};
  static QvpProcInfo* s_table;
  s_table = table;
  desc.functions.ConnectPlugin = [](QvpConnect*, const QvpPluginInfo** info, const QvpProcInfo** t) {
    *info = FakeInfo();
    *t = s_table;
    return 1;
  };
  CPluginMng mng("");
  ASSERT_EQ(mng.Scan({&desc}), 1);
  const CImgInf img = testutil::PaletteImage(8, 8, 4, 3, 1, true);  // caps 0x1A
  std::string text;
  ASSERT_TRUE(mng.SaveLossText(img, 0, text));
  EXPECT_EQ(text,
            "この形式では以下の情報を保存する事ができません。\n\n"
            "  ●全てのパレットバンクの情報を保存できません。\n"
            "\nこのまま続けますか？");
  ASSERT_TRUE(mng.SaveLossText(img, 1, text));
  EXPECT_EQ(text,
            "この形式では以下の情報を保存する事ができません。\n\n"
            "  ●イメージ（画像）が保存できません。\n"
            "  ●アルファチャンネルの情報を保存できません。\n"
            "  ●全てのパレットバンクの情報を保存できません。\n"
            "\nこのまま続けますか？");
  EXPECT_FALSE(mng.SaveLossText(testutil::DirectImage(4, 4), 0, text));
  EXPECT_FALSE(mng.SaveLossText(img, 5, text));
}

TEST_F(PluginManager, ShowErrorUsesPathAndMessage) {
  CPluginMng mng("", &messages);
  mng.ShowError("/x/y.bmp", PIRC_OK);
  EXPECT_TRUE(messages.shown.empty());
  mng.ShowError("/x/y.bmp", PIRC_BROKEN);
  mng.ShowError("/x/y.bmp", 42);
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_EQ(messages.shown[0].text, "/x/y.bmp\n\n画像が壊れている可能性があるため作業を中断しました");
  EXPECT_EQ(messages.shown[1].text, "/x/y.bmp\n\nエラーにより中断されました");
}

TEST_F(PluginManager, FilterList) {
  CPluginMng mng("");
  mng.Scan({&desc});
  CFltrInfList open(mng);
  ASSERT_EQ(open.Build(kKindLoad, nullptr, 0, 0), 4);
  EXPECT_EQ(open.GetItem(0)->FltrName, "対応するファイル");
  EXPECT_EQ(open.GetItem(0)->patterns, "*.fa;*.fb");
  EXPECT_EQ(open.GetItem(1)->FltrName, "FakeA (*.fa)");
  EXPECT_EQ(open.GetItem(3)->FltrName, "全てのファイル (*.*)");
  EXPECT_EQ(open.FilterString(false),
            "対応するファイル|*.fa;*.fb|FakeA (*.fa)|*.fa|Fake B (*.fb)|*.fb|全てのファイル (*.*)|*.*||");
  EXPECT_EQ(open.FilterString(true).find('|'), std::string::npos);
  EXPECT_EQ(open.FindByExt("FB", -1), 2);
  EXPECT_EQ(open.Choose("fa", 1), 2);  // the preferred process wins
  EXPECT_EQ(open.Choose("fa", -1), 1);
  ASSERT_EQ(open.Build(kKindLoad, nullptr, 0x10, 0), 3);  // loaders with alpha only
  // A stored entry whose name now belongs to another index is found by its name.
  ASSERT_EQ(open.Build(kKindLoad, nullptr, 0, 0), 4);
  EXPECT_EQ(open.FindFltrInf(99, "Fake B (*.fb)"), 2);
  EXPECT_EQ(open.FindFltrInf(1, "Fake B (*.fb)"), 2);
  EXPECT_EQ(open.FindFltrInf(1, "gone"), -1);

  CFltrInfList save(mng);
  const CImgInf palOnly = [] {
    CImgInf p;
    p.m_aryPal.push_back(testutil::Bank(4));
    return p;
  }();
  EXPECT_EQ(save.Build(kKindSave, &palOnly, 0, 0), 0);  // the saver keeps images only
  const CImgInf direct = testutil::DirectImage(2, 2);
  EXPECT_EQ(save.Build(kKindSave, &direct, 0, 0), 1);
  EXPECT_EQ(save.GetItem(0)->FltrName, "Fake (*.foo)");
}

}  // namespace
