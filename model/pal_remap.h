// CPalRemap: a palette order table. Entry i after the change is the entry that was at
// newToOld[i]; pixel index j becomes oldToNew[j]. As 512 bytes (new-to-old, then old-to-new)
// it is the table PermutePal and RemapImg take.
#pragma once

#include <algorithm>
#include <cstdint>

struct CPalRemap {
  uint8_t m_table[512];  // [0, 256) new-to-old, [256, 512) old-to-new
  int32_t m_nInsertPos = -1;
  int32_t m_nMoved = 0;

  CPalRemap() {
    for (int i = 0; i < 256; ++i) m_table[i] = m_table[256 + i] = uint8_t(i);
  }
  const uint8_t* NewToOld() const { return m_table; }
  const uint8_t* OldToNew() const { return m_table + 256; }
  void Invert() { std::swap_ranges(m_table, m_table + 256, m_table + 256); }
};
