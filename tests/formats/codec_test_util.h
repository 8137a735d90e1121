// Helpers of the codec tests: the conformance corpora, outside tools as judges, pixels of a
// loaded content as RGBA, and a process record driven without the manager.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/qvp_image.h"
#include "model/img_inf.h"

namespace codectest {

// The corpora folder, or empty when absent.
inline std::string Corpora() {
  if (const char* env = std::getenv("QUOVEX_CORPORA"); env && *env && std::filesystem::is_directory(env))
    return env;
  const std::string p = std::string(QUOVEX_SOURCE_DIR) + "/../shared/corpora";
  return std::filesystem::is_directory(p) ? p : std::string();
}

inline bool HaveTool(const char* name) {
  const std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs a shell command; its standard output, and whether it exited with 0.
inline bool Run(const std::string& cmd, std::vector<uint8_t>* out = nullptr) {
  FILE* p = popen((cmd + " 2>/dev/null").c_str(), "r");
  if (!p) return false;
  std::vector<uint8_t> data;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof(buf), p)) > 0) data.insert(data.end(), buf, buf + n);
  const int status = pclose(p);
  if (out) *out = std::move(data);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// ImageMagick's reading of a file as 8-bit RGBA, with its size.
struct Rgba {
  int width = 0, height = 0;
  std::vector<uint8_t> px;
};

inline bool MagickSize(const std::string& file, int& w, int& h) {
  std::vector<uint8_t> out;
  if (!Run("identify -format '%w %h\\n' " + Quote(file), &out)) return false;
  std::string s(out.begin(), out.end());
  return std::sscanf(s.c_str(), "%d %d", &w, &h) == 2;
}

inline bool MagickRgba(const std::string& file, Rgba& img, const std::string& options = "") {
  if (!MagickSize(file, img.width, img.height)) return false;
  if (!Run("convert " + Quote(file) + " " + options + " -depth 8 rgba:-", &img.px)) return false;
  return img.px.size() == size_t(img.width) * size_t(img.height) * 4;
}

// Level 0 of a content as RGBA (palette levels through bank 0).
inline Rgba ModelRgba(const CImgInf& model) {
  Rgba r;
  if (model.ImgNum() == 0) return r;
  const CImgDatIf& lv = model.m_aryImg[0];
  r.width = lv.m_nWidth;
  r.height = lv.m_nHeight;
  r.px.resize(size_t(r.width) * size_t(r.height) * 4);
  for (size_t i = 0; i < size_t(r.width) * size_t(r.height); ++i) {
    if (lv.m_nType == IMGTYPE_DIR) {
      std::memcpy(&r.px[i * 4], lv.m_pData + i * 4, 4);
    } else {
      const RGBA c = model.m_aryPal[0].m_pCol[lv.m_pData[i * 2]];
      r.px[i * 4] = c.r;
      r.px[i * 4 + 1] = c.g;
      r.px[i * 4 + 2] = c.b;
      r.px[i * 4 + 3] = c.a;
    }
  }
  return r;
}

// A saver's process record filled from a content, for calling a codec function directly.
struct Record {
  QvpProcess rec{};
  QvpProcInfo info{};
  Record(int32_t id, int kind, const CImgInf* model = nullptr) {
    info.kind = kind;
    info.id = id;
    rec.procInfo = &info;
    rec.id = id;
    rec.CreateImage = QvpHostCreateImage;
    if (model) QvpImageFromModel(&rec.image, *model);
  }
  ~Record() { QvpFreeImage(&rec.image); }
  Record(const Record&) = delete;
  Record& operator=(const Record&) = delete;
};

}  // namespace codectest
