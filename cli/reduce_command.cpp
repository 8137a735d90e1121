// quovo-cli reduce: colour reduction of one file with the engine, as the GUI's reduction does,
// with the settings of a ".crs" file or the defaults, changed by the options.
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "model/img_inf.h"
#include "reduce/col_rdct_engine.h"

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) { g_interrupted = 1; }

bool ParseInt(const std::string& s, int& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(s.c_str(), &end, 10);
  if (*end != '\0' || v < INT32_MIN || v > INT32_MAX) return false;
  out = int(v);
  return true;
}

bool ParseRgbHex(const std::string& s, RGBA& out) {
  std::string hex = s;
  if (!hex.empty() && hex[0] == '#') hex.erase(0, 1);
  if (hex.size() != 6) return false;
  uint32_t v = 0;
  for (char c : hex) {
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return false;
    v = (v << 4) | uint32_t(d);
  }
  out = RGBA{uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v), 255};
  return true;
}

struct ReduceOptions {
  std::string in, out, settings;
  int colours = 0;  // 0: as the settings say
  int dither = -1;
  bool transparentSet = false;
  RGBA transparent{};
  bool noAlpha = false;
};

// Returns false on a usage error (with the message printed).
bool ParseOptions(const std::vector<std::string>& args, ReduceOptions& o) {
  std::vector<std::string> files;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& v) {
      if (i + 1 >= args.size()) return false;
      v = args[++i];
      return true;
    };
    std::string v;
    if (a == "--colors" || a == "--colours") {
      if (!value(v) || !ParseInt(v, o.colours) ||
          !((o.colours >= 2 && o.colours <= 256) || o.colours == kDirectColourCount)) {
        std::fprintf(stderr, "quovo-cli reduce: --colors takes 2..256, or 4095 for direct colour\n");
        return false;
      }
    } else if (a == "--dither") {
      if (!value(v)) return false;
      if (v == "none") o.dither = 0;
      else if (v == "pattern") o.dither = 1;
      else if (v == "diffusion") o.dither = 2;
      else {
        std::fprintf(stderr, "quovo-cli reduce: --dither takes none, pattern or diffusion\n");
        return false;
      }
    } else if (a == "--settings") {
      if (!value(o.settings)) return false;
    } else if (a == "--transparent") {
      if (!value(v) || !ParseRgbHex(v, o.transparent)) {
        std::fprintf(stderr, "quovo-cli reduce: --transparent takes RRGGBB\n");
        return false;
      }
      o.transparentSet = true;
    } else if (a == "--no-alpha") {
      o.noAlpha = true;
    } else if (a.size() > 1 && a[0] == '-') {
      std::fprintf(stderr, "quovo-cli reduce: unknown option %s\n", a.c_str());
      return false;
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) return false;
  o.in = files[0];
  o.out = files[1];
  return true;
}

}  // namespace

int CmdReduce(CliContext& ctx, const std::vector<std::string>& args) {
  ReduceOptions o;
  if (!ParseOptions(args, o)) return 2;

  CColRdctPrm prm;
  if (!o.settings.empty() && !prm.LoadCrs(o.settings)) {
    std::fprintf(stderr, "%s\n\n設定ファイルを読み込めませんでした\n", o.settings.c_str());
    return 1;
  }
  if (o.colours) prm.m_nOutColNum = o.colours;
  if (o.dither >= 0) prm.m_nDithMode = o.dither;
  if (o.transparentSet) {
    prm.m_colNuki = o.transparent;
    prm.m_dwFlags |= CRF_NUKI;
  }
  if (o.noAlpha) prm.m_dwFlags &= ~uint32_t(CRF_ALPHA);
  prm.Validate();

  CImgInf image;
  if (!LoadImageFile(ctx, o.in, image)) return 1;

  CColRdctEngine engine(&ctx.plugins());
  engine.InitForImage(prm, &image, 0);
  g_interrupted = 0;
  auto old = std::signal(SIGINT, OnInterrupt);
  TerminalProgress bar;
  bar.Begin("");
  const bool started = engine.Start();
  int lastStage = -1;
  while (started && !engine.IsFinished()) {
    if (g_interrupted) engine.RequestCancel();
    int value, stage;
    if (engine.ReadProgress(value, stage) && bar.enabled()) {
      if (stage != lastStage) {
        bar.End();
        bar.Begin(CColRdctEngine::StageText(stage));
        lastStage = stage;
      }
      bar.SetPercent(value);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  engine.Wait();
  bar.End();
  std::signal(SIGINT, old);
  auto result = engine.TakeResult();
  if (!result) {
    std::fprintf(stderr, "%s\n\n%s\n", o.in.c_str(), engine.ErrorText().c_str());
    return 1;
  }
  return SaveImageFile(ctx, o.out, *result) ? 0 : 1;
}
