// The command-line tool as a user runs it: exit status, messages and files.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "reduce/col_rdct_prm.h"
#include "support/temp_dir.h"

namespace {

struct CliRun {
  int status;
  std::string out;
};

CliRun RunCli(const std::string& args) {
  const std::string cmd = std::string(QUOVEX_BIN_DIR) + "/quovo-cli " + args + " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  CliRun r{-1, ""};
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof(buf), p)) > 0) r.out.append(buf, n);
  const int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  return r;
}

TEST(Cli, UsageAndVersion) {
  struct Case {
    const char* args;
    int status;
    const char* contains;
  } cases[] = {
      {"--version", 0, "quovo-cli "},     {"--help", 0, "convert IN OUT"}, {"", 2, "Usage"},
      {"frobnicate", 2, "unknown command"}, {"convert onlyone", 2, "wrong arguments"},
      {"info", 2, "wrong arguments"},
  };
  for (const auto& c : cases) {
    const CliRun r = RunCli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_NE(r.out.find(c.contains), std::string::npos) << c.args << ": " << r.out;
  }
}

TEST(Cli, MissingAndDamagedFilesFailWithTheHostMessage) {
  testutil::TempDir dir;
  CliRun r = RunCli("info '" + (dir / "missing.bmp") + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("ファイルが扱えないか内容が壊れています"), std::string::npos) << r.out;
  testutil::WriteFile(dir / "junk.xyz", {1, 2, 3, 4, 5});
  r = RunCli("convert '" + (dir / "junk.xyz") + "' '" + (dir / "out.act") + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("この画像の形式には対応していません"), std::string::npos) << r.out;
}

TEST(Cli, ConvertsAPaletteBetweenModules) {
  testutil::TempDir dir;
  std::vector<uint8_t> pal = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'P', 'A', 'L', ' ', 'd', 'a', 't', 'a', 0, 0, 0, 0, 0, 3, 2, 0,
                              10, 20, 30, 0, 40, 50, 60, 0};
  testutil::WriteFile(dir / "in.pal", pal);
  CliRun r = RunCli("convert '" + (dir / "in.pal") + "' '" + (dir / "out.act") + "'");
  ASSERT_EQ(r.status, 0) << r.out;
  const auto act = testutil::ReadFile(dir / "out.act");
  ASSERT_EQ(act.size(), 768u);
  EXPECT_EQ(act[3], 40);
  r = RunCli("info '" + (dir / "out.act") + "'");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("banks: 1 (colours: 256)"), std::string::npos) << r.out;
  r = RunCli("formats");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("*.act"), std::string::npos);
}

}  // namespace

namespace {

bool HaveImageMagick() { return std::system("convert -version >/dev/null 2>&1") == 0; }

// A 64 x 48 gradient BMP with many colours, written by ImageMagick.
std::string GradientBmp(const testutil::TempDir& dir) {
  const std::string path = dir / "grad.bmp";
  const std::string cmd = "convert -size 64x48 gradient:red-blue -depth 8 -type TrueColor 'BMP3:" + path + "' 2>/dev/null";
  return std::system(cmd.c_str()) == 0 ? path : "";
}

TEST(CliReduce, SixteenColoursThatImageMagickReads) {
  if (!HaveImageMagick()) GTEST_SKIP() << "ImageMagick missing";
  testutil::TempDir dir;
  const std::string in = GradientBmp(dir);
  ASSERT_FALSE(in.empty());
  CliRun r = RunCli("reduce '" + in + "' '" + (dir / "out.bmp") + "' --colors 16 --dither diffusion");
  ASSERT_EQ(r.status, 0) << r.out;
  FILE* p = popen(("identify -format '%k %r' '" + (dir / "out.bmp") + "'").c_str(), "r");
  char buf[256] = {};
  ASSERT_NE(p, nullptr);
  std::fgets(buf, sizeof(buf), p);
  pclose(p);
  const int colours = std::atoi(buf);
  EXPECT_GE(colours, 2) << buf;
  EXPECT_LE(colours, 16) << buf;
  EXPECT_NE(std::string(buf).find("PseudoClass"), std::string::npos) << buf;
  // Repeated runs give the same bytes.
  r = RunCli("reduce '" + in + "' '" + (dir / "again.bmp") + "' --colors 16 --dither diffusion");
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(testutil::ReadFile(dir / "out.bmp"), testutil::ReadFile(dir / "again.bmp"));
}

TEST(CliReduce, BadArgumentsAndFiles) {
  testutil::TempDir dir;
  testutil::WriteFile(dir / "broken.bmp", {'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
  struct Case {
    std::string args;
    int status;
  } cases[] = {
      {"reduce a.bmp", 2},
      {"reduce a.bmp b.bmp --colors 1", 2},
      {"reduce a.bmp b.bmp --colors 300", 2},
      {"reduce a.bmp b.bmp --colors", 2},
      {"reduce a.bmp b.bmp --dither fancy", 2},
      {"reduce a.bmp b.bmp --transparent 12345", 2},
      {"reduce a.bmp b.bmp --bogus", 2},
      {"reduce '" + (dir / "missing.bmp") + "' '" + (dir / "o.bmp") + "'", 1},
      {"reduce '" + (dir / "broken.bmp") + "' '" + (dir / "o.bmp") + "'", 1},
      {"reduce '" + (dir / "broken.bmp") + "' '" + (dir / "o.bmp") + "' --settings '" + (dir / "none.crs") + "'", 1},
  };
  for (const auto& c : cases) {
    const CliRun r = RunCli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out;
    EXPECT_FALSE(r.out.empty()) << c.args;
  }
}

TEST(CliReduce, SettingsFileAndTransparentColour) {
  if (!HaveImageMagick()) GTEST_SKIP() << "ImageMagick missing";
  testutil::TempDir dir;
  const std::string in = GradientBmp(dir);
  ASSERT_FALSE(in.empty());
  CColRdctPrm prm;
  prm.m_nOutColNum = 8;
  ASSERT_TRUE(prm.SaveCrs(dir / "eight.crs"));
  CliRun r = RunCli("reduce '" + in + "' '" + (dir / "o.bmp") + "' --settings '" + (dir / "eight.crs") +
                    "' --transparent FF0000");
  ASSERT_EQ(r.status, 0) << r.out;
  r = RunCli("info '" + (dir / "o.bmp") + "'");
  EXPECT_NE(r.out.find("banks: 1 (colours: 8)"), std::string::npos) << r.out;
}

}  // namespace
