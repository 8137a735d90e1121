// CColRdctEngine: one colour reduction of an image (all its levels together) to a palette of
// the configured size, or to fewer bits per channel, on a worker thread of its own with
// progress in six stages, cancel and error codes; and the two passes of a common palette
// (accumulate histograms, build a palette from them).
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "reduce/col_rdct_prm.h"
#include "reduce/col_spc_conv.h"
#include "reduce/rdct_types.h"

class CImgInf;
class IImageIo;

// The accumulated histograms of a common palette, one per group.
using RdctHistograms = std::array<std::vector<HistEntry>, kGroupCount>;

enum RdctMode : int {
  RDCT_MODE_IMAGE = 0,
  RDCT_MODE_ACCUMULATE = 1,
  RDCT_MODE_PALETTE = 2,
};

enum RdctError : int {
  RDCTERR_NONE = 0,
  RDCTERR_MEMORY = 1,
  RDCTERR_INTERNAL = 2,
  RDCTERR_GROUPIMAGE = 3,
  RDCTERR_CANCELLED = 4,
};

enum RdctStage : int {
  RDCT_STAGE_RECORDS = 0,
  RDCT_STAGE_HISTOGRAM = 1,
  RDCT_STAGE_PALETTE = 2,
  RDCT_STAGE_PALETTISE = 3,
  RDCT_STAGE_DIRECT = 4,
  RDCT_STAGE_END = 5,
};

// Notification codes.
enum RdctNotify : int {
  RDCT_NOTIFY_STARTED = 0,
  RDCT_NOTIFY_PROGRESS = 1,
  RDCT_NOTIFY_FINISHED = 2,
};

class CColRdctEngine : public CColRdctPrm {
 public:
  // Called on the worker thread: code, stage, overall value.
  using Notifier = std::function<void(int code, int stage, int value)>;

  // `loader` loads the group image; without one, grouping by image fails with error 3.
  explicit CColRdctEngine(IImageIo* loader = nullptr);
  ~CColRdctEngine() override;
  CColRdctEngine(const CColRdctEngine&) = delete;
  CColRdctEngine& operator=(const CColRdctEngine&) = delete;

  void InitForImage(const CColRdctPrm& prm, const CImgInf* source, int bank);
  void InitForAccumulate(const CColRdctPrm& prm, const CImgInf* source, int bank, RdctHistograms* histograms);
  void InitForPalette(const CColRdctPrm& prm, bool alphaInUse, RdctHistograms* histograms);

  // Starts the worker; false (error 2) when it cannot be created.
  bool Start(Notifier notifier = {});
  bool IsFinished() const { return !m_thread.joinable() || m_finished.load(); }
  void Wait();
  void RequestCancel() { m_cancel.store(true); }
  // The overall value and stage, and whether they changed since the last read.
  bool ReadProgress(int& value, int& stage);
  int Error() const { return m_nError.load(); }
  std::string ErrorText() const { return ErrorText(Error()); }
  static std::string ErrorText(int code);
  // The result image of mode 0 after success; the caller takes it over.
  std::unique_ptr<CImgInf> TakeResult();
  // The palette built in mode 2 (the first output colour count entries are the result).
  const RGBA* Palette() const { return m_aPal; }
  void Release();

  // Milliseconds the worker waits before it starts.
  int m_nStartDelay = 0;
  // Runs synchronously on the calling thread (tests and tools that need no worker).
  int RunNow();

  // Stage text for display.
  static const char* StageText(int stage);
  // Overall value of a report of `stage` at `percent` in `mode`.
  static int OverallValue(int mode, int stage, int percent);

 private:
  void Worker();
  void Run();
  void RunImage();
  void RunPaletteFromHistograms();
  int DirectRun();
  int PaletteRun();
  int BuildPalette(const PixelRec* sorted, size_t count);
  void DeriveRunLayout();
  void SetFixedEntries();
  RdctSetup MakeSetup() const;
  bool Report(int stage, int percent);
  bool Cancelled() const { return m_cancel.load(); }

  IImageIo* m_loader;
  Notifier m_notify;
  const CImgInf* m_pSrc = nullptr;
  int m_nBank = 0;
  int m_nMode = RDCT_MODE_IMAGE;
  std::unique_ptr<CImgInf> m_pResult;
  std::atomic<int> m_nError{RDCTERR_NONE};
  CColSpcConv m_conv;
  RGBA m_aPal[256] = {};
  int m_nFixed = 0;
  uint64_t m_nPixels = 0;
  bool m_bAlphaInUse = false;
  std::vector<PixelRec> m_records;
  std::unique_ptr<CImgInf> m_pGroupImage;
  RdctHistograms* m_pHistograms = nullptr;

  std::mutex m_lock;
  int m_nProgress = 0;
  int m_nStage = RDCT_STAGE_END;
  bool m_bChanged = false;
  std::thread m_thread;
  std::atomic<bool> m_finished{false};
  std::atomic<bool> m_cancel{false};
};
