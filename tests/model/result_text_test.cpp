// Texts of the image operation result codes.
#include <gtest/gtest.h>

#include "model/result_text.h"

TEST(ImgResultText, Table) {
  EXPECT_STREQ(ImgResultText(0), "");
  EXPECT_STREQ(ImgResultText(1), "エラーが発生しました");
  EXPECT_STREQ(ImgResultText(2), "メモリー不足です");
  EXPECT_STREQ(ImgResultText(3), "サポートされていません");
  EXPECT_STREQ(ImgResultText(4), "中断しました");
  EXPECT_STREQ(ImgResultText(-3), ImgResultText(1));
}
