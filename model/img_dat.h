// CImgDatIf: one image plane (a mip level) of a document, with its owned pixel buffer.
//
// Rows are stored top first with no padding; a cell is 4 bytes (R, G, B, A) for direct
// colour and 2 bytes (index, reserved) for palette colour. The buffer is allocated with
// malloc so that buffers made by the plug-in host can be handed over without copying.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/img_types.h"
#include "model/rgba.h"

class CPalDatIf;

class CImgDatIf {
 public:
  int32_t m_nIndex = 0;
  int32_t m_nType = IMGTYPE_NONE;
  int32_t m_nWidth = 0;
  int32_t m_nHeight = 0;
  int32_t m_nSize = 0;
  uint8_t* m_pData = nullptr;

  CImgDatIf() = default;
  ~CImgDatIf();
  // Copies are deep; a copy that cannot be allocated is an empty plane.
  CImgDatIf(const CImgDatIf& other);
  CImgDatIf& operator=(const CImgDatIf& other);
  CImgDatIf(CImgDatIf&& other) noexcept;
  CImgDatIf& operator=(CImgDatIf&& other) noexcept;

  // Allocates a zeroed width x height plane of the type; returns the byte size, or 0 when the
  // type or size is not possible or memory is short (the plane is then empty). Keeps m_nIndex.
  int Create(int type, int width, int height);
  // Takes ownership of a malloc'ed buffer of exactly width x height cells.
  bool Adopt(int type, int width, int height, uint8_t* data, int size);
  // Gives up the buffer to the caller (who frees it with free()); the plane becomes empty.
  uint8_t* Release();
  void Clear();
  bool Copy(const CImgDatIf& src);
  bool IsValid() const {
    return m_nSize > 0 && m_pData && m_nType != IMGTYPE_NONE && m_nWidth > 0 && m_nHeight > 0;
  }
  int CellSize() const { return CellSizeOf(m_nType); }

  uint8_t* Cell(int x, int y) { return m_pData + (size_t(y) * size_t(m_nWidth) + size_t(x)) * CellSize(); }
  const uint8_t* Cell(int x, int y) const {
    return m_pData + (size_t(y) * size_t(m_nWidth) + size_t(x)) * CellSize();
  }
  size_t PixelCount() const { return size_t(m_nWidth) * size_t(m_nHeight); }

  // Direct planes: writes the byte into every pixel's alpha.
  void SetAlphaAll(uint8_t alpha);
  // Palette planes: becomes a direct plane coloured through the bank. An index at or past
  // the bank's colour count gives the default colour.
  bool ToDirect(const CPalDatIf& bank);
  // Direct planes: becomes a palette plane of the 8 corner colours (red 1, green 2, blue 4).
  bool ToGroup8();
  // Palette planes: index i becomes table[256 + i].
  bool RemapIndex(const uint8_t table[512]);
};
