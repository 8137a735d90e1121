// CColSel: a selection of palette entries 0..255 with a limit, an anchor and the click rule
// of the palette display.
#pragma once

#include <cstdint>

class CColSel {
 public:
  // Key bits of the click rule.
  static constexpr int kRangeKey = 8;
  static constexpr int kToggleKey = 16;

  explicit CColSel(int limit = 256);

  bool IsSelected(int i) const;
  int Count() const;
  int First() const;
  int Last() const;
  int Next(int i) const;
  int Prev(int i) const;

  void Set(int i, bool on = true);
  void Reset(int i) { Set(i, false); }
  void SelectAll();
  void SelectNone();
  void SelectRange(int a, int b);           // exactly the range a..b
  void SetRange(int a, int b, bool state);  // a..b to the state, others kept
  void Invert();
  void Click(int entry, int keys);

  int Limit() const { return m_nLimit; }
  void SetLimit(int limit);
  int Anchor() const { return m_nAnchor; }
  void SetAnchor(int anchor) { m_nAnchor = anchor; }
  bool Changed() const { return m_bChanged; }
  void ClearChanged() { m_bChanged = false; }
  const uint8_t* Bits() const { return m_bits; }

  friend bool operator==(const CColSel&, const CColSel&) = default;

 private:
  bool RawBit(int i) const { return (m_bits[i >> 3] >> (i & 7)) & 1; }
  void RawSet(int i, bool on);

  uint8_t m_bits[32] = {};
  int m_nLimit = 256;
  int m_nAnchor = -1;
  bool m_bChanged = false;
};
