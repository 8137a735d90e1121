// Flips and quarter turns of every level; whole cells move and the important regions move
// with them.
#include <cstdint>
#include <cstring>
#include <utility>

#include "model/img_inf.h"

namespace {

enum class Turn { kFlipH, kFlipV, kRight, kLeft };

// The turned copy of one plane; an empty plane when memory is short.
CImgDatIf TurnPlane(const CImgDatIf& src, Turn turn) {
  const bool swap = turn == Turn::kRight || turn == Turn::kLeft;
  const int W = src.m_nWidth, H = src.m_nHeight;
  CImgDatIf dst;
  if (!dst.Create(src.m_nType, swap ? H : W, swap ? W : H)) return dst;
  dst.m_nIndex = src.m_nIndex;
  const int cell = src.CellSize();
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      int nx = x, ny = y;
      switch (turn) {
        case Turn::kFlipH: nx = W - 1 - x; break;
        case Turn::kFlipV: ny = H - 1 - y; break;
        case Turn::kRight: nx = H - 1 - y, ny = x; break;
        case Turn::kLeft: nx = y, ny = W - 1 - x; break;
      }
      std::memcpy(dst.Cell(nx, ny), src.Cell(x, y), size_t(cell));
    }
  return dst;
}

bool TurnContent(CImgInf& img, Turn turn) {
  if (!img.IsImgValid(IMG_ALL)) return false;
  std::vector<CImgDatIf> levels;
  for (const auto& p : img.m_aryImg) {
    levels.push_back(TurnPlane(p, turn));
    if (!levels.back().IsValid()) return false;
  }
  img.m_aryImg = std::move(levels);
  img.Renumber();
  // Regions move with the size of their level after the operation.
  for (int i = 0; i < img.m_impRct.Count(); ++i) {
    ImpRct& r = img.m_impRct[i];
    const CImgDatIf* p = img.Img(r.level);
    if (!p) continue;
    const int64_t w = p->m_nWidth, h = p->m_nHeight;
    const int64_t x = r.x, y = r.y;
    switch (turn) {
      case Turn::kFlipH: r.x = int32_t(w - 1 - x); break;
      case Turn::kFlipV: r.y = int32_t(h - 1 - y); break;
      case Turn::kRight: r.x = int32_t(w - 1 - y), r.y = int32_t(x); break;
      case Turn::kLeft: r.x = int32_t(y), r.y = int32_t(h - 1 - x); break;
    }
  }
  return true;
}

bool TurnInto(CImgInf& self, CImgInf* result, Turn turn) {
  if (!result || result == &self) return TurnContent(self, turn);
  CImgInf work;
  if (!self.IsImgValid(IMG_ALL) || !work.CopyFrom(self) || !TurnContent(work, turn)) return false;
  *result = std::move(work);
  return true;
}

}  // namespace

bool CImgInf::FlipH() { return TurnContent(*this, Turn::kFlipH); }
bool CImgInf::FlipV() { return TurnContent(*this, Turn::kFlipV); }
bool CImgInf::Rot90R(CImgInf* result) { return TurnInto(*this, result, Turn::kRight); }
bool CImgInf::Rot90L(CImgInf* result) { return TurnInto(*this, result, Turn::kLeft); }
