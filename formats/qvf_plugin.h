// The built-in QVF plug-in: the program's own container, a direct serialisation of the image
// block (every mip level, every palette bank, alpha and the channel depths).
//
// Layout (little-endian): a 136-byte header ("QVFX", version 0x00010000, flags, four depth
// bytes, type byte, picture count, picture table offset, bank count, entries per bank, bank
// table offset), the bank table and the picture table (32-byte entries: byte size and offset
// of the colours; width, height, byte size and offset of the pixels), then the data.
#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/builtin_plugin.h"

inline constexpr int32_t kQvfLoaderId = 0x7FFF0000;
inline constexpr int32_t kQvfSaverId = 0x7FFF0001;
inline constexpr uint32_t kQvfVersion = 0x00010000;
inline constexpr size_t kQvfHeaderSize = 136;
inline constexpr size_t kQvfEntrySize = 32;

extern const BuiltinPluginDesc kQvfPlugin;

// The load from the file's bytes (what the load exec does with the file); a Qvp code.
int QvfLoadFromBytes(QvpProcess* record, const uint8_t* bytes, size_t length);
