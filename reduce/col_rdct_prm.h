// CColRdctPrm: the record that steers one colour reduction (colour count, precision, colour
// space priorities, dithering, fixed palette, transparent colour, groups, important regions).
//
// The engine copies it at the start of a run; the current settings, ".crs" files and batch
// commands store it. Loading clamps every field (ApplyLoadRules), never rejects.
#pragma once

#include <cstdint>
#include <string>

#include "model/rgba.h"
#include "settings/cmd_stg.h"

// Option bits of CColRdctPrm::m_dwFlags.
enum : uint32_t {
  CRF_NUKI = 0x4,              // palette index 0 is reserved for the transparent colour
  CRF_NUKI_BLACK = 0x8,        // index 0 is written as black with alpha 0
  CRF_ALPHA = 0x20,            // alpha is reduced together with the colour
  CRF_ALPHA_EDGE = 0x40,       // extra weight for fully transparent and fully opaque pixels
  CRF_ALPHA_NODITH = 0x80,     // dithering carries no alpha error
  CRF_INVIS_UNIFY = 0x100,     // fully transparent pixels take the invisible colour
  CRF_ALPHA_WEIGHT = 0x200,    // the more transparent, the less weight
  CRF_FIXPAL = 0x400,          // fixed palette on
  CRF_PRE_REDUCE = 0x800,      // lower the precision of source pixels before the histogram
  CRF_MASK = 0x1000,           // plain masking instead of the nearer level
  CRF_NO_REPLICATE = 0x2000,   // lowered values keep zero low bits
  CRF_GROUP = 0x4000,          // grouping on
  CRF_IMPRECT = 0x8000,        // important regions on
  CRF_ALPHA_RAW_TEST = 0x10000 // transparency tests use the alpha before precision reduction
};

// Output colour count that selects direct-colour reduction.
inline constexpr int32_t kDirectColourCount = 4095;
inline constexpr int kGroupCount = 8;

struct ColGroup {
  int32_t m_nStart = 0;
  int32_t m_nCount = 0;
  friend bool operator==(const ColGroup&, const ColGroup&) = default;
};

class CColRdctPrm : public CCmdStg {
 public:
  uint32_t m_dwFlags;
  int32_t m_nOutColNum;
  uint8_t m_byDepth[4];  // bits kept for red, green, blue, alpha
  float m_fPriIntentChroma;
  float m_fPriHueBalance;
  int32_t m_nColSpcType;
  RGBA m_colNuki;
  RGBA m_colInvis;
  float m_fPriRgbAlpha;
  RGBA m_aFixPal[256];
  int32_t m_nFixPalColNum;
  ColGroup m_aGroup[kGroupCount];
  std::string m_strGroupFile;
  int32_t m_nDithMode;
  float m_fDithLevel;
  int32_t m_nImpRate;

  CColRdctPrm();
  CColRdctPrm(const CColRdctPrm&) = default;
  CColRdctPrm& operator=(const CColRdctPrm&) = default;

  // Every field to its default; the fixed palette takes the current opaque alpha value.
  void Init() override;
  // Clamps every field as loading does and derives the group layout.
  void Validate() override;
  // The multi-line description shown by dialogs and batch lists (lines end in CR LF).
  std::string GetText() const override;

  // Every key of the section sect\ColRdctPrm (or ColRdctPrm without sect); a missing key keeps
  // the field's value, stored values are clamped, never rejected.
  bool Load(CProfile& prof, const char* sect) override;
  bool Save(CProfile& prof, const char* sect) const override;

  // A ".crs" colour-reduction settings file. A file that cannot be read or is of a newer
  // format leaves the record unchanged.
  bool LoadCrs(const std::string& path);
  bool SaveCrs(const std::string& path) const;

  // Group 0 takes what groups 1..7 leave of the colour count (not below 0); each group starts
  // where the groups before it end. Returns the total of all counts.
  int DeriveGroupLayout(int outColNum);

  bool IsDirectColour() const { return m_nOutColNum == kDirectColourCount; }

  friend bool operator==(const CColRdctPrm& a, const CColRdctPrm& b);
};

// Numbers as the settings store keeps them: floats as value x 1000 truncated toward zero,
// colours and the depth as one 32-bit integer with red (or the red bit count) lowest.
int32_t CrsFloatToInt(float v);
float CrsIntToFloat(int32_t v);
int32_t CrsPackDepth(const uint8_t depth[4]);
void CrsUnpackDepth(int32_t v, uint8_t depth[4]);
