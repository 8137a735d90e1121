// Documents: new images, opening and saving through the plug-ins with the save warning, the
// modified flag across undo, redo and saves, titles and numbering.
#include <gtest/gtest.h>

#include "formats/builtin_table.h"
#include "formats/filter_list.h"
#include "formats/host_result.h"
#include "formats/plugin_manager.h"
#include "history/snapshots.h"
#include "model/document/quovo_doc_mng.h"
#include "support/image_builders.h"
#include "support/scripted_messages.h"
#include "support/temp_dir.h"

namespace {

class ScriptedDialogs : public IDocDialogs {
 public:
  std::string savePath;  // empty: cancel
  int saveCalls = 0;
  bool AskNewImage(NewImageParams&) override { return true; }
  bool AskSavePath(const CFltrInfList& list, std::string& path, int& filter) override {
    ++saveCalls;
    if (savePath.empty()) return false;
    path = savePath;
    const size_t dot = path.find_last_of('.');
    filter = list.FindByExt(path.substr(dot + 1), -1);
    return filter >= 0;
  }
};

class Documents : public ::testing::Test {
 protected:
  Documents() : plugins("", &messages), docs(plugins, messages, &dialogs) { plugins.Scan(BuiltinPlugins()); }

  int SaverFor(const std::string& ext, const CImgInf& img) {
    CFltrInfList list(plugins);
    list.Build(kKindSave, &img, 0, 0);
    return list.IndexOfItem(list.FindByExt(ext, -1));
  }
  // An undoable edit: flip the content horizontally.
  static void EditFlip(CQuovoDoc& doc) {
    CHistScope record(doc.m_histMng, "左右反転");
    doc.m_histMng.AddCmd(0, MakeContentSnapshot(doc.m_imgInf));
    ASSERT_TRUE(doc.m_imgInf.FlipH());
    doc.SetModifiedHist(true);
    doc.m_histMng.AddCmd(1, MakeContentSnapshot(doc.m_imgInf));
    record.Commit();
  }

  ScriptedMessageBox messages;
  ScriptedDialogs dialogs;
  CPluginMng plugins;
  CQuovoDocMng docs;
  testutil::TempDir dir;
};

TEST_F(Documents, OpenFromBmpEditSaveQvfReopenIdentical) {
  const CImgInf source = testutil::PaletteImage(24, 16, 16);
  const std::string bmp = dir / "in.bmp";
  ASSERT_EQ(plugins.Save(bmp, source, false, SaverFor("bmp", source), 0, 0), PIRC_OK);
  CQuovoDoc* doc = docs.OpenDocumentFile(bmp);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->Title(), "in.bmp");
  EXPECT_FALSE(doc->IsModified());
  EditFlip(*doc);
  EXPECT_TRUE(doc->IsModified());
  dialogs.savePath = dir / "out.qvf";
  ASSERT_TRUE(doc->SaveAs());
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(doc->PathName(), dir / "out.qvf");
  CQuovoDoc* again = docs.OpenDocumentFile(dir / "out.qvf");
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(testutil::SameContent(again->m_imgInf, doc->m_imgInf));
  // The save command now writes the same file through the same saver without asking.
  EditFlip(*doc);
  ASSERT_TRUE(doc->Save());
  EXPECT_EQ(dialogs.saveCalls, 1);
}

TEST_F(Documents, SaveWarningListsWhatTheSaverLoses) {
  CQuovoDoc* doc = docs.AddDocument();
  doc->m_imgInf = testutil::PaletteImage(32, 32, 16, 3, 2, true);
  doc->SetModifiedFlag(true);
  docs.m_nForcedPlugin = SaverFor("bmp", doc->m_imgInf);
  ASSERT_GE(docs.m_nForcedPlugin, 0);
  messages.answers = {MSG_ID_NO};
  EXPECT_FALSE(doc->DoSave(dir / "x.bmp"));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text,
            "この形式では以下の情報を保存する事ができません。\n\n"
            "  ●全てのパレットバンクの情報を保存できません。\n"
            "  ●全てのミップマップ画像を保存できません。\n"
            "\nこのまま続けますか？");
  EXPECT_TRUE(doc->IsModified());
  EXPECT_TRUE(dir.Entries().empty());
  EXPECT_EQ(docs.m_nForcedPlugin, -1);
  // Yes saves the level and bank shown.
  docs.m_nForcedPlugin = SaverFor("bmp", doc->m_imgInf);
  messages.answers = {MSG_ID_YES};
  EXPECT_TRUE(doc->DoSave(dir / "x.bmp"));
  EXPECT_FALSE(doc->IsModified());
}

TEST_F(Documents, ModifiedFlagFollowsUndoRedoAndSaves) {
  const CImgInf source = testutil::DirectImage(8, 8);
  const std::string qvf = dir / "a.qvf";
  ASSERT_EQ(plugins.Save(qvf, source, false, SaverFor("qvf", source), 0, 0), PIRC_OK);
  CQuovoDoc* doc = docs.OpenDocumentFile(qvf);
  ASSERT_NE(doc, nullptr);
  EditFlip(*doc);
  ASSERT_TRUE(doc->Save());
  EXPECT_FALSE(doc->IsModified());
  doc->Undo();  // the content now differs from the file
  EXPECT_TRUE(doc->IsModified());
  EXPECT_TRUE(testutil::SameContent(doc->m_imgInf, source));
  doc->Redo();  // back at the saved state
  EXPECT_FALSE(doc->IsModified());
  doc->Undo();
  EditFlip(*doc);  // a new branch: the saved state can no longer be reached
  EXPECT_TRUE(doc->IsModified());
}

TEST_F(Documents, NewImageSizesAndContent) {
  struct Case {
    int w, h, mode;
    bool asks;
  } cases[] = {{4096, 4096, 0, true}, {3620, 3620, 0, false}, {5120, 5120, 1, false}, {5121, 5120, 1, true}};
  for (const auto& c : cases) {
    messages.shown.clear();
    messages.answers = {MSG_ID_NO};
    NewImageParams p;
    p.width = c.w;
    p.height = c.h;
    p.mode = c.mode;
    CQuovoDoc* doc = docs.NewImage(p);
    EXPECT_EQ(messages.shown.size(), c.asks ? 1u : 0u) << c.w << "x" << c.h;
    EXPECT_EQ(doc == nullptr, c.asks);
    if (doc) docs.Close(doc);
  }
  NewImageParams p;
  p.width = 3;
  p.height = 2;
  p.mode = 1;
  p.colour = RGBA{10, 20, 30, 255};
  CQuovoDoc* pal = docs.NewImage(p);
  ASSERT_NE(pal, nullptr);
  EXPECT_EQ(pal->m_imgInf.GetColNum(0), 256);
  EXPECT_EQ(pal->m_imgInf.m_aryPal[0].m_pCol[0], (RGBA{10, 20, 30, 0}));
  EXPECT_FALSE(pal->m_imgInf.HasAlpha());
  p.mode = 0;
  CQuovoDoc* direct = docs.NewImage(p);
  RGBA c;
  direct->m_imgInf.GetPixel(0, 2, 1, 0, c);
  EXPECT_EQ(c, (RGBA{10, 20, 30, 0}));
  EXPECT_NE(pal->Title(), direct->Title());
  NewImageParams bad;
  bad.width = 10000;
  EXPECT_EQ(docs.NewImage(bad), nullptr);
}

TEST_F(Documents, SiblingsAndPastedDocumentsAreNumbered) {
  CQuovoDoc* doc = docs.AddDocument();
  doc->m_imgInf = testutil::DirectImage(4, 4);
  doc->SetPathName("/x/photo.png");
  CQuovoDoc* s1 = doc->CreateSibling();
  CQuovoDoc* s2 = doc->CreateSibling();
  EXPECT_EQ(s1->m_strDispTitle, "photo.png (№2)");
  EXPECT_EQ(s2->m_strDispTitle, "photo.png (№3)");
  EXPECT_TRUE(s1->IsModified());
  EXPECT_EQ(s2->PathName(), "/x/photo.png");
  CQuovoDoc* p1 = docs.PasteAsNew(testutil::DirectImage(2, 2));
  ASSERT_NE(p1, nullptr);
  EXPECT_EQ(p1->m_strDispTitle, "貼り付け1");
  EXPECT_TRUE(p1->IsModified());
  EXPECT_EQ(docs.PasteAsNew(CImgInf{}), nullptr);
  EXPECT_EQ(docs.PasteAsNew(testutil::DirectImage(2, 2))->m_strDispTitle, "貼り付け2");
}

TEST_F(Documents, CloseAllWithoutSavingNeedsTwoConfirmations) {
  docs.NewImage(NewImageParams{})->SetModifiedFlag(true);
  messages.answers = {MSG_ID_OK, MSG_ID_CANCEL};
  EXPECT_FALSE(docs.CloseAllWithoutSaving());
  EXPECT_EQ(docs.Documents().size(), 1u);
  messages.answers = {MSG_ID_OK, MSG_ID_OK};
  EXPECT_TRUE(docs.CloseAllWithoutSaving());
  EXPECT_TRUE(docs.Documents().empty());
  EXPECT_EQ(messages.shown[1].text, "本当に続行しますか？");
}

TEST_F(Documents, OpenFailureShowsTheErrorAndMakesNoDocument) {
  EXPECT_EQ(docs.OpenDocumentFile("\"" + (dir / "missing.bmp") + "\""), nullptr);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, dir / "missing.bmp" + "\n\nファイルが扱えないか内容が壊れています");
  EXPECT_TRUE(docs.Documents().empty());
}

}  // namespace
