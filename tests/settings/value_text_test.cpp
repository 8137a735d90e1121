// Typed values of the settings format: integers, reals, byte strings, and their independence
// of the C locale.
#include "settings/value_text.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "settings/prof_sect.h"

namespace {

using namespace settings_text;

TEST(ValueText, IntegersReadTheLeadingNumber) {
  const std::pair<const char*, int> cases[] = {
      {"12abc", 12},
      {"", 0},
      {"  -7", -7},
      {"+5", 5},
      {"\t\v\f\r\n 3", 3},
      {"abc", 0},
      {"- 4", 0},
      {"--4", 0},
      {"2147483647", 2147483647},
      {"2147483648", std::numeric_limits<int>::max()},
      {"-2147483648", std::numeric_limits<int>::min()},
      {"-99999999999999999999", std::numeric_limits<int>::min()},
      {"0x10", 0},
      {"1.9", 1},
  };
  for (auto [text, value] : cases) EXPECT_EQ(ParseLeadingInt(text), value) << text;
}

TEST(ValueText, RealsUseThirtyTwoSignificantDigits) {
  const std::pair<double, const char*> cases[] = {
      {0.1, "0.10000000000000000555111512312578"},
      {0.5, "0.5"},
      {-2.0, "-2"},
      {1e100, "1.0000000000000000159028911097599e+100"},
      {1.0 / 3.0, "0.33333333333333331482961625624739"},
      {0.0, "0"},
      {123456789.0, "123456789"},
      {1e-5, "1.0000000000000000818030539140313e-05"},
  };
  for (auto [value, text] : cases) EXPECT_EQ(FormatReal(value), text) << text;
}

TEST(ValueText, RealsReadTheLeadingNumber) {
  const std::pair<const char*, double> cases[] = {
      {"0.5", 0.5},        {"  -1.25xyz", -1.25},
      {"+3e2", 300.0},     {".5", 0.5},
      {"7.", 7.0},         {"1e", 1.0},
      {"abc", 0.0},        {"", 0.0},
      {"--1", 0.0},        {"1,5", 1.0},
      {"1e999", HUGE_VAL}, {"-1e999", -HUGE_VAL},
      {"1e-999", 0.0},     {"0.0000e-99999", 0.0},
  };
  for (auto [text, value] : cases) EXPECT_EQ(ParseLeadingReal(text), value) << text;
  EXPECT_TRUE(std::isnan(ParseLeadingReal("nan")));
  EXPECT_EQ(ParseLeadingReal("inf"), HUGE_VAL);
}

TEST(ValueText, RealsRoundTripExactly) {
  const double values[] = {0.1,
                           1.0 / 3.0,
                           -0.0,
                           5e-324,
                           1.7976931348623157e308,
                           2.5e-300,
                           1234.5678,
                           std::numeric_limits<double>::infinity()};
  for (double v : values) {
    const double back = ParseLeadingReal(FormatReal(v));
    EXPECT_EQ(back, v) << FormatReal(v);
    EXPECT_EQ(std::signbit(back), std::signbit(v));
  }
}

struct BinaryCase {
  const char* text;
  std::vector<uint8_t> bytes;
};

TEST(ValueText, BinaryForms) {
  const BinaryCase cases[] = {
      {"0x00FF7F", {0x00, 0xFF, 0x7F}},
      {"0x00FF7f", {}},  // lower-case digits are refused
      {"BA", {0x01}},    // first letter low four bits
      {"AAPP", {0x00, 0xFF}},
      {"  0x12  ", {0x12}},  // trimmed
      {"0x123", {0x12}},     // an odd last digit is ignored
      {"0X12", {}},          // only a lower-case x introduces hexadecimal
      {"BQ", {}},
      {"ba", {}},
      {"0x", {}},
      {"", {}},
      {"0x12 34", {}},
  };
  for (const auto& c : cases) {
    uint8_t buf[8] = {};
    const int n = ParseBinary(c.text, buf, sizeof buf);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + n), c.bytes) << c.text;
  }
  uint8_t small[2];
  EXPECT_EQ(ParseBinary("0x010203", small, 2), 2);  // cut to the buffer
  EXPECT_EQ(small[1], 0x02);
  EXPECT_EQ(ParseBinary("0x01", nullptr, 4), 0);
  const uint8_t data[] = {0x00, 0xAB, 0x5F};
  EXPECT_EQ(FormatBinary(data, 3), "0x00AB5F");
  EXPECT_EQ(FormatBinary(data, 0), "");
  EXPECT_EQ(FormatBinary(nullptr, 3), "");
}

TEST(SectionValues, TypedRoundTripsAndDefaults) {
  CProfSect root;
  ASSERT_TRUE(root.SetInt("S\\T", "i", -123));
  ASSERT_TRUE(root.SetReal("S\\T", "r", 0.1));
  const uint8_t bytes[] = {1, 2, 254};
  ASSERT_TRUE(root.SetBinary("S\\T", "b", bytes, 3));
  ASSERT_TRUE(root.SetString("S\\T", "s", " text "));
  ASSERT_TRUE(root.SetString("S\\T", "e", ""));
  EXPECT_FALSE(root.SetString("S", "", "x"));  // no key without a name

  EXPECT_EQ(root.GetInt("S\\T", "i", 9), -123);
  EXPECT_EQ(root.GetString("S\\T", "r", ""), "0.10000000000000000555111512312578");
  EXPECT_EQ(root.GetReal("S\\T", "r", 9), 0.1);
  uint8_t out[4] = {};
  EXPECT_EQ(root.GetBinary("S\\T", "b", out, 4), 3);
  EXPECT_EQ(out[2], 254);
  EXPECT_EQ(root.GetString("\\S\\\\T\\", "s", ""), " text ");  // same section through any spelling

  // A missing key gives the default, an empty value 0.
  EXPECT_EQ(root.GetInt("S\\T", "none", 9), 9);
  EXPECT_EQ(root.GetInt("S\\T", "e", 9), 0);
  EXPECT_EQ(root.GetReal("S\\T", "none", 2.5), 2.5);
  EXPECT_EQ(root.GetReal("S\\T", "e", 2.5), 0.0);
  EXPECT_EQ(root.GetString("X", "none", "def"), "def");
  EXPECT_EQ(root.GetBinary("S\\T", "e", out, 4), 0);
  EXPECT_EQ(root.FindSect("X"), nullptr);  // getters create nothing
}

TEST(SectionValues, IndependentOfTheNumericLocale) {
  locale_t comma = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "de_DE", "fr_FR"}) {
    comma = ::newlocale(LC_NUMERIC_MASK, name, nullptr);
    if (comma) break;
  }
  if (!comma) GTEST_SKIP() << "no comma-decimal locale installed";
  const locale_t old = ::uselocale(comma);
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = previous ? previous : "C";
  std::setlocale(LC_NUMERIC, "");  // whatever the environment holds, plus the thread's locale
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 0.5);
  EXPECT_STREQ(probe, "0,5");  // the locale is in effect

  CProfSect root;
  root.SetReal("S", "r", 1.5);
  root.SetInt("S", "i", 1234567);
  EXPECT_EQ(root.GetString("S", "r", ""), "1.5");
  EXPECT_EQ(root.GetString("S", "i", ""), "1234567");
  EXPECT_EQ(root.GetReal("S", "r", 0), 1.5);
  root.SetString("S", "t", "2.25");
  EXPECT_EQ(root.GetReal("S", "t", 0), 2.25);

  ::uselocale(old);
  std::setlocale(LC_NUMERIC, saved.c_str());
  ::freelocale(comma);
}

}  // namespace
