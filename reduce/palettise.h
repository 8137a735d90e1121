// Palettising: the palette index of every pixel record of a plane, with no dither, the
// ordered pattern dither or error diffusion that never carries error across groups; and the
// same three modes for direct-colour precision reduction, rewriting pixels in place.
#pragma once

#include <cstdint>

#include "reduce/near_col.h"
#include "reduce/rdct_types.h"

// The 4 x 4 threshold matrix of the pattern dither, [y mod 4][x mod 4].
extern const uint8_t kPatternThreshold[4][4];

// Writes the index of each of the w x h records (row by row) into the first byte of each
// cell (cellSize bytes apart). Dither mode, strength and flags come from the setup; the
// search holds the final palette. progress receives the rows done. Returns RDCT_OK,
// RDCT_NOMEM or RDCT_CANCELLED.
int PalettisePlane(const RdctSetup& setup, CNearSearch& search, const PixelRec* recs, int w, int h,
                   uint8_t* cells, int cellSize, const RdctProgress& progress = {});

// Brings every pixel of a direct plane (4-byte cells R, G, B, A, rows without padding) to the
// setup's bit counts with its dither mode. progress receives the rows done.
int ReduceDirectPlane(const RdctSetup& setup, uint8_t* rgba, int w, int h, const RdctProgress& progress = {});
