// Snapshot makers and the model commands they make.
#include "history/snapshots.h"

#include <gtest/gtest.h>

#include "history/hist_mng.h"
#include "history/img_cmds.h"
#include "support/image_builders.h"

namespace {

using testutil::DirectImage;
using testutil::PaletteImage;
using testutil::SameContent;

void RunAll(CHistChain& chain) {
  for (auto& c : chain) c->Do();
}

TEST(Snapshots, PenStrokeOfCrossingSegmentsUndoesExactly) {
  for (bool palette : {false, true}) {
    CImgInf img = palette ? PaletteImage(16, 16, 16, 1, 2) : DirectImage(16, 16, 2, true);
    if (palette) img.m_aryImg[0].Cell(5, 5)[1] = 0x33;  // reserved byte from a file
    const CImgInf before = img;
    CHistMng h;
    h.Begin("pen");
    const CPoint pts[4] = {{0, 0}, {20, 10}, {3, 15}, {17, 1}};
    const RGBA colours[3] = {{9, 0, 0, 0}, {200, 1, 2, 3}, {4, 0, 0, 0}};
    for (int s = 0; s < 3; ++s) {
      h.AddCmd(0, MakeLineSnapshot(img, pts[s], pts[s + 1], CHMASK_ALL, IMG_ALL, true));
      ASSERT_TRUE(img.DrawLine(pts[s], pts[s + 1], colours[s], CHMASK_ALL, IMG_ALL, true));
    }
    h.End();
    const CImgInf after = img;
    ASSERT_FALSE(SameContent(after, before));
    h.Undo();
    EXPECT_TRUE(SameContent(img, before)) << palette;
  }
}

TEST(Snapshots, LineSnapshotOfAMissedLevelMakesNothing) {
  CImgInf img = DirectImage(8, 8, 2);
  // x 8..11 is level 1 only.
  EXPECT_EQ(MakeLineSnapshot(img, {9, 0}, {11, 3}, CHMASK_ALL, IMG_ALL, true).size(), 1u);
  EXPECT_EQ(MakeLineSnapshot(img, {0, 0}, {11, 3}, CHMASK_ALL, IMG_ALL, true).size(), 2u);
  EXPECT_TRUE(MakeLineSnapshot(img, {20, 0}, {30, 3}, CHMASK_ALL, IMG_ALL, true).empty());
}

TEST(Snapshots, PalColCutsAtColourCount) {
  CImgInf img = PaletteImage(2, 2, 16, 3, 1, true);
  CHistChain chain = MakePalColSnapshot(img, CHMASK_ALL, 0, 3, 0, 256);
  ASSERT_EQ(chain.size(), 3u);
  const auto* cmd = dynamic_cast<CHsCmdPalCol*>(chain[0].get());
  ASSERT_NE(cmd, nullptr);
  EXPECT_EQ(cmd->Buffer().ItemCount(), 16);
  EXPECT_EQ(cmd->Buffer().ItemSize(), 4);
  EXPECT_EQ(cmd->Buffer().ByteCount(), 64u);
  CImgInf noAlpha = PaletteImage(2, 2, 16);
  chain = MakePalColSnapshot(noAlpha, CHMASK_ALL, 0, 1, 4, 2);
  ASSERT_EQ(chain.size(), 1u);
  EXPECT_EQ(dynamic_cast<CHsCmdPalCol*>(chain[0].get())->Buffer().ItemSize(), 3);  // alpha dropped
}

TEST(Snapshots, AlphaOnlyMaskWithoutAlphaMakesNothing) {
  CImgInf img = DirectImage(4, 4);
  EXPECT_TRUE(MakeBoxSnapshot(img, CRect{0, 0, 4, 4}, CHMASK_ALPHA, 0, false).empty());
  EXPECT_TRUE(MakeLevelSnapshot(img, CHMASK_ALPHA, 0, 1).empty());
  img.SetAlphaFlag(true);
  EXPECT_EQ(MakeBoxSnapshot(img, CRect{0, 0, 4, 4}, CHMASK_ALPHA, 0, false).size(), 1u);
}

TEST(Snapshots, BankSnapshotGrowsTheBankList) {
  CImgInf img = PaletteImage(2, 2, 8, 6);
  CHistChain chain = MakeBankSnapshot(img, 5, 1);
  const CPalDatIf saved = img.m_aryPal[5];
  img.SetPalNum(3);
  RunAll(chain);
  ASSERT_EQ(img.PalNum(), 6);
  EXPECT_TRUE(img.m_aryPal[5].IsEqual(saved, true));
  EXPECT_EQ(img.m_aryPal[5].m_nIndex, 5);
}

TEST(Snapshots, PlaneSnapshotGrowsTheLevelList) {
  CImgInf img = DirectImage(8, 8, 3);
  CHistChain chain = MakePlaneSnapshot(img, 1, 5);  // cut at the levels that exist
  ASSERT_EQ(chain.size(), 2u);
  const CImgInf before = img;
  img.SetImgNum(1);
  RunAll(chain);
  EXPECT_TRUE(SameContent(img, before));
}

TEST(Snapshots, BoxSnapshotOfAChangedLevelDoesNothing) {
  CImgInf square = DirectImage(4, 2);
  CHistChain other = MakeLevelSnapshot(square, CHMASK_ALL, 0, 1);
  square.Rot90R();  // now 2 x 4: the snapshot no longer fits
  const CImgInf turned = square;
  RunAll(other);
  EXPECT_TRUE(SameContent(square, turned));
  square.SetImgNum(0);
  RunAll(other);  // level gone
  EXPECT_EQ(square.ImgNum(), 0);
}

TEST(Snapshots, ContentSnapshotRestoresEverything) {
  CImgInf img = PaletteImage(4, 4, 4, 2, 2, true);
  img.m_impRct.Add();
  const CImgInf before = img;
  CHistChain chain = MakeContentSnapshot(img);
  std::string msg;
  CImgInf other = PaletteImage(4, 4, 4);
  ASSERT_TRUE(img.ComposeBanks(other, msg, false));
  img.m_impRct.RemoveAll();
  RunAll(chain);
  EXPECT_TRUE(SameContent(img, before));
}

}  // namespace
