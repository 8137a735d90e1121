// Image content: level and bank management, validity, capabilities, conversions, colour
// counting and the fills used by the view background.
#include "model/img_inf.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "model/default_colour.h"
#include "model/dib_source.h"
#include "model/image_io.h"

CImgInf::CImgInf(const CImgInf& other) { CopyFrom(other); }

CImgInf& CImgInf::operator=(const CImgInf& other) {
  if (this != &other && !CopyFrom(other)) Clear();
  return *this;
}

void CImgInf::Clear() {
  m_aryImg.clear();
  m_aryPal.clear();
  m_impRct.RemoveAll();
  m_impRct = CImpRctAry{};
  m_dwFlags = 0;
}

void CImgInf::Renumber() {
  for (size_t i = 0; i < m_aryImg.size(); ++i) m_aryImg[i].m_nIndex = int32_t(i);
  for (size_t i = 0; i < m_aryPal.size(); ++i) m_aryPal[i].m_nIndex = int32_t(i);
}

int CImgInf::SetImgNum(int n) {
  if (n < 0 || n > kMaxLevels) return -1;
  const int old = ImgNum();
  m_aryImg.resize(size_t(n));
  Renumber();
  return old;
}

int CImgInf::SetPalNum(int n) {
  if (n < 0 || n > kMaxBanks) return -1;
  const int old = PalNum();
  m_aryPal.resize(size_t(n));
  Renumber();
  return old;
}

CImgDatIf* CImgInf::Img(int level) {
  return level >= 0 && level < ImgNum() ? &m_aryImg[size_t(level)] : nullptr;
}
const CImgDatIf* CImgInf::Img(int level) const {
  return level >= 0 && level < ImgNum() ? &m_aryImg[size_t(level)] : nullptr;
}
CPalDatIf* CImgInf::Pal(int bank) { return bank >= 0 && bank < PalNum() ? &m_aryPal[size_t(bank)] : nullptr; }
const CPalDatIf* CImgInf::Pal(int bank) const {
  return bank >= 0 && bank < PalNum() ? &m_aryPal[size_t(bank)] : nullptr;
}

namespace {

// Deep copies of a range of planes or banks; false when a valid element could not be copied.
template <class T>
bool CopyRange(const std::vector<T>& src, int first, int count, std::vector<T>& out) {
  first = std::max(first, 0);
  const int end = int(std::min<int64_t>(int64_t(first) + std::max(count, 0), int64_t(src.size())));
  for (int i = first; i < end; ++i) {
    out.push_back(src[size_t(i)]);
    if (src[size_t(i)].IsValid() && !out.back().IsValid()) return false;
  }
  return true;
}

}  // namespace

bool CImgInf::CopyFrom(const CImgInf& src, int firstLevel, int levelCount, int firstBank, int bankCount) {
  if (&src == this) return false;
  std::vector<CImgDatIf> levels;
  std::vector<CPalDatIf> banks;
  if (!CopyRange(src.m_aryImg, firstLevel, levelCount, levels) ||
      !CopyRange(src.m_aryPal, firstBank, bankCount, banks)) {
    Clear();
    return false;
  }
  m_dwFlags = src.m_dwFlags;
  m_aryImg = std::move(levels);
  m_aryPal = std::move(banks);
  m_impRct = src.m_impRct;
  Renumber();
  return true;
}

bool CImgInf::Append(const CImgInf& src, int firstLevel, int levelCount, int firstBank, int bankCount) {
  if (&src == this) return false;
  firstLevel = std::max(firstLevel, 0);
  firstBank = std::max(firstBank, 0);
  const int levelRoom = kMaxLevels - ImgNum();
  const int bankRoom = kMaxBanks - PalNum();
  levelCount = std::clamp(std::min(levelCount, src.ImgNum() - firstLevel), 0, std::max(levelRoom, 0));
  bankCount = std::clamp(std::min(bankCount, src.PalNum() - firstBank), 0, std::max(bankRoom, 0));

  // Every added level must be exactly half of the one before it and of the same type.
  const CImgDatIf* prev = ImgNum() > 0 ? &m_aryImg.back() : nullptr;
  for (int i = 0; i < levelCount; ++i) {
    const CImgDatIf& add = src.m_aryImg[size_t(firstLevel + i)];
    if (prev) {
      if (add.m_nWidth != prev->m_nWidth / 2 || add.m_nHeight != prev->m_nHeight / 2 ||
          add.m_nType != prev->m_nType)
        return false;
    }
    prev = &add;
  }
  std::vector<CImgDatIf> levels;
  std::vector<CPalDatIf> banks;
  if (!CopyRange(src.m_aryImg, firstLevel, levelCount, levels) ||
      !CopyRange(src.m_aryPal, firstBank, bankCount, banks))
    return false;
  for (auto& l : levels) m_aryImg.push_back(std::move(l));
  for (auto& b : banks) m_aryPal.push_back(std::move(b));
  Renumber();
  return true;
}

bool CImgInf::IsImgValid(int level) const {
  if (level == IMG_ALL) {
    if (m_aryImg.empty()) return false;
    return std::all_of(m_aryImg.begin(), m_aryImg.end(), [](const CImgDatIf& p) { return p.IsValid(); });
  }
  const CImgDatIf* p = Img(level);
  return p && p->IsValid();
}

bool CImgInf::IsPalValid(int bank) const {
  if (bank == PAL_ALL) {
    if (m_aryPal.empty()) return false;
    return std::all_of(m_aryPal.begin(), m_aryPal.end(), [](const CPalDatIf& p) { return p.IsValid(); });
  }
  const CPalDatIf* p = Pal(bank);
  return p && p->IsValid();
}

int CImgInf::GetImgType(int level) const {
  if (level < 0 || level >= kMaxLevels) return -1;
  if (m_aryImg.empty()) return IsPalValid(PAL_ALL) ? IMGTYPE_IDX : -1;
  const CImgDatIf* p = Img(level);
  if (!p || (p->m_nType != IMGTYPE_DIR && p->m_nType != IMGTYPE_IDX)) return -1;
  return p->m_nType;
}

bool CImgInf::HasPalette() const {
  return IsPalValid(PAL_ALL) && (m_aryImg.empty() || GetImgType(0) == IMGTYPE_IDX);
}

bool CImgInf::IsPalOnly() const { return m_aryImg.empty() && HasPalette(); }

bool CImgInf::IsValid() const {
  if (IsPalOnly()) return true;
  if (!IsImgValid(IMG_ALL)) return false;
  const int type = m_aryImg[0].m_nType;
  for (const auto& p : m_aryImg)
    if (p.m_nType != type) return false;
  return type == IMGTYPE_DIR || (type == IMGTYPE_IDX && HasPalette());
}

bool CImgInf::GetImgSize(int level, int& width, int& height) const {
  if (level < 0 || level >= kMaxLevels) return false;
  const CImgDatIf* p = Img(level);
  if (!p) return false;
  width = p->m_nWidth;
  height = p->m_nHeight;
  return true;
}

int CImgInf::GetColNum(int bank) const {
  const CPalDatIf* p = Pal(bank);
  return p ? p->m_nColNum : 0;
}

bool CImgInf::GetLevelRange(int level, bool allLevels, int& first, int& last) const {
  int f, l;
  if (level == IMG_ALL) {
    if (!allLevels) return false;
    f = 0;
    l = ImgNum() - 1;
  } else {
    f = l = level;
  }
  if (f < 0 || l < f || l >= kMaxLevels || l >= ImgNum()) return false;
  first = f;
  last = l;
  return true;
}

bool CImgInf::GetBankRange(int bank, int& first, int& last) const {
  int f, l;
  if (bank == PAL_ALL) {
    f = 0;
    l = PalNum() - 1;
  } else {
    f = l = bank;
  }
  if (f < 0 || l < f || l > 255 || l >= PalNum()) return false;
  first = f;
  last = l;
  return true;
}

bool CImgInf::GetLevelRect(int level, int zoomPercent, bool allLevels, CRect& rect) const {
  auto scaled = [zoomPercent](int v) { return int(int64_t(v) * zoomPercent / 100); };
  if (!allLevels) {
    const CImgDatIf* p = level >= 0 && level < kMaxLevels ? Img(level) : nullptr;
    if (!p) {
      rect = CRect{};
      return false;
    }
    rect = CRect{0, 0, scaled(p->m_nWidth), scaled(p->m_nHeight)};
    return true;
  }
  int x = 0;
  int height0 = 0;
  for (int k = 0; k < kMaxLevels; ++k) {
    const CImgDatIf* p = Img(k);
    if (!p) break;
    const int w = scaled(p->m_nWidth);
    const int h = scaled(p->m_nHeight);
    if (k == 0) height0 = h;
    if (k == level) {
      rect = CRect{x, 0, x + w, h};
      return true;
    }
    x += w;
  }
  if (level == IMG_ALL) {
    rect = CRect{0, 0, x, height0};
    return true;
  }
  rect = CRect{};
  return false;
}

uint32_t CImgInf::GetCaps() const {
  uint32_t caps = 0;
  if (IsImgValid(IMG_ALL)) {
    const int type = GetImgType(0);
    if (type == IMGTYPE_DIR) caps |= IMGCAP_DIR;
    if (type == IMGTYPE_IDX) caps |= IMGCAP_IDX;
  }
  const bool banksValid = IsPalValid(PAL_ALL);
  if (banksValid && !(caps & (IMGCAP_DIR | IMGCAP_IDX))) caps |= IMGCAP_PALONLY;
  if (banksValid && PalNum() > 1) caps |= IMGCAP_MULTIBNK;
  if (HasAlpha() && (caps & (IMGCAP_DIR | IMGCAP_IDX | IMGCAP_PALONLY))) caps |= IMGCAP_ALPHA;
  if ((caps & (IMGCAP_DIR | IMGCAP_IDX)) && ImgNum() > 1) caps |= IMGCAP_MULTIIMG;
  return caps;
}

int CImgInf::CountColors() const {
  if (!IsValid() || m_aryImg.empty()) return 0;
  if (GetImgType(0) == IMGTYPE_IDX) {
    bool seen[256] = {};
    int n = 0;
    for (const auto& p : m_aryImg) {
      const size_t count = p.PixelCount();
      for (size_t i = 0; i < count; ++i) {
        const uint8_t idx = p.m_pData[i * 2];
        if (!seen[idx]) {
          seen[idx] = true;
          ++n;
        }
      }
    }
    return n;
  }
  std::vector<uint64_t> bits(size_t(1) << 18);  // 2^24 bits
  int n = 0;
  for (const auto& p : m_aryImg) {
    const size_t count = p.PixelCount();
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* c = p.m_pData + i * 4;
      const uint32_t key = uint32_t(c[0]) | (uint32_t(c[1]) << 8) | (uint32_t(c[2]) << 16);
      uint64_t& word = bits[key >> 6];
      const uint64_t bit = uint64_t(1) << (key & 63);
      if (!(word & bit)) {
        word |= bit;
        ++n;
      }
    }
  }
  return n;
}

uint64_t CImgInf::GetHistogram(uint64_t counters[256]) const {
  std::fill(counters, counters + 256, 0);
  if (!IsPaletteImage()) return 0;
  uint64_t total = 0;
  for (const auto& p : m_aryImg) {
    const size_t count = p.PixelCount();
    for (size_t i = 0; i < count; ++i) ++counters[p.m_pData[i * 2]];
    total += count;
  }
  return total;
}

bool CImgInf::MarkUsed(CColSel& sel) const {
  if (!IsPaletteImage()) return false;
  uint64_t counters[256];
  GetHistogram(counters);
  sel.SelectNone();
  for (int i = 0; i < 256; ++i)
    if (counters[i]) sel.Set(i);
  return true;
}

bool CImgInf::GetPixel(int level, int x, int y, int bank, RGBA& colour, uint16_t* cell) const {
  const CImgDatIf* p = Img(level);
  if (!p || !p->IsValid() || x < 0 || y < 0 || x >= p->m_nWidth || y >= p->m_nHeight) return false;
  const uint8_t* c = p->Cell(x, y);
  if (p->m_nType == IMGTYPE_DIR) {
    std::memcpy(&colour, c, 4);
    return true;
  }
  const CPalDatIf* b = Pal(bank);
  if (!b || !b->IsValid()) return false;
  if (cell) *cell = uint16_t(c[0] | (c[1] << 8));
  colour = c[0] < std::min(b->m_nColNum, b->Capacity()) ? b->m_pCol[c[0]] : DefaultColour();
  return true;
}

bool CImgInf::GetPalCol(int bank, int entry, RGBA& colour) const {
  const CPalDatIf* b = Pal(bank);
  if (!b || !b->IsValid() || entry < 0 || entry >= std::min(b->m_nColNum, b->Capacity())) return false;
  colour = b->m_pCol[entry];
  return true;
}

bool CImgInf::InsertPal(int position, int count) {
  if (count < 1) return false;
  for (int i = 0; i < count; ++i) {
    if (m_aryPal.empty() || PalNum() >= kMaxBanks) return i > 0;
    const int colours = std::clamp(m_aryPal[0].m_nColNum, 1, 256);
    CPalDatIf bank;
    if (!bank.Create(colours)) return i > 0;
    bank.Fill(nullptr, 0, 256);
    const int pos = std::clamp(position, 0, PalNum());
    m_aryPal.insert(m_aryPal.begin() + pos, std::move(bank));
    Renumber();
  }
  return true;
}

bool CImgInf::RemovePal(int bank) {
  if (PalNum() < 2 || bank < 0 || bank >= PalNum()) return false;
  m_aryPal.erase(m_aryPal.begin() + bank);
  Renumber();
  return true;
}

bool CImgInf::ConvIdx2Dir(int bank) {
  if (!IsPaletteImage() || !IsPalValid(bank)) return false;
  std::vector<CImgDatIf> levels = m_aryImg;
  for (auto& p : levels)
    if (!p.ToDirect(m_aryPal[size_t(bank)])) return false;
  m_aryImg = std::move(levels);
  m_aryPal.clear();
  Renumber();
  return true;
}

bool CImgInf::ConvToGroup(int bank) {
  CImgInf work;
  if (!work.CopyFrom(*this)) return false;
  if (work.IsPaletteImage() && !work.ConvIdx2Dir(bank)) return false;
  if (!work.IsImgValid(IMG_ALL) || work.GetImgType(0) != IMGTYPE_DIR) return false;
  for (auto& p : work.m_aryImg)
    if (!p.ToGroup8()) return false;
  work.m_aryPal.clear();
  work.m_aryPal.emplace_back();
  if (!work.m_aryPal[0].Create(8)) return false;
  work.m_aryPal[0].Make8();
  work.Renumber();
  *this = std::move(work);
  return true;
}

bool CImgInf::PermutePal(const uint8_t table[256], int bank) {
  if (!table) return false;
  if (bank == -1 || bank == PAL_ALL) {
    if (m_aryPal.empty()) return false;
    for (auto& b : m_aryPal) b.Permute(table);
    return true;
  }
  CPalDatIf* b = Pal(bank);
  if (!b || !b->IsValid()) return false;
  b->Permute(table);
  return true;
}

bool CImgInf::RemapImg(const uint8_t table[512], int level) {
  if (!table) return false;
  int first, last;
  if (!GetLevelRange(level, true, first, last)) return false;
  bool any = false;
  for (int i = first; i <= last; ++i) any |= m_aryImg[size_t(i)].RemapIndex(table);
  return any;
}

void CImgInf::SetColNumAll(int n) {
  n = std::clamp(n, 1, 256);
  for (auto& b : m_aryPal) b.SetColNum(n);
}

bool CImgInf::SetIndexOf(const CColSel& sel, int index) {
  if (!IsPaletteImage() || index < 0 || index > 255) return false;
  for (auto& p : m_aryImg) {
    const size_t count = p.PixelCount();
    for (size_t i = 0; i < count; ++i)
      if (sel.IsSelected(p.m_pData[i * 2])) p.m_pData[i * 2] = uint8_t(index);
  }
  return true;
}

bool CImgInf::IsPalEqual(int bank, const CImgInf& other) const {
  const CPalDatIf* a = Pal(bank);
  const CPalDatIf* b = other.Pal(bank);
  if (!a || !b) return false;
  return a->IsEqual(*b, HasAlpha() && other.HasAlpha());
}

bool CImgInf::CheckerFill(int s, RGBA colour1, RGBA colour2) {
  if (s <= 0 || s > 0x3FFFFFFF) return false;
  CImgDatIf plane;
  if (!plane.Create(IMGTYPE_DIR, 2 * s, 2 * s)) return false;
  for (int y = 0; y < 2 * s; ++y) {
    for (int x = 0; x < 2 * s; ++x) {
      const bool first = (x < s) == (y < s);
      const RGBA c = first ? colour1 : colour2;
      std::memcpy(plane.Cell(x, y), &c, 4);
    }
  }
  Clear();
  m_aryImg.push_back(std::move(plane));
  Renumber();
  return true;
}

bool CImgInf::SolidFill(int width, int height, RGBA colour) {
  CImgDatIf plane;
  if (!plane.Create(IMGTYPE_DIR, width, height)) return false;
  const size_t n = plane.PixelCount();
  for (size_t i = 0; i < n; ++i) std::memcpy(plane.m_pData + i * 4, &colour, 4);
  Clear();
  m_aryImg.push_back(std::move(plane));
  Renumber();
  return true;
}

bool CImgInf::ReadDib(const IDibSource& dib) {
  const int w = dib.DibWidth();
  const int h = dib.DibHeight();
  const bool palette = dib.DibBitCount() <= 8;
  const bool alpha = dib.DibHasAlpha();
  const uint8_t opaque = OpaqueAlpha();
  CImgDatIf plane;
  if (!plane.Create(palette ? IMGTYPE_IDX : IMGTYPE_DIR, w, h)) return false;
  CPalDatIf bank;
  if (palette) {
    int colours = dib.DibColourCount();
    if (colours <= 0) colours = 1 << std::clamp(dib.DibBitCount(), 1, 8);
    colours = std::min(colours, 256);
    if (!bank.Create(colours)) return false;
    for (int i = 0; i < colours; ++i) {
      const auto c = dib.DibPaletteEntry(i);
      bank.m_pCol[i] = c ? *c : DefaultColour();
      if (!alpha) bank.m_pCol[i].a = opaque;
    }
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const auto v = dib.DibIndex(x, y);
        plane.Cell(x, y)[0] = v && *v < 256 ? uint8_t(*v) : 0;
      }
    }
  } else {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const auto v = dib.DibPixel(x, y);
        RGBA c = v ? *v : DefaultColour();
        if (!alpha) c.a = opaque;
        std::memcpy(plane.Cell(x, y), &c, 4);
      }
    }
  }
  Clear();
  m_aryImg.push_back(std::move(plane));
  if (palette) m_aryPal.push_back(std::move(bank));
  SetAlphaFlag(alpha);
  Renumber();
  return true;
}

int CImgInf::Load(IImageIo& io, const std::string& path, bool showOptions, int preferredProcess) {
  return io.Load(path, *this, showOptions, preferredProcess);
}

int CImgInf::Save(IImageIo& io, const std::string& path, bool showOptions, int process, int picture,
                  int bank) const {
  return io.Save(path, *this, showOptions, process, picture, bank);
}
