// Box statistics and splitting. Every sum runs in the order of the box's colours, in double
// precision, so that split points and representatives are the same on every machine.
#include "reduce/box_split.h"

#include <algorithm>
#include <cmath>

void JacobiEigen(double S[4][4], double V[4][4]) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) V[r][c] = r == c ? 1.0 : 0.0;
  for (int sweep = 0; sweep < 10; ++sweep) {
    bool rotated = false;
    for (int j = 0; j < 3; ++j)
      for (int k = j + 1; k < 4; ++k) {
        const double f = S[j][k];
        if (!(std::fabs(f) >= 1e-8)) continue;
        rotated = true;
        const double a = S[j][j], b = S[k][k];
        const double m = (a - b) / 2.0;
        const double r = std::sqrt(m * m + f * f);
        const double cos2 = m / r, sin2 = f / r;
        double c, s;
        if (cos2 > 0) {
          c = std::sqrt((1.0 + cos2) / 2.0);
          s = sin2 / (2.0 * c);
        } else {
          s = std::sqrt((1.0 - cos2) / 2.0);
          c = sin2 / (2.0 * s);
        }
        S[j][j] = (a + b) / 2.0 + r;
        S[k][k] = (a + b) / 2.0 - r;
        S[j][k] = S[k][j] = 0.0;
        for (int l = 0; l < 4; ++l) {
          if (l == j || l == k) continue;
          const double sjl = S[j][l], skl = S[k][l];
          S[j][l] = S[l][j] = c * sjl + s * skl;
          S[k][l] = S[l][k] = c * skl - s * sjl;
        }
        for (int n = 0; n < 4; ++n) {
          const double vj = V[n][j], vk = V[n][k];
          V[n][j] = c * vj + s * vk;
          V[n][k] = c * vk - s * vj;
        }
      }
    if (!rotated) break;
  }
}

void ComputeBoxStats(ColBox& box, const ColRec* recs, const uint32_t* order, const RdctSetup& setup) {
  const uint32_t* ids = order + box.first;
  double W = 0.0, sum[4] = {0.0, 0.0, 0.0, 0.0};
  for (uint32_t i = 0; i < box.count; ++i) {
    const ColRec& c = recs[ids[i]];
    W += c.weight;
    for (int k = 0; k < 4; ++k) sum[k] += c.weight * double(c.vec.v[k]);
  }
  box.weight = W;
  for (int k = 0; k < 4; ++k) {
    box.sum[k] = sum[k];
    box.mean[k] = W > 0.0 ? float(sum[k] / W) : 0.0f;
  }
  ColVec mean{{box.mean[0], box.mean[1], box.mean[2], box.mean[3]}};
  box.rep = setup.pConv->From(mean);
  setup.Reduce(box.rep);

  double S[4][4] = {};
  for (uint32_t i = 0; i < box.count; ++i) {
    const ColRec& c = recs[ids[i]];
    double d[4];
    for (int k = 0; k < 4; ++k) d[k] = double(c.vec.v[k]) - double(box.mean[k]);
    for (int r = 0; r < 4; ++r)
      for (int k = r; k < 4; ++k) S[r][k] += c.weight * d[r] * d[k];
  }
  for (int r = 0; r < 4; ++r)
    for (int k = r; k < 4; ++k) {
      S[r][k] = W > 0.0 ? S[r][k] / W : 0.0;
      S[k][r] = S[r][k];
    }
  for (int k = 0; k < 4; ++k) box.var[k] = S[k][k];
  box.error = (S[0][0] + S[1][1] + S[2][2] + S[3][3]) * W;

  double V[4][4];
  JacobiEigen(S, V);
  int best = 0;
  for (int k = 1; k < 4; ++k)
    if (S[k][k] > S[best][best]) best = k;
  for (int k = 0; k < 4; ++k) box.axis[k] = V[k][best];
}

uint32_t FindSplitIndex(const ColRec* recs, const uint32_t* order, uint32_t m, double totalWeight) {
  if (m < 2) return 0;
  if (m == 2) return 1;
  const double W = totalWeight;
  double M = 0.0;
  for (uint32_t i = 0; i < m; ++i) M += recs[order[i]].weight * recs[order[i]].proj;
  M /= W;
  double omega = 0.0, mu = 0.0, best = 0.0;
  uint32_t k = 0;
  for (uint32_t i = 0; i + 1 < m; ++i) {
    const ColRec& c = recs[order[i]];
    omega += c.weight / W;
    mu += (c.weight / W) * c.proj;
    const double d = mu / omega - (M - mu) / (1.0 - omega);
    const double q = omega * (1.0 - omega) * d * d;
    if (q > best) {
      best = q;
      k = i + 1;
    }
  }
  return k == 0 ? m / 2 : k;
}

void SplitBox(ColBox& box, ColBox& out, ColRec* recs, uint32_t* order, const RdctSetup& setup) {
  uint32_t* ids = order + box.first;
  for (uint32_t i = 0; i < box.count; ++i) {
    ColRec& c = recs[ids[i]];
    double p = 0.0;
    for (int k = 0; k < 4; ++k) p += box.axis[k] * (double(c.vec.v[k]) - double(box.mean[k]));
    c.proj = p;
  }
  // Equal projections keep their previous order.
  std::stable_sort(ids, ids + box.count, [recs](uint32_t a, uint32_t b) { return recs[a].proj < recs[b].proj; });
  const uint32_t k = FindSplitIndex(recs, ids, box.count, box.weight);
  out = ColBox{};
  out.first = box.first + k;
  out.count = box.count - k;
  box.count = k;
  ComputeBoxStats(box, recs, order, setup);
  ComputeBoxStats(out, recs, order, setup);
}
