// CHsChBuf: the saved bytes of a pixel or palette-entry snapshot, in walk order. Mode 0 keeps
// the masked channel bytes (red, green, blue, alpha order) of direct pixels or palette entries,
// mode 1 palette cells, mode 2 nothing. Mode 1 keeps both bytes of a cell: drawing writes the
// reserved byte too, and a file may carry a non-zero one that undo must bring back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CHsChBuf {
 public:
  enum : int32_t { kChannels = 0, kIndex = 1, kEmpty = 2 };

  CHsChBuf() = default;
  // Mode 0 with a channel mask of 1..15, or mode 1.
  static CHsChBuf Channels(uint32_t mask);
  static CHsChBuf Index();

  int32_t Mode() const { return m_nMode; }
  uint32_t Mask() const { return m_nMask; }
  int32_t ItemCount() const { return m_nItems; }
  int32_t ItemSize() const { return m_nItemSize; }
  size_t ByteCount() const { return m_data.size(); }
  const std::vector<uint8_t>& Data() const { return m_data; }

  // Saves the next item from a cell (4-byte pixel or entry in mode 0, 2-byte cell in mode 1).
  void Save(const uint8_t* cell);
  // Writes item `item` back into the cell; bytes not saved are left as they are.
  void Restore(int32_t item, uint8_t* cell) const;

 private:
  int32_t m_nMode = kEmpty;
  uint32_t m_nMask = 0;
  int32_t m_nItems = 0;
  int32_t m_nItemSize = 0;
  std::vector<uint8_t> m_data;
};
