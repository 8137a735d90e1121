// CImgInf: one document's image content: up to 10 levels, up to 100 palette banks, the alpha
// flag and the important-region table, with the operations that manage levels and banks.
//
// Operations return true (non-zero) on success and false (0) on failure and leave the content
// unchanged when they fail. Planes and banks are values in their vectors; no pointer to one
// may be kept across an operation that changes the counts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/col_sel.h"
#include "model/img_dat.h"
#include "model/img_types.h"
#include "model/imp_rct.h"
#include "model/pal_dat.h"

class IDibSource;
class IImageIo;
class CColourSpaceIf;

class CImgInf {
 public:
  uint32_t m_dwFlags = 0;
  std::vector<CImgDatIf> m_aryImg;
  std::vector<CPalDatIf> m_aryPal;
  CImpRctAry m_impRct;

  CImgInf() = default;
  // Deep copies; a copy that runs out of memory is left empty.
  CImgInf(const CImgInf& other);
  CImgInf& operator=(const CImgInf& other);
  CImgInf(CImgInf&&) noexcept = default;
  CImgInf& operator=(CImgInf&&) noexcept = default;

  void Clear();
  // Resize the level or bank list (new elements empty); return the previous count, or -1
  // for a negative count or one above the limit.
  int SetImgNum(int n);
  int SetPalNum(int n);
  int ImgNum() const { return int(m_aryImg.size()); }
  int PalNum() const { return int(m_aryPal.size()); }
  CImgDatIf* Img(int level);
  const CImgDatIf* Img(int level) const;
  CPalDatIf* Pal(int bank);
  const CPalDatIf* Pal(int bank) const;
  bool HasAlpha() const { return (m_dwFlags & IMGF_ALPHA) != 0; }
  void SetAlphaFlag(bool on) { m_dwFlags = on ? (m_dwFlags | IMGF_ALPHA) : (m_dwFlags & ~IMGF_ALPHA); }

  bool CopyFrom(const CImgInf& src, int firstLevel = 0, int levelCount = kMaxLevels, int firstBank = 0,
                int bankCount = kMaxBanks);
  bool Append(const CImgInf& src, int firstLevel, int levelCount, int firstBank, int bankCount);

  bool IsImgValid(int level) const;
  bool IsPalValid(int bank) const;
  int GetImgType(int level = 0) const;
  bool HasPalette() const;
  bool IsPalOnly() const;
  bool IsValid() const;
  bool GetImgSize(int level, int& width, int& height) const;
  int GetColNum(int bank) const;
  bool GetLevelRange(int level, bool allLevels, int& first, int& last) const;
  bool GetBankRange(int bank, int& first, int& last) const;
  bool GetLevelRect(int level, int zoomPercent, bool allLevels, CRect& rect) const;
  uint32_t GetCaps() const;
  // Removes the alpha bit from a channel mask when the alpha channel is not in use.
  uint32_t EffectiveMask(uint32_t mask) const { return HasAlpha() ? (mask & CHMASK_ALL) : (mask & 7u); }

  int CountColors() const;
  uint64_t GetHistogram(uint64_t counters[256]) const;
  bool MarkUsed(CColSel& sel) const;
  bool GetPixel(int level, int x, int y, int bank, RGBA& colour, uint16_t* cell = nullptr) const;
  bool GetPalCol(int bank, int entry, RGBA& colour) const;

  bool InsertPal(int position, int count = 1);
  bool RemovePal(int bank);
  bool ConvIdx2Dir(int bank);
  bool ConvToGroup(int bank);
  bool PermutePal(const uint8_t table[256], int bank);
  bool RemapImg(const uint8_t table[512], int level);
  void SetColNumAll(int n);
  bool SetIndexOf(const CColSel& sel, int index);
  bool IsPalEqual(int bank, const CImgInf& other) const;

  bool CheckerFill(int squareSize, RGBA colour1, RGBA colour2);
  bool SolidFill(int width, int height, RGBA colour);
  bool ReadDib(const IDibSource& dib);

  // Pixel operations. Drawing takes an RGBA for direct images and the cell (index in r, byte 1 in
  // g) for palette images; the level is a level number or IMG_ALL, made level-local through the
  // side-by-side layout when allLevels is set. None records history.
  bool DrawLine(CPoint p0, CPoint p1, RGBA colour, uint32_t mask, int level, bool allLevels);
  bool FillBox(const CRect& rect, RGBA colour, uint32_t mask, int level, bool allLevels);
  bool DrawBox(const CRect& rect, RGBA colour, uint32_t mask, int level, bool allLevels);
  // Two-corner forms: corners in any order, both inclusive.
  bool FillBoxPts(CPoint p0, CPoint p1, RGBA colour, uint32_t mask, int level, bool allLevels);
  bool DrawBoxPts(CPoint p0, CPoint p1, RGBA colour, uint32_t mask, int level, bool allLevels);
  // srcRect null copies the whole source level.
  bool CopyRegion(int dstLevel, int x, int y, bool allLevels, uint32_t mask, const CImgInf& src, int srcLevel,
                  const CRect* srcRect);
  bool JoinLevels();
  // Sources of red, green, blue and alpha (channels 0..3 of the pixel before the change).
  bool Swizzle(const int sources[4]);
  bool AlphaOn(bool fill);
  bool AlphaOff(bool fill);
  bool AlphaFromChannel(const CImgInf& src, int channel, bool tile);
  bool AdjustAlpha(int percent, int offset, int minAlpha, int maxAlpha);
  // Fails without changing anything; `message` receives the reason.
  bool ComposeBanks(const CImgInf& other, std::string& message, bool byUse);
  bool FlipH();
  bool FlipV();
  bool Rot90R(CImgInf* result = nullptr);
  bool Rot90L(CImgInf* result = nullptr);
  // Tone adjustment of the chosen banks' selected entries (all when sel is null) of a palette
  // content, or of every pixel of the chosen levels of a direct image, reading the values
  // before the change from `src` (which may be *this).
  bool ToneAdjust(const CImgInf& src, int hue, int saturation, int brightness, int level, int bank,
                  const CColSel* sel);
  // Nearest entry of a bank (see nearest_colour.h); -1 when none.
  int FindNearestCol(int bank, RGBA& colour, bool useAlpha, const CColSel* sel, const CColourSpaceIf& space) const;
  // Pixels whose index is in `deleted` take the nearest `allowed` entry of the bank.
  bool RemapToNearest(const CColSel& deleted, int bank, const CColSel& allowed, const CColourSpaceIf& space);

  // Forwarded to the plug-in manager; host result codes.
  int Load(IImageIo& io, const std::string& path, bool showOptions, int preferredProcess);
  int Save(IImageIo& io, const std::string& path, bool showOptions, int process, int picture, int bank) const;

  // Keeps m_nIndex of every level and bank equal to its position.
  void Renumber();

 private:
  bool IsPaletteImage() const { return IsImgValid(IMG_ALL) && GetImgType(0) == IMGTYPE_IDX; }
};
