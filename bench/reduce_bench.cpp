// Speed and memory of the colour-reduction stages on the photographs of the shared corpus:
// palette optimisation (sort, histogram, box splitting), palettising in the three dither
// modes with the plain and the fast nearest-entry search, and direct-colour reduction, with
// pngquant on the same photographs as the peer. Reports seconds per megapixel (s_per_MP)
// and the peak resident memory of the run (peak_MB, above what the process held before).
//
// The photographs are PNG files, decoded through ImageMagick ("convert X.png -depth 8
// rgba:-"); every benchmark skips when the corpus or convert is missing.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <new>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "model/default_colour.h"
#include "reduce/col_rdct_prm.h"
#include "reduce/col_spc_conv.h"
#include "reduce/histogram.h"
#include "reduce/near_col.h"
#include "reduce/palette_build.h"
#include "reduce/palettise.h"

// Heap use through operator new (every container and nothrow allocation of the stages):
// current and peak bytes, so each benchmark reports the peak its own run needed.
namespace heap {
std::atomic<int64_t> g_cur{0}, g_peak{0};
void* Alloc(size_t n, bool nothrow) {
  void* p = std::malloc(n + 16);
  if (!p) {
    if (nothrow) return nullptr;
    throw std::bad_alloc();
  }
  *static_cast<size_t*>(p) = n;
  const int64_t cur = g_cur += int64_t(n);
  int64_t peak = g_peak.load();
  while (cur > peak && !g_peak.compare_exchange_weak(peak, cur)) {
  }
  return static_cast<char*>(p) + 16;
}
void Free(void* p) {
  if (!p) return;
  char* base = static_cast<char*>(p) - 16;
  g_cur -= int64_t(*reinterpret_cast<size_t*>(base));
  std::free(base);
}
}  // namespace heap

void* operator new(size_t n) { return heap::Alloc(n, false); }
void* operator new[](size_t n) { return heap::Alloc(n, false); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return heap::Alloc(n, true); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return heap::Alloc(n, true); }
void operator delete(void* p) noexcept { heap::Free(p); }
void operator delete[](void* p) noexcept { heap::Free(p); }
void operator delete(void* p, size_t) noexcept { heap::Free(p); }
void operator delete[](void* p, size_t) noexcept { heap::Free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { heap::Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { heap::Free(p); }

namespace {

const char* const kPhotos[] = {"kodim01", "kodim03", "kodim05", "kodim07", "kodim23"};

std::string CorpusDir() {
  std::vector<std::string> dirs;
  if (const char* env = std::getenv("QUOVEX_CORPORA")) dirs.push_back(env);
  dirs.push_back("../shared/corpora");
  char exe[4096];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    exe[n] = 0;
    std::string d(exe);
    for (int up = 0; up < 3 && d.rfind('/') != std::string::npos; ++up) d.resize(d.rfind('/'));
    dirs.push_back(d + "/../shared/corpora");
  }
  for (const auto& d : dirs)
    if (std::ifstream(d + "/photos/kodim01.png").good()) return d;
  return {};
}

struct Photo {
  int w = 0, h = 0;
  std::vector<uint8_t> rgba;
};

bool RunCapture(const std::string& cmd, std::vector<uint8_t>& out) {
  FILE* f = popen(cmd.c_str(), "r");
  if (!f) return false;
  uint8_t buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
  return pclose(f) == 0;
}

const Photo* LoadPhoto(int i) {
  static std::map<int, Photo> cache;  // benchmark-local: decoded once per process
  auto it = cache.find(i);
  if (it != cache.end()) return it->second.rgba.empty() ? nullptr : &it->second;
  Photo& p = cache[i];
  const std::string dir = CorpusDir();
  if (dir.empty()) return nullptr;
  const std::string path = dir + "/photos/" + kPhotos[i] + ".png";
  std::vector<uint8_t> size;
  if (!RunCapture("identify -format '%w %h' '" + path + "' 2>/dev/null", size)) return nullptr;
  size.push_back(0);
  if (std::sscanf(reinterpret_cast<const char*>(size.data()), "%d %d", &p.w, &p.h) != 2) return nullptr;
  if (!RunCapture("convert '" + path + "' -depth 8 rgba:- 2>/dev/null", p.rgba) ||
      p.rgba.size() != size_t(p.w) * size_t(p.h) * 4) {
    p.rgba.clear();
    return nullptr;
  }
  return &p;
}

// Starts a peak measurement: returns the heap in use now.
int64_t ResetPeak() {
  heap::g_peak = heap::g_cur.load();
  return heap::g_cur.load();
}

void Report(benchmark::State& state, const Photo& p, int64_t before) {
  const double mp = double(p.w) * double(p.h) / 1e6;
  state.counters["s_per_MP"] =
      benchmark::Counter(mp, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["peak_MB"] = double(heap::g_peak.load() - before) / (1024.0 * 1024.0);
}

struct Run {
  CColRdctPrm prm;
  CColSpcConv conv;
  RdctSetup setup;
  RGBA palette[256];
  std::vector<PixelRec> recs;

  Run(const Photo& p, int colours, int dither) {
    prm.m_nOutColNum = colours;
    prm.m_nDithMode = dither;
    prm.DeriveGroupLayout(colours);
    conv.Build(prm);
    setup.pConv = &conv;
    setup.dwFlags = prm.m_dwFlags;
    setup.nOutColNum = colours;
    for (int g = 0; g < kGroupCount; ++g) setup.aGroup[g] = prm.m_aGroup[g];
    setup.nDithMode = dither;
    setup.fDithLevel = prm.m_fDithLevel;
    for (auto& c : palette) c = DefaultColour();
    recs.resize(size_t(p.w) * size_t(p.h));
    for (size_t i = 0; i < recs.size(); ++i) {
      recs[i].r = p.rgba[4 * i], recs[i].g = p.rgba[4 * i + 1], recs[i].b = p.rgba[4 * i + 2];
      recs[i].a = 255;
    }
  }
  bool BuildPalette() {
    std::vector<PixelRec> sorted;
    if (SortPixelRecords(recs.data(), recs.size(), sorted) != RDCT_OK) return false;
    return BuildPaletteFromRecords(setup, sorted.data(), sorted.size(), palette) == RDCT_OK;
  }
};

void BM_PaletteBuild(benchmark::State& state) {
  const Photo* p = LoadPhoto(int(state.range(0)));
  if (!p) return state.SkipWithError("photo corpus or ImageMagick missing");
  Run run(*p, int(state.range(1)), 0);
  const int64_t rss = ResetPeak();
  for (auto _ : state) {
    for (auto& c : run.palette) c = DefaultColour();
    if (!run.BuildPalette()) return state.SkipWithError("palette build failed");
    benchmark::DoNotOptimize(run.palette);
  }
  Report(state, *p, rss);
}

void BM_Palettise(benchmark::State& state) {
  const Photo* p = LoadPhoto(int(state.range(0)));
  if (!p) return state.SkipWithError("photo corpus or ImageMagick missing");
  Run run(*p, 256, int(state.range(1)));
  if (!run.BuildPalette()) return state.SkipWithError("palette build failed");
  PalTable table;
  table.Set(run.setup, run.palette);
  std::vector<uint8_t> cells(run.recs.size() * 2);
  const auto mode = state.range(2) ? CNearSearch::Mode::Fast : CNearSearch::Mode::Plain;
  const int64_t rss = ResetPeak();
  for (auto _ : state) {
    CNearSearch search(table, mode);  // one search (and cache) per pass, as a run makes it
    if (PalettisePlane(run.setup, search, run.recs.data(), p->w, p->h, cells.data(), 2) != RDCT_OK)
      return state.SkipWithError("palettise failed");
    benchmark::DoNotOptimize(cells.data());
  }
  Report(state, *p, rss);
}

void BM_DirectReduce(benchmark::State& state) {
  const Photo* p = LoadPhoto(int(state.range(0)));
  if (!p) return state.SkipWithError("photo corpus or ImageMagick missing");
  Run run(*p, kDirectColourCount, int(state.range(1)));
  run.setup.nBits[0] = 5, run.setup.nBits[1] = 6, run.setup.nBits[2] = 5;
  std::vector<uint8_t> px;
  const int64_t rss = ResetPeak();
  for (auto _ : state) {
    state.PauseTiming();
    px = p->rgba;
    state.ResumeTiming();
    if (ReduceDirectPlane(run.setup, px.data(), p->w, p->h) != RDCT_OK) return state.SkipWithError("failed");
    benchmark::DoNotOptimize(px.data());
  }
  Report(state, *p, rss);
}

// The peer: pngquant reducing the same photograph to 256 colours (process start included).
void BM_PeerPngquant(benchmark::State& state) {
  const Photo* p = LoadPhoto(int(state.range(0)));
  if (!p) return state.SkipWithError("photo corpus or ImageMagick missing");
  const std::string path = CorpusDir() + "/photos/" + kPhotos[state.range(0)] + ".png";
  if (std::system("command -v pngquant >/dev/null 2>&1") != 0) return state.SkipWithError("pngquant missing");
  const std::string cmd = "pngquant --force --speed " + std::to_string(state.range(1)) +
                          (state.range(2) ? "" : " --nofs") + " 256 - < '" + path + "' > /dev/null";
  auto childCpu = [] {
    rusage ru{};
    getrusage(RUSAGE_CHILDREN, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
  };
  for (auto _ : state) {
    const double t0 = childCpu();
    if (std::system(cmd.c_str()) != 0) return state.SkipWithError("pngquant failed");
    state.SetIterationTime(childCpu() - t0);  // the peer's processor time, like ours
  }
  state.counters["s_per_MP"] = benchmark::Counter(double(p->w) * double(p->h) / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);
}

void Photos(benchmark::internal::Benchmark* b, std::vector<std::vector<int64_t>> rest) {
  rest.insert(rest.begin(), {0, 1, 2, 3, 4});
  b->ArgsProduct(rest)->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_PaletteBuild)->Apply([](auto* b) { Photos(b, {{16, 256}}); })->ArgNames({"photo", "colours"});
BENCHMARK(BM_Palettise)->Apply([](auto* b) { Photos(b, {{0, 1, 2}, {0, 1}}); })->ArgNames({"photo", "dither", "fast"});
BENCHMARK(BM_DirectReduce)->Apply([](auto* b) { Photos(b, {{0, 1, 2}}); })->ArgNames({"photo", "dither"});
BENCHMARK(BM_PeerPngquant)->Apply([](auto* b) { Photos(b, {{4}, {0, 1}}); })->UseManualTime()->ArgNames({"photo", "speed", "dither"});
