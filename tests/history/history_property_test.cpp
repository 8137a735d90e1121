// Property test of the history over the pixel operations: seeded random sequences of recorded
// actions, undos, redos, cancelled actions and saves over palette and direct images with
// several levels, banks and alpha. After every step the content must equal, byte for byte,
// the state the history position stands for, and the modified flag must tell whether that
// position is the one last saved.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "fake_doc.h"
#include "history/doc_cmds.h"
#include "history/img_cmds.h"
#include "history/snapshots.h"
#include "model/default_colour.h"
#include "model/line_walk.h"
#include "support/image_builders.h"

namespace {

using testutil::FakeDoc;
using testutil::SameContent;

class Runner {
 public:
  Runner(uint32_t seed, bool palette, bool alpha) : m_rng(seed) {
    m_doc.img =
        palette ? testutil::PaletteImage(12, 10, 16, 3, 3, alpha) : testutil::DirectImage(12, 10, 3, alpha);
    if (palette) m_doc.img.m_aryImg[1].Cell(2, 2)[1] = 0x44;  // a reserved byte from a file
    for (int i = 0; i < 3; ++i) {
      const int r = m_doc.img.m_impRct.Add();
      m_doc.img.m_impRct[r].level = int16_t(i);
      m_doc.img.m_impRct[r].x = i + 1;
      m_doc.img.m_impRct[r].y = 2 * i;
    }
    m_states.push_back(m_doc.img);
    m_start = m_doc.img;
  }

  int Rand(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }

  // Runs one random step and checks the invariants.
  void Step() {
    const int kind = Rand(0, 99);
    if (kind < 15) {
      m_last = "undo of " + m_doc.hist.GetUndoName();
      UndoDocument(m_doc, m_doc.hist);
      if (m_cur > 0) --m_cur;
    } else if (kind < 25) {
      m_last = "redo of " + m_doc.hist.GetRedoName();
      RedoDocument(m_doc, m_doc.hist);
      if (m_cur + 1 < int(m_states.size())) ++m_cur;
    } else if (kind < 30) {
      m_last = "save";
      MarkDocumentSaved(m_doc, m_doc.hist);
      m_saved = m_cur;
    } else if (kind < 35) {
      CancelledAction();
    } else {
      Action();
    }
    Check();
  }

  void Check() {
    ASSERT_EQ(m_doc.hist.UndoSteps(), m_cur);
    ASSERT_EQ(m_doc.hist.RedoSteps(), int(m_states.size()) - 1 - m_cur);
    ASSERT_TRUE(SameContent(m_doc.img, m_states[size_t(m_cur)]))
        << "at step " << m_cur << " after " << m_last;
    ASSERT_EQ(m_doc.modified, m_saved != m_cur) << m_last;
    ASSERT_EQ(m_doc.hist.IsAtSaved(), m_saved == m_cur);
  }

  void UndoAllRedoAll() {
    while (m_doc.hist.CanUndo()) {
      m_last = "undo all: " + m_doc.hist.GetUndoName();
      UndoDocument(m_doc, m_doc.hist);
      --m_cur;
      Check();
    }
    if (!m_trimmed) {
      ASSERT_TRUE(SameContent(m_doc.img, m_start));
    }
    while (m_doc.hist.CanRedo()) {
      m_last = "redo all: " + m_doc.hist.GetRedoName();
      RedoDocument(m_doc, m_doc.hist);
      ++m_cur;
      Check();
    }
  }

  bool Trimmed() const { return m_trimmed; }

 private:
  CImgInf& Img() { return m_doc.img; }
  bool Palette() { return Img().GetImgType(0) == IMGTYPE_IDX; }

  void Committed(bool changed) {
    if (!changed) return;  // the record held nothing or was cancelled
    m_states.resize(size_t(m_cur) + 1);
    if (m_saved > m_cur) m_saved = -1;
    m_states.push_back(m_doc.img);
    if (m_states.size() > size_t(CHistMng::kMaxSteps) + 1) {
      m_states.erase(m_states.begin());
      m_saved = m_saved == 0 ? -1 : (m_saved > 0 ? m_saved - 1 : -1);
      m_trimmed = true;
    }
    m_cur = int(m_states.size()) - 1;
  }

  DrawArgs RandomDraw() {
    CRect all;
    Img().GetLevelRect(IMG_ALL, 100, true, all);
    DrawArgs a;
    a.p0 = {Rand(-5, all.right + 5), Rand(-5, all.bottom + 5)};
    a.p1 = {Rand(-5, all.right + 5), Rand(-5, all.bottom + 5)};
    a.colour = Palette() ? RGBA{uint8_t(Rand(0, 15)), 0, 0, 0}
                         : RGBA{uint8_t(Rand(0, 255)), uint8_t(Rand(0, 255)), uint8_t(Rand(0, 255)),
                                uint8_t(Rand(0, 255))};
    a.mask = uint32_t(Rand(1, 15));
    if (Rand(0, 2) == 0) {
      a.level = IMG_ALL;
      a.allLevels = true;
    } else {
      a.level = Rand(0, Img().ImgNum() - 1);
      a.allLevels = Rand(0, 1) == 1;
    }
    return a;
  }

  // Opens a record, lets `body` record and change, and commits; tracks whether the content
  // changed so that the expected states follow.
  template <class F>
  void Record(const char* name, F&& body) {
    m_last = name;
    CHistScope scope(m_doc.hist, name);
    if (!body()) return;  // cancelled by the scope
    SetModifiedHist(m_doc, m_doc.hist, true);
    scope.Commit();
    Committed(true);
  }

  void Action() {
    CImgInf& img = Img();
    CHistMng& h = m_doc.hist;
    const bool palette = Palette();
    switch (Rand(0, 10)) {
      case 0:
        Record("line", [&] {
          const DrawArgs a = RandomDraw();
          h.AddCmd(0, MakeLineSnapshot(img, a.p0, a.p1, a.mask, a.level, a.allLevels));
          if (!img.DrawLine(a.p0, a.p1, a.colour, a.mask, a.level, a.allLevels)) return false;
          h.AddCmd(1, std::make_unique<CHsCmdDrawLine>(&img, a));
          return true;
        });
        break;
      case 1:
        Record("fill", [&] {
          const DrawArgs a = RandomDraw();
          h.AddCmd(0, MakeBoxSnapshot(img, RectFromCorners(a.p0, a.p1), a.mask, a.level, a.allLevels));
          if (!img.FillBoxPts(a.p0, a.p1, a.colour, a.mask, a.level, a.allLevels)) return false;
          h.AddCmd(1, std::make_unique<CHsCmdDrawBoxFill>(&img, a));
          return true;
        });
        break;
      case 2:
        Record("wire", [&] {
          const DrawArgs a = RandomDraw();
          h.AddCmd(0, MakeWireSnapshot(img, RectFromCorners(a.p0, a.p1), a.mask, a.level, a.allLevels));
          if (!img.DrawBoxPts(a.p0, a.p1, a.colour, a.mask, a.level, a.allLevels)) return false;
          h.AddCmd(1, std::make_unique<CHsCmdDrawBoxWire>(&img, a));
          return true;
        });
        break;
      case 3:
        Record("turn", [&] {
          switch (Rand(0, 3)) {
            case 0:
              h.AddCmd(0, std::make_unique<CHsCmdRot90Left>(&img));
              h.AddCmd(1, std::make_unique<CHsCmdRot90Right>(&img));
              return img.Rot90R();
            case 1:
              h.AddCmd(0, std::make_unique<CHsCmdRot90Right>(&img));
              h.AddCmd(1, std::make_unique<CHsCmdRot90Left>(&img));
              return img.Rot90L();
            case 2:
              h.AddCmd(0, std::make_unique<CHsCmdFlipH>(&img));
              h.AddCmd(1, std::make_unique<CHsCmdFlipH>(&img));
              return img.FlipH();
            default:
              h.AddCmd(0, std::make_unique<CHsCmdFlipV>(&img));
              h.AddCmd(1, std::make_unique<CHsCmdFlipV>(&img));
              return img.FlipV();
          }
        });
        break;
      case 4:
        Record("swizzle", [&] {
          const int src[4] = {Rand(0, 4), Rand(0, 4), Rand(0, 4), Rand(0, 4)};
          h.AddCmd(0, palette ? MakePalColSnapshot(img, CHMASK_ALL, 0, img.PalNum(), 0, 256)
                              : MakeLevelSnapshot(img, CHMASK_ALL, 0, img.ImgNum()));
          if (!img.Swizzle(src)) return false;
          h.AddCmd(1, std::make_unique<CHsCmdSwizzle>(&img, src));
          return true;
        });
        break;
      case 5:
        Record("alpha adjust", [&] {
          h.AddCmd(0, palette ? MakePalColSnapshot(img, CHMASK_ALPHA, 0, img.PalNum(), 0, 256)
                              : MakeLevelSnapshot(img, CHMASK_ALPHA, 0, img.ImgNum()));
          const int mn = Rand(0, 100);
          if (!img.AdjustAlpha(Rand(-50, 200), Rand(-20, 20), mn, Rand(mn, 255))) return false;
          h.AddCmd(1, palette ? MakePalColSnapshot(img, CHMASK_ALPHA, 0, img.PalNum(), 0, 256)
                              : MakeLevelSnapshot(img, CHMASK_ALPHA, 0, img.ImgNum()));
          return true;
        });
        break;
      case 6:
        Record("tone", [&] {
          const int bank = palette ? Rand(0, img.PalNum() - 1) : PAL_ALL;
          h.AddCmd(0, palette ? MakePalColSnapshot(img, CHMASK_ALL, bank, 1, 0, 256)
                              : MakeLevelSnapshot(img, CHMASK_ALL, 0, img.ImgNum()));
          CColSel sel;
          for (int i = 0; i < 8; ++i) sel.Set(Rand(0, 20));
          const bool useSel = Rand(0, 1) == 1;
          const int hue = Rand(-180, 180), sat = Rand(-100, 100), bri = Rand(-100, 100);
          if (!img.ToneAdjust(img, hue, sat, bri, IMG_ALL, bank, useSel ? &sel : nullptr)) return false;
          h.AddCmd(1, std::make_unique<CHsCmdToneAdjust>(&img, hue, sat, bri, IMG_ALL, bank,
                                                         useSel ? &sel : nullptr));
          return true;
        });
        break;
      case 7:
        Record("alpha on/off", [&] {
          h.AddCmd(0, MakeContentSnapshot(img));
          if (img.HasAlpha()) {
            h.AddCmd(1, std::make_unique<CHsCmdAlphaDel>(&img));
            return img.AlphaOff(true);
          }
          h.AddCmd(1, std::make_unique<CHsCmdAlphaCreate>(&img));
          return img.AlphaOn(true);
        });
        break;
      case 8:
        if (!palette) break;
        Record("insert bank", [&] {
          const int old = img.PalNum();
          const int pos = Rand(0, old);
          h.AddCmd(0, std::make_unique<CHsCmdSetPalBnkNum>(&img, old));
          h.AddCmd(0, MakeBankSnapshot(img, pos, old - pos));
          if (!img.InsertPal(pos, 1)) return false;
          h.AddCmd(1, std::make_unique<CHsCmdPdInsertNewPalBnk>(&m_doc, pos, 1));
          return true;
        });
        break;
      case 9:
        if (!palette) break;
        Record("entries", [&] {
          const int bank = Rand(0, img.PalNum() - 1);
          const int first = Rand(0, 15), count = Rand(1, 300);
          h.AddCmd(0, MakePalColSnapshot(img, CHMASK_ALL, bank, 1, first, count));
          // A colour edit changes alpha only while the channel is in use.
          CPalDatIf& b = img.m_aryPal[size_t(bank)];
          const int end = std::min(first + count, b.m_nColNum);
          if (end <= first) return false;
          for (int i = first; i < end; ++i) {
            b.m_pCol[i].r = uint8_t(Rand(0, 255));
            b.m_pCol[i].g = uint8_t(Rand(0, 255));
            b.m_pCol[i].b = uint8_t(Rand(0, 255));
            if (img.HasAlpha()) b.m_pCol[i].a = uint8_t(Rand(0, 255));
          }
          h.AddCmd(1, MakePalColSnapshot(img, CHMASK_ALL, bank, 1, first, count));
          return true;
        });
        break;
      default:
        if (!palette) break;
        Record("compose", [&] {
          CImgInf other = testutil::PaletteImage(12, 10, Rand(1, 20), Rand(1, 3), Rand(1, 3));
          std::string msg;
          h.AddCmd(0, MakeContentSnapshot(img));
          if (!img.ComposeBanks(other, msg, Rand(0, 1) == 1)) return false;
          h.AddCmd(1, MakeContentSnapshot(img));
          return true;
        });
        break;
    }
  }

  // Actions that fail or record nothing leave the content and the history as they were.
  void CancelledAction() {
    CImgInf& img = Img();
    CHistMng& h = m_doc.hist;
    const int undo = h.UndoSteps(), redo = h.RedoSteps();
    if (Rand(0, 1) == 0) {
      m_last = "empty";
      h.Begin("empty");
      h.End();
    } else {
      Record("failed", [&] {
        h.AddCmd(0, MakeContentSnapshot(img));
        return img.DrawLine({0, 0}, {3, 3}, RGBA{}, CHMASK_ALL, 9, false);  // no level 9
      });
    }
    EXPECT_EQ(h.UndoSteps(), undo);
    EXPECT_EQ(h.RedoSteps(), redo);
  }

  std::mt19937 m_rng;
  FakeDoc m_doc;
  std::vector<CImgInf> m_states;
  CImgInf m_start;
  int m_cur = 0;
  int m_saved = 0;
  bool m_trimmed = false;
  std::string m_last = "start";
};

TEST(HistoryProperty, RandomSequencesUndoAndRedoExactly) {
  ScopedOpaqueAlpha opaque(255);
  for (uint32_t seed = 1; seed <= 48; ++seed) {
    const bool palette = seed % 2 == 0;
    const bool alpha = seed % 3 != 0;
    Runner r(seed, palette, alpha);
    const int steps = seed % 4 == 0 ? 60 : 14;
    for (int i = 0; i < steps; ++i) {
      r.Step();
      if (HasFatalFailure()) {
        ADD_FAILURE() << "seed " << seed << " step " << i;
        return;
      }
    }
    r.UndoAllRedoAll();
    if (HasFatalFailure()) {
      ADD_FAILURE() << "seed " << seed;
      return;
    }
  }
}

}  // namespace
