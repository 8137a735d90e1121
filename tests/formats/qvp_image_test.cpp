// The image block: creation through the loader callback, bit-depth widening, and the moves
// between block and model.
#include <gtest/gtest.h>

#include "formats/host_result.h"
#include "formats/qvp_image.h"
#include "model/default_colour.h"
#include "support/image_builders.h"

namespace {

struct Block {
  QvpProcInfo info{};
  QvpProcess record{};
  Block(int kind = QVP_KIND_LOAD) {
    info.kind = kind;
    record.procInfo = &info;
    record.CreateImage = QvpHostCreateImage;
  }
  ~Block() { QvpFreeImage(&record.image); }
  int Create(uint32_t flags, int type, int w, int h, int n, int b, int e) {
    return record.CreateImage(&record, flags, type, w, h, n, b, e);
  }
  QvpImage& image() { return record.image; }
};

TEST(CreateImage, CountsAndLimits) {
  struct Case {
    int type, w, h, pictures, banks, entries;
    int rc;
    uint32_t gotPictures, gotBanks, gotEntries;
  } cases[] = {
      {1, 16, 16, 1, 2, 300, QVP_OK, 1, 2, 256},
      {1, 16, 16, 1, 150, 16, QVP_OK, 1, 100, 16},
      {0, 16, 16, 0, 0, 0, QVP_ERR_PARAM, 0, 0, 0},
      {1, 16, 16, 1, 0, 16, QVP_ERR_PARAM, 0, 0, 0},
      {1, 16, 16, 1, 3, 0, QVP_ERR_PARAM, 0, 0, 0},
      {2, 16, 16, 1, 0, 0, QVP_ERR_PARAM, 0, 0, 0},
      {0, 256, 64, 20, 0, 0, QVP_OK, 7, 0, 0},
      {0, 300, 200, 3, 0, 0, QVP_OK, 1, 0, 0},
      {0, 1024, 1024, 3, 0, 0, QVP_OK, 1, 0, 0},
      {0, 16, 16, 1, 5, 5, QVP_OK, 1, 0, 0},  // direct: banks ignored
      {1, 0, 0, 0, 1, 16, QVP_OK, 0, 1, 16},  // palette alone
      {1, 0, 16, 1, 1, 16, QVP_ERR_PARAM, 0, 0, 0},  // a zero-size picture is refused
      {0, 16, 0, 1, 0, 0, QVP_ERR_PARAM, 0, 0, 0},
      {0, -16, 16, 1, 0, 0, QVP_ERR_PARAM, 0, 0, 0},
      {0, 65536, 65536, 1, 0, 0, QVP_ERR_MEMORY, 0, 0, 0},
      {1, 65536, 65536, 1, 1, 256, QVP_ERR_MEMORY, 0, 0, 0},
  };
  for (const auto& c : cases) {
    Block blk;
    EXPECT_EQ(blk.Create(0, c.type, c.w, c.h, c.pictures, c.banks, c.entries), c.rc)
        << c.type << " " << c.w << "x" << c.h << " n" << c.pictures << " b" << c.banks;
    EXPECT_EQ(blk.image().pictureCount, c.gotPictures);
    EXPECT_EQ(blk.image().bankCount, c.gotBanks);
    EXPECT_EQ(blk.image().entryCount, c.gotEntries);
    if (c.rc != QVP_OK) {
      EXPECT_EQ(blk.image().pictures, nullptr);
    }
  }
}

TEST(CreateImage, MipSizesAndInitialContent) {
  ScopedOpaqueAlpha alpha(128);
  Block blk;
  ASSERT_EQ(blk.Create(QVPIMG_ALPHA, QVPIMG_DIR, 256, 64, 20, 0, 0), QVP_OK);
  const uint32_t widths[] = {256, 128, 64, 32, 16, 8, 4};
  for (int k = 0; k < 7; ++k) {
    EXPECT_EQ(blk.image().pictures[k].width, widths[k]);
    EXPECT_EQ(blk.image().pictures[k].height, 64u >> k);
    EXPECT_EQ(blk.image().pictures[k].size, widths[k] * (64u >> k) * 4);
  }
  EXPECT_EQ(blk.image().pictures[6].data[3], 128);  // default colour
  EXPECT_EQ(blk.image().bits[3], 8);
  Block pal;
  ASSERT_EQ(pal.Create(0, QVPIMG_IDX, 4, 4, 1, 2, 3), QVP_OK);
  EXPECT_EQ(pal.image().bits[3], 0);
  EXPECT_EQ(pal.image().banks[1].size, 12u);
  EXPECT_EQ(pal.image().banks[1].colour[255 * 4 + 3], 128);
  EXPECT_EQ(pal.image().pictures[0].data[0], 0);
}

TEST(CreateImage, OnlyLoadersMayCall) {
  Block saver(QVP_KIND_SAVE);
  EXPECT_EQ(saver.Create(0, 0, 4, 4, 1, 0, 0), QVP_ERR_PARAM);
  EXPECT_EQ(QvpHostCreateImage(nullptr, 0, 0, 4, 4, 1, 0, 0), QVP_ERR_PARAM);
}

TEST(ExpandBits, EveryDepthOfTheRule) {
  // Value 0xA5 = 1010 0101 at each depth.
  const uint8_t expected[9] = {0x00, 0xFF, 0xAA, 0xB6, 0xAA, 0xA5, 0xA6, 0xA5, 0xA5};
  for (int d = 0; d <= 8; ++d) EXPECT_EQ(QvpExpandValue(0xA5, d), expected[d]) << d;
  for (int d = 1; d <= 8; ++d) {
    EXPECT_EQ(QvpExpandValue(0xFF, d), 0xFF) << d;
    EXPECT_EQ(QvpExpandValue(0x00, d), 0x00) << d;
  }
  EXPECT_EQ(QvpExpandValue(0xF8, 5), 0xFF);
  EXPECT_EQ(QvpExpandValue(0x08, 5), 0x08);
  EXPECT_EQ(QvpExpandValue(0xE0, 3), 0xFF);
  EXPECT_EQ(QvpExpandValue(0x20, 3), 0x24);
  EXPECT_EQ(QvpExpandValue(0x40, 2), 0x55);
}

TEST(ExpandBits, OnlyReducedChannelsOfDirectPicturesAndBanks) {
  Block blk;
  ASSERT_EQ(blk.Create(0, QVPIMG_DIR, 2, 1, 1, 0, 0), QVP_OK);
  uint8_t* p = blk.image().pictures[0].data;
  for (int i = 0; i < 8; ++i) p[i] = 0xF8;
  blk.image().bits[0] = blk.image().bits[1] = 8;
  blk.image().bits[2] = 5;
  QvpExpandBits(&blk.image());
  EXPECT_EQ(p[0], 0xF8);
  EXPECT_EQ(p[1], 0xF8);
  EXPECT_EQ(p[2], 0xFF);
  EXPECT_EQ(p[3], 0xF8);  // no alpha channel: left alone

  Block pal;
  ASSERT_EQ(pal.Create(0, QVPIMG_IDX, 2, 1, 1, 1, 2), QVP_OK);
  pal.image().pictures[0].data[0] = 0xF8;
  pal.image().banks[0].colour[0] = 0xF8;
  pal.image().banks[0].colour[8] = 0xF8;  // entry 2: not used
  pal.image().bits[0] = pal.image().bits[1] = pal.image().bits[2] = 5;
  QvpExpandBits(&pal.image());
  EXPECT_EQ(pal.image().pictures[0].data[0], 0xF8);
  EXPECT_EQ(pal.image().banks[0].colour[0], 0xFF);
  EXPECT_EQ(pal.image().banks[0].colour[8], 0xF8);
}

CImgInf RoundTrip(const CImgInf& model, int* rcOut = nullptr) {
  QvpImage block{};
  int rc = QvpImageFromModel(&block, model);
  CImgInf back;
  if (rc == PIRC_OK) rc = QvpImageToModel(&block, back);
  QvpFreeImage(&block);
  if (rcOut) *rcOut = rc;
  return back;
}

TEST(BlockModel, RoundTripIsIdentical) {
  CImgInf palOnly;
  palOnly.m_aryPal.push_back(testutil::Bank(16));
  palOnly.m_aryPal.push_back(testutil::Bank(16, 1));
  palOnly.Renumber();
  palOnly.SetAlphaFlag(true);
  const struct {
    const char* name;
    CImgInf model;
  } cases[] = {
      {"direct", testutil::DirectImage(37, 21)},
      {"direct alpha", testutil::DirectImage(8, 8, 1, true)},
      {"palette banks", testutil::PaletteImage(19, 7, 200, 5)},
      {"palette levels alpha", testutil::PaletteImage(64, 32, 16, 3, 4, true)},
      {"direct mip levels", testutil::DirectImage(256, 128, 8)},
      {"palette only", palOnly},
  };
  for (const auto& c : cases) {
    int rc = -1;
    CImgInf back = RoundTrip(c.model, &rc);
    EXPECT_EQ(rc, PIRC_OK) << c.name;
    CImgInf expected = c.model;
    expected.m_impRct = CImpRctAry{};
    EXPECT_TRUE(testutil::SameContent(back, expected)) << c.name;
  }
}

TEST(BlockModel, FillRefusesInvalidModelsAndDropsImpossibleLevels) {
  int rc = -1;
  RoundTrip(CImgInf{}, &rc);
  EXPECT_EQ(rc, PIRC_ERROR);
  CImgInf noBank = testutil::PaletteImage(8, 8, 4);
  noBank.m_aryPal.clear();
  RoundTrip(noBank, &rc);
  EXPECT_EQ(rc, PIRC_ERROR);
  // 300 x 200 allows one picture only.
  CImgInf odd = testutil::DirectImage(300, 200, 2);
  CImgInf back = RoundTrip(odd, &rc);
  EXPECT_EQ(rc, PIRC_OK);
  EXPECT_EQ(back.ImgNum(), 1);
}

TEST(BlockModel, BankCountOfBankZeroIsUsedForAll) {
  ScopedOpaqueAlpha alpha(255);
  CImgInf img = testutil::PaletteImage(4, 4, 4, 2);
  img.m_aryPal[1].SetColNum(2);
  int rc;
  CImgInf back = RoundTrip(img, &rc);
  ASSERT_EQ(rc, PIRC_OK);
  EXPECT_EQ(back.GetColNum(1), 4);
  EXPECT_EQ(back.m_aryPal[1].m_pCol[3], DefaultColour());  // reset by SetColNum in the source
}

TEST(BlockModel, MoveRejectsDamagedBlocks) {
  Block blk;
  ASSERT_EQ(blk.Create(0, QVPIMG_DIR, 4, 4, 1, 0, 0), QVP_OK);
  blk.image().type = 7;
  CImgInf model = testutil::DirectImage(2, 2);
  EXPECT_EQ(QvpImageToModel(&blk.image(), model), PIRC_ERROR);
  EXPECT_EQ(model.ImgNum(), 0);

  Block pal;
  ASSERT_EQ(pal.Create(0, QVPIMG_IDX, 4, 4, 1, 1, 4), QVP_OK);
  pal.image().bankCount = 0;  // a palette picture without a bank is not a valid image
  EXPECT_EQ(QvpImageToModel(&pal.image(), model), PIRC_ERROR);
  pal.image().bankCount = 1;
  pal.image().pictures[0].size = 3;
  EXPECT_EQ(QvpImageToModel(&pal.image(), model), PIRC_ERROR);
}

TEST(BlockModel, MoveHandsOverBuffersAndExpandsFirst) {
  Block blk;
  ASSERT_EQ(blk.Create(0, QVPIMG_DIR, 2, 2, 1, 0, 0), QVP_OK);
  uint8_t* data = blk.image().pictures[0].data;
  data[0] = 0xF8;
  blk.image().bits[0] = 5;
  QvpExpandBits(&blk.image());
  CImgInf model;
  ASSERT_EQ(QvpImageToModel(&blk.image(), model), PIRC_OK);
  EXPECT_EQ(model.m_aryImg[0].m_pData, data);
  EXPECT_EQ(blk.image().pictures[0].data, nullptr);
  EXPECT_EQ(model.m_aryImg[0].m_pData[0], 0xFF);
}

TEST(HostCodes, ConversionAndTexts) {
  const int expected[] = {0, 2, 3, 4, 5, 6};
  for (int c = 0; c <= 5; ++c) EXPECT_EQ(QvpToHostCode(c), expected[c]);
  EXPECT_EQ(QvpToHostCode(-1), PIRC_ERROR);
  EXPECT_EQ(QvpToHostCode(6), PIRC_ERROR);
  EXPECT_STREQ(HostResultText(1), "この画像の形式には対応していません");
  EXPECT_STREQ(HostResultText(99), HostResultText(5));
  EXPECT_STREQ(HostResultText(0), "");
}

}  // namespace
