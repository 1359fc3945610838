#include "ui/editors/calculatormodel.h"

#include <gtest/gtest.h>

#include <limits>

#include "ui/editors/currencymodel.h"

namespace {

struct Sequence {
  const char* keys;  // 'B' is backspace, 'R' carriage return
  const char* shown;
};

class CalculatorKeys : public testing::TestWithParam<Sequence> {};

TEST_P(CalculatorKeys, ShowTheNumber) {
  CalculatorModel m;
  for (QChar c : QString::fromLatin1(GetParam().keys))
    m.key(c == u'B' ? QChar(u'\b') : c == u'R' ? QChar(u'\r') : c);
  EXPECT_EQ(m.display(), QString::fromLatin1(GetParam().shown)) << GetParam().keys;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Keys, CalculatorKeys, testing::Values(
    Sequence{"", "0"},
    Sequence{"200+10%", "220"},
    Sequence{"200-10%", "180"},
    Sequence{"50*10%", "5"},
    Sequence{"50/10%", "500"},
    Sequence{"7/0=", "Error"},
    Sequence{"7/0=5+", "Error"},          // every key but C is ignored
    Sequence{"7/0=C", "0"},
    Sequence{"7/0=c12", "12"},            // c is C
    Sequence{"1/3=", "0.3333333333"},
    Sequence{"2/3=", "0.6666666667"},
    Sequence{"1+2*3=", "9"},              // chained left to right
    Sequence{"1+2R", "3"},
    Sequence{"12345678901234567", "123456789012345"},  // the 16th digit is ignored
    Sequence{"1.2.3", "1.23"},            // one point only
    Sequence{".5", "0.5"},
    Sequence{"123B", "12"},
    Sequence{"1BB", "0"},
    Sequence{"5_", "-5"},
    Sequence{"5_+3=", "-2"},
    Sequence{"0.1+0.2=", "0.3"},
    Sequence{"99999999999999*99999999999999=", "Error"},  // wider than 26 characters
    Sequence{"5+=", "5"},                 // = after an operator: nothing to add
    Sequence{"3+4=2", "2"}));
// clang-format on

TEST(CalculatorModel, OperandAndPendingFollowTheKeys) {
  CalculatorModel m;
  for (QChar c : QStringLiteral("12+")) m.key(c);
  EXPECT_EQ(m.pending(), u'+');
  EXPECT_DOUBLE_EQ(m.operand(), 12);
  m.setNumber(std::numeric_limits<double>::infinity());
  EXPECT_TRUE(m.isError());
  m.key(u'C');
  m.setNumber(-0.25);
  EXPECT_EQ(m.number(), QStringLiteral("0.25"));
  EXPECT_TRUE(m.negative());
}

struct ParseCase {
  const char* text;
  std::optional<double> value;
};

class CurrencyParse : public testing::TestWithParam<ParseCase> {};

TEST_P(CurrencyParse, ReadsTheAmount) {
  const auto v = currency::parse(QString::fromLatin1(GetParam().text));
  ASSERT_EQ(v.has_value(), GetParam().value.has_value()) << GetParam().text;
  if (v) {
    EXPECT_DOUBLE_EQ(*v, *GetParam().value) << GetParam().text;
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Texts, CurrencyParse, testing::Values(
    ParseCase{"12.5", 12.5},
    ParseCase{"-3", -3.0},
    ParseCase{"", 0.0},
    ParseCase{"1,234.50", 1234.5},
    ParseCase{"(12.00)", -12.0},
    ParseCase{"1-2", -12.0},
    ParseCase{"$ 7", 7.0},
    ParseCase{"1.2.3", std::nullopt},
    ParseCase{"123456789012345678901234567890", 123456789012345678901234567890.0}));
// clang-format on

TEST(CurrencyFormat, PatternsAndSigns) {
  const QString pattern = QStringLiteral(",0.00");
  EXPECT_EQ(currency::format(12.5, pattern), QStringLiteral("12.50"));
  EXPECT_EQ(currency::format(-3, pattern), QStringLiteral("-3.00"));
  EXPECT_EQ(currency::format(0, pattern), QStringLiteral("0.00"));
  EXPECT_EQ(currency::format(1234567.891, pattern), QStringLiteral("1,234,567.89"));
  EXPECT_EQ(currency::format(0.5, pattern), QStringLiteral("0.50"));
  EXPECT_EQ(currency::format(-0.001, pattern), QStringLiteral("0.00"));
  EXPECT_EQ(currency::format(-5, QStringLiteral("#,##0.00;(#,##0.00)")), QStringLiteral("(5.00)"));
  EXPECT_EQ(currency::format(1.5, QStringLiteral("0.##")), QStringLiteral("1.5"));
  EXPECT_TRUE(currency::isNegativeText(QStringLiteral("(5.00)")));
  EXPECT_EQ(currency::allowedPart(QStringLiteral("$1,234.5x-")), QStringLiteral("1234.5-"));
}

}  // namespace
