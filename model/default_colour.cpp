// The process-wide opaque alpha value (see default_colour.h).
#include "model/default_colour.h"

#include <atomic>

namespace {
std::atomic<uint8_t> g_opaqueAlpha{255};
}

uint8_t OpaqueAlpha() { return g_opaqueAlpha.load(std::memory_order_relaxed); }
void SetOpaqueAlpha(uint8_t alpha) { g_opaqueAlpha.store(alpha, std::memory_order_relaxed); }
