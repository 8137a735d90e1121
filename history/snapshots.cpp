// Snapshot makers of the history.
#include "history/snapshots.h"

#include <algorithm>
#include <memory>

#include "history/img_cmds.h"
#include "model/line_walk.h"

namespace {

CHsChBuf BufferFor(const CImgDatIf& plane, uint32_t mask) {
  return plane.m_nType == IMGTYPE_IDX ? CHsChBuf::Index() : CHsChBuf::Channels(mask);
}

// The level with its layout origin for each valid level of the range.
template <class F>
void ForLevels(CImgInf& img, int first, int last, bool allLevels, F&& f) {
  for (int k = first; k <= last; ++k) {
    CImgDatIf* plane = img.Img(k);
    CRect origin;
    if (!plane || !plane->IsValid() || !img.GetLevelRect(k, 100, allLevels, origin)) continue;
    f(k, *plane, origin.left, origin.top);
  }
}

void BoxInto(CHistChain& chain, CImgInf& img, const CRect& rect, uint32_t mask, int first, int last,
             bool allLevels) {
  ForLevels(img, first, last, allLevels, [&](int k, CImgDatIf& plane, int ox, int oy) {
    CRect r;
    r.left = int(std::max<int64_t>(int64_t(rect.left) - ox, 0));
    r.top = int(std::max<int64_t>(int64_t(rect.top) - oy, 0));
    r.right = int(std::min<int64_t>(int64_t(rect.right) - ox, plane.m_nWidth));
    r.bottom = int(std::min<int64_t>(int64_t(rect.bottom) - oy, plane.m_nHeight));
    if (r.IsEmpty()) return;
    CHsChBuf buf = BufferFor(plane, mask);
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) buf.Save(plane.Cell(x, y));
    chain.push_back(std::make_unique<CHsCmdImgBox>(&img, k, plane, r, std::move(buf)));
  });
}

}  // namespace

CHistChain MakeLineSnapshot(CImgInf& img, CPoint p0, CPoint p1, uint32_t mask, int level, bool allLevels) {
  CHistChain chain;
  mask = img.EffectiveMask(mask);
  int first, last;
  if (!mask || !img.GetLevelRange(level, allLevels, first, last)) return chain;
  ForLevels(img, first, last, allLevels, [&](int k, CImgDatIf& plane, int ox, int oy) {
    CLineWalk walk;
    const CPoint a{int(int64_t(p0.x) - ox), int(int64_t(p0.y) - oy)};
    const CPoint b{int(int64_t(p1.x) - ox), int(int64_t(p1.y) - oy)};
    if (!CLineWalk::Make(a, b, plane.m_nWidth, plane.m_nHeight, walk)) return;
    CHsChBuf buf = BufferFor(plane, mask);
    walk.ForEach(plane.m_nWidth, plane.m_nHeight, [&](int x, int y) { buf.Save(plane.Cell(x, y)); });
    chain.push_back(std::make_unique<CHsCmdImgLine>(&img, k, plane, walk, std::move(buf)));
  });
  return chain;
}

CHistChain MakeBoxSnapshot(CImgInf& img, const CRect& rect, uint32_t mask, int level, bool allLevels) {
  CHistChain chain;
  mask = img.EffectiveMask(mask);
  int first, last;
  if (!mask || !img.GetLevelRange(level, allLevels, first, last)) return chain;
  BoxInto(chain, img, rect, mask, first, last, allLevels);
  return chain;
}

CHistChain MakeWireSnapshot(CImgInf& img, const CRect& rect, uint32_t mask, int level, bool allLevels) {
  CHistChain chain;
  if (rect.IsEmpty()) return chain;
  CPoint ends[8];
  WireBoxEdges(rect, ends);
  for (int i = 0; i < 8; i += 2)
    AppendChain(chain, MakeLineSnapshot(img, ends[i], ends[i + 1], mask, level, allLevels));
  return chain;
}

CHistChain MakeLevelSnapshot(CImgInf& img, uint32_t mask, int firstLevel, int levelCount) {
  CHistChain chain;
  mask = img.EffectiveMask(mask);
  if (!mask || levelCount <= 0) return chain;
  const int first = std::max(firstLevel, 0);
  const int last = int(std::min<int64_t>(int64_t(firstLevel) + levelCount - 1, img.ImgNum() - 1));
  BoxInto(chain, img, CRect{0, 0, 16777215, 16777215}, mask, first, last, false);
  return chain;
}

CHistChain MakePalColSnapshot(CImgInf& img, uint32_t mask, int firstBank, int bankCount, int firstEntry,
                              int entryCount) {
  CHistChain chain;
  mask = img.EffectiveMask(mask);
  if (!mask || bankCount <= 0 || entryCount <= 0 || firstEntry < 0) return chain;
  const int endBank = int(std::min<int64_t>(int64_t(firstBank) + bankCount, img.PalNum()));
  for (int k = std::max(firstBank, 0); k < endBank; ++k) {
    CPalDatIf& b = img.m_aryPal[size_t(k)];
    if (!b.IsValid()) continue;
    const int end = int(std::min<int64_t>({int64_t(firstEntry) + entryCount, b.m_nColNum, b.Capacity()}));
    if (end <= firstEntry) continue;
    CHsChBuf buf = CHsChBuf::Channels(mask);
    for (int i = firstEntry; i < end; ++i) buf.Save(reinterpret_cast<const uint8_t*>(&b.m_pCol[i]));
    chain.push_back(std::make_unique<CHsCmdPalCol>(&img, k, firstEntry, std::move(buf)));
  }
  return chain;
}

CHistChain MakePlaneSnapshot(CImgInf& img, int firstLevel, int levelCount) {
  CHistChain chain;
  if (levelCount <= 0) return chain;
  const int end = int(std::min<int64_t>(int64_t(firstLevel) + levelCount, img.ImgNum()));
  for (int k = std::max(firstLevel, 0); k < end; ++k) {
    const CImgDatIf& p = img.m_aryImg[size_t(k)];
    if (!p.IsValid()) continue;
    CImgDatIf copy(p);
    if (!copy.IsValid()) continue;
    chain.push_back(std::make_unique<CHsCmdImgDatIf>(&img, std::move(copy)));
  }
  return chain;
}

CHistChain MakeBankSnapshot(CImgInf& img, int firstBank, int bankCount) {
  CHistChain chain;
  if (bankCount <= 0) return chain;
  const int end = int(std::min<int64_t>(int64_t(firstBank) + bankCount, img.PalNum()));
  for (int k = std::max(firstBank, 0); k < end; ++k) {
    const CPalDatIf& b = img.m_aryPal[size_t(k)];
    if (!b.IsValid()) continue;
    CPalDatIf copy(b);
    if (!copy.IsValid()) continue;
    chain.push_back(std::make_unique<CHsCmdPalDatIf>(&img, std::move(copy)));
  }
  return chain;
}

CHistChain MakeContentSnapshot(CImgInf& img) { return MakeChain<CHsCmdImgInfAll>(&img, CImgInf(img)); }
