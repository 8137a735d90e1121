// Constants shared by the image model, the plug-in interface and the operations: image
// types, capability bits, special level and bank indices, limits and channel masks.
#pragma once

#include <cstdint>

enum : int32_t {
  IMGTYPE_DIR = 0,   // direct colour, 4-byte cells R, G, B, A
  IMGTYPE_IDX = 1,   // palette colour, 2-byte cells: index, reserved
  IMGTYPE_NONE = 2,  // empty plane
};

// Flags of a document's content.
inline constexpr uint32_t IMGF_ALPHA = 0x01;

// Capability word of a content and capability bits of a plug-in process.
enum : uint32_t {
  IMGCAP_DIR = 0x01,
  IMGCAP_IDX = 0x02,
  IMGCAP_PALONLY = 0x04,
  IMGCAP_MULTIBNK = 0x08,
  IMGCAP_ALPHA = 0x10,
  IMGCAP_MULTIIMG = 0x20,
};

// Special index arguments: all levels, all banks.
inline constexpr int IMG_ALL = 100;
inline constexpr int PAL_ALL = 10000;

// Limits of one content.
inline constexpr int kMaxLevels = 10;
inline constexpr int kMaxBanks = 100;
inline constexpr int kMaxColours = 256;
inline constexpr int kMaxImpRects = 64;

// Channel mask bits of drawing, copying and snapshot operations.
enum : uint32_t {
  CHMASK_RED = 1,
  CHMASK_GREEN = 2,
  CHMASK_BLUE = 4,
  CHMASK_ALPHA = 8,
  CHMASK_ALL = 15,
};

inline constexpr int CellSizeOf(int type) {
  return type == IMGTYPE_DIR ? 4 : type == IMGTYPE_IDX ? 2 : 0;
}

struct CPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const CPoint&, const CPoint&) = default;
};

// A rectangle with exclusive right and bottom edges.
struct CRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  friend bool operator==(const CRect&, const CRect&) = default;
};
