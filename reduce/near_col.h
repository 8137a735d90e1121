// Nearest palette entry of a colour within its group's index range.
//
// The result is fixed: the lowest index whose entry equals the colour in all four bytes, else
// the lowest index of smallest squared distance (single precision, components in order)
// between the colour's vector and the entry's stored vector. The fast search reaches the same
// index through an exact-colour table, a walk outward from the colour's luminance over the
// entries sorted by luminance with exact pruning, partial sums and a small cache. The plain
// linear search with the bucket cache of 65536 x 32 slots is kept as the yardstick.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "reduce/col_spc_conv.h"
#include "reduce/rdct_types.h"

// The final palette with its colour-space vectors and the run's group layout.
struct PalTable {
  const CColSpcConv* pConv = nullptr;
  RGBA aPal[256] = {};
  ColVec aVec[256] = {};
  ColGroup aGroup[kGroupCount] = {};

  // Copies the palette and the setup's layout and converts every entry.
  void Set(const RdctSetup& setup, const RGBA palette[256]);
};

// The bucket cache: per value of the low 16 colour bits, the last 32 results.
class CNearColCache {
 public:
  struct Slot {
    uint32_t colour;
    uint8_t group;
    uint8_t index;
  };
  bool Create();  // false when the 16 MB cannot be allocated
  bool Find(uint32_t colour, int group, int& index) const;
  void Store(uint32_t colour, int group, int index);

 private:
  std::unique_ptr<uint16_t[]> m_count;  // slot count and next write position per bucket
  std::unique_ptr<uint16_t[]> m_pos;
  std::unique_ptr<Slot[]> m_slots;
};

class CNearSearch {
 public:
  enum class Mode { Fast, Plain };

  // Without a cache when it cannot be allocated; results are the same either way.
  explicit CNearSearch(const PalTable& table, Mode mode = Mode::Fast);

  // Palette index, or -1 when the group's range is empty or invalid. hint, when inside the
  // group's range, is an entry likely to be near (a neighbour's result): measured first, it
  // lets the search pass over more entries; the result does not depend on it.
  int Find(RGBA colour, int group, int hint = -1);

  // The plain linear search over the range, no cache.
  static int FindPlain(const PalTable& table, RGBA colour, int group);

  const PalTable& Table() const { return m_table; }

 private:
  struct SortedEntry {
    float v[4];  // the entry's vector, luminance first (the sort key)
    int32_t index;
  };
  struct CacheSlot {
    uint32_t colour;
    uint8_t group;
    uint8_t index;
    uint8_t used;
  };
  static constexpr int kCacheBits = 16;

  int FindFast(RGBA colour, int group, int hint) const;

  const PalTable& m_table;
  Mode m_mode;
  CNearColCache m_bucket;
  bool m_bBucket = false;
  // Fast mode: per group, the range's entries sorted by luminance (index breaks ties), and an
  // exact-colour table giving the lowest index of each colour in the range.
  std::vector<SortedEntry> m_sorted[kGroupCount];
  uint8_t m_posOf[256] = {};  // position of each entry within its group's sorted list
  std::vector<uint32_t> m_exactKey[kGroupCount];
  std::vector<int16_t> m_exactIdx[kGroupCount];
  std::vector<CacheSlot> m_cache;
};
