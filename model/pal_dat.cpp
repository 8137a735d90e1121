// Palette bank: creation, borrowing, copying and entry-level operations.
#include "model/pal_dat.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "model/default_colour.h"

namespace {
constexpr int kOwnedBytes = 256 * 4;
}

CPalDatIf::~CPalDatIf() { Clear(); }

CPalDatIf::CPalDatIf(const CPalDatIf& other) { Copy(other); }

CPalDatIf& CPalDatIf::operator=(const CPalDatIf& other) {
  if (this != &other && !Copy(other)) {
    Clear();
    m_nIndex = other.m_nIndex;
  }
  return *this;
}

CPalDatIf::CPalDatIf(CPalDatIf&& other) noexcept
    : m_dwFlags(other.m_dwFlags),
      m_nIndex(other.m_nIndex),
      m_nColNum(other.m_nColNum),
      m_nSize(other.m_nSize),
      m_pCol(std::exchange(other.m_pCol, nullptr)) {
  other.m_dwFlags = 0;
  other.Clear();
}

CPalDatIf& CPalDatIf::operator=(CPalDatIf&& other) noexcept {
  if (this != &other) {
    Clear();
    m_dwFlags = other.m_dwFlags;
    m_nIndex = other.m_nIndex;
    m_nColNum = other.m_nColNum;
    m_nSize = other.m_nSize;
    m_pCol = std::exchange(other.m_pCol, nullptr);
    other.m_dwFlags = 0;
    other.Clear();
  }
  return *this;
}

int CPalDatIf::Create(int n) {
  if (n < 1 || n > 256) return 0;
  auto* col = static_cast<RGBA*>(std::calloc(kOwnedBytes, 1));
  if (!col) return 0;
  const int index = m_nIndex;
  Clear();
  m_nIndex = index;
  m_pCol = col;
  m_nColNum = n;
  m_nSize = kOwnedBytes;
  return kOwnedBytes;
}

int CPalDatIf::Attach(RGBA* p, int n) {
  if (!p || n < 1 || n > 256) return 0;
  const int index = m_nIndex;
  Clear();
  m_nIndex = index;
  m_dwFlags = PALF_BORROWED;
  m_pCol = p;
  m_nColNum = n;
  m_nSize = n * 4;
  return m_nSize;
}

void CPalDatIf::Clear() {
  if (!IsBorrowed()) std::free(m_pCol);
  m_pCol = nullptr;
  m_dwFlags = 0;
  m_nIndex = 0;
  m_nColNum = 0;
  m_nSize = 0;
}

bool CPalDatIf::Copy(const CPalDatIf& src) {
  if (&src == this || !src.m_pCol || src.m_nSize <= 0) return false;
  auto* col = static_cast<RGBA*>(std::calloc(kOwnedBytes, 1));
  if (!col) return false;
  std::memcpy(col, src.m_pCol, size_t(std::min(src.m_nSize, kOwnedBytes)));
  Clear();
  m_dwFlags = src.m_dwFlags & ~PALF_BORROWED;
  m_nIndex = src.m_nIndex;
  m_nColNum = src.m_nColNum;
  m_nSize = kOwnedBytes;
  m_pCol = col;
  return true;
}

void CPalDatIf::SetAlphaAll(uint8_t alpha) {
  if (!IsValid()) return;
  const int n = std::min(m_nColNum, Capacity());
  for (int i = 0; i < n; ++i) m_pCol[i].a = alpha;
}

int CPalDatIf::Fill(const RGBA* colour, int first, int count) {
  if (!IsValid() || first < 0 || count <= 0) return 0;
  const RGBA c = colour ? *colour : DefaultColour();
  const int end = std::min({m_nColNum, Capacity(), first + std::min(count, 256)});
  int written = 0;
  for (int i = first; i < end; ++i, ++written) m_pCol[i] = c;
  return written;
}

int CPalDatIf::SetColNum(int n) {
  if (!IsValid()) return 0;
  n = std::clamp(n, 1, 256);
  const int old = m_nColNum;
  if (n == old) return 0;
  if (n > Capacity()) return 0;  // a borrowed bank cannot grow past its buffer
  const RGBA def = DefaultColour();
  // Growing gives the new entries the default colour, shrinking resets the dropped ones.
  for (int i = std::min(n, old); i < std::max(n, old); ++i) m_pCol[i] = def;
  m_nColNum = n;
  return n - old;
}

void CPalDatIf::Permute(const uint8_t table[256]) {
  if (!IsValid() || !table) return;
  const int n = std::min(m_nColNum, Capacity());
  RGBA old[256];
  std::memcpy(old, m_pCol, size_t(n) * 4);
  for (int i = 0; i < n; ++i) {
    const int t = table[i];
    if (t != i && t < n) m_pCol[i] = old[t];
  }
}

bool CPalDatIf::IsEqual(const CPalDatIf& other, bool compareAlpha) const {
  if (!IsValid() || !other.IsValid() || m_nColNum != other.m_nColNum) return false;
  const int n = std::min({m_nColNum, Capacity(), other.Capacity()});
  if (n < m_nColNum) return false;
  for (int i = 0; i < n; ++i) {
    const RGBA a = m_pCol[i];
    const RGBA b = other.m_pCol[i];
    if (a.r != b.r || a.g != b.g || a.b != b.b) return false;
    if (compareAlpha && a.a != b.a) return false;
  }
  return true;
}

void CPalDatIf::Make8() {
  if (!m_pCol || Capacity() < 8) {
    if (!Create(8)) return;
  }
  m_nColNum = 8;
  for (int i = 0; i < 8; ++i) {
    m_pCol[i] = RGBA{uint8_t(255 * (i & 1)), uint8_t(255 * ((i >> 1) & 1)), uint8_t(255 * ((i >> 2) & 1)), 255};
  }
}
