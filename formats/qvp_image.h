// Host routines around the Qvp image block: creating it (the loaders' create-image callback
// and the saver's fill), widening reduced bit depths to 8 bits, and moving it into and out of
// the image model.
#pragma once

#include <cstdint>

#include "formats/qvp.h"

class CImgInf;

// Frees every buffer of the block and zeroes it.
void QvpFreeImage(QvpImage* image);

// Replaces the block's content by a new image; a Qvp code. On failure the block is empty.
int QvpCreateImage(QvpImage* image, uint32_t flags, int type, int width, int height, int pictures, int banks,
                   int entries);

// The create-image callback handed to loaders: only a loader's record may call it.
extern "C" int QvpHostCreateImage(QvpProcess* record, uint32_t flags, int32_t type, int32_t width,
                                  int32_t height, int32_t pictures, int32_t banks, int32_t entries);

// Number of pictures a width x height image may have when asked for `wanted`.
int QvpPossibleLevels(int width, int height, int wanted);

// Widens channels stored with fewer than 8 significant bits to 8 bits.
void QvpExpandBits(QvpImage* image);
// The rule for one channel value of d significant bits (left-aligned in the byte).
uint8_t QvpExpandValue(uint8_t value, int depth);

// Moves the block into the model (pixel buffers change owner); a host code.
int QvpImageToModel(QvpImage* image, CImgInf& model);
// Fills the block from the model for a saver; a host code.
int QvpImageFromModel(QvpImage* image, const CImgInf& model);
