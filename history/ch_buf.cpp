// Channel buffer of the pixel and entry snapshots.
#include "history/ch_buf.h"

CHsChBuf CHsChBuf::Channels(uint32_t mask) {
  CHsChBuf b;
  mask &= 15u;
  if (!mask) return b;
  b.m_nMode = kChannels;
  b.m_nMask = mask;
  b.m_nItemSize = __builtin_popcount(mask);
  return b;
}

CHsChBuf CHsChBuf::Index() {
  CHsChBuf b;
  b.m_nMode = kIndex;
  b.m_nItemSize = 2;
  return b;
}

void CHsChBuf::Save(const uint8_t* cell) {
  if (m_nMode == kIndex) {
    m_data.push_back(cell[0]);
    m_data.push_back(cell[1]);
  } else if (m_nMode == kChannels) {
    for (int c = 0; c < 4; ++c)
      if (m_nMask & (1u << c)) m_data.push_back(cell[c]);
  } else {
    return;
  }
  ++m_nItems;
}

void CHsChBuf::Restore(int32_t item, uint8_t* cell) const {
  if (item < 0 || item >= m_nItems) return;
  const uint8_t* p = m_data.data() + size_t(item) * size_t(m_nItemSize);
  if (m_nMode == kIndex) {
    cell[0] = p[0];
    cell[1] = p[1];
    return;
  }
  for (int c = 0; c < 4; ++c)
    if (m_nMask & (1u << c)) cell[c] = *p++;
}
