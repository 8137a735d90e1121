// The command-line tool as a user runs it: exit status, messages and files.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

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
