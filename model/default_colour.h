// The opaque alpha value and the default colour (black with that alpha).
//
// The value belongs to the environment options; the application sets it at start-up and
// whenever the options change, and every new palette entry or new direct pixel takes it.
// It is read from the reduction worker thread too, hence atomic.
#pragma once

#include <cstdint>

#include "model/rgba.h"

uint8_t OpaqueAlpha();
void SetOpaqueAlpha(uint8_t alpha);

inline RGBA DefaultColour() { return RGBA{0, 0, 0, OpaqueAlpha()}; }

// Sets the opaque alpha value for a scope and restores the old one on exit (tests).
class ScopedOpaqueAlpha {
 public:
  explicit ScopedOpaqueAlpha(uint8_t alpha) : m_old(OpaqueAlpha()) { SetOpaqueAlpha(alpha); }
  ~ScopedOpaqueAlpha() { SetOpaqueAlpha(m_old); }
  ScopedOpaqueAlpha(const ScopedOpaqueAlpha&) = delete;
  ScopedOpaqueAlpha& operator=(const ScopedOpaqueAlpha&) = delete;

 private:
  uint8_t m_old;
};
