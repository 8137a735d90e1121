// The built-in PNG plug-in on libpng: palette images with their tRNS alpha, grey and colour
// images with or without alpha, 16-bit samples reduced to 8 bits, Adam7 interlace.
#pragma once

#include "formats/builtin_plugin.h"
#include "formats/codec_common.h"

extern const BuiltinPluginDesc kPngPlugin;

inline constexpr int32_t kPngLoaderId = 0x7FFF000C;
inline constexpr int32_t kPngSaverId = 0x7FFF000D;

// The saver's settings (profile section "Plugins\png").
struct PngSettings {
  int interlace;   // Adam7
  int dirColTrns;  // mark a transparent colour in direct images without alpha
  int trnsR, trnsG, trnsB;
  int idxColTrnsIdx0;  // make index 0 transparent in palette images without alpha
};

inline constexpr codec::SettingKey<PngSettings> kPngSettingKeys[] = {
    {"Interlace", &PngSettings::interlace, 0, 0, 1},
    {"DirColTrns", &PngSettings::dirColTrns, 0, 0, 1},
    {"DirTrnsCol_R", &PngSettings::trnsR, 255, 0, 255},
    {"DirTrnsCol_G", &PngSettings::trnsG, 0, 0, 255},
    {"DirTrnsCol_B", &PngSettings::trnsB, 255, 0, 255},
    {"IdxColTrnsIdx0", &PngSettings::idxColTrnsIdx0, 0, 0, 1},
};

int PngSave(QvpProcess* record, const char* path, const PngSettings& settings);
