// The built-in GIF plug-in: the loader reads the first image of a file as a palette image
// (the transparent entry as alpha 0); the saver writes one palette picture as GIF87a or
// GIF89a, optionally interlaced and with a transparent index.
#pragma once

#include "formats/builtin_plugin.h"
#include "formats/codec_common.h"

extern const BuiltinPluginDesc kGifPlugin;

inline constexpr int32_t kGifLoaderId = 0x7FFF0004;
inline constexpr int32_t kGifSaverId = 0x7FFF0005;

// The saver's settings (profile section "Plugins\gif").
struct GifSettings {
  int gifType;    // 0 GIF87a, 1 GIF89a
  int interlace;  // GIF89a only
  int transGif;   // GIF89a only: write a transparent index
  int transMode;  // 0 index 0; 1 the smallest index whose alpha is 0
};

inline constexpr codec::SettingKey<GifSettings> kGifSettingKeys[] = {
    {"GifType", &GifSettings::gifType, 1, 0, 1},
    {"Interlace", &GifSettings::interlace, 0, 0, 1},
    {"TransGif", &GifSettings::transGif, 0, 0, 1},
    {"TransMode", &GifSettings::transMode, 0, 0, 1},
};

// Writes the record's picture and bank to `path` with the given settings; a Qvp code.
int GifSave(QvpProcess* record, const char* path, const GifSettings& settings);
