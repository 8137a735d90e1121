// Image plane: creation, copying and the per-plane conversions.
#include "model/img_dat.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "model/default_colour.h"
#include "model/pal_dat.h"
#include "platform/checked_math.h"

CImgDatIf::~CImgDatIf() { std::free(m_pData); }

CImgDatIf::CImgDatIf(const CImgDatIf& other) { Copy(other); }

CImgDatIf& CImgDatIf::operator=(const CImgDatIf& other) {
  if (this != &other && !Copy(other)) {
    Clear();
    m_nIndex = other.m_nIndex;
  }
  return *this;
}

CImgDatIf::CImgDatIf(CImgDatIf&& other) noexcept
    : m_nIndex(other.m_nIndex),
      m_nType(other.m_nType),
      m_nWidth(other.m_nWidth),
      m_nHeight(other.m_nHeight),
      m_nSize(other.m_nSize),
      m_pData(std::exchange(other.m_pData, nullptr)) {
  other.Clear();
}

CImgDatIf& CImgDatIf::operator=(CImgDatIf&& other) noexcept {
  if (this != &other) {
    std::free(m_pData);
    m_nIndex = other.m_nIndex;
    m_nType = other.m_nType;
    m_nWidth = other.m_nWidth;
    m_nHeight = other.m_nHeight;
    m_nSize = other.m_nSize;
    m_pData = std::exchange(other.m_pData, nullptr);
    other.Clear();
  }
  return *this;
}

int CImgDatIf::Create(int type, int width, int height) {
  Clear();
  const int cell = CellSizeOf(type);
  if (cell == 0) return 0;
  const auto bytes = checked::PlaneBytes(width, height, cell);
  if (!bytes) return 0;
  auto* data = static_cast<uint8_t*>(std::calloc(size_t(*bytes), 1));
  if (!data) return 0;
  m_pData = data;
  m_nType = type;
  m_nWidth = width;
  m_nHeight = height;
  m_nSize = *bytes;
  return m_nSize;
}

bool CImgDatIf::Adopt(int type, int width, int height, uint8_t* data, int size) {
  const int cell = CellSizeOf(type);
  const auto bytes = checked::PlaneBytes(width, height, cell);
  if (cell == 0 || !data || !bytes || *bytes != size) return false;
  Clear();
  m_pData = data;
  m_nType = type;
  m_nWidth = width;
  m_nHeight = height;
  m_nSize = size;
  return true;
}

uint8_t* CImgDatIf::Release() {
  uint8_t* data = std::exchange(m_pData, nullptr);
  Clear();
  return data;
}

void CImgDatIf::Clear() {
  std::free(m_pData);
  m_pData = nullptr;
  m_nType = IMGTYPE_NONE;
  m_nWidth = 0;
  m_nHeight = 0;
  m_nSize = 0;
}

bool CImgDatIf::Copy(const CImgDatIf& src) {
  if (&src == this || !src.IsValid()) return false;
  auto* data = static_cast<uint8_t*>(std::malloc(size_t(src.m_nSize)));
  if (!data) return false;
  std::memcpy(data, src.m_pData, size_t(src.m_nSize));
  std::free(m_pData);
  m_pData = data;
  m_nIndex = src.m_nIndex;
  m_nType = src.m_nType;
  m_nWidth = src.m_nWidth;
  m_nHeight = src.m_nHeight;
  m_nSize = src.m_nSize;
  return true;
}

void CImgDatIf::SetAlphaAll(uint8_t alpha) {
  if (!IsValid() || m_nType != IMGTYPE_DIR) return;
  const size_t n = PixelCount();
  for (size_t i = 0; i < n; ++i) m_pData[i * 4 + 3] = alpha;
}

bool CImgDatIf::ToDirect(const CPalDatIf& bank) {
  if (!IsValid() || m_nType != IMGTYPE_IDX || !bank.IsValid()) return false;
  CImgDatIf direct;
  if (!direct.Create(IMGTYPE_DIR, m_nWidth, m_nHeight)) return false;
  // Only entries below the colour count are part of the palette, and a borrowed bank's
  // buffer ends there.
  int usable = bank.m_nColNum;
  if (usable > bank.Capacity()) usable = bank.Capacity();
  const RGBA def = DefaultColour();
  const size_t n = PixelCount();
  for (size_t i = 0; i < n; ++i) {
    const int idx = m_pData[i * 2];
    const RGBA c = idx < usable ? bank.m_pCol[idx] : def;
    std::memcpy(direct.m_pData + i * 4, &c, 4);
  }
  direct.m_nIndex = m_nIndex;
  *this = std::move(direct);
  return true;
}

bool CImgDatIf::ToGroup8() {
  if (!IsValid() || m_nType != IMGTYPE_DIR) return false;
  CImgDatIf group;
  if (!group.Create(IMGTYPE_IDX, m_nWidth, m_nHeight)) return false;
  const size_t n = PixelCount();
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* p = m_pData + i * 4;
    group.m_pData[i * 2] = uint8_t((p[0] >= 128 ? 1 : 0) + (p[1] >= 128 ? 2 : 0) + (p[2] >= 128 ? 4 : 0));
  }
  group.m_nIndex = m_nIndex;
  *this = std::move(group);
  return true;
}

bool CImgDatIf::RemapIndex(const uint8_t table[512]) {
  if (!IsValid() || m_nType != IMGTYPE_IDX || !table) return false;
  const size_t n = PixelCount();
  for (size_t i = 0; i < n; ++i) m_pData[i * 2] = table[256 + m_pData[i * 2]];
  return true;
}
