// Settings files: the written layout byte for byte, the lenient reader, the version check and
// hostile input.
#include "settings/prof_mng.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/version.h"
#include "settings/temp_folder.h"

namespace {

using settingstest::ReadFile;
using settingstest::TempFolder;
using settingstest::WriteFile;

const std::string kRule = ";-----------------------------------------------------------------------\r\n";

TEST(SettingsWrite, ExampleFileByteForByte) {
  ASSERT_EQ(kRule.size(), 1 + 71 + 2u);
  CProfMng mng;
  mng.SetCommonInfo("ColRdctPrm", kSettingFmtVers);
  CProfSect& root = mng.Root();
  ASSERT_TRUE(root.SetInt("A", "k", 1));
  ASSERT_TRUE(root.SetReal("A\\B", "x", 0.5));
  TempFolder dir;
  const std::string path = dir / "out.crs";
  ASSERT_TRUE(mng.Save(path, MakeBanner(";   減色設定ファイル")));
  const std::string expected = kRule + "; Quovex\r\n;   減色設定ファイル\r\n" + kRule +
                               "\r\n"
                               "[SettingsCommonInformationSection]\r\n"
                               "{\r\n"
                               "  CreaterAppName=Quovex\r\n"
                               "  CreaterAppVers=" QUOVEX_VERSION_STRING
                               "\r\n"
                               "  SettingFmtType=ColRdctPrm\r\n"
                               "  SettingFmtVers=100\r\n"
                               "}\r\n"
                               "[A]\r\n"
                               "{\r\n"
                               "  k=1\r\n"
                               "  [B]\r\n"
                               "  {\r\n"
                               "    x=0.5\r\n"
                               "  }\r\n"
                               "}\r\n";
  EXPECT_EQ(ReadFile(path), expected);

  CProfMng back;
  ASSERT_TRUE(back.Load(path));
  EXPECT_TRUE(back.CheckVersion(kSettingFmtVers));
  EXPECT_EQ(back.Root().GetString("SettingsCommonInformationSection", "SettingFmtType", ""), "ColRdctPrm");
  EXPECT_EQ(back.Serialize(MakeBanner("減色設定ファイル")), expected);  // ";   " is added to a bare name
}

TEST(SettingsWrite, CommonInfoComesFirstEvenWhenSetLast) {
  CProfMng mng;
  mng.Root().SetString("Z", "a", "b");
  mng.SetCommonInfo(nullptr, -1);
  const std::string text = mng.Serialize("");
  EXPECT_EQ(text.rfind(
                "[SettingsCommonInformationSection]\r\n{\r\n  CreaterAppName=Quovex\r\n  CreaterAppVers=", 0),
            0u)
      << text;
  EXPECT_EQ(text.find("SettingFmtType"), std::string::npos);
  EXPECT_EQ(text.find("SettingFmtVers"), std::string::npos);
  EXPECT_NE(text.find("[Z]"), std::string::npos);
}

TEST(SettingsWrite, FailedSaveKeepsTheOldFile) {
  TempFolder dir;
  const std::string path = dir / "keep.bcs";
  ASSERT_TRUE(WriteFile(path, "old"));
  CProfMng mng;
  mng.Root().SetInt("S", "k", 1);
  EXPECT_FALSE(mng.Save(dir / "missing/keep.bcs", ""));
  EXPECT_FALSE(mng.Save("", ""));
  std::filesystem::create_directory(dir / "folder.bcs");
  EXPECT_FALSE(mng.Save(dir / "folder.bcs", ""));
  EXPECT_EQ(ReadFile(path), "old");
  {
    settingstest::ScopedFileSizeLimit limit(2);  // the write itself fails
    ASSERT_TRUE(limit.Ok());
    EXPECT_FALSE(mng.Save(path, ""));
  }
  EXPECT_EQ(ReadFile(path), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);  // and folder.bcs
  ASSERT_TRUE(mng.Save(path, ""));
  EXPECT_EQ(ReadFile(path), "[S]\r\n{\r\n  k=1\r\n}\r\n");
}

// Reads text and returns the tree written back without banner, with "\n" line ends and "|"
// for each line end, so the cases below stay on one line each.
std::string Reread(const std::string& text) {
  CProfMng mng;
  if (!mng.LoadFromMemory(text.data(), text.size())) return "<fail>";
  std::string out;
  for (char c : mng.Serialize("")) {
    if (c == '\r') continue;
    out += c == '\n' ? '|' : c;
  }
  return out;
}

struct ReadCase {
  const char* name;
  std::string input;
  std::string tree;
};

class SettingsRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(SettingsRead, BuildsTheTree) { EXPECT_EQ(Reread(GetParam().input), GetParam().tree); }

INSTANTIATE_TEST_SUITE_P(
    Table, SettingsRead,
    ::testing::Values(
        ReadCase{"SpacesAroundKeyTrimmedValueKept", "[S]\n{\n   key  =  v w  \n}\n",
                 "[S]|{|  key=  v w  |}|"},
        ReadCase{"KeysWithoutBraces", "[S]\na=1\nb=2\n", "[S]|{|  a=1|  b=2|}|"},
        ReadCase{"PathInSectionLine", "[A\\B]\nx=1\n", "[A]|{|  [B]|  {|    x=1|  }|}|"},
        ReadCase{"PathNamesTrimmedDoubledBackslashes", "[ \\A \\\\ B\\ ]\nx=1\n",
                 "[A]|{|  [B]|  {|    x=1|  }|}|"},
        ReadCase{"OnlyBracketsSetNoSection", "[S]\na=1\n[]\nb=2\n[T]\nc=3\n", "[S]|{|  a=1|}|[T]|{|  c=3|}|"},
        ReadCase{"BlankNameSetsNoSection", "[S]\na=1\n[  ]\nb=2\n", "[S]|{|  a=1|}|"},
        ReadCase{"UnclosedBracketSetsNoSection", "[S]\na=1\n[T\nb=2\n", "[S]|{|  a=1|}|"},
        ReadCase{"TextAfterBracketIgnored", "[S] tail ]\na=1\n", "[S]|{|  a=1|}|"},
        ReadCase{"KeyBeforeAnySection", "a=1\n[S]\nb=2\n", "[S]|{|  b=2|}|"},
        ReadCase{"KeyAfterNestedBlockAtTopLevel", "[S]\n{\na=1\n}\nb=2\n", "[S]|{|  a=1|}|"},
        ReadCase{"KeyAfterSubBlockGoesToEnclosing", "[A]\n{\n[B]\n{\nx=1\n}\ny=2\n}\n",
                 "[A]|{|  y=2|  [B]|  {|    x=1|  }|}|"},
        ReadCase{"MissingFinalBrace", "[A]\n{\n[B]\n{\nx=1\n", "[A]|{|  [B]|  {|    x=1|  }|}|"},
        ReadCase{"StrayClosingBraceAtTop", "}\n}\n[S]\na=1\n", "[S]|{|  a=1|}|"},
        ReadCase{"BlockWithoutSectionHasNoPrefix", "{\n[S]\na=1\n}\n[T]\nb=2\n", "[T]|{|  b=2|}|"},
        ReadCase{"EmptyKeyNameIgnored", "[S]\n=1\n  =2\na=3\n", "[S]|{|  a=3|}|"},
        ReadCase{"LineWithoutEqualsIgnored", "[S]\njunk\na=1\n", "[S]|{|  a=1|}|"},
        ReadCase{"FirstEqualsSplits", "[S]\na=b=c\n", "[S]|{|  a=b=c|}|"},
        ReadCase{"LaterKeyOverwrites", "[S]\na=1\nb=2\na=3\n", "[S]|{|  a=3|  b=2|}|"},
        ReadCase{"CommentsAndIndentedLines", "; c\n  [S]\n\t; c\n\t a=1\n", "[S]|{|  a=1|}|"},
        ReadCase{"CrEverywhereRemoved", "[S]\r\na=1\r\rx\r\n", "[S]|{|  a=1x|}|"},
        ReadCase{"NulEndsTheLine", std::string("[S]\na=1\0junk\nb=2\n", 17), "[S]|{|  a=1|  b=2|}|"},
        ReadCase{"SectionsCreatedOnlyForKeys", "[E]\n{\n}\n[F]\n[G]\nk=1\n", "[G]|{|  k=1|}|"},
        ReadCase{"SameSectionTwiceMerges", "[S]\na=1\n[T]\nb=1\n[S]\nc=1\n",
                 "[S]|{|  a=1|  c=1|}|[T]|{|  b=1|}|"},
        ReadCase{"NoTrailingLineFeed", "[S]\na=1", "[S]|{|  a=1|}|"}, ReadCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsRead, LongLinesAndDeepNesting) {
  std::string longValue(1 << 20, 'v');
  EXPECT_EQ(Reread("[S]\nk=" + longValue + "\n"), "[S]|{|  k=" + longValue + "|}|");
  // Nesting far deeper than any stack could recurse: read without recursion.
  std::string deep;
  for (int i = 0; i < 200000; ++i) deep += "[a]\n{\n";
  deep += "k=1\n";
  CProfMng mng;
  ASSERT_TRUE(mng.LoadFromMemory(deep.data(), deep.size()));
  // Sections deeper than the tree allows drop their keys; a key within the bound is kept.
  EXPECT_EQ(mng.Root().m_pChild, nullptr);
  std::string ok;
  std::string path;
  for (int i = 0; i < kMaxSectDepth; ++i) {
    ok += "[a]\n{\n";
    path += "a\\";
  }
  ok += "k=1\n";
  ASSERT_TRUE(mng.LoadFromMemory(ok.data(), ok.size()));
  EXPECT_EQ(mng.Root().GetInt(path, "k", 0), 1);
}

TEST(SettingsRead, ManyKeysAndSectionsStayLinear) {
  // Lookups by name walk no lists: this takes a fraction of a second, not minutes.
  std::string text;
  for (int i = 0; i < 50000; ++i) text += "[s" + std::to_string(i) + "]\nk" + std::to_string(i) + "=1\n";
  text += "[big]\n";
  for (int i = 0; i < 100000; ++i) text += "k" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  CProfMng mng;
  ASSERT_TRUE(mng.LoadFromMemory(text.data(), text.size()));
  EXPECT_EQ(mng.Root().FindSect("big")->m_Keys.Count(), 100000);
  EXPECT_EQ(mng.Root().GetInt("s49999", "k49999", 0), 1);
}

TEST(SettingsRead, TooManyEntriesFail) {
  const int limit = 1000;
  struct Case {
    const char* name;
    std::string (*make)(int i);
    bool ok;
  } cases[] = {
      {"keys", [](int i) { return "k" + std::to_string(i) + "=\n"; }, false},
      {"same key", [](int) { return std::string("k=\n"); }, true},  // overwriting adds nothing
      {"sections", [](int i) { return "[s\\t" + std::to_string(i) + "]\nk=\n"; }, false},
      {"levels", [](int) { return std::string("{\n"); }, false},
  };
  for (const auto& c : cases) {
    std::string text = "[big]\n";
    for (int i = 0; i < limit; ++i) text += c.make(i);
    CProfMng mng;
    mng.SetMaxEntries(limit);
    EXPECT_EQ(mng.LoadFromMemory(text.data(), text.size()), c.ok) << c.name;
    if (!c.ok) {
      EXPECT_EQ(mng.Root().m_pChild, nullptr) << c.name;
    }
  }
}

TEST(SettingsLoad, FileFailures) {
  TempFolder dir;
  CProfMng mng;
  mng.Root().SetInt("Old", "k", 1);
  EXPECT_FALSE(mng.Load(""));
  EXPECT_FALSE(mng.Load(dir / "none.crs"));
  EXPECT_EQ(mng.Root().m_pChild, nullptr);  // the tree is emptied first
  EXPECT_FALSE(mng.Load(dir.Path()));
  const std::string big = dir / "big.crs";
  {
    std::string data = "[S]\nk=1\n";
    data.resize(kMaxSettingsFileBytes, ';');
    ASSERT_TRUE(WriteFile(big, data));
    EXPECT_TRUE(mng.Load(big));  // exactly 32 MiB is read
    data += ' ';
    ASSERT_TRUE(WriteFile(big, data));
    EXPECT_FALSE(mng.Load(big));
  }
  EXPECT_FALSE(mng.LoadFromMemory("x", size_t(kMaxSettingsFileBytes) + 1));
}

struct VersionCase {
  std::string file;
  bool accepted;
};

TEST(SettingsVersion, AcceptsFormatsBelow200) {
  const VersionCase cases[] = {
      {"[SettingsCommonInformationSection]\nSettingFmtVers=199\n", true},
      {"[SettingsCommonInformationSection]\nSettingFmtVers=200\n", false},
      {"[SettingsCommonInformationSection]\nSettingFmtVers=100\n", true},
      {"[SettingsCommonInformationSection]\nSettingFmtVers=\n", true},
      {"[SettingsCommonInformationSection]\nSettingFmtVers=-500\n", true},
      {"[Other]\nk=1\n", true},  // no common section
  };
  for (const auto& c : cases) {
    CProfMng mng;
    ASSERT_TRUE(mng.LoadFromMemory(c.file.data(), c.file.size()));
    EXPECT_EQ(mng.CheckVersion(kSettingFmtVers), c.accepted) << c.file;
  }
}

TEST(SettingsRead, ValueWithLineBreakDoesNotRoundTrip) {
  CProfMng mng;
  mng.Root().SetString("S", "k", "a\nb=c");
  const std::string text = mng.Serialize("");
  CProfMng back;
  ASSERT_TRUE(back.LoadFromMemory(text.data(), text.size()));
  EXPECT_EQ(back.Root().GetString("S", "k", ""), "a");
  EXPECT_EQ(back.Root().GetString("S", "b", ""), "c");
}

}  // namespace
