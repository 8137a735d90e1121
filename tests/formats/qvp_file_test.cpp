// The file block's text fields.
#include <gtest/gtest.h>

#include <memory>

#include "formats/qvp_file.h"

namespace {

TEST(FileBlock, SplitsPath) {
  struct Case {
    const char* path;
    const char* folder;
    const char* name;
    const char* title;
    const char* ext;
  } cases[] = {
      {"/home/u/pic.bmp", "/home/u", "pic.bmp", "pic", "bmp"},
      {"/pic.tar.gz", "/", "pic.tar.gz", "pic.tar", "gz"},
      {"rel/noext", "rel", "noext", "noext", ""},
      {"/a/.hidden", "/a", ".hidden", ".hidden", ""},
  };
  auto file = std::make_unique<QvpFile>();
  for (const auto& c : cases) {
    ASSERT_TRUE(QvpFillFileBlock(file.get(), c.path));
    EXPECT_STREQ(file->path, c.path);
    EXPECT_STREQ(file->folder, c.folder);
    EXPECT_STREQ(file->fileName, c.name);
    EXPECT_STREQ(file->title, c.title);
    EXPECT_STREQ(file->extension, c.ext);
  }
}

TEST(FileBlock, RefusesPathsThatDoNotFitAndCopiesHeader) {
  auto file = std::make_unique<QvpFile>();
  const std::string longPath = "/" + std::string(QVP_MAX_PATH, 'a');
  EXPECT_FALSE(QvpFillFileBlock(file.get(), longPath));
  EXPECT_EQ(file->path[0], 0);
  const std::string fits = "/" + std::string(QVP_MAX_PATH - 2, 'a');
  EXPECT_TRUE(QvpFillFileBlock(file.get(), fits));
  const uint8_t head[3] = {1, 2, 3};
  ASSERT_TRUE(QvpFillFileBlock(file.get(), "/x.bmp", head, 3));
  EXPECT_EQ(file->header[2], 3);
  EXPECT_EQ(file->header[3], 0);
}

}  // namespace
