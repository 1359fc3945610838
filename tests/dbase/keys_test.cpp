#include "dbase/keys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "dbase/coding.h"

namespace dbase {
namespace {

std::string hex(std::string_view s) {
  static const char* kDigits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if (!out.empty()) out += ' ';
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

struct NumericCase {
  double value;
  const char* bytes;  // all 12 bytes
};

class NumericKeyEncoding : public ::testing::TestWithParam<NumericCase> {};

TEST_P(NumericKeyEncoding, MatchesPackedBcdLayout) {
  EXPECT_EQ(hex(numericKey(GetParam().value)), GetParam().bytes) << GetParam().value;
}

TEST_P(NumericKeyEncoding, DecodesBackToTheValue) {
  EXPECT_DOUBLE_EQ(numericKeyValue(numericKey(GetParam().value)), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Table, NumericKeyEncoding,
    ::testing::Values(NumericCase{12.5, "36 0D 12 50 00 00 00 00 00 00 00 00"},
                      NumericCase{-3.25, "35 8D 32 50 00 00 00 00 00 00 00 00"},
                      NumericCase{0, "34 01 00 00 00 00 00 00 00 00 00 00"},
                      NumericCase{1, "35 05 10 00 00 00 00 00 00 00 00 00"},
                      NumericCase{100, "37 05 10 00 00 00 00 00 00 00 00 00"},
                      NumericCase{0.05, "33 05 50 00 00 00 00 00 00 00 00 00"},
                      NumericCase{123456.78, "3A 21 12 34 56 78 00 00 00 00 00 00"}));

TEST(NumericKeys, OrderFollowsTheValues) {
  std::vector<double> values = {-1e12, -1000, -999.5, -12.5,   -3.25,     -1,  -0.5, -0.001,
                                0,     0.001, 0.05,   0.5,     1,         1.5, 9.99, 10,
                                12.5,  99,    100,    1000.25, 123456.78, 1e12};
  for (size_t i = 0; i < values.size(); ++i)
    for (size_t j = 0; j < values.size(); ++j) {
      const int c = compareKeys(KeyType::Numeric, numericKey(values[i]), numericKey(values[j]));
      const int expected = i < j ? -1 : (i > j ? 1 : 0);
      EXPECT_EQ(c < 0 ? -1 : (c > 0 ? 1 : 0), expected) << values[i] << " vs " << values[j];
    }
}

TEST(NumericKeys, RandomValuesSortLikeDoubles) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> dist(-1e6, 1e6);
  std::vector<double> v;
  for (int i = 0; i < 2000; ++i) v.push_back(std::round(dist(rng) * 100) / 100);
  std::vector<std::string> keys;
  for (double d : v) keys.push_back(numericKey(d));
  std::sort(keys.begin(), keys.end(), [](const std::string& a, const std::string& b) {
    return compareKeys(KeyType::Numeric, a, b) < 0;
  });
  std::sort(v.begin(), v.end());
  for (size_t i = 0; i < v.size(); ++i) EXPECT_DOUBLE_EQ(numericKeyValue(keys[i]), v[i]);
}

TEST(DateKeys, HoldJulianDayAsLittleEndianDouble) {
  const std::string k = dateKey(2451544);
  ASSERT_EQ(k.size(), 8u);
  EXPECT_EQ(decodeDouble(k.data()), 2451544.0);
  EXPECT_EQ(hex(k), "00 00 00 00 2C B4 42 41");
}

TEST(DateKeys, BlankDateSortsAfterEveryDate) {
  const std::string blank = dateKey(0);
  EXPECT_EQ(decodeDouble(blank.data()), 1.0E100);
  EXPECT_GT(compareKeys(KeyType::Date, blank, dateKey(toJulian({9999, 12, 31}))), 0);
  EXPECT_LT(compareKeys(KeyType::Date, dateKey(toJulian({1900, 1, 1})), dateKey(2451544)), 0);
  EXPECT_EQ(compareKeys(KeyType::Date, blank, dateKey(0)), 0);
}

TEST(CharacterKeys, ArePaddedAndCut) {
  EXPECT_EQ(characterKey("ab", 5), "ab   ");
  EXPECT_EQ(characterKey("abcdef", 3), "abc");
}

TEST(CharacterKeys, CompareAsUnsignedBytes) {
  EXPECT_LT(compareKeys(KeyType::Character, "A    ", "a    "), 0);
  EXPECT_LT(compareKeys(KeyType::Character, "Z    ", "\xC4    "), 0);
  EXPECT_LT(compareKeys(KeyType::Character, "AB   ", "ABC  "), 0);
  EXPECT_EQ(compareKeys(KeyType::Character, "AB   ", "AB   "), 0);
}

TEST(CharacterKeys, PrefixComparisonUsesThePrefixLengthOnly) {
  EXPECT_EQ(compareKeyPrefix(KeyType::Character, "SMITHSON  ", "SMITH"), 0);
  EXPECT_GT(compareKeyPrefix(KeyType::Character, "SMYTH     ", "SMITH"), 0);
  EXPECT_LT(compareKeyPrefix(KeyType::Character, "SMA       ", "SMITH"), 0);
  EXPECT_EQ(compareKeyPrefix(KeyType::Character, "ANY", ""), 0);
}

TEST(MakeKey, BuildsTheStoredKeyForEachType) {
  ExprValue text;
  text.text = "Dune";
  EXPECT_EQ(makeKey(text, KeyType::Character, 6), "Dune  ");
  ExprValue num;
  num.kind = ExprValue::Kind::Numeric;
  num.number = 12.5;
  EXPECT_EQ(makeKey(num, KeyType::Numeric, 12), numericKey(12.5));
  ExprValue date;
  date.kind = ExprValue::Kind::Date;
  EXPECT_EQ(makeKey(date, KeyType::Date, 8), dateKey(0));
  EXPECT_THROW(makeKey(num, KeyType::Character, 10), ExpressionError);
}

TEST(BoundKey, CharacterBoundKeepsItsOwnLength) {
  EXPECT_EQ(boundKey(std::string("Smi"), KeyType::Character, 30), "Smi");
  EXPECT_EQ(boundKey(3.0, KeyType::Numeric, 12), numericKey(3));
  EXPECT_EQ(boundKey(Date{2000, 1, 1}, KeyType::Date, 8), dateKey(2451545));
  EXPECT_THROW(boundKey(3.0, KeyType::Date, 8), ExpressionError);
}

TEST(Julian, KnownDays) {
  EXPECT_EQ(toJulian({1999, 12, 31}), 2451544);
  EXPECT_EQ(toJulian({2000, 3, 1}) - toJulian({2000, 2, 28}), 2);
  EXPECT_EQ(toJulian({1900, 3, 1}) - toJulian({1900, 2, 28}), 1);
  EXPECT_EQ(toJulian({}), 0);
  EXPECT_EQ(fromJulian(0), Date{});
}

TEST(Julian, RoundTripsEveryDayOverCenturies) {
  const int64_t start = toJulian({1600, 1, 1});
  Date prev = fromJulian(start - 1);
  for (int64_t j = start; j < start + 200000; ++j) {
    const Date d = fromJulian(j);
    ASSERT_EQ(toJulian(d), j);
    ASSERT_TRUE(d.day == prev.day + 1 || d.day == 1);
    prev = d;
  }
}

TEST(Dtos, ParsesAndFormats) {
  EXPECT_EQ(parseDtos("20240229"), (Date{2024, 2, 29}));
  EXPECT_TRUE(parseDtos("20230229").isBlank());
  EXPECT_TRUE(parseDtos("        ").isBlank());
  EXPECT_TRUE(parseDtos("2024").isBlank());
  EXPECT_EQ(toDtos({2024, 2, 9}), "20240209");
  EXPECT_EQ(toDtos({}), "        ");
}

}  // namespace
}  // namespace dbase
