// The reduction engine: run setup, stages, worker thread, progress and errors.
#include "reduce/col_rdct_engine.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>

#include "model/default_colour.h"
#include "model/image_io.h"
#include "model/img_inf.h"
#include "reduce/histogram.h"
#include "reduce/near_col.h"
#include "reduce/palette_build.h"
#include "reduce/palettise.h"
#include "reduce/pixel_records.h"

namespace {

struct StageSpan {
  int base, span;
};

// [mode][stage]: share of the overall progress.
constexpr StageSpan kStageSpans[3][6] = {
    {{0, 2}, {2, 23}, {25, 10}, {35, 64}, {0, 99}, {100, 0}},
    {{0, 10}, {10, 89}, {100, 0}, {100, 0}, {0, 99}, {100, 0}},
    {{0, 0}, {0, 0}, {0, 99}, {100, 0}, {0, 99}, {100, 0}},
};

const char* const kStageTexts[6] = {
    "減色中 (ピクセル情報の作成中)", "減色中 (ヒストグラムの作成)",   "減色中 (最適化パレット作成中)",
    "減色中 (画像のパレッタイズ中)", "減色中 (ダイレクトカラー減色中)", "減色中 (処理の終了)",
};

}  // namespace

CColRdctEngine::CColRdctEngine(IImageIo* loader) : m_loader(loader) {}

CColRdctEngine::~CColRdctEngine() {
  RequestCancel();
  Release();
}

const char* CColRdctEngine::StageText(int stage) { return stage >= 0 && stage < 6 ? kStageTexts[stage] : ""; }

int CColRdctEngine::OverallValue(int mode, int stage, int percent) {
  if (mode < 0 || mode > 2 || stage < 0 || stage > 5) return 0;
  const StageSpan s = kStageSpans[mode][stage];
  return s.base + std::min(std::max(percent, 0), 100) * s.span / 100;
}

std::string CColRdctEngine::ErrorText(int code) {
  switch (code) {
    case RDCTERR_NONE: return "";
    case RDCTERR_MEMORY: return "メモリー不足のため減色を中断しました";
    case RDCTERR_GROUPIMAGE: return "グルーピング画像の読み込みに失敗したため減色を中断しました";
    case RDCTERR_CANCELLED: return "減色を中断しました";
    default: return "内部エラーにより減色を中断しました";
  }
}

void CColRdctEngine::InitForImage(const CColRdctPrm& prm, const CImgInf* source, int bank) {
  static_cast<CColRdctPrm&>(*this) = prm;
  m_pSrc = source;
  m_nBank = bank;
  m_nMode = RDCT_MODE_IMAGE;
  m_pHistograms = nullptr;
}

void CColRdctEngine::InitForAccumulate(const CColRdctPrm& prm, const CImgInf* source, int bank,
                                       RdctHistograms* histograms) {
  InitForImage(prm, source, bank);
  m_nMode = RDCT_MODE_ACCUMULATE;
  m_pHistograms = histograms;
}

void CColRdctEngine::InitForPalette(const CColRdctPrm& prm, bool alphaInUse, RdctHistograms* histograms) {
  static_cast<CColRdctPrm&>(*this) = prm;
  m_pSrc = nullptr;
  m_nBank = 0;
  m_nMode = RDCT_MODE_PALETTE;
  m_bAlphaInUse = alphaInUse;
  m_pHistograms = histograms;
}

void CColRdctEngine::Release() {
  if (m_thread.joinable()) m_thread.join();
  m_records = std::vector<PixelRec>();
  m_pResult.reset();
  m_pGroupImage.reset();
}

bool CColRdctEngine::Start(Notifier notifier) {
  Release();
  m_notify = std::move(notifier);
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_nProgress = 0;
    m_nStage = RDCT_STAGE_END;
    m_bChanged = false;
  }
  m_cancel.store(false);
  m_finished.store(false);
  m_nError.store(RDCTERR_INTERNAL);
  try {
    m_thread = std::thread(&CColRdctEngine::Worker, this);
  } catch (...) {
    m_nError.store(RDCTERR_INTERNAL);
    m_finished.store(true);
    return false;
  }
  return true;
}

void CColRdctEngine::Wait() {
  if (m_thread.joinable()) m_thread.join();
}

int CColRdctEngine::RunNow() {
  Release();
  m_cancel.store(false);
  m_finished.store(false);
  Run();
  m_finished.store(true);
  return Error();
}

void CColRdctEngine::Worker() {
  if (m_nStartDelay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(m_nStartDelay));
  if (m_notify) m_notify(RDCT_NOTIFY_STARTED, 0, 0);
  Run();
  m_finished.store(true);
  if (m_notify) {
    int value, stage;
    {
      std::lock_guard<std::mutex> lock(m_lock);
      value = m_nProgress;
      stage = m_nStage;
    }
    m_notify(RDCT_NOTIFY_FINISHED, stage, value);
  }
}

void CColRdctEngine::Run() {
  m_nError.store(RDCTERR_INTERNAL);
  if (m_nMode == RDCT_MODE_PALETTE)
    RunPaletteFromHistograms();
  else
    RunImage();
  // Every failure frees the working data and the result.
  m_records = std::vector<PixelRec>();
  m_pGroupImage.reset();
  if (Error() != RDCTERR_NONE) m_pResult.reset();
}

bool CColRdctEngine::ReadProgress(int& value, int& stage) {
  std::lock_guard<std::mutex> lock(m_lock);
  value = m_nProgress;
  stage = m_nStage;
  const bool changed = m_bChanged;
  m_bChanged = false;
  return changed;
}

bool CColRdctEngine::Report(int stage, int percent) {
  const int value = OverallValue(m_nMode, stage, percent);
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_nProgress = value;
    m_nStage = stage;
    m_bChanged = true;
  }
  if (m_notify) m_notify(RDCT_NOTIFY_PROGRESS, stage, value);
  return Cancelled();
}

std::unique_ptr<CImgInf> CColRdctEngine::TakeResult() {
  if (!IsFinished() || Error() != RDCTERR_NONE) return nullptr;
  return std::move(m_pResult);
}

void CColRdctEngine::DeriveRunLayout() {
  if (m_byDepth[3] == 0) m_dwFlags &= ~uint32_t(CRF_ALPHA);
  const int out = m_nOutColNum;
  if (m_dwFlags & CRF_GROUP) {
    int rest = out;
    for (int g = 1; g < kGroupCount; ++g) rest -= m_aGroup[g].m_nCount;
    m_aGroup[0].m_nCount = std::max(rest, 0);
  } else {
    m_aGroup[0].m_nCount = out;
  }
  int total = 0;
  for (int g = 0; g < kGroupCount; ++g) {
    int& count = m_aGroup[g].m_nCount;
    if (out == kDirectColourCount || total >= out)
      count = 0;
    else if (total + count > out)
      count = out - total;
    count = std::max(count, 0);
    m_aGroup[g].m_nStart = total;
    total += count;
  }
}

RdctSetup CColRdctEngine::MakeSetup() const {
  RdctSetup s;
  s.pConv = &m_conv;
  for (int c = 0; c < 4; ++c) s.nBits[c] = m_byDepth[c];
  s.dwFlags = m_dwFlags;
  s.nOutColNum = m_nOutColNum;
  std::copy(m_aGroup, m_aGroup + kGroupCount, s.aGroup);
  s.nFixed = m_nFixed;
  s.nDithMode = m_nDithMode;
  s.fDithLevel = m_fDithLevel;
  return s;
}

void CColRdctEngine::SetFixedEntries() {
  const uint8_t opaque = OpaqueAlpha();
  for (auto& c : m_aPal) c = RGBA{0, 0, 0, opaque};
  m_nFixed = 0;
  const RdctSetup setup = MakeSetup();
  if (m_dwFlags & CRF_FIXPAL) {
    const int n = std::clamp(m_nFixPalColNum, 0, 256);
    for (int j = 0; j < n; ++j) {
      RGBA c = m_aFixPal[j];
      if (!m_bAlphaInUse) c.a = opaque;
      // Fixed entries always take the nearest level.
      setup.Reduce(c, m_dwFlags & ~uint32_t(CRF_MASK));
      m_aPal[j] = c;
      ++m_nFixed;
    }
  }
  if (m_dwFlags & CRF_NUKI) {
    m_aPal[0] = (m_dwFlags & CRF_NUKI_BLACK) ? RGBA{0, 0, 0, 0} : RGBA{m_colNuki.r, m_colNuki.g, m_colNuki.b, 0};
    m_nFixed = std::max(m_nFixed, 1);
    for (auto& g : m_aGroup) {
      if (g.m_nStart == 0 && g.m_nCount > 0) {
        g.m_nStart = 1;
        --g.m_nCount;
      }
    }
  }
}

void CColRdctEngine::RunImage() {
  if (!m_pSrc || !m_pSrc->IsValid()) return;
  DeriveRunLayout();
  m_bAlphaInUse = m_pSrc->HasAlpha() && (m_dwFlags & CRF_ALPHA);
  m_nPixels = 0;
  for (const auto& p : m_pSrc->m_aryImg) m_nPixels += p.PixelCount();
  if (!m_bAlphaInUse) m_byDepth[3] = 8;

  try {
    m_pResult = std::make_unique<CImgInf>();
  } catch (const std::bad_alloc&) {
    return;
  }
  if (!m_pResult->CopyFrom(*m_pSrc)) return;
  if (m_pResult->GetImgType(0) == IMGTYPE_IDX && !m_pResult->ConvIdx2Dir(m_nBank)) return;
  if (m_pResult->GetImgType(0) != IMGTYPE_DIR) return;
  m_pResult->m_impRct = CImpRctAry{};
  m_conv.Build(*this);

  int rc;
  if (m_nOutColNum == kDirectColourCount)
    rc = DirectRun();
  else if (m_nOutColNum >= 1 && m_nOutColNum <= 256)
    rc = PaletteRun();  // one colour comes from converting to a bank of one colour
  else
    rc = RDCT_OK;  // nothing to reduce: the direct-colour copy is the result
  if (rc != RDCT_OK) {
    m_nError.store(rc == RDCT_CANCELLED ? RDCTERR_CANCELLED : rc);
    return;
  }
  if (m_nMode == RDCT_MODE_ACCUMULATE)
    m_pResult.reset();
  else if (!m_bAlphaInUse)
    m_pResult->SetAlphaFlag(false);
  m_nError.store(RDCTERR_NONE);
}

int CColRdctEngine::DirectRun() {
  const RdctSetup setup = MakeSetup();
  uint64_t done = 0;
  for (auto& plane : m_pResult->m_aryImg) {
    if (!plane.IsValid()) continue;
    const uint64_t before = done;
    const int w = plane.m_nWidth;
    const int rc = ReduceDirectPlane(setup, plane.m_pData, w, plane.m_nHeight, [&](int rows) {
      done = before + uint64_t(rows) * uint64_t(w);
      return Report(RDCT_STAGE_DIRECT, int(done * 100 / std::max<uint64_t>(m_nPixels, 1))) ? 1 : 0;
    });
    if (rc != RDCT_OK) return rc;
    if (Cancelled()) return RDCT_CANCELLED;
  }
  Report(RDCT_STAGE_END, 100);
  return RDCT_OK;
}

int CColRdctEngine::BuildPalette(const PixelRec* sorted, size_t count) {
  const RdctSetup setup = MakeSetup();
  auto progress = [this](int percent) { return Report(RDCT_STAGE_PALETTE, percent) ? 1 : 0; };
  if (m_nMode != RDCT_MODE_ACCUMULATE) return BuildPaletteFromRecords(setup, sorted, count, m_aPal, progress);
  // Accumulation: each group's histogram goes into the shared one of the same group.
  if (!m_pHistograms) return RDCT_INTERNAL;
  std::vector<HistEntry> hist;
  for (int g = 0; g < kGroupCount; ++g) {
    const ColGroup& grp = m_aGroup[g];
    const int s = grp.m_nStart;
    const int c = std::max(m_nFixed - s, 0);
    if (s < 0 || grp.m_nCount - c <= 0 || s + grp.m_nCount > 256) continue;
    if (!MakeGroupHistogram(sorted, count, g, m_aPal + s, c, hist)) return RDCT_NOMEM;
    if (!MergeHistogram((*m_pHistograms)[size_t(g)], hist)) return RDCT_NOMEM;
    if (Cancelled()) return RDCT_CANCELLED;
  }
  return RDCT_OK;
}

int CColRdctEngine::PaletteRun() {
  // The group image: its pixels' corner colours choose each pixel's group.
  if (m_dwFlags & CRF_GROUP) {
    if (m_strGroupFile.empty() || !m_loader) return RDCTERR_GROUPIMAGE;
    auto group = std::make_unique<CImgInf>();
    if (group->Load(*m_loader, m_strGroupFile, false, -1) != 0) return RDCTERR_GROUPIMAGE;
    if (!group->ConvToGroup(0)) return RDCT_INTERNAL;
    m_pGroupImage = std::move(group);
  }
  SetFixedEntries();
  const RdctSetup setup = MakeSetup();

  PixelRecordInput in;
  in.source = m_pResult.get();
  in.regions = m_pSrc;
  in.groupImage = m_pGroupImage.get();
  in.setup = &setup;
  in.transparent = m_colNuki;
  in.invisible = m_colInvis;
  in.importantRate = m_nImpRate;
  in.alphaInUse = m_bAlphaInUse;
  in.opaqueAlpha = OpaqueAlpha();
  int rc = BuildPixelRecords(in, m_records, [this](int p) { return Report(RDCT_STAGE_RECORDS, p) ? 1 : 0; });
  if (rc != RDCT_OK) return rc;

  if (m_nFixed < m_nOutColNum) {
    std::vector<PixelRec> sorted;
    rc = SortPixelRecords(m_records.data(), m_records.size(), sorted,
                          [this](int p) { return Report(RDCT_STAGE_HISTOGRAM, p) ? 1 : 0; });
    if (rc != RDCT_OK) return rc;
    if (Cancelled()) return RDCT_CANCELLED;
    rc = BuildPalette(sorted.data(), sorted.size());
    if (rc != RDCT_OK) return rc;
  }
  if (m_nMode == RDCT_MODE_ACCUMULATE) return RDCT_OK;

  // The result: indexed planes of the same sizes and one bank of the palette.
  CPalDatIf bank;
  if (!bank.Create(m_nOutColNum)) return RDCT_NOMEM;
  std::memcpy(bank.m_pCol, m_aPal, size_t(m_nOutColNum) * 4);
  PalTable table;
  table.Set(setup, m_aPal);
  CNearSearch search(table);
  uint64_t done = 0;
  size_t offset = 0;
  for (auto& plane : m_pResult->m_aryImg) {
    CImgDatIf indexed;
    if (!indexed.Create(IMGTYPE_IDX, plane.m_nWidth, plane.m_nHeight)) return RDCT_NOMEM;
    const uint64_t before = done;
    const int w = plane.m_nWidth;
    rc = PalettisePlane(setup, search, m_records.data() + offset, w, plane.m_nHeight, indexed.m_pData, 2,
                        [&](int rows) {
                          done = before + uint64_t(rows) * uint64_t(w);
                          return Report(RDCT_STAGE_PALETTISE, int(done * 100 / std::max<uint64_t>(m_nPixels, 1)))
                                     ? 1
                                     : 0;
                        });
    if (rc != RDCT_OK) return rc;
    offset += plane.PixelCount();
    indexed.m_nIndex = plane.m_nIndex;
    plane = std::move(indexed);
  }
  m_pResult->m_aryPal.clear();
  m_pResult->m_aryPal.push_back(std::move(bank));
  m_pResult->Renumber();
  Report(RDCT_STAGE_END, 100);
  return RDCT_OK;
}

void CColRdctEngine::RunPaletteFromHistograms() {
  if (!m_pHistograms) return;
  DeriveRunLayout();
  if (!(m_dwFlags & CRF_ALPHA)) m_bAlphaInUse = false;
  if (!m_bAlphaInUse) m_byDepth[3] = 8;
  m_conv.Build(*this);
  SetFixedEntries();
  Report(RDCT_STAGE_HISTOGRAM, 0);
  if (m_nFixed < m_nOutColNum) {
    const RdctSetup setup = MakeSetup();
    int done = 0;
    for (int g = 0; g < kGroupCount; ++g) {
      const ColGroup& grp = m_aGroup[g];
      const int c = std::max(m_nFixed - grp.m_nStart, 0);
      if (grp.m_nStart >= 0 && grp.m_nCount - c > 0 && grp.m_nStart + grp.m_nCount <= 256) {
        const auto& hist = (*m_pHistograms)[size_t(g)];
        const int rc = BuildGroupPalette(setup, g, hist.data(), hist.size(), m_aPal, done,
                                         [this](int p) { return Report(RDCT_STAGE_PALETTE, p) ? 1 : 0; });
        if (rc != RDCT_OK) {
          m_nError.store(rc == RDCT_CANCELLED ? RDCTERR_CANCELLED : rc);
          return;
        }
      }
      done += std::max(grp.m_nCount, 0);
    }
  }
  Report(RDCT_STAGE_END, 100);
  m_nError.store(RDCTERR_NONE);
}
