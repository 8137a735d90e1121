// Atomic file replacement and the per-user store location.
#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/file_read.h"
#include "platform/user_store.h"
#include "settings/temp_folder.h"

namespace {

using settingstest::ReadFile;
using settingstest::ScopedEnv;
using settingstest::TempFolder;
using settingstest::WriteFile;

int FilesIn(const std::string& folder) {
  int n = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

TEST(AtomicFile, ReplacesTheTargetOnlyOnCommit) {
  TempFolder dir;
  const std::string target = dir / "image.bmp";
  ASSERT_TRUE(WriteFile(target, "old"));
  {
    AtomicFileWriter w;
    ASSERT_TRUE(w.Open(target));
    const std::string temp = w.TempPath();
    EXPECT_EQ(std::filesystem::path(temp).parent_path(), std::filesystem::path(dir.Path()));
    EXPECT_EQ(std::filesystem::path(temp).extension(), ".bmp");
    EXPECT_EQ(std::filesystem::path(temp).filename().string().rfind(".image.", 0), 0u) << temp;
    ASSERT_TRUE(w.Write("new content"));
    EXPECT_EQ(ReadFile(target), "old");  // nothing visible before the commit
    // Dropped without commit: the temporary file goes, the target stays.
  }
  EXPECT_EQ(ReadFile(target), "old");
  EXPECT_EQ(FilesIn(dir.Path()), 1);

  AtomicFileWriter w;
  ASSERT_TRUE(w.Open(target));
  ASSERT_TRUE(w.Write("new"));
  ASSERT_TRUE(w.Commit());
  EXPECT_EQ(ReadFile(target), "new");
  EXPECT_EQ(FilesIn(dir.Path()), 1);
  EXPECT_TRUE(w.TempPath().empty());
}

TEST(AtomicFile, FailuresKeepTheOldFileAndLeaveNoTemporary) {
  TempFolder dir;
  // A folder that is missing.
  EXPECT_FALSE(WriteFileAtomic(dir / "missing/x.ini", "a", 1));
  // A target that is a folder: the rename fails after everything was written.
  std::filesystem::create_directory(dir / "sub.ini");
  ASSERT_TRUE(WriteFile(dir / "sub.ini/keep", "k"));
  EXPECT_FALSE(WriteFileAtomic(dir / "sub.ini", "a", 1));
  EXPECT_EQ(ReadFile(dir / "sub.ini/keep"), "k");
  EXPECT_EQ(FilesIn(dir.Path()), 1);
  // A folder that may not be written (root ignores permissions, so only check when enforced).
  const std::string locked = dir / "locked";
  std::filesystem::create_directory(locked);
  ASSERT_TRUE(WriteFile(locked + "/s.ini", "old"));
  ::chmod(locked.c_str(), 0500);
  if (::access(locked.c_str(), W_OK) != 0) {
    EXPECT_FALSE(WriteFileAtomic(locked + "/s.ini", "new", 3));
    EXPECT_EQ(ReadFile(locked + "/s.ini"), "old");
  }
  ::chmod(locked.c_str(), 0700);
  // Writing to a closed writer fails and says so.
  AtomicFileWriter w;
  EXPECT_FALSE(w.Write("x"));
  EXPECT_FALSE(w.Commit());
  EXPECT_NE(w.Error(), 0);
}

TEST(AtomicFile, AFailedWriteKeepsTheOldFile) {
  TempFolder dir;
  const std::string target = dir / "s.ini";
  ASSERT_TRUE(WriteFile(target, "old content"));
  const std::string big(4096, 'n');
  {
    settingstest::ScopedFileSizeLimit limit(1024);
    ASSERT_TRUE(limit.Ok());
    AtomicFileWriter w;
    ASSERT_TRUE(w.Open(target));
    EXPECT_FALSE(w.Write(big));
    EXPECT_EQ(w.Error(), EFBIG);
    EXPECT_FALSE(w.Write("more"));  // stays failed
    EXPECT_FALSE(w.Commit());
    EXPECT_FALSE(WriteFileAtomic(target, big.data(), big.size()));
  }
  EXPECT_EQ(ReadFile(target), "old content");
  EXPECT_EQ(FilesIn(dir.Path()), 1);
}

TEST(AtomicFile, NewFileFollowsTheUmaskAndAReplacedOneKeepsItsMode) {
  TempFolder dir;
  const std::string fresh = dir / "fresh.txt";
  ASSERT_TRUE(WriteFileAtomic(fresh, "x", 1));
  const mode_t mask = ::umask(022);
  ::umask(mask);
  struct stat st;
  ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
  ::chmod(fresh.c_str(), 0640);
  ASSERT_TRUE(WriteFileAtomic(fresh, "y", 1));
  ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(FileRead, LimitsAndMissingFiles) {
  TempFolder dir;
  std::string out = "stale";
  EXPECT_EQ(ReadWholeFile(dir / "none", 10, out), FileReadResult::NotFound);
  EXPECT_TRUE(out.empty());
  ASSERT_TRUE(WriteFile(dir / "f", "12345"));
  EXPECT_EQ(ReadWholeFile(dir / "f", 5, out), FileReadResult::Ok);
  EXPECT_EQ(out, "12345");
  EXPECT_EQ(ReadWholeFile(dir / "f", 4, out), FileReadResult::TooLarge);
  EXPECT_EQ(ReadWholeFile(dir.Path(), 100, out), FileReadResult::OpenFailed);  // a folder
  EXPECT_EQ(ReadWholeFile("", 100, out), FileReadResult::OpenFailed);
}

TEST(UserStore, FollowsXdgConfigHomeElseHome) {
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "/tmp/cfg/");
    EXPECT_EQ(UserStoreDir(), "/tmp/cfg/Norrwick/Quovex");
    EXPECT_EQ(UserStorePath(), "/tmp/cfg/Norrwick/Quovex/Quovo.ini");
  }
  for (const char* unusable : {"", "relative/cfg"}) {
    ScopedEnv xdg("XDG_CONFIG_HOME", unusable);
    ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(UserStoreDir(), "/home/someone/.config/Norrwick/Quovex") << unusable;
  }
}

TEST(UserStore, CreatesTheFolderChain) {
  TempFolder dir;
  ScopedEnv xdg("XDG_CONFIG_HOME", (dir / "a//b").c_str());
  ASSERT_TRUE(EnsureUserStoreDir());
  EXPECT_TRUE(std::filesystem::is_directory(dir / "a/b/Norrwick/Quovex"));
  EXPECT_TRUE(EnsureUserStoreDir());  // existing folders are fine
  ASSERT_TRUE(WriteFile(dir / "file", ""));
  EXPECT_FALSE(MakeFolderChain(dir / "file/x"));
}

}  // namespace
