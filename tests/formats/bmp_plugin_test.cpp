// The BMP plug-in: its tables, the run-length encoders (golden bytes), every saver variant
// read back by our loader and by ImageMagick, the saver's header choices, settings exchange,
// the options seam, and the bitmap suite.
#include "formats/bmp_plugin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>

#include "formats/builtin_dialogs.h"
#include "formats/dib_lib.h"
#include "model/default_colour.h"
#include "settings/app_profile.h"
#include "settings/profile.h"
#include "support/bmp_builder.h"
#include "support/codec_harness.h"
#include "support/image_builders.h"
#include "support/temp_dir.h"
#include "support/test_files.h"

namespace {

using testutil::CodecHarness;
using Bytes = std::vector<uint8_t>;

Bytes Rle8(const Bytes& row) {
  Bytes out;
  BmpEncodeRle8Row(row.data(), row.size(), out);
  return out;
}
Bytes Rle4(const Bytes& row) {
  Bytes out;
  BmpEncodeRle4Row(row.data(), row.size(), out);
  return out;
}

TEST(BmpPlugin, Tables) {
  const QvpPluginInfo* info = nullptr;
  const QvpProcInfo* table = nullptr;
  QvpConnect connect{};
  ASSERT_TRUE(kBmpPlugin.functions.ConnectPlugin(&connect, &info, &table));
  EXPECT_EQ(info, kBmpPlugin.info);
  EXPECT_EQ(table, kBmpPlugin.procTable);
  EXPECT_EQ(info->version, 0x00010001u);
  EXPECT_STREQ(info->name, "BMPフォーマットプラグイン(ビルトイン)");
  EXPECT_EQ(table[0].kind, QVP_KIND_LOAD);
  EXPECT_EQ(table[0].id, 0x7FFF0002);
  EXPECT_EQ(table[0].caps, 0x13u);
  EXPECT_STREQ(table[0].name, "BMPフォーマットローダ");
  EXPECT_STREQ(table[0].description, "Windowsビットマップ");
  EXPECT_STREQ(table[0].patterns, "*.bmp;*.rle");
  EXPECT_EQ(table[1].kind, QVP_KIND_SAVE);
  EXPECT_EQ(table[1].id, 0x7FFF0003);
  EXPECT_EQ(table[1].caps, 0x53u);
  EXPECT_STREQ(table[1].name, "BMPフォーマットセーバ");
  EXPECT_STREQ(table[1].description, "WindowsビットマップBMP");
  EXPECT_STREQ(table[1].patterns, "*.bmp");
  EXPECT_NE(table[2].kind, QVP_KIND_LOAD);
  EXPECT_NE(table[2].kind, QVP_KIND_SAVE);
  for (auto fn : {(void*)kBmpPlugin.functions.FileLoadOptions, (void*)kBmpPlugin.functions.SettingGet,
                  (void*)kBmpPlugin.functions.SettingSet, (void*)kBmpPlugin.functions.FileSaveOptions})
    EXPECT_NE(fn, nullptr);
  EXPECT_EQ(kBmpPlugin.functions.FileLoadOptions(nullptr, nullptr), QVP_OK);
}

TEST(BmpRle8, GoldenRows) {
  struct Case {
    Bytes row, expect;
  } cases[] = {
      {{9, 9, 9, 9, 9, 9, 9, 9}, {8, 9, 0, 0}},
      {{1, 2, 3, 3, 3, 3}, {1, 1, 1, 2, 4, 3, 0, 0}},
      {{1, 2, 3, 4, 5, 6}, {0, 6, 1, 2, 3, 4, 5, 6, 0, 0}},
      {{7}, {1, 7, 0, 0}},
      {{1, 2, 3}, {0, 3, 1, 2, 3, 0, 0, 0}},                          // odd literal padded
      {{5, 4, 4, 4}, {1, 5, 3, 4, 0, 0}},                             // L = 1, R = 3
      {{1, 2, 3, 4, 4, 4, 4, 4}, {0, 4, 1, 2, 3, 4, 4, 4, 0, 0}},     // L odd 3, R 5: the run's first joins
      {{1, 2, 3, 4, 4, 4, 4}, {0, 7, 1, 2, 3, 4, 4, 4, 4, 0, 0, 0}},  // R 4 with L 3 stays literal
  };
  for (const auto& c : cases) EXPECT_EQ(Rle8(c.row), c.expect);

  // Runs stop at 255; literals at 255.
  const Bytes flat(600, 3);
  EXPECT_EQ(Rle8(flat), (Bytes{255, 3, 255, 3, 90, 3, 0, 0}));
  Bytes ramp(300);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = uint8_t(i);
  const Bytes enc = Rle8(ramp);
  ASSERT_GE(enc.size(), 260u);
  EXPECT_EQ(enc[0], 0);
  EXPECT_EQ(enc[1], 255);
  EXPECT_EQ(enc[2 + 255], 0);  // pad after an odd literal
}

TEST(BmpRle4, PatternRuns) {
  struct Case {
    Bytes row, expect;
  } cases[] = {
      {{5, 5, 5, 5, 5, 5, 5, 5}, {8, 0x55, 0, 0}},
      {{1, 2, 1, 2, 1, 2}, {6, 0x12, 0, 0}},
      {{1, 2, 3}, {0, 3, 0x12, 0x30, 0, 0}},
      {{7}, {1, 0x70, 0, 0}},
      {{7, 8}, {2, 0x78, 0, 0}},
      {{1, 2, 3, 4, 5}, {0, 5, 0x12, 0x34, 0x50, 0, 0, 0}},
      // The 1 after the 9 joins the 9's pattern; the next 1 breaks it and starts a run that
      // needs J = 6 behind two literal pixels.
      {{9, 1, 1, 1, 1, 1, 1, 1}, {2, 0x91, 6, 0x11, 0, 0}},
      {{9, 1, 1, 1, 1, 1, 1}, {0, 7, 0x91, 0x11, 0x11, 0x10, 0, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(Rle4(c.row), c.expect);
}

// Encodes rows with our encoders and decodes them with the bitmap reader.
TEST(BmpRle, EncodersRoundTripThroughTheReader) {
  for (int bits : {4, 8}) {
    const int w = 333, h = 7;
    testutil::BmpSpec s;
    s.width = w;
    s.height = h;
    s.bits = uint16_t(bits);
    s.compression = bits == 8 ? 1 : 2;
    s.table = testutil::GreyishTable(1 << bits);
    auto value = [bits](int x, int y) {
      const int v = (y % 3 == 0) ? (x / 40) : (y % 3 == 1) ? (x * x + y) : ((x / 3) & 1);
      return uint8_t(v & ((1 << bits) - 1));
    };
    for (int y = h - 1; y >= 0; --y) {
      Bytes row(w);
      for (int x = 0; x < w; ++x) row[size_t(x)] = value(x, y);
      const Bytes enc = bits == 8 ? Rle8(row) : Rle4(row);
      s.pixels.insert(s.pixels.end(), enc.begin(), enc.end());
    }
    s.pixels.insert(s.pixels.end(), {0, 1});
    const Bytes file = testutil::BuildBmp(s);
    CDibLib dib;
    ASSERT_EQ(dib.ParseFile(file.data(), file.size()), DIBRC_OK);
    ASSERT_EQ(dib.Decompress(), DIBRC_OK);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ASSERT_EQ(dib.GetIndex(x, y), value(x, y)) << bits << " " << x << "," << y;
  }
}

// ---- saving ----

struct Variant {
  int headerType;
  int bits;  // wanted: 1, 4, 8 palette; 24 direct; 32 direct with alpha
  bool rle;
};

CImgInf VariantImage(int bits) {
  switch (bits) {
    case 1: return testutil::PaletteImage(37, 11, 2);
    case 4: return testutil::PaletteImage(37, 11, 13);
    case 8: return testutil::PaletteImage(37, 11, 200);
    case 24: return testutil::DirectImage(37, 11);
    default: {
      CImgInf img = testutil::DirectImage(37, 11, 1, true);
      for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 37; ++x) img.m_aryImg[0].Cell(x, y)[3] = uint8_t(x * 7 + y);
      return img;
    }
  }
}

// What our loader should give back for the image the saver was handed.
void ExpectSameAsSaved(const CImgInf& saved, const CImgInf& loaded, const Variant& v) {
  ASSERT_EQ(loaded.ImgNum(), 1);
  const CImgDatIf& a = saved.m_aryImg[0];
  const CImgDatIf& b = loaded.m_aryImg[0];
  ASSERT_EQ(a.m_nType, b.m_nType);
  ASSERT_EQ(a.m_nWidth, b.m_nWidth);
  ASSERT_EQ(a.m_nHeight, b.m_nHeight);
  const bool keepsAlpha = v.bits == 32 && v.headerType == BMPHDR_V4;
  EXPECT_EQ(loaded.HasAlpha(), keepsAlpha);
  for (int y = 0; y < a.m_nHeight; ++y)
    for (int x = 0; x < a.m_nWidth; ++x) {
      const uint8_t* p = a.Cell(x, y);
      const uint8_t* q = b.Cell(x, y);
      if (a.m_nType == IMGTYPE_IDX) {
        ASSERT_EQ(p[0], q[0]) << x << "," << y;
      } else {
        ASSERT_EQ(std::memcmp(p, q, 3), 0) << x << "," << y;
        if (keepsAlpha) {
          ASSERT_EQ(p[3], q[3]) << x << "," << y;
        }
      }
    }
  if (a.m_nType == IMGTYPE_IDX) {
    ASSERT_EQ(loaded.PalNum(), 1);
    const int n = saved.m_aryPal[0].m_nColNum;
    // OS/2 tables hold 2^bits entries.
    EXPECT_GE(loaded.m_aryPal[0].m_nColNum, n);
    for (int i = 0; i < n; ++i) {
      const RGBA c = saved.m_aryPal[0].m_pCol[i], d = loaded.m_aryPal[0].m_pCol[i];
      EXPECT_EQ((RGBA{c.r, c.g, c.b, 0}), d) << i;
    }
  }
}

TEST(BmpSave, EveryVariantReadsBackExactly) {
  testutil::TempDir dir;
  const bool magick = testutil::HaveProgram("convert") && testutil::HaveProgram("identify");
  CodecHarness saver(kBmpPlugin, kBmpSaverId);
  CodecHarness loader(kBmpPlugin, kBmpLoaderId);
  ASSERT_TRUE(saver.Connected() && loader.Connected());
  for (int header : {BMPHDR_OS2, BMPHDR_WIN, BMPHDR_V4}) {
    for (int bits : {1, 4, 8, 24, 32}) {
      for (bool rle : {false, true}) {
        const Variant v{header, bits, rle};
        const std::string name =
            "h" + std::to_string(header) + "b" + std::to_string(bits) + (rle ? "r" : "") + ".bmp";
        SCOPED_TRACE(name);
        const std::string path = dir / name;
        const CImgInf img = VariantImage(bits);
        BmpSaverSettings settings;
        settings.headerType = header;
        settings.rleFlag = rle;
        ASSERT_EQ(saver.Save(path, img, 0, 0,
                             [&](QvpProcess* r, const QvpFile* f) {
                               return BmpSaveWithSettings(r, f->path, settings);
                             }),
                  QVP_OK);
        EXPECT_EQ(saver.progress.back(), 100);

        const Bytes file = testutil::ReadFile(path);
        ASSERT_GT(file.size(), 30u);
        const uint32_t compression = header == BMPHDR_OS2 ? 0 : uint32_t(file[30]);
        const bool rleUsed = rle && header != BMPHDR_OS2 && bits <= 8;
        EXPECT_EQ(compression == 1 || compression == 2, rleUsed);

        ASSERT_EQ(loader.Check(path), 1);
        CImgInf back;
        ASSERT_EQ(loader.Load(path, back), QVP_OK);
        ExpectSameAsSaved(img, back, v);

        if (!magick) continue;
        const auto m = testutil::MagickRead(path);
        ASSERT_TRUE(m) << "ImageMagick cannot read " << name;
        ASSERT_EQ(m->width, 37);
        ASSERT_EQ(m->height, 11);
        for (int y = 0; y < 11; ++y)
          for (int x = 0; x < 37; ++x) {
            RGBA want;
            ASSERT_TRUE(img.GetPixel(0, x, y, 0, want));
            const uint8_t* got = &m->rgba[(size_t(y) * 37 + size_t(x)) * 4];
            ASSERT_EQ((RGBA{got[0], got[1], got[2], 0}), (RGBA{want.r, want.g, want.b, 0})) << x << "," << y;
            if (bits == 32 && header == BMPHDR_V4) {
              ASSERT_EQ(got[3], want.a) << x << "," << y;
            }
          }
      }
    }
  }
  if (!magick) GTEST_SKIP() << "ImageMagick is not installed: only our own loader was the judge";
}

struct SavedHeader {
  Bytes file;
  uint32_t U32(size_t at) const {
    return uint32_t(file[at]) | file[at + 1] << 8 | file[at + 2] << 16 | uint32_t(file[at + 3]) << 24;
  }
  uint16_t U16(size_t at) const { return uint16_t(file[at] | file[at + 1] << 8); }
};

SavedHeader SaveWith(const CImgInf& img, int header, bool rle, const testutil::TempDir& dir) {
  CodecHarness saver(kBmpPlugin, kBmpSaverId);
  const std::string path = dir / "edge.bmp";
  BmpSaverSettings s;
  s.headerType = header;
  s.rleFlag = rle;
  EXPECT_EQ(saver.Save(path, img, 0, 0,
                       [&](QvpProcess* r, const QvpFile* f) { return BmpSaveWithSettings(r, f->path, s); }),
            QVP_OK);
  return SavedHeader{testutil::ReadFile(path)};
}

TEST(BmpSave, HeaderChoices) {
  testutil::TempDir dir;
  struct Case {
    const char* name;
    CImgInf img;
    int header;
    bool rle;
    uint32_t infoSize, bits, compression, colourCount;
  } cases[] = {
      {"256 colours, RLE, OS/2: uncompressed 8 bits", testutil::PaletteImage(5, 3, 256), BMPHDR_OS2, true, 12,
       8, 0, 0},
      {"2 colours with RLE: RLE4", testutil::PaletteImage(5, 3, 2), BMPHDR_WIN, true, 40, 4, 2, 2},
      {"2 colours without RLE: 1 bit", testutil::PaletteImage(5, 3, 2), BMPHDR_WIN, false, 40, 1, 0, 2},
      {"16 colours, V4", testutil::PaletteImage(5, 3, 16), BMPHDR_V4, false, 108, 4, 0, 16},
      {"17 colours with RLE: RLE8", testutil::PaletteImage(5, 3, 17), BMPHDR_V4, true, 108, 8, 1, 17},
      {"alpha, V4: 32 bits with masks", testutil::DirectImage(5, 3, 1, true), BMPHDR_V4, false, 108, 32, 3,
       0},
      {"alpha, Windows: 24 bits", testutil::DirectImage(5, 3, 1, true), BMPHDR_WIN, false, 40, 24, 0, 0},
      {"direct, RLE ignored", testutil::DirectImage(5, 3), BMPHDR_WIN, true, 40, 24, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const SavedHeader h = SaveWith(c.img, c.header, c.rle, dir);
    ASSERT_GT(h.file.size(), 54u);
    EXPECT_EQ(h.U32(2), h.file.size());
    EXPECT_EQ(h.U32(14), c.infoSize);
    if (c.infoSize == 12) {
      EXPECT_EQ(h.U16(24), c.bits);
      // The OS/2 table has room for 2^bits entries.
      EXPECT_EQ(h.U32(10), 26u + 3u * (1u << c.bits));
      continue;
    }
    EXPECT_EQ(h.U16(28), c.bits);
    EXPECT_EQ(h.U32(30), c.compression);
    EXPECT_EQ(h.U32(46), c.colourCount);
    EXPECT_EQ(h.U32(10), 14 + c.infoSize + 4 * c.colourCount);
    EXPECT_EQ(h.U32(34), h.file.size() - h.U32(10)) << "image size = pixel bytes written";
    if (c.bits == 32) {
      EXPECT_EQ(h.U32(54), 0x00FF0000u);
      EXPECT_EQ(h.U32(66), 0xFF000000u);
    }
  }
}

TEST(BmpSave, RefusesWhatItCannotWrite) {
  testutil::TempDir dir;
  CodecHarness saver(kBmpPlugin, kBmpSaverId);
  const CImgInf img = testutil::PaletteImage(5, 3, 4);
  // A picture or bank index outside the block.
  EXPECT_EQ(saver.Save(dir / "a.bmp", img, 3, 0), QVP_ERR_PARAM);
  EXPECT_EQ(saver.Save(dir / "a.bmp", img, 0, 2), QVP_ERR_PARAM);
  // The loader's id.
  CodecHarness loader(kBmpPlugin, kBmpLoaderId);
  EXPECT_EQ(loader.Save(dir / "b.bmp", img), QVP_ERR_PARAM);
  // An OS/2 header cannot hold a width above 65535.
  EXPECT_EQ(saver.Save(dir / "c.bmp", testutil::PaletteImage(70000, 1, 2), 0, 0,
                       [](QvpProcess* r, const QvpFile* f) {
                         BmpSaverSettings s;
                         s.headerType = BMPHDR_OS2;
                         return BmpSaveWithSettings(r, f->path, s);
                       }),
            QVP_ERR_PARAM);
  // A folder that does not exist.
  EXPECT_EQ(saver.Save("/nonexistent/quovex/d.bmp", img), QVP_ERR_FILE);
  // Cancel.
  saver.onProgress = [](int p) { return p > 0 ? 1 : 0; };
  EXPECT_EQ(saver.Save(dir / "e.bmp", img), QVP_ERR_CANCEL);
}

TEST(BmpSave, DefaultSettingsWriteWindowsHeaderUncompressed) {
  testutil::TempDir dir;
  CodecHarness saver(kBmpPlugin, kBmpSaverId);
  ASSERT_EQ(saver.Save(dir / "d.bmp", testutil::PaletteImage(5, 3, 200)), QVP_OK);
  const Bytes f = testutil::ReadFile(dir / "d.bmp");
  ASSERT_GT(f.size(), 34u);
  EXPECT_EQ(f[14], 40);
  EXPECT_EQ(f[30], 0);
}

// ---- settings and options ----

struct FakeSettings {
  std::map<std::string, int32_t> values;
  QvpSettingIf accessor{};
  FakeSettings() {
    accessor.settings = this;
    accessor.GetInt = [](QvpProcess*, QvpSettingIf* s, const char* key, int32_t def) {
      auto& v = static_cast<FakeSettings*>(s->settings)->values;
      const auto it = v.find(key);
      return it == v.end() ? def : it->second;
    };
    accessor.SetInt = [](QvpProcess*, QvpSettingIf* s, const char* key, int32_t value) {
      static_cast<FakeSettings*>(s->settings)->values[key] = value;
      return 1;
    };
  }
};

TEST(BmpSettings, ClampAndExchange) {
  struct Case {
    int32_t in, out;
  } cases[] = {{-5, 0}, {0, 0}, {1, 1}, {2, 2}, {3, 2}, {INT32_MAX, 2}};
  for (const auto& c : cases) {
    BmpSaverSettings s;
    s.headerType = c.in;
    s.Clamp();
    EXPECT_EQ(s.headerType, c.out);
  }

  CodecHarness saver(kBmpPlugin, kBmpSaverId);
  CodecHarness loader(kBmpPlugin, kBmpLoaderId);
  FakeSettings fake;
  fake.values = {{"HeaderType", 9}, {"RleFlag", 1}};
  EXPECT_EQ(loader.Functions().SettingGet(&loader.Record(), &fake.accessor), QVP_ERR_PARAM);
  // Without a profile the host stores nothing: Set writes the defaults.
  EXPECT_EQ(saver.Functions().SettingGet(&saver.Record(), &fake.accessor), QVP_OK);
  FakeSettings out;
  EXPECT_EQ(saver.Functions().SettingSet(&saver.Record(), &out.accessor), QVP_OK);
  EXPECT_EQ(out.values, (std::map<std::string, int32_t>{{"HeaderType", 1}, {"RleFlag", 0}}));
  EXPECT_EQ(loader.Functions().SettingSet(&loader.Record(), &out.accessor), QVP_ERR_PARAM);

  // With the application profile: Get stores the clamped values in "Plugins\bmp", Set reads
  // them back out, and the save uses them.
  CAppProfile app("");
  CProfile profile(&app);
  saver.Host().profile = &profile;
  EXPECT_EQ(saver.Functions().SettingGet(&saver.Record(), &fake.accessor), QVP_OK);
  EXPECT_EQ(profile.GetInt("Plugins\\bmp", "HeaderType", -1), 2);
  EXPECT_EQ(profile.GetInt("Plugins\\bmp", "RleFlag", -1), 1);
  FakeSettings out2;
  EXPECT_EQ(saver.Functions().SettingSet(&saver.Record(), &out2.accessor), QVP_OK);
  EXPECT_EQ(out2.values, (std::map<std::string, int32_t>{{"HeaderType", 2}, {"RleFlag", 1}}));

  testutil::TempDir dir;
  ASSERT_EQ(saver.Save(dir / "v4rle.bmp", testutil::PaletteImage(6, 2, 200)), QVP_OK);
  Bytes f = testutil::ReadFile(dir / "v4rle.bmp");
  ASSERT_GT(f.size(), 34u);
  EXPECT_EQ(f[14], 108);
  EXPECT_EQ(f[30], 1);  // RLE8
  // Stored values outside the range are clamped when read.
  profile.WriteInt("Plugins\\bmp", "HeaderType", -3);
  ASSERT_EQ(saver.Save(dir / "os2.bmp", testutil::PaletteImage(6, 2, 200)), QVP_OK);
  f = testutil::ReadFile(dir / "os2.bmp");
  ASSERT_GT(f.size(), 14u);
  EXPECT_EQ(f[14], 12);
}

TEST(BmpSettings, OptionsDialogSeam) {
  testutil::TempDir dir;
  CodecHarness saver(kBmpPlugin, kBmpSaverId);
  // Without dialogs the options function only reads the settings.
  EXPECT_EQ(saver.Functions().FileSaveOptions(&saver.Record(), nullptr), QVP_OK);

  struct Seen {
    int calls = 0;
    bool rleAllowed = true;
    int answer = QVP_OK;
  } seen;
  BuiltinDialogs dialogs;
  dialogs.context = &seen;
  dialogs.bmpSaveOptions = [](void* ctx, QvpWindow*, BmpSaverSettings* s, bool rleAllowed) {
    auto* seen = static_cast<Seen*>(ctx);
    ++seen->calls;
    seen->rleAllowed = rleAllowed;
    EXPECT_EQ(*s, BmpSaverSettings{});
    return seen->answer;
  };
  saver.Host().dialogs = &dialogs;
  // A direct image with a file block: RLE is not offered.
  ASSERT_EQ(QvpImageFromModel(&saver.Record().image, testutil::DirectImage(4, 4)), 0);
  ASSERT_TRUE(saver.FillFile(dir / "x.bmp", false));
  EXPECT_EQ(saver.Functions().FileSaveOptions(&saver.Record(), saver.File()), QVP_OK);
  EXPECT_FALSE(seen.rleAllowed);
  seen.answer = QVP_ERR_CANCEL;
  EXPECT_EQ(saver.Functions().FileSaveOptions(&saver.Record(), nullptr), QVP_ERR_CANCEL);
  EXPECT_TRUE(seen.rleAllowed);
  EXPECT_EQ(seen.calls, 2);

  // OK stores what the dialog chose in the profile; cancel stores nothing.
  CAppProfile app("");
  CProfile profile(&app);
  saver.Host().profile = &profile;
  dialogs.bmpSaveOptions = [](void*, QvpWindow*, BmpSaverSettings* s, bool) {
    s->headerType = BMPHDR_OS2;
    s->rleFlag = 1;
    return int(QVP_ERR_CANCEL);
  };
  EXPECT_EQ(saver.Functions().FileSaveOptions(&saver.Record(), nullptr), QVP_ERR_CANCEL);
  EXPECT_EQ(profile.GetInt("Plugins\\bmp", "HeaderType", -1), -1);
  dialogs.bmpSaveOptions = [](void*, QvpWindow*, BmpSaverSettings* s, bool) {
    s->headerType = BMPHDR_OS2;
    s->rleFlag = 1;
    return int(QVP_OK);
  };
  EXPECT_EQ(saver.Functions().FileSaveOptions(&saver.Record(), nullptr), QVP_OK);
  EXPECT_EQ(profile.GetInt("Plugins\\bmp", "HeaderType", -1), 0);
  EXPECT_EQ(profile.GetInt("Plugins\\bmp", "RleFlag", -1), 1);
}

// ---- loading ----

TEST(BmpLoad, EdgeCases) {
  ScopedOpaqueAlpha opaque(255);
  testutil::TempDir dir;
  CodecHarness loader(kBmpPlugin, kBmpLoaderId);
  struct Case {
    const char* name;
    testutil::BmpSpec spec;
    std::function<void(Bytes&)> damage;
    int rc;
    bool alpha;
  };
  testutil::BmpSpec topDown = testutil::Pal8Spec();
  topDown.height = -3;
  topDown.pixels = testutil::PackRows(4, 3, 8, true, [](int x, int y) { return uint32_t(x + 16 * y); });
  testutil::BmpSpec topDownRle = testutil::Pal8Spec();
  topDownRle.height = -3;
  topDownRle.compression = 1;
  testutil::BmpSpec v4alpha;
  v4alpha.headerSize = 108, v4alpha.bits = 32, v4alpha.compression = 3;
  v4alpha.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
  v4alpha.pixels = testutil::PackRows(4, 3, 32, false,
                                      [](int x, int y) { return uint32_t(x) * 0x40000000u + uint32_t(y); });
  testutil::BmpSpec plain32;
  plain32.bits = 32;
  plain32.pixels = v4alpha.pixels;
  Case cases[] = {
      {"bottom-up", testutil::Pal8Spec(), {}, QVP_OK, false},
      {"top-down", topDown, {}, QVP_OK, false},
      {"top-down RLE", topDownRle, {}, QVP_ERR_DATA, false},
      {"V4 with alpha mask", v4alpha, {}, QVP_OK, true},
      {"32 bits without bit fields", plain32, {}, QVP_OK, false},
      {"shorter than its file size", testutil::Pal8Spec(), [](Bytes& b) { b.pop_back(); }, QVP_ERR_DATA,
       false},
      {"header size 64", testutil::Pal8Spec(), [](Bytes& b) { b[14] = 64; }, QVP_ERR_PARAM, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = testutil::BuildBmp(c.spec);
    if (c.damage) c.damage(file);
    const std::string path = dir / "edge.bmp";
    testutil::WriteFile(path, file);
    CImgInf img;
    ASSERT_EQ(loader.Load(path, img), c.rc);
    if (c.rc != QVP_OK) continue;
    EXPECT_EQ(img.HasAlpha(), c.alpha);
    RGBA px;
    if (c.spec.bits == 8) {
      EXPECT_EQ(img.m_aryImg[0].Cell(1, 0)[0], 1);  // the top row from the top, either way
      EXPECT_EQ(img.m_aryImg[0].Cell(2, 2)[0], 34);
    } else {
      ASSERT_TRUE(img.GetPixel(0, 3, 0, 0, px));
      EXPECT_EQ(px.a, c.alpha ? 0xC0 : 0);
    }
  }
}

TEST(BmpLoad, ProgressAndCancel) {
  testutil::TempDir dir;
  const std::string path = dir / "p.bmp";
  testutil::WriteFile(path, testutil::BuildBmp(testutil::Pal8Spec(8, 50)));
  CodecHarness loader(kBmpPlugin, kBmpLoaderId);
  CImgInf img;
  ASSERT_EQ(loader.Load(path, img), QVP_OK);
  ASSERT_FALSE(loader.progress.empty());
  EXPECT_EQ(loader.progress.front(), 0);
  EXPECT_EQ(loader.progress.back(), 100);
  EXPECT_TRUE(std::is_sorted(loader.progress.begin(), loader.progress.end()));
  loader.onProgress = [](int p) { return p >= 50 ? 1 : 0; };
  EXPECT_EQ(loader.Load(path, img), QVP_ERR_CANCEL);
  EXPECT_EQ(loader.Load(dir / "missing.bmp", img), QVP_ERR_FILE);
  std::filesystem::create_directory(dir / "folder.bmp");
  EXPECT_EQ(loader.Load(dir / "folder.bmp", img), QVP_ERR_FILE);
}

TEST(BmpLoad, CheckLooksAtTheHeadOnly) {
  testutil::TempDir dir;
  CodecHarness loader(kBmpPlugin, kBmpLoaderId);
  const std::string path = dir / "c.bmp";
  // A large bitmap: its pixels lie beyond the 2048 bytes the check sees.
  testutil::WriteFile(path, testutil::BuildBmp(testutil::Pal8Spec(100, 100)));
  EXPECT_EQ(loader.Check(path), 1);
  testutil::WriteFile(path, Bytes{'B', 'M', 1, 2, 3});
  EXPECT_EQ(loader.Check(path), 0);
  testutil::WriteFile(path, Bytes(100, 'Q'));
  EXPECT_EQ(loader.Check(path), 0);
}

// ---- the bitmap suite ----

std::optional<std::filesystem::path> Suite() {
  const auto root = testutil::CorporaDir();
  if (!root || !std::filesystem::is_directory(*root / "bmpsuite" / "g")) return std::nullopt;
  return *root / "bmpsuite";
}

TEST(BmpSuite, GoodFilesMatchImageMagick) {
  const auto suite = Suite();
  if (!suite) GTEST_SKIP() << "the corpora folder is absent";
  const bool magick = testutil::HaveProgram("convert") && testutil::HaveProgram("identify");
  CodecHarness loader(kBmpPlugin, kBmpLoaderId);
  const auto files = testutil::FilesIn(*suite / "g", ".bmp");
  ASSERT_FALSE(files.empty());
  for (const auto& f : files) {
    SCOPED_TRACE(f.filename().string());
    EXPECT_EQ(loader.Check(f.string()), 1);
    CImgInf img;
    ASSERT_EQ(loader.Load(f.string(), img), QVP_OK);
    if (!magick) continue;
    const auto m = testutil::MagickRead(f.string());
    ASSERT_TRUE(m);
    int w = 0, h = 0;
    ASSERT_TRUE(img.GetImgSize(0, w, h));
    ASSERT_EQ(w, m->width);
    ASSERT_EQ(h, m->height);
    int mismatches = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        RGBA ours;
        ASSERT_TRUE(img.GetPixel(0, x, y, 0, ours));
        const uint8_t* theirs = &m->rgba[(size_t(y) * size_t(w) + size_t(x)) * 4];
        const bool same = ours.r == theirs[0] && ours.g == theirs[1] && ours.b == theirs[2] &&
                          (!img.HasAlpha() || ours.a == theirs[3]);
        if (!same && ++mismatches <= 3)
          ADD_FAILURE() << x << "," << y << " ours " << int(ours.r) << " " << int(ours.g) << " "
                        << int(ours.b) << " " << int(ours.a) << " theirs " << int(theirs[0]) << " "
                        << int(theirs[1]) << " " << int(theirs[2]) << " " << int(theirs[3]);
      }
  }
  if (!magick) GTEST_SKIP() << "ImageMagick is not installed: the good files were only loaded";
}

TEST(BmpSuite, QuestionableFilesLoadOrFailWithACode) {
  const auto suite = Suite();
  if (!suite) GTEST_SKIP() << "the corpora folder is absent";
  CodecHarness loader(kBmpPlugin, kBmpLoaderId);
  for (const auto& f : testutil::FilesIn(*suite / "q", ".bmp")) {
    SCOPED_TRACE(f.filename().string());
    CImgInf img;
    const int rc = loader.Load(f.string(), img);
    EXPECT_TRUE(rc == QVP_OK || rc == QVP_ERR_DATA || rc == QVP_ERR_PARAM) << rc;
    if (rc == QVP_OK) {
      EXPECT_TRUE(img.IsValid());
    }
  }
}

TEST(BmpSuite, BadFilesFail) {
  const auto suite = Suite();
  if (!suite) GTEST_SKIP() << "the corpora folder is absent";
  // Damage that does not touch what we read: the pixel density, and palette indices past
  // the colour table (the model keeps indices as they are). They load to a valid image.
  const std::set<std::string> harmless = {"baddens1.bmp", "baddens2.bmp", "pal8badindex.bmp",
                                          "rgb16-880.bmp"};
  CodecHarness loader(kBmpPlugin, kBmpLoaderId);
  for (const auto& f : testutil::FilesIn(*suite / "b", ".bmp")) {
    const std::string name = f.filename().string();
    SCOPED_TRACE(name);
    CImgInf img;
    const int rc = loader.Load(f.string(), img);
    if (harmless.count(name)) {
      EXPECT_EQ(rc, QVP_OK);
      EXPECT_TRUE(img.IsValid());
    } else {
      EXPECT_TRUE(rc == QVP_ERR_DATA || rc == QVP_ERR_PARAM) << rc;
      EXPECT_EQ(img.ImgNum(), 0);
    }
  }
}

}  // namespace
