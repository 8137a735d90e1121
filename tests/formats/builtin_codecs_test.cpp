// The built-in codecs driven by the plug-in manager: table order, file type chosen by
// content, and saves through the savers the manager names.
#include <gtest/gtest.h>

#include "formats/bmp_plugin.h"
#include "formats/builtin_table.h"
#include "formats/host_result.h"
#include "formats/plugin_manager.h"
#include "formats/qvf_plugin.h"
#include "support/image_builders.h"
#include "support/temp_dir.h"

namespace {

TEST(BuiltinCodecs, ManagerLoadsAndSavesThroughThem) {
  testutil::TempDir dir;
  BuiltinHost host;
  CPluginMng mng(dir / "Plugins");
  ASSERT_GE(mng.Scan(BuiltinPlugins(), &host), 2);
  const int qvfSaver = mng.FindBuiltinProcess(kQvfSaverId);
  const int bmpSaver = mng.FindBuiltinProcess(kBmpSaverId);
  EXPECT_EQ(qvfSaver, 1);          // plug-in 0, process 1
  EXPECT_EQ(bmpSaver, 65536 + 1);  // plug-in 1, process 1
  EXPECT_EQ(mng.FindBuiltinProcess(kBmpLoaderId), 65536);

  const CImgInf img = testutil::PaletteImage(20, 10, 16, 3, 1, true);
  ASSERT_EQ(mng.Save(dir / "a.qvf", img, false, qvfSaver, 0, 0), PIRC_OK);
  ASSERT_EQ(mng.Save(dir / "a.bmp", img, false, bmpSaver, 0, 1), PIRC_OK);
  // The BMP saver takes no .qvf name.
  EXPECT_EQ(mng.Save(dir / "b.qvf", img, false, bmpSaver, 0, 0), PIRC_NOTHANDLED);

  CImgInf q;
  ASSERT_EQ(mng.Load(dir / "a.qvf", q, false, -1), PIRC_OK);
  EXPECT_EQ(mng.m_currentIndex, 0);
  EXPECT_TRUE(testutil::SameContent(img, q));

  CImgInf b;
  ASSERT_EQ(mng.Load(dir / "a.bmp", b, false, -1), PIRC_OK);
  EXPECT_EQ(mng.m_currentIndex, 65536);
  ASSERT_EQ(b.PalNum(), 1);
  EXPECT_EQ(testutil::Bytes(b.m_aryImg[0]), testutil::Bytes(img.m_aryImg[0]));
  // Bank 1 was written.
  EXPECT_EQ(b.m_aryPal[0].m_pCol[5].r, img.m_aryPal[1].m_pCol[5].r);

  // A file neither accepts: not handled; a damaged BMP: broken.
  testutil::WriteFile(dir / "x.bmp", std::vector<uint8_t>(100, 'x'));
  CImgInf x;
  EXPECT_EQ(mng.Load(dir / "x.bmp", x, false, -1), PIRC_NOTHANDLED);
  std::vector<uint8_t> cut = testutil::ReadFile(dir / "a.bmp");
  cut.resize(cut.size() - 10);
  testutil::WriteFile(dir / "cut.bmp", cut);
  EXPECT_EQ(mng.Load(dir / "cut.bmp", x, false, -1), PIRC_BROKEN);
}

}  // namespace
