// The BMP saver's settings record: header type and RLE choice, with their defaults and the
// clamping rule. Kept in the application profile section "Plugins\bmp".
#pragma once

#include <cstdint>

struct BuiltinHost;

enum BmpHeaderType : int32_t {
  BMPHDR_OS2 = 0,  // 12-byte header
  BMPHDR_WIN = 1,  // 40-byte header
  BMPHDR_V4 = 2,   // 108-byte header
};

struct BmpSaverSettings {
  int32_t headerType = BMPHDR_WIN;
  int32_t rleFlag = 0;

  void Clamp() {
    if (headerType < BMPHDR_OS2) headerType = BMPHDR_OS2;
    if (headerType > BMPHDR_V4) headerType = BMPHDR_V4;
    rleFlag = rleFlag ? 1 : 0;
  }
  friend bool operator==(const BmpSaverSettings&, const BmpSaverSettings&) = default;
};

// The application profile section of the saver settings.
inline constexpr const char kBmpSection[] = "Plugins\\bmp";
inline constexpr const char kBmpKeyHeaderType[] = "HeaderType";
inline constexpr const char kBmpKeyRleFlag[] = "RleFlag";

// The saver settings the host holds (clamped); the defaults when there is no host or profile.
BmpSaverSettings BmpReadSettings(const BuiltinHost* host);
// Stores the settings with the host; nothing is stored without a profile.
void BmpStoreSettings(BuiltinHost* host, const BmpSaverSettings& settings);
