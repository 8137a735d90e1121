// The built-in BMP plug-in: a loader of Windows and OS/2 bitmaps (through the bitmap reader)
// and a saver of OS/2, Windows and V4 bitmaps at 1, 4, 8, 24 and 32 bits with its own RLE8
// and RLE4 encoders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/bmp_settings.h"
#include "formats/builtin_plugin.h"

inline constexpr int32_t kBmpLoaderId = 0x7FFF0002;
inline constexpr int32_t kBmpSaverId = 0x7FFF0003;

extern const BuiltinPluginDesc kBmpPlugin;

// The load from the whole file's bytes (the load exec reads the file and calls this); a Qvp
// code. The record must be the loader's.
int BmpLoadFromBytes(QvpProcess* record, const uint8_t* bytes, size_t length);

// The save with the given settings (the save exec reads them from the host); a Qvp code.
int BmpSaveWithSettings(QvpProcess* record, const std::string& path, const BmpSaverSettings& settings);

// One row of the run-length encoders, appended to `out` with its end-of-line pair; the
// pixels are index bytes (RLE4 uses their low four bits).
void BmpEncodeRle8Row(const uint8_t* pixels, size_t count, std::vector<uint8_t>& out);
void BmpEncodeRle4Row(const uint8_t* pixels, size_t count, std::vector<uint8_t>& out);
