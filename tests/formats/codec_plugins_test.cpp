// The four built-in codec plug-ins as the manager sees them: names, process ids, caps,
// descriptions and patterns, which functions exist, the settings exchanged through the
// accessor, the options seam and the about box.
#include <gtest/gtest.h>

#include <map>

#include "formats/gif_plugin.h"
#include "formats/host_result.h"
#include "formats/jpeg_plugin.h"
#include "formats/plugin_manager.h"
#include "formats/png_plugin.h"
#include "formats/tiff_plugin.h"
#include "settings/app_profile.h"
#include "settings/prof_sect.h"
#include "settings/profile.h"
#include "support/image_builders.h"
#include "support/scripted_messages.h"
#include "support/temp_dir.h"

namespace {

struct ProcWant {
  int32_t id;
  const char* name;
  uint32_t caps;
  const char* desc;
  const char* patterns;  // as the manager keeps them
};

struct PluginWant {
  const BuiltinPluginDesc* desc;
  const char* name;
  ProcWant loader, saver;
};

const PluginWant kWant[] = {
    {&kGifPlugin,
     "GIFフォーマットプラグイン(ビルトイン)",
     {0x7FFF0004, "GIFフォーマットローダ", 0x12, "CompuServe GIF", "*.gif"},
     {0x7FFF0005, "GIFフォーマットセーバ", 0x52, "CompuServe GIF", "*.gif"}},
    {&kJpegPlugin,
     "JPEGフォーマットプラグイン(ビルトイン)",
     {0x7FFF000A, "JPEGフォーマットローダ", 0x01, "JPEG", "*.jpg;*.jpeg;*.jpe"},
     {0x7FFF000B, "JPEGフォーマットセーバ", 0x43, "JPEG", "*.jpg"}},
    {&kPngPlugin,
     "PNGフォーマットプラグイン(ビルトイン)",
     {0x7FFF000C, "PNGフォーマットローダ", 0x13, "PNG", "*.png"},
     {0x7FFF000D, "PNGフォーマットセーバ", 0x53, "PNG", "*.png"}},
    {&kTiffPlugin,
     "TIFFフォーマットプラグイン(ビルトイン)",
     {0x7FFF000E, "TIFFフォーマットローダ", 0x13, "TIFF", "*.tif;*.tiff"},
     {0x7FFF000F, "TIFFフォーマットセーバ", 0x53, "TIFF", "*.tif"}},
};

TEST(CodecPlugins, TablesAsTheManagerSeesThem) {
  ScriptedMessageBox messages;
  CPluginMng mng("", &messages);
  ASSERT_EQ(mng.Scan({&kGifPlugin, &kJpegPlugin, &kPngPlugin, &kTiffPlugin}), 4);
  for (int p = 0; p < 4; ++p) {
    const PluginWant& w = kWant[p];
    CPlugin* plugin = mng.Plugin(p);
    EXPECT_EQ(plugin->m_name, w.name);
    EXPECT_EQ(w.desc->info->version, QVP_VERSION);
    EXPECT_NE(plugin->m_about.find("Ver 1.01"), std::string::npos);
    ASSERT_EQ(plugin->ProcessCount(), 2);
    for (int k = 0; k < 2; ++k) {
      const ProcWant& pw = k == 0 ? w.loader : w.saver;
      const auto* proc = static_cast<const CPiPrcFile*>(plugin->Process(k));
      EXPECT_EQ(proc->m_kind, k == 0 ? QVP_KIND_LOAD : QVP_KIND_SAVE);
      EXPECT_EQ(proc->m_name, pw.name);
      EXPECT_EQ(proc->m_caps, pw.caps) << pw.name;
      EXPECT_EQ(proc->m_desc, pw.desc);
      EXPECT_EQ(proc->m_patterns, pw.patterns);
      EXPECT_EQ(mng.FindBuiltinProcess(pw.id), p * 65536 + k);
    }
    const QvpFunctions& fn = w.desc->functions;
    EXPECT_EQ(fn.FileLoadOptions, nullptr);
    for (const void* f :
         {(const void*)fn.ConnectPlugin, (const void*)fn.DisconnectPlugin, (const void*)fn.ConnectProc,
          (const void*)fn.DisconnectProc, (const void*)fn.DispAbout, (const void*)fn.FileLoadChkSupport,
          (const void*)fn.FileLoadExec, (const void*)fn.FileSaveOptions, (const void*)fn.FileSaveExec,
          (const void*)fn.SettingGet, (const void*)fn.SettingSet})
      EXPECT_NE(f, nullptr);
    // Only the savers have options; until the dialogs exist they keep the settings and succeed.
    EXPECT_FALSE(plugin->HasOptions(*plugin->Process(0)));
    EXPECT_TRUE(plugin->HasOptions(*plugin->Process(1)));
    EXPECT_EQ(plugin->ShowOptions(*plugin->Process(1), mng.MainWindow()), PIRC_OK);
    plugin->ShowAbout(mng.MainWindow());
    ASSERT_EQ(messages.shown.size(), size_t(p + 1));
    EXPECT_EQ(messages.shown.back().caption, w.name);
    EXPECT_EQ(messages.shown.back().text, plugin->m_about);
  }
}

// An accessor over a map, which records what is written.
struct MapAccessor {
  QvpSettingIf accessor{};
  std::map<std::string, int32_t> values;
  MapAccessor() {
    accessor.settings = this;
    accessor.GetInt = [](QvpProcess*, QvpSettingIf* a, const char* key, int32_t def) -> int32_t {
      auto& v = static_cast<MapAccessor*>(a->settings)->values;
      auto it = v.find(key);
      return it == v.end() ? def : it->second;
    };
    accessor.SetInt = [](QvpProcess*, QvpSettingIf* a, const char* key, int32_t value) -> int32_t {
      static_cast<MapAccessor*>(a->settings)->values[key] = value;
      return 1;
    };
  }
};

TEST(CodecPlugins, SettingsThroughTheAccessor) {
  struct Case {
    const BuiltinPluginDesc* desc;
    int32_t loader, saver;
    std::map<std::string, int32_t> defaults;
  } cases[] = {
      {&kGifPlugin,
       0x7FFF0004,
       0x7FFF0005,
       {{"GifType", 1}, {"Interlace", 0}, {"TransGif", 0}, {"TransMode", 0}}},
      {&kJpegPlugin,
       0x7FFF000A,
       0x7FFF000B,
       {{"Quality", 50},
        {"Progression", 0},
        {"FileSizeLimEnb", 0},
        {"FileSizeLimVal", 100},
        {"FileSizeLimRadix", 1}}},
      {&kPngPlugin,
       0x7FFF000C,
       0x7FFF000D,
       {{"Interlace", 0},
        {"DirColTrns", 0},
        {"DirTrnsCol_R", 255},
        {"DirTrnsCol_G", 0},
        {"DirTrnsCol_B", 255},
        {"IdxColTrnsIdx0", 0}}},
      {&kTiffPlugin, 0x7FFF000E, 0x7FFF000F, {{"BigEndian", 0}, {"CompressLZW", 0}}},
  };
  for (const auto& c : cases) {
    QvpProcess record{};
    MapAccessor map;
    record.id = c.saver;
    // Without a profile the settings are the defaults.
    ASSERT_EQ(c.desc->functions.SettingSet(&record, &map.accessor), QVP_OK);
    EXPECT_EQ(map.values, c.defaults);
    EXPECT_EQ(c.desc->functions.SettingGet(&record, &map.accessor), QVP_OK);
    record.id = c.loader;
    EXPECT_EQ(c.desc->functions.SettingGet(&record, &map.accessor), QVP_ERR_PARAM);
    EXPECT_EQ(c.desc->functions.SettingSet(&record, &map.accessor), QVP_ERR_PARAM);
    record.id = 0x12345;
    EXPECT_EQ(c.desc->functions.SettingGet(&record, &map.accessor), QVP_ERR_PARAM);
  }
}

TEST(CodecPlugins, ReadSettingsClampsEveryKey) {
  MapAccessor map;
  map.values = {
      {"Quality", 250}, {"Progression", -4}, {"FileSizeLimVal", 2000000000}, {"FileSizeLimRadix", 9}};
  const JpegSettings j = codec::ReadSettings(nullptr, &map.accessor, kJpegSettingKeys);
  EXPECT_EQ(j.quality, 100);
  EXPECT_EQ(j.progression, 0);
  EXPECT_EQ(j.fileSizeLimEnb, 0);
  EXPECT_EQ(j.fileSizeLimVal, 100000000);
  EXPECT_EQ(j.fileSizeLimRadix, 2);
  map.values = {{"GifType", 5}, {"TransMode", -1}, {"DirTrnsCol_R", 300}};
  const GifSettings g = codec::ReadSettings(nullptr, &map.accessor, kGifSettingKeys);
  EXPECT_EQ(g.gifType, 1);
  EXPECT_EQ(g.transMode, 0);
  const PngSettings p = codec::ReadSettings(nullptr, &map.accessor, kPngSettingKeys);
  EXPECT_EQ(p.trnsR, 255);
  EXPECT_EQ(p.trnsB, 255);
}

}  // namespace

namespace {

// The savers keep their settings in the application profile, section "Plugins\<name>":
// QvpSettingGet stores what a settings section holds there, QvpSettingSet writes it back out,
// and a save uses it.
TEST(CodecPlugins, SettingsLiveInTheApplicationProfile) {
  CAppProfile app("");
  CProfile profile(&app);
  BuiltinHost host{&profile};
  CPluginMng mng("");
  ASSERT_EQ(mng.Scan({&kGifPlugin, &kJpegPlugin, &kPngPlugin, &kTiffPlugin}, &host), 4);
  CPlugin* gif = mng.Plugin(0);

  CProfSect root;
  CProfile file(&root);
  file.WriteInt("In", "GifType", 0);
  file.WriteInt("In", "Interlace", 1);
  file.WriteInt("In", "TransMode", 7);  // clamped to 1
  ASSERT_EQ(gif->SettingGet(gif->Process(1), root.FindSect("In")), QVP_OK);
  EXPECT_EQ(profile.GetInt("Plugins\\gif", "GifType", -1), 0);
  EXPECT_EQ(profile.GetInt("Plugins\\gif", "Interlace", -1), 1);
  EXPECT_EQ(profile.GetInt("Plugins\\gif", "TransMode", -1), 1);
  EXPECT_EQ(profile.GetInt("Plugins\\gif", "TransGif", -1), 0);

  ASSERT_TRUE(file.WriteInt("Out", "x", 0));
  ASSERT_EQ(gif->SettingSet(gif->Process(1), root.FindSect("Out")), QVP_OK);
  EXPECT_EQ(file.GetInt("Out", "GifType", -1), 0);
  EXPECT_EQ(file.GetInt("Out", "TransMode", -1), 1);

  // The save follows the profile: GIF87a, and so no interlace.
  testutil::TempDir dir;
  ASSERT_EQ(mng.Save(dir / "p.gif", testutil::PaletteImage(4, 4, 4), false, 1, 0, 0), PIRC_OK);
  const auto f = testutil::ReadFile(dir / "p.gif");
  EXPECT_EQ(std::string(f.begin(), f.begin() + 6), "GIF87a");

  // A TIFF saved with "BigEndian" from the profile.
  profile.WriteInt("Plugins\\tiff", "BigEndian", 1);
  ASSERT_EQ(mng.Save(dir / "p.tif", testutil::DirectImage(4, 4), false, 3 * 65536 + 1, 0, 0), PIRC_OK);
  EXPECT_EQ(testutil::ReadFile(dir / "p.tif")[0], 'M');
}

}  // namespace
