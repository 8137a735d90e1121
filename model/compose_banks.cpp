// Composition of two palette images into one image with the banks of both: every pixel gets
// the number of its (B index, A index) pair, A's banks show picture A and B's banks picture B.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "model/default_colour.h"
#include "model/img_inf.h"

namespace {

const char kInternalError[] = "内部エラーが発生しました";
const char kPaletteFull[] = "パレットがいっぱいです。合成できませんでした。";
const char kNoFreeColours[] = "合成するのに必要なパレットカラーの空きが不足しています。";
const char kBankLimit[] = "パレットバンクが限界に達しました。";

RGBA Entry(const CPalDatIf& bank, int i) { return i < bank.Capacity() ? bank.m_pCol[i] : DefaultColour(); }

bool IsPaletteContent(const CImgInf& img) {
  return img.IsValid() && !img.IsPalOnly() && img.GetImgType(0) == IMGTYPE_IDX;
}

// B's index at the position of A's pixel (x, y) of level k; 0 where B has no such pixel.
int OtherIndex(const CImgInf& b, int k, int x, int y) {
  const CImgDatIf* p = b.Img(k);
  if (!p || !p->IsValid() || x >= p->m_nWidth || y >= p->m_nHeight) return 0;
  return p->Cell(x, y)[0];
}

}  // namespace

bool CImgInf::ComposeBanks(const CImgInf& other, std::string& message, bool byUse) {
  message.clear();
  if (&other == this || !IsPaletteContent(*this) || !IsPaletteContent(other)) {
    message = kInternalError;
    return false;
  }
  const int a = GetColNum(0);
  const int b = other.GetColNum(0);

  // Pair set, numbered in increasing order of the code (B index x 256 + A index).
  std::vector<int32_t> number(65536, -1);
  std::vector<uint16_t> pairs;
  if (!byUse) {
    if (a * b > 256) {
      message = kPaletteFull;
      return false;
    }
    for (int i = 0; i < b; ++i)
      for (int j = 0; j < a; ++j) pairs.push_back(uint16_t(i * 256 + j));
  } else {
    std::vector<bool> used(65536, false);
    for (int k = 0; k < ImgNum(); ++k) {
      const CImgDatIf& p = m_aryImg[size_t(k)];
      for (int y = 0; y < p.m_nHeight; ++y)
        for (int x = 0; x < p.m_nWidth; ++x)
          used[size_t(OtherIndex(other, k, x, y) * 256 + p.Cell(x, y)[0])] = true;
    }
    for (int code = 0; code < 65536; ++code)
      if (used[size_t(code)]) pairs.push_back(uint16_t(code));
    if (pairs.size() > 256) {
      message = kNoFreeColours;
      return false;
    }
  }
  const int n = int(pairs.size());
  for (int p = 0; p < n; ++p) number[pairs[size_t(p)]] = p;

  // The bank limit is checked before anything is written, so that a failure changes nothing.
  const int nA = PalNum();
  const int nB = other.PalNum();
  if (nA + nB > kMaxBanks) {
    message = kBankLimit;
    return false;
  }

  // Build the result aside and swap it in at the end.
  std::vector<CPalDatIf> banks(size_t(nA + nB));
  for (int k = 0; k < nA + nB; ++k) {
    const bool fromA = k < nA;
    const CPalDatIf& src = fromA ? m_aryPal[size_t(k)] : other.m_aryPal[size_t(k - nA)];
    CPalDatIf& dst = banks[size_t(k)];
    if (!dst.Copy(src)) {
      message = "メモリが確保できませんでした";
      return false;
    }
    dst.SetColNum(n);
    for (int p = 0; p < n; ++p) {
      const int code = pairs[size_t(p)];
      dst.m_pCol[p] = Entry(src, fromA ? (code & 255) : (code >> 8));
    }
  }
  std::vector<CImgDatIf> levels = m_aryImg;
  for (int k = 0; k < ImgNum(); ++k) {
    CImgDatIf& p = levels[size_t(k)];
    if (!p.IsValid()) {
      message = "メモリが確保できませんでした";
      return false;
    }
    for (int y = 0; y < p.m_nHeight; ++y)
      for (int x = 0; x < p.m_nWidth; ++x) {
        uint8_t* c = p.Cell(x, y);
        // An index beyond its bank's colours names no pair of the full set; it takes pair 0.
        const int32_t num = number[size_t(OtherIndex(other, k, x, y) * 256 + c[0])];
        c[0] = uint8_t(num < 0 ? 0 : num);
      }
  }
  m_aryImg = std::move(levels);
  m_aryPal = std::move(banks);
  Renumber();
  return true;
}
