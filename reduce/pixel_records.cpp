// Building the pixel records of a run.
#include "reduce/pixel_records.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "model/img_inf.h"
#include "reduce/col_spc_conv.h"

namespace {

void AddWeight(PixelRec& r, int64_t add) {
  const int64_t w = int64_t(r.weight) + add;
  r.weight = uint16_t(std::min<int64_t>(w, 65535));
}

// Transparency weighting by alpha, indexed by round(a / opaque x 255) / 16.
constexpr int kAlphaWeight[16] = {0, 1, 2, 3, 4, 5, 6, 6, 7, 7, 8, 8, 9, 9, 9, 10};

}  // namespace

int PixelWeightUnit(uint64_t pixelCount) {
  return int(std::clamp<uint64_t>(pixelCount / 1000, 10, 655));
}

int BuildPixelRecords(const PixelRecordInput& in, std::vector<PixelRec>& records, const RdctProgress& progress) {
  const CImgInf& src = *in.source;
  const RdctSetup& setup = *in.setup;
  const uint32_t flags = setup.dwFlags;
  uint64_t total = 0;
  for (const auto& p : src.m_aryImg) total += p.PixelCount();
  try {
    records.assign(size_t(total), PixelRec{});
  } catch (const std::bad_alloc&) {
    return RDCT_NOMEM;
  }
  const int unit = PixelWeightUnit(total);
  const int64_t regionAdd = int64_t(in.importantRate) * unit / 10;
  const int alphaBits = setup.nBits[3];
  const uint8_t alphaMask = PrecisionMask(alphaBits);
  const uint8_t opaque = in.opaqueAlpha;
  const CImpRctAry* table = in.regions ? &in.regions->m_impRct : nullptr;
  const int regionCount = table ? std::clamp(table->Count(), 0, kMaxImpRects) : 0;

  uint64_t done = 0;
  size_t out = 0;
  for (int level = 0; level < src.ImgNum(); ++level) {
    const CImgDatIf& plane = src.m_aryImg[size_t(level)];
    const CImgDatIf* groups = nullptr;
    if (in.groupImage && level < in.groupImage->ImgNum()) {
      const CImgDatIf& g = in.groupImage->m_aryImg[size_t(level)];
      if (g.IsValid() && g.m_nType == IMGTYPE_IDX) groups = &g;
    }
    for (int y = 0; y < plane.m_nHeight; ++y) {
      for (int x = 0; x < plane.m_nWidth; ++x, ++out) {
        const uint8_t* c = plane.Cell(x, y);
        PixelRec& r = records[out];
        r = PixelRec{c[0], c[1], c[2], c[3], 0, 0, 1};
        if ((flags & CRF_IMPRECT) && regionCount > 0) {
          for (int i = 0; i < regionCount; ++i) {
            const ImpRct& rc = (*table)[i];
            if (rc.level == level && rc.Contains(x, y)) AddWeight(r, regionAdd);
          }
        }
        if (groups && x < groups->m_nWidth && y < groups->m_nHeight) {
          const int g = groups->Cell(x, y)[0] & 7;
          if (setup.aGroup[g].m_nCount > 0) r.group = uint8_t(g);
        }
        if ((flags & CRF_NUKI) && r.r == in.transparent.r && r.g == in.transparent.g && r.b == in.transparent.b)
          r.flags |= PIXREC_NUKI;
        if (flags & CRF_PRE_REDUCE) {
          RGBA col = r.Rgba();
          setup.Reduce(col);
          r.r = col.r, r.g = col.g, r.b = col.b, r.a = col.a;
        }
        if (in.alphaInUse) {
          uint8_t a = r.a;
          if (!(flags & CRF_ALPHA_RAW_TEST)) a = CColSpcConv::Expand(uint8_t(a & alphaMask), alphaBits);
          if ((flags & CRF_ALPHA_WEIGHT) && opaque > 0) {
            const int level255 = std::min(int(std::lround(double(a) / double(opaque) * 255.0)), 255);
            AddWeight(r, int64_t(unit) * kAlphaWeight[level255 / 16]);
          }
          if ((flags & CRF_ALPHA_EDGE) && (a == 0 || a == opaque)) AddWeight(r, 20 * int64_t(unit));
          if ((flags & CRF_INVIS_UNIFY) && a == 0) {
            r.r = in.invisible.r, r.g = in.invisible.g, r.b = in.invisible.b, r.a = 0;
          }
        } else {
          r.a = opaque;
        }
      }
      done += uint64_t(plane.m_nWidth);
      if (ReportCancelled(progress, int(done * 100 / std::max<uint64_t>(total, 1)))) return RDCT_CANCELLED;
    }
  }
  return RDCT_OK;
}
