// CEnvOpt: the environment options, the user's global display preferences, kept in the
// section "Options" of the application profile. The record holds no GUI and no background
// image; the application applies the change flags and the opaque alpha value.
#pragma once

#include <cstdint>
#include <string>

class CProfile;

// flags bits.
inline constexpr uint32_t ENVF_CENTER = 0x01;         // show the image centred in the window
inline constexpr uint32_t ENVF_ALPHA_CLAMP = 0x02;    // clamp alpha at or above the opaque value
inline constexpr uint32_t ENVF_BG_NOT_ZOOMED = 0x04;  // the background is not scaled with the zoom

// Alpha types.
inline constexpr int ENV_ALPHA_255 = 0;
inline constexpr int ENV_ALPHA_128 = 1;
inline constexpr int ENV_ALPHA_USER = 2;

// Background types.
inline constexpr int ENV_BG_MONO = 0;
inline constexpr int ENV_BG_TILE = 1;
inline constexpr int ENV_BG_IMAGE = 2;

// Change flags of CEnvOpt::Assign.
inline constexpr uint32_t ENVCHG_CHANGED = 0x001;     // something changed that needs no redraw
inline constexpr uint32_t ENVCHG_REDRAW = 0x002;      // every view must be redrawn
inline constexpr uint32_t ENVCHG_BACKGROUND = 0x100;  // the view background must be rebuilt

// The section of the application profile that holds the options.
inline constexpr const char* kEnvOptSection = "Options";

class CEnvOpt {
 public:
  CEnvOpt() { Init(); }

  // A colour is red, green and blue in the three low bytes (red lowest); the high byte is
  // always 255 once read.
  uint32_t m_dwFlag;
  int m_nAlpType;
  int m_nAlpUserVal;
  int m_nBgType;
  uint32_t m_dwMonoCol;
  uint32_t m_dwTileCol1;
  uint32_t m_dwTileCol2;
  int m_nTileSize;
  std::string m_strBgImgFile;
  int m_nGridSize;
  uint32_t m_dwGridCol;
  std::string m_strSusieDir;

  // The defaults.
  void Init();
  // Reads every key of section "Options" (the current values are the defaults) and clamps the
  // values to their ranges; a user alpha below 1 reads as 1, since it is divided by.
  bool Load(const CProfile& prof);
  // Writes every key in the fixed order; false when a write failed.
  bool Save(CProfile& prof) const;
  // Copies every field of the edited record and returns the change flags (ENVCHG_...).
  uint32_t Assign(const CEnvOpt& edited);

  // The alpha value that counts as fully opaque: 255, 128 or the user's value (1..255).
  uint8_t OpaqueAlpha() const;

  bool operator==(const CEnvOpt&) const = default;
};

// A colour from its channels, with the high byte 255.
constexpr uint32_t EnvColour(uint8_t r, uint8_t g, uint8_t b) {
  return 0xFF000000u | uint32_t(b) << 16 | uint32_t(g) << 8 | r;
}
