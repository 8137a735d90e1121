// Document, panel and view commands; the modified flag across undo, redo and saves.
#include "history/doc_cmds.h"

#include <gtest/gtest.h>

#include "fake_doc.h"
#include "history/img_cmds.h"
#include "support/image_builders.h"

namespace {

using testutil::FakeDoc;
using testutil::FakePanel;
using testutil::FakeView;

TEST(ViewCommands, ClosedViewIsSkipped) {
  FakeDoc doc;
  doc.views[7] = std::make_unique<FakeView>();
  CHsCmdVwChgDispMM show(&doc, 7, 2, true);
  CHsCmdVwFrameFitViewSize fit(&doc, 7, true);
  CHsCmdVwUpdateAllViews upd(&doc, 7, 1, 2, 3);
  EXPECT_EQ(show.Do(), 1);
  EXPECT_EQ(fit.Do(), 1);
  EXPECT_EQ(upd.Do(), 1);
  EXPECT_EQ(doc.views[7]->shown, std::vector<int>{2});
  doc.views.erase(7);  // the view closes while the history lives
  EXPECT_EQ(show.Do(), 0);
  EXPECT_EQ(fit.Do(), 0);
  EXPECT_EQ(upd.Do(), 0);
}

TEST(PanelCommands, ModelChangesWithOrWithoutPanel) {
  FakeDoc doc;
  doc.img = testutil::PaletteImage(2, 2, 4, 2);
  CHsCmdPdInsertNewPalBnk insert(&doc, 100, 2);
  insert.Do();
  EXPECT_EQ(doc.img.PalNum(), 4);
  doc.panel = std::make_unique<FakePanel>();
  CHsCmdPdRemovePalBnk remove(&doc, 3);
  remove.Do();
  EXPECT_EQ(doc.img.PalNum(), 3);
  EXPECT_EQ(doc.panel->bank, 3);
  CPalRemap remap;
  remap.m_table[0] = 1, remap.m_table[1] = 0;      // new-to-old
  remap.m_table[256] = 1, remap.m_table[257] = 0;  // old-to-new
  const CImgInf before = doc.img;
  CHsCmdPdDoMovePalCol move(&doc, remap, -1);
  CHsCmdPdDoMovePalColForImg moveImg(&doc, remap, IMG_ALL);
  move.Do();
  moveImg.Do();
  EXPECT_EQ(doc.img.m_aryPal[2].m_pCol[0], before.m_aryPal[2].m_pCol[1]);
  // The picture looks the same through the permuted palette.
  RGBA a, b;
  doc.img.GetPixel(0, 1, 1, 1, a);
  before.GetPixel(0, 1, 1, 1, b);
  EXPECT_EQ(a, b);
  remap.Invert();
  CHsCmdPdDoMovePalCol back(&doc, remap, -1);
  CHsCmdPdDoMovePalColForImg backImg(&doc, remap, IMG_ALL);
  back.Do();
  backImg.Do();
  EXPECT_TRUE(testutil::SameContent(doc.img, before));
  doc.panel.reset();
  CHsCmdPdChgPalBnk chg(&doc, 1);
  EXPECT_EQ(chg.Do(), 1);  // nothing to do without a panel
}

// One recorded edit: a snapshot, the change and the modified flag.
void Edit(FakeDoc& doc, uint8_t value) {
  CHistScope scope(doc.hist, "edit");
  doc.hist.AddCmd(0, std::make_unique<CHsCmdImgInfAll>(&doc.img, doc.img));
  doc.img.m_aryPal[0].m_pCol[0].r = value;
  SetModifiedHist(doc, doc.hist, true);
  doc.hist.AddCmd(1, std::make_unique<CHsCmdImgInfAll>(&doc.img, doc.img));
  scope.Commit();
}

TEST(ModifiedFlag, UndoAfterSaveShowsTheDocumentModified) {
  FakeDoc doc;
  doc.img = testutil::PaletteImage(2, 2, 4);
  Edit(doc, 1);
  EXPECT_TRUE(doc.modified);
  MarkDocumentSaved(doc, doc.hist);
  EXPECT_FALSE(doc.modified);
  UndoDocument(doc, doc.hist);
  EXPECT_TRUE(doc.modified);  // differs from the file
  RedoDocument(doc, doc.hist);
  EXPECT_FALSE(doc.modified);  // the saved state again
  Edit(doc, 2);
  EXPECT_TRUE(doc.modified);
  UndoDocument(doc, doc.hist);
  EXPECT_FALSE(doc.modified);
}

TEST(ModifiedFlag, SetModifiedHistOutsideARecordAddsNothing) {
  FakeDoc doc;
  SetModifiedHist(doc, doc.hist, true);
  EXPECT_TRUE(doc.modified);
  EXPECT_FALSE(doc.hist.CanUndo());
}

}  // namespace
