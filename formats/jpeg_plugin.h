// The built-in JPEG plug-in on libjpeg: the loader reads baseline and progressive files in
// colour, grey or CMYK (truncated files decode with what they hold); the saver writes RGB at
// a quality, optionally progressive, with optimised Huffman tables, and can search the best
// quality that keeps the file within a size limit.
#pragma once

#include "formats/builtin_plugin.h"
#include "formats/codec_common.h"

extern const BuiltinPluginDesc kJpegPlugin;

inline constexpr int32_t kJpegLoaderId = 0x7FFF000A;
inline constexpr int32_t kJpegSaverId = 0x7FFF000B;

// The saver's settings (profile section "Plugins\jpeg").
struct JpegSettings {
  int quality;           // 0..100, mapped to the encoder's 15..100
  int progression;       // progressive file
  int fileSizeLimEnb;    // search the quality that meets the size limit
  int fileSizeLimVal;    // the limit's number
  int fileSizeLimRadix;  // its unit: 0 bytes, 1 KiB, 2 MiB
};

inline constexpr codec::SettingKey<JpegSettings> kJpegSettingKeys[] = {
    {"Quality", &JpegSettings::quality, 50, 0, 100},
    {"Progression", &JpegSettings::progression, 0, 0, 1},
    {"FileSizeLimEnb", &JpegSettings::fileSizeLimEnb, 0, 0, 1},
    {"FileSizeLimVal", &JpegSettings::fileSizeLimVal, 100, 0, 100000000},
    {"FileSizeLimRadix", &JpegSettings::fileSizeLimRadix, 1, 0, 2},
};

// The encoder quality for a quality setting: q x 85 / 100 + 15.
int JpegEncoderQuality(int setting);
// The size limit in bytes of the settings (64 bits: 100000000 MiB does not fit 32).
uint64_t JpegSizeLimit(const JpegSettings& settings);
// Encodes the record's picture at an encoder quality without writing it; its size in bytes.
int JpegEncodedSize(QvpProcess* record, int encoderQuality, bool progressive, uint64_t* size);
// The encoder quality the size search chooses; a Qvp code.
int JpegSearchQuality(QvpProcess* record, const JpegSettings& settings, int* quality);
int JpegSave(QvpProcess* record, const char* path, const JpegSettings& settings);
