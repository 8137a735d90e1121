// Nearest colour search in the reduction's colour space (type 0, every priority 0).
#include <gtest/gtest.h>

#include "model/img_inf.h"
#include "model/nearest_colour.h"
#include "reduce/col_spc_nearest.h"

namespace {

TEST(FindNearest, WeighsLuminanceLikeTheReduction) {
  CColSpcNearest space;
  CPalDatIf bank;
  bank.Create(3);
  bank.m_pCol[0] = RGBA{255, 255, 255, 255};
  bank.m_pCol[1] = RGBA{30, 30, 30, 255};  // nearer to black in plain RGB
  bank.m_pCol[2] = RGBA{0, 0, 60, 255};    // nearer in the reduction's space: dark blue is dark
  RGBA c{0, 0, 0, 255};
  EXPECT_EQ(FindNearest(bank, c, false, nullptr, space), 2);
  EXPECT_EQ(c, (RGBA{0, 0, 60, 255}));
  // Alpha counts only when asked.
  bank.m_pCol[2].a = 0;
  bank.m_pCol[1] = RGBA{0, 0, 61, 255};
  RGBA d{0, 0, 60, 255};
  EXPECT_EQ(FindNearest(bank, d, false, nullptr, space), 2);
  d = RGBA{0, 0, 60, 255};
  EXPECT_EQ(FindNearest(bank, d, true, nullptr, space), 1);
}

}  // namespace
