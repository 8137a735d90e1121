// Files for tests: the shared conformance corpora, and ImageMagick as an independent reader.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testutil {

// The conformance corpora folder, or nothing when it is absent.
inline std::optional<std::filesystem::path> CorporaDir() {
  if (const char* env = std::getenv("QUOVEX_CORPORA")) {
    if (std::filesystem::is_directory(env)) return std::filesystem::path(env);
  }
  const std::filesystem::path p = std::filesystem::path(QUOVEX_SOURCE_DIR) / ".." / "shared" / "corpora";
  if (std::filesystem::is_directory(p)) return p;
  return std::nullopt;
}

inline std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& dir, const std::string& ext) {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec))
    if (e.is_regular_file() && e.path().extension() == ext) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

inline bool HaveProgram(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// The picture as ImageMagick reads it: 8-bit R, G, B, A per pixel, first frame only.
struct MagickImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;
};
inline std::optional<MagickImage> MagickRead(const std::string& path) {
  MagickImage img;
  {
    const std::string cmd = "identify -format '%w %h\\n' '" + path + "[0]' 2>/dev/null";
    std::FILE* p = popen(cmd.c_str(), "r");
    if (!p) return std::nullopt;
    const int got = std::fscanf(p, "%d %d", &img.width, &img.height);
    if (pclose(p) != 0 || got != 2 || img.width <= 0 || img.height <= 0) return std::nullopt;
  }
  const std::string cmd = "convert '" + path + "[0]' -depth 8 rgba:- 2>/dev/null";
  std::FILE* p = popen(cmd.c_str(), "r");
  if (!p) return std::nullopt;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof(buf), p)) > 0) img.rgba.insert(img.rgba.end(), buf, buf + n);
  if (pclose(p) != 0 || img.rgba.size() != size_t(img.width) * size_t(img.height) * 4) return std::nullopt;
  return img;
}

}  // namespace testutil
