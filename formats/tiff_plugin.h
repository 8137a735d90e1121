// The built-in TIFF plug-in on libtiff: the loader reads direct images of every kind through
// libtiff's RGBA reader and palette images strip by strip; the saver writes palette, RGB or
// RGBA images in either byte order, optionally LZW-compressed with the horizontal predictor.
#pragma once

#include "formats/builtin_plugin.h"
#include "formats/codec_common.h"

extern const BuiltinPluginDesc kTiffPlugin;

inline constexpr int32_t kTiffLoaderId = 0x7FFF000E;
inline constexpr int32_t kTiffSaverId = 0x7FFF000F;

// The saver's settings (profile section "Plugins\tiff").
struct TiffSettings {
  int bigEndian;    // "MM" file
  int compressLzw;  // LZW compression
};

inline constexpr codec::SettingKey<TiffSettings> kTiffSettingKeys[] = {
    {"BigEndian", &TiffSettings::bigEndian, 0, 0, 1},
    {"CompressLZW", &TiffSettings::compressLzw, 0, 0, 1},
};

int TiffSave(QvpProcess* record, const char* path, const TiffSettings& settings);
