// The model commands of the history.
#include "history/img_cmds.h"

#include <algorithm>
#include <utility>

CHsCmdImgLine::CHsCmdImgLine(CImgInf* img, int level, const CImgDatIf& plane, const CLineWalk& walk,
                             CHsChBuf buf)
    : CHsCmdImgInfBase(img),
      m_nLevel(level),
      m_nType(plane.m_nType),
      m_nWidth(plane.m_nWidth),
      m_nHeight(plane.m_nHeight),
      m_walk(walk),
      m_buf(std::move(buf)) {}

namespace {

// The level when it still has the shape the snapshot was taken from.
CImgDatIf* SameShape(CImgInf* img, int level, int type, int width, int height) {
  CImgDatIf* p = img ? img->Img(level) : nullptr;
  if (!p || !p->IsValid() || p->m_nType != type || p->m_nWidth != width || p->m_nHeight != height)
    return nullptr;
  return p;
}

}  // namespace

int CHsCmdImgLine::Do() {
  CImgDatIf* p = SameShape(m_pImg, m_nLevel, m_nType, m_nWidth, m_nHeight);
  if (!p) return 0;
  int32_t item = 0;
  m_walk.ForEach(m_nWidth, m_nHeight, [&](int x, int y) { m_buf.Restore(item++, p->Cell(x, y)); });
  return 1;
}

CHsCmdImgBox::CHsCmdImgBox(CImgInf* img, int level, const CImgDatIf& plane, const CRect& rect, CHsChBuf buf)
    : CHsCmdImgInfBase(img),
      m_nLevel(level),
      m_nType(plane.m_nType),
      m_nWidth(plane.m_nWidth),
      m_nHeight(plane.m_nHeight),
      m_rect(rect),
      m_buf(std::move(buf)) {}

int CHsCmdImgBox::Do() {
  CImgDatIf* p = SameShape(m_pImg, m_nLevel, m_nType, m_nWidth, m_nHeight);
  if (!p) return 0;
  int32_t item = 0;
  for (int y = m_rect.top; y < m_rect.bottom; ++y)
    for (int x = m_rect.left; x < m_rect.right; ++x) m_buf.Restore(item++, p->Cell(x, y));
  return 1;
}

int CHsCmdPalCol::Do() {
  CPalDatIf* b = m_pImg ? m_pImg->Pal(m_nBank) : nullptr;
  if (!b || !b->IsValid()) return 0;
  const int end = std::min<int64_t>(int64_t(m_nFirst) + m_buf.ItemCount(), b->Capacity());
  for (int i = m_nFirst; i < end; ++i) m_buf.Restore(i - m_nFirst, reinterpret_cast<uint8_t*>(&b->m_pCol[i]));
  return 1;
}

int CHsCmdImgInfAll::Do() { return m_pImg && m_pImg->CopyFrom(m_saved); }

int CHsCmdImgDatIf::Do() {
  const int level = m_plane.m_nIndex;
  if (!m_pImg || level < 0 || level >= kMaxLevels) return 0;
  if (m_pImg->ImgNum() <= level) m_pImg->SetImgNum(level + 1);
  CImgDatIf& dst = m_pImg->m_aryImg[size_t(level)];
  dst = m_plane;
  dst.m_nIndex = level;
  return 1;
}

int CHsCmdPalDatIf::Do() {
  const int bank = m_bank.m_nIndex;
  if (!m_pImg || bank < 0 || bank >= kMaxBanks) return 0;
  if (m_pImg->PalNum() <= bank) m_pImg->SetPalNum(bank + 1);
  CPalDatIf& dst = m_pImg->m_aryPal[size_t(bank)];
  dst = m_bank;
  dst.m_nIndex = bank;
  return 1;
}

int CHsCmdDrawLine::Do() {
  const auto& a = m_args;
  return m_pImg->DrawLine(a.p0, a.p1, a.colour, a.mask, a.level, a.allLevels);
}

int CHsCmdDrawBoxFill::Do() {
  const auto& a = m_args;
  return m_pImg->FillBoxPts(a.p0, a.p1, a.colour, a.mask, a.level, a.allLevels);
}

int CHsCmdDrawBoxWire::Do() {
  const auto& a = m_args;
  return m_pImg->DrawBoxPts(a.p0, a.p1, a.colour, a.mask, a.level, a.allLevels);
}

int CHsCmdImpRct::Do() {
  m_pImg->m_impRct = m_table;
  return 1;
}

int CHsCmdSetImgNum::Do() { return m_pImg->SetImgNum(m_nCount) >= 0; }

int CHsCmdAlphaCreate::Do() { return m_pImg->AlphaOn(true); }

int CHsCmdAlphaDel::Do() { return m_pImg->AlphaOff(true); }

int CHsCmdConvTypeIdx2Dir::Do() { return m_pImg->ConvIdx2Dir(m_nBank); }

int CHsCmdConvToGroupImg::Do() { return m_pImg->ConvToGroup(m_nBank); }

CHsCmdToneAdjust::CHsCmdToneAdjust(CImgInf* img, int hue, int saturation, int brightness, int level, int bank,
                                   const CColSel* sel)
    : CHsCmdImgInfBase(img),
      m_nHue(hue),
      m_nSaturation(saturation),
      m_nBrightness(brightness),
      m_nLevel(level),
      m_nBank(bank),
      m_sel(sel ? *sel : CColSel()),
      m_bNoSel(sel == nullptr) {}

int CHsCmdToneAdjust::Do() {
  return m_pImg->ToneAdjust(*m_pImg, m_nHue, m_nSaturation, m_nBrightness, m_nLevel, m_nBank,
                            m_bNoSel ? nullptr : &m_sel);
}

CHsCmdSwizzle::CHsCmdSwizzle(CImgInf* img, const int sources[4]) : CHsCmdImgInfBase(img) {
  std::copy(sources, sources + 4, m_src);
}

int CHsCmdSwizzle::Do() { return m_pImg->Swizzle(m_src); }

int CHsCmdChangePalColEntryNum::Do() {
  m_pImg->SetColNumAll(m_nColours);
  return 1;
}

int CHsCmdSetPalBnkNum::Do() { return m_pImg->SetPalNum(m_nBanks) >= 0; }
