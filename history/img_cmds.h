// The model commands of the history: snapshots that write saved pixels, entries, planes,
// banks or the whole content back, and re-performers that run a model operation again. Each
// names its target content and the levels and banks by number; none owns its target.
#pragma once

#include <cstdint>

#include "history/ch_buf.h"
#include "history/hist_cmd.h"
#include "model/col_sel.h"
#include "model/img_inf.h"
#include "model/line_walk.h"

class CHsCmdImgInfBase : public CHistCmd {
 public:
  explicit CHsCmdImgInfBase(CImgInf* img) : m_pImg(img) {}

 protected:
  CImgInf* m_pImg;  // not owned
};

// The cells of one level along a line walk.
class CHsCmdImgLine : public CHsCmdImgInfBase {
 public:
  CHsCmdImgLine(CImgInf* img, int level, const CImgDatIf& plane, const CLineWalk& walk, CHsChBuf buf);
  int Do() override;
  const CHsChBuf& Buffer() const { return m_buf; }

 private:
  int m_nLevel, m_nType, m_nWidth, m_nHeight;
  CLineWalk m_walk;
  CHsChBuf m_buf;
};

// The cells of a rectangle of one level, rows top to bottom.
class CHsCmdImgBox : public CHsCmdImgInfBase {
 public:
  CHsCmdImgBox(CImgInf* img, int level, const CImgDatIf& plane, const CRect& rect, CHsChBuf buf);
  int Do() override;
  const CHsChBuf& Buffer() const { return m_buf; }
  const CRect& Rect() const { return m_rect; }

 private:
  int m_nLevel, m_nType, m_nWidth, m_nHeight;
  CRect m_rect;
  CHsChBuf m_buf;
};

// Channels of the entries first.. of one bank.
class CHsCmdPalCol : public CHsCmdImgInfBase {
 public:
  CHsCmdPalCol(CImgInf* img, int bank, int first, CHsChBuf buf)
      : CHsCmdImgInfBase(img), m_nBank(bank), m_nFirst(first), m_buf(std::move(buf)) {}
  int Do() override;
  const CHsChBuf& Buffer() const { return m_buf; }

 private:
  int m_nBank, m_nFirst;
  CHsChBuf m_buf;
};

class CHsCmdImgInfAll : public CHsCmdImgInfBase {
 public:
  CHsCmdImgInfAll(CImgInf* img, CImgInf saved) : CHsCmdImgInfBase(img), m_saved(std::move(saved)) {}
  int Do() override;

 private:
  CImgInf m_saved;
};

class CHsCmdImgDatIf : public CHsCmdImgInfBase {
 public:
  CHsCmdImgDatIf(CImgInf* img, CImgDatIf plane) : CHsCmdImgInfBase(img), m_plane(std::move(plane)) {}
  int Do() override;

 private:
  CImgDatIf m_plane;  // keeps its level number
};

class CHsCmdPalDatIf : public CHsCmdImgInfBase {
 public:
  CHsCmdPalDatIf(CImgInf* img, CPalDatIf bank) : CHsCmdImgInfBase(img), m_bank(std::move(bank)) {}
  int Do() override;

 private:
  CPalDatIf m_bank;  // keeps its bank number
};

// Drawing again (redo side of the drawing tools). Boxes take two inclusive corners.
struct DrawArgs {
  CPoint p0, p1;
  RGBA colour;
  uint32_t mask = CHMASK_ALL;
  int level = 0;
  bool allLevels = false;
};

class CHsCmdDrawLine : public CHsCmdImgInfBase {
 public:
  CHsCmdDrawLine(CImgInf* img, const DrawArgs& a) : CHsCmdImgInfBase(img), m_args(a) {}
  int Do() override;

 private:
  DrawArgs m_args;
};

class CHsCmdDrawBoxFill : public CHsCmdImgInfBase {
 public:
  CHsCmdDrawBoxFill(CImgInf* img, const DrawArgs& a) : CHsCmdImgInfBase(img), m_args(a) {}
  int Do() override;

 private:
  DrawArgs m_args;
};

class CHsCmdDrawBoxWire : public CHsCmdImgInfBase {
 public:
  CHsCmdDrawBoxWire(CImgInf* img, const DrawArgs& a) : CHsCmdImgInfBase(img), m_args(a) {}
  int Do() override;

 private:
  DrawArgs m_args;
};

class CHsCmdImpRct : public CHsCmdImgInfBase {
 public:
  CHsCmdImpRct(CImgInf* img, const CImpRctAry& table) : CHsCmdImgInfBase(img), m_table(table) {}
  int Do() override;

 private:
  CImpRctAry m_table;
};

class CHsCmdSetImgNum : public CHsCmdImgInfBase {
 public:
  CHsCmdSetImgNum(CImgInf* img, int count) : CHsCmdImgInfBase(img), m_nCount(count) {}
  int Do() override;

 private:
  int m_nCount;
};

class CHsCmdAlphaCreate : public CHsCmdImgInfBase {
 public:
  using CHsCmdImgInfBase::CHsCmdImgInfBase;
  int Do() override;
};

class CHsCmdAlphaDel : public CHsCmdImgInfBase {
 public:
  using CHsCmdImgInfBase::CHsCmdImgInfBase;
  int Do() override;
};

class CHsCmdConvTypeIdx2Dir : public CHsCmdImgInfBase {
 public:
  CHsCmdConvTypeIdx2Dir(CImgInf* img, int bank) : CHsCmdImgInfBase(img), m_nBank(bank) {}
  int Do() override;

 private:
  int m_nBank;
};

class CHsCmdConvToGroupImg : public CHsCmdImgInfBase {
 public:
  CHsCmdConvToGroupImg(CImgInf* img, int bank) : CHsCmdImgInfBase(img), m_nBank(bank) {}
  int Do() override;

 private:
  int m_nBank;
};

class CHsCmdToneAdjust : public CHsCmdImgInfBase {
 public:
  // sel null: no selection applies (all entries).
  CHsCmdToneAdjust(CImgInf* img, int hue, int saturation, int brightness, int level, int bank,
                   const CColSel* sel);
  int Do() override;

 private:
  int m_nHue, m_nSaturation, m_nBrightness, m_nLevel, m_nBank;
  CColSel m_sel;
  bool m_bNoSel;
};

class CHsCmdSwizzle : public CHsCmdImgInfBase {
 public:
  CHsCmdSwizzle(CImgInf* img, const int sources[4]);
  int Do() override;

 private:
  int m_src[4];
};

class CHsCmdRot90Right : public CHsCmdImgInfBase {
 public:
  using CHsCmdImgInfBase::CHsCmdImgInfBase;
  int Do() override { return m_pImg->Rot90R(); }
};

class CHsCmdRot90Left : public CHsCmdImgInfBase {
 public:
  using CHsCmdImgInfBase::CHsCmdImgInfBase;
  int Do() override { return m_pImg->Rot90L(); }
};

class CHsCmdFlipH : public CHsCmdImgInfBase {
 public:
  using CHsCmdImgInfBase::CHsCmdImgInfBase;
  int Do() override { return m_pImg->FlipH(); }
};

class CHsCmdFlipV : public CHsCmdImgInfBase {
 public:
  using CHsCmdImgInfBase::CHsCmdImgInfBase;
  int Do() override { return m_pImg->FlipV(); }
};

class CHsCmdChangePalColEntryNum : public CHsCmdImgInfBase {
 public:
  CHsCmdChangePalColEntryNum(CImgInf* img, int colours) : CHsCmdImgInfBase(img), m_nColours(colours) {}
  int Do() override;

 private:
  int m_nColours;
};

class CHsCmdSetPalBnkNum : public CHsCmdImgInfBase {
 public:
  CHsCmdSetPalBnkNum(CImgInf* img, int banks) : CHsCmdImgInfBase(img), m_nBanks(banks) {}
  int Do() override;

 private:
  int m_nBanks;
};
