// The settings accessor that plug-ins read and write their settings through.
#include <gtest/gtest.h>

#include <cstring>

#include "formats/qvp_setting_if.h"
#include "settings/prof_mng.h"
#include "settings/prof_sect.h"

namespace {

TEST(QvpSettingIf, ReadsAndWritesTheSection) {
  CProfMng mng;
  CProfSect* sect = mng.Root().GetSect("BatchConvertSettings\\InputPluginSettings");
  ASSERT_NE(sect, nullptr);
  QvpProcess record{};
  QvpSettingIf acc = MakeQvpSettingIf(sect);
  EXPECT_EQ(acc.GetInt(&record, &acc, "HeaderType", 7), 7);
  EXPECT_EQ(acc.SetInt(&record, &acc, "HeaderType", 2), 1);
  EXPECT_EQ(acc.GetInt(&record, &acc, "HeaderType", 7), 2);
  EXPECT_EQ(sect->GetString("", "HeaderType", ""), "2");
  EXPECT_EQ(acc.SetReal(&record, &acc, "Gamma", 0.5), 1);
  EXPECT_DOUBLE_EQ(acc.GetReal(&record, &acc, "Gamma", 1.0), 0.5);

  const std::string longText(600, 'x');
  EXPECT_EQ(acc.SetText(&record, &acc, "Name", longText.c_str()), 1);
  EXPECT_EQ(sect->GetString("", "Name", "").size(), 511u);
  char buf[8];
  EXPECT_EQ(acc.GetText(&record, &acc, "Name", "", buf, sizeof(buf)), 7);
  EXPECT_STREQ(buf, "xxxxxxx");
  EXPECT_EQ(acc.GetText(&record, &acc, "Missing", "dflt", buf, sizeof(buf)), 4);
  EXPECT_STREQ(buf, "dflt");

  const uint8_t bytes[3] = {0x00, 0xFF, 0x7F};
  EXPECT_EQ(acc.SetBytes(&record, &acc, "Table", bytes, 3), 3);
  uint8_t back[4] = {};
  EXPECT_EQ(acc.GetBytes(&record, &acc, "Table", back, 4), 3);
  EXPECT_EQ(std::memcmp(back, bytes, 3), 0);
  uint8_t big[300] = {};
  EXPECT_EQ(acc.SetBytes(&record, &acc, "Big", big, 300), 0);
}

TEST(QvpSettingIf, MissingPiecesGiveDefaults) {
  QvpProcess record{};
  QvpSettingIf none = MakeQvpSettingIf(nullptr);
  EXPECT_EQ(none.GetInt(&record, &none, "k", 5), 5);
  EXPECT_EQ(none.SetInt(&record, &none, "k", 1), 0);
  CProfMng mng;
  QvpSettingIf acc = MakeQvpSettingIf(&mng.Root());
  EXPECT_EQ(acc.GetInt(nullptr, &acc, "k", 5), 5);
  EXPECT_EQ(acc.GetInt(&record, nullptr, "k", 5), 5);
  EXPECT_EQ(acc.GetInt(&record, &acc, nullptr, 5), 5);
  EXPECT_DOUBLE_EQ(acc.GetReal(&record, &acc, nullptr, 2.5), 2.5);
}

}  // namespace
