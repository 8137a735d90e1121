// Palette entry selection and its click rule.
#include "model/col_sel.h"

#include <algorithm>
#include <utility>

CColSel::CColSel(int limit) : m_nLimit(std::clamp(limit, 0, 256)) {}

bool CColSel::IsSelected(int i) const { return i >= 0 && i < m_nLimit && RawBit(i); }

int CColSel::Count() const {
  int n = 0;
  for (int i = 0; i < m_nLimit; ++i) n += RawBit(i);
  return n;
}

int CColSel::First() const { return Next(-1); }
int CColSel::Last() const { return Prev(m_nLimit); }

int CColSel::Next(int i) const {
  for (int j = std::max(i + 1, 0); j < m_nLimit; ++j)
    if (RawBit(j)) return j;
  return -1;
}

int CColSel::Prev(int i) const {
  for (int j = std::min(i - 1, m_nLimit - 1); j >= 0; --j)
    if (RawBit(j)) return j;
  return -1;
}

void CColSel::RawSet(int i, bool on) {
  const uint8_t bit = uint8_t(1u << (i & 7));
  const uint8_t old = m_bits[i >> 3];
  m_bits[i >> 3] = on ? uint8_t(old | bit) : uint8_t(old & ~bit);
  if (m_bits[i >> 3] != old) m_bChanged = true;
}

void CColSel::Set(int i, bool on) {
  if (i < 0 || i >= 256) return;
  RawSet(i, on);
}

void CColSel::SelectAll() {
  for (int i = 0; i < 256; ++i) RawSet(i, i < m_nLimit);
  m_nAnchor = 0;
}

void CColSel::SelectNone() {
  for (int i = 0; i < 256; ++i) RawSet(i, false);
  m_nAnchor = -1;
}

void CColSel::SelectRange(int a, int b) {
  if (a > b) std::swap(a, b);
  for (int i = 0; i < 256; ++i) RawSet(i, i >= a && i <= b);
}

void CColSel::SetRange(int a, int b, bool state) {
  if (a > b) std::swap(a, b);
  for (int i = std::max(a, 0); i <= std::min(b, 255); ++i) RawSet(i, state);
}

void CColSel::Invert() {
  for (int i = 0; i < 256; ++i) RawSet(i, !RawBit(i));
}

void CColSel::Click(int entry, int keys) {
  if (entry < 0 || entry >= 256) return;
  const bool range = keys & kRangeKey;
  const bool toggle = keys & kToggleKey;
  if (m_nAnchor < 0 || (!range && !toggle)) {
    SelectRange(entry, entry);
    m_nAnchor = entry;
  } else if (range && toggle) {
    SetRange(m_nAnchor, entry, IsSelected(m_nAnchor));
  } else if (range) {
    SelectRange(m_nAnchor, entry);
  } else {
    Set(entry, !IsSelected(entry));
    m_nAnchor = entry;
  }
}

void CColSel::SetLimit(int limit) {
  limit = std::clamp(limit, 0, 256);
  if (limit < m_nLimit) {
    for (int i = limit; i < 256; ++i) RawSet(i, false);
    if (m_nAnchor >= limit) m_nAnchor = -1;
  }
  m_nLimit = limit;
}
