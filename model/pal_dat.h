// CPalDatIf: one palette bank of up to 256 colours.
//
// An owned bank always holds room for 256 entries (1024 bytes) so that colour-count changes
// never reallocate; a borrowed bank (flag bit 0) points at someone else's colours and holds
// only its colour count.
#pragma once

#include <cstdint>

#include "model/rgba.h"

inline constexpr uint32_t PALF_BORROWED = 0x01;

class CPalDatIf {
 public:
  uint32_t m_dwFlags = 0;
  int32_t m_nIndex = 0;
  int32_t m_nColNum = 0;
  int32_t m_nSize = 0;
  RGBA* m_pCol = nullptr;

  CPalDatIf() = default;
  ~CPalDatIf();
  CPalDatIf(const CPalDatIf& other);
  CPalDatIf& operator=(const CPalDatIf& other);
  CPalDatIf(CPalDatIf&& other) noexcept;
  CPalDatIf& operator=(CPalDatIf&& other) noexcept;

  // Allocates a zeroed owned buffer for n colours (1..256); returns 1024, or 0 on failure.
  int Create(int n);
  // Borrows n colours (1..256) at p; returns n x 4, or 0 on failure.
  int Attach(RGBA* p, int n);
  void Clear();
  bool Copy(const CPalDatIf& src);
  bool IsValid() const { return m_nColNum > 0 && m_nSize > 0 && m_pCol; }
  bool IsBorrowed() const { return (m_dwFlags & PALF_BORROWED) != 0; }
  // Number of entries the buffer holds.
  int Capacity() const { return m_pCol ? m_nSize / 4 : 0; }

  void SetAlphaAll(uint8_t alpha);
  // Writes the colour (or the default colour when none) into entries first.. while below the
  // colour count and within count entries; returns the number written.
  int Fill(const RGBA* colour, int first, int count);
  // Clamps n to 1..256 and changes the colour count; returns new - old.
  int SetColNum(int n);
  // Entry i = old entry t[i] for every i below the count with t[i] != i and t[i] < count.
  void Permute(const uint8_t table[256]);
  bool IsEqual(const CPalDatIf& other, bool compareAlpha) const;
  // The 8 corner colours of the RGB cube, index bits red 1, green 2, blue 4.
  void Make8();
};
