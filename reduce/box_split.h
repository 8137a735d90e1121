// Box stage of palette optimisation: colour records, box statistics (weighted mean, its
// palette representative, covariance, principal axis by cyclic Jacobi) and the split of a box
// across its principal axis at the point that best separates its weight.
#pragma once

#include <cstdint>
#include <vector>

#include "reduce/col_spc_conv.h"
#include "reduce/rdct_types.h"

struct ColRec {
  ColVec vec;       // the colour in the colour space
  double weight;    // summed pixel weight
  double proj;      // position along the axis of the box being split
};

struct ColBox {
  uint32_t first = 0;  // first position in the shared order array
  uint32_t count = 0;
  double sum[4] = {};
  double weight = 0.0;
  float mean[4] = {};
  RGBA rep;
  double axis[4] = {};
  double error = 0.0;
  double var[4] = {};
};

inline constexpr int kMaxBoxes = 1024;

// Eigen-decomposition of a symmetric 4 x 4 matrix by the cyclic Jacobi method: S becomes
// (nearly) diagonal, V holds the eigenvectors in its columns.
void JacobiEigen(double S[4][4], double V[4][4]);

// Computes every statistic of the box over recs[order[first .. first + count)].
void ComputeBoxStats(ColBox& box, const ColRec* recs, const uint32_t* order, const RdctSetup& setup);

// Split index of m colours sorted by projection (1..m-1), or 0 when m < 2.
uint32_t FindSplitIndex(const ColRec* recs, const uint32_t* order, uint32_t m, double totalWeight);

// Splits box into itself (first part) and out (second part) and recomputes both. The box
// must have at least two colours.
void SplitBox(ColBox& box, ColBox& out, ColRec* recs, uint32_t* order, const RdctSetup& setup);
