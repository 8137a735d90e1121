// Per-colour tone adjustment (hue, saturation, brightness) and the HSL conversions it uses.
// The image operations of the colour menu and the model's ToneAdjust share these.
#pragma once

#include "model/rgba.h"

struct HslColour {
  float h = 0.0f;  // degrees 0..360
  float s = 0.0f;  // percent 0..100
  float l = 0.0f;  // percent 0..100
  float a = 0.0f;  // 0..255
};

HslColour RgbToHsl(RGBA c);
RGBA HslToRgb(const HslColour& hsl);
// Hue -180..180, saturation and brightness -100..100; alpha is kept.
void ToneAdjustColour(RGBA& colour, int hue, int saturation, int brightness);
