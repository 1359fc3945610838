#include "ui/editors/dateeditmodel.h"

#include <gtest/gtest.h>

namespace {

// Keys as a user types them: digits, 'B' for backspace, 'D' for the system's
// backspace (blanks right of the caret), '<' '>' for the arrows, 'H' 'E' for Home and End.
DateEditModel typed(const QString& keys, const QString& format = QStringLiteral("mm/dd/yyyy")) {
  DateEditModel m;
  m.setFormat(format);
  for (QChar k : keys) {
    if (k.isDigit()) m.typeDigit(k);
    if (k == u'B') m.backspace();
    if (k == u'D') m.blankRight();
    if (k == u'<') m.left();
    if (k == u'>') m.right();
    if (k == u'H') m.home();
    if (k == u'E') m.end();
  }
  return m;
}

struct TypingCase {
  const char* name;
  const char* keys;
  const char* format;
  const char* text;
  int caret;
};

class DateEditTyping : public testing::TestWithParam<TypingCase> {};

TEST_P(DateEditTyping, GivesTextAndCaret) {
  const TypingCase& c = GetParam();
  const DateEditModel m = typed(QString::fromLatin1(c.keys), QString::fromLatin1(c.format));
  EXPECT_EQ(m.text(), QString::fromLatin1(c.text));
  EXPECT_EQ(m.caret(), c.caret);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Keys, DateEditTyping, testing::Values(
    TypingCase{"Blank", "", "mm/dd/yyyy", "__/__/____", 0},
    TypingCase{"EightDigitsSkipTheSeparators", "12311997", "mm/dd/yyyy", "12/31/1997", 10},
    TypingCase{"NinthDigitIgnored", "123119979", "mm/dd/yyyy", "12/31/1997", 10},
    TypingCase{"CaretJumpsPastSeparator", "12", "mm/dd/yyyy", "12/__/____", 3},
    TypingCase{"BackspaceAfterSeparatorRemovesDigit", "12B", "mm/dd/yyyy", "1_/__/____", 1},
    TypingCase{"BackspaceAtStartDoesNothing", "B", "mm/dd/yyyy", "__/__/____", 0},
    TypingCase{"BackspaceTwice", "123BB", "mm/dd/yyyy", "1_/__/____", 1},
    TypingCase{"SystemBackspaceBlanksRight", "12311997HD", "mm/dd/yyyy", "_2/31/1997", 0},
    TypingCase{"SystemBackspaceSparesSeparator", "12311997H>>D", "mm/dd/yyyy", "12/_1/1997", 3},
    TypingCase{"LeftStepsOverSeparator", "12<", "mm/dd/yyyy", "12/__/____", 1},
    TypingCase{"LeftAtStart", "<", "mm/dd/yyyy", "__/__/____", 0},
    TypingCase{"RightStepsOverSeparator", ">>", "mm/dd/yyyy", "__/__/____", 3},
    TypingCase{"RightAtEnd", "E>", "mm/dd/yyyy", "__/__/____", 10},
    TypingCase{"OverwriteAfterHome", "12311997H0", "mm/dd/yyyy", "02/31/1997", 1},
    TypingCase{"YearFirst", "19971231", "yyyy/mm/dd", "1997/12/31", 10},
    TypingCase{"YearFirstSeparatorAfterFour", "1997", "yyyy/mm/dd", "1997/__/__", 5},
    TypingCase{"ShortYear", "123197", "mm/dd/yy", "12/31/97", 8}),
    [](const auto& row) { return std::string(row.param.name); });
// clang-format on

struct CheckCase {
  const char* text;
  const char* format;
  bool valid;
  const char* after;  // the text once leaving has zero-filled it
};

class DateEditLeaving : public testing::TestWithParam<CheckCase> {};

TEST_P(DateEditLeaving, ValidatesAndZeroFills) {
  const CheckCase& c = GetParam();
  DateEditModel m;
  m.setFormat(QString::fromLatin1(c.format));
  // Typed in digit by digit over the mask, as a user would.
  for (QChar ch : QString::fromLatin1(c.text)) {
    if (ch.isDigit()) m.typeDigit(ch);
    if (ch == u'_') m.right();
  }
  EXPECT_EQ(m.leave(), c.valid) << c.text;
  EXPECT_EQ(m.text(), QString::fromLatin1(c.after));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Texts, DateEditLeaving, testing::Values(
    CheckCase{"__/__/____", "mm/dd/yyyy", true, "__/__/____"},
    CheckCase{"12/31/1997", "mm/dd/yyyy", true, "12/31/1997"},
    CheckCase{"_5/_3/1997", "mm/dd/yyyy", true, "05/03/1997"},
    CheckCase{"5_/03/1997", "mm/dd/yyyy", false, "5_/03/1997"},
    CheckCase{"02/29/2023", "mm/dd/yyyy", false, "02/29/2023"},
    CheckCase{"02/29/2024", "mm/dd/yyyy", true, "02/29/2024"},
    CheckCase{"31/02/2023", "dd/mm/yyyy", false, "31/02/2023"},
    CheckCase{"13/01/2023", "mm/dd/yyyy", false, "13/01/2023"},
    CheckCase{"01/01/97__", "mm/dd/yyyy", false, "01/01/97__"},
    CheckCase{"__/__/1997", "mm/dd/yyyy", false, "00/00/1997"},
    CheckCase{"1997/_2/_1", "yyyy/mm/dd", true, "1997/02/01"}));
// clang-format on

TEST(DateEditModel, ReadsDateValuesInEachFormat) {
  DateEditModel m;
  EXPECT_FALSE(m.dateValue().isValid());  // blank is 0
  EXPECT_TRUE(m.isBlank());
  m.setDateValue(QDate(1997, 12, 31));
  EXPECT_EQ(m.text(), QStringLiteral("12/31/1997"));
  m.setFormat(QStringLiteral("yyyy/mm/dd"));
  EXPECT_EQ(m.text(), QStringLiteral("1997/12/31"));
  EXPECT_TRUE(m.isSeparator(4));
  EXPECT_TRUE(m.isSeparator(7));
  m.setFormat(QStringLiteral("dd/mm/yyyy"));
  EXPECT_EQ(m.text(), QStringLiteral("31/12/1997"));
  EXPECT_EQ(m.dateValue(), QDate(1997, 12, 31));
  m.setDateValue(QDate());
  EXPECT_EQ(m.text(), QStringLiteral("__/__/____"));
  m.setFormat(QStringLiteral("yyyy/mm/dd"));
  EXPECT_EQ(m.text(), QStringLiteral("____/__/__"));
  // Unknown formats leave the edit as it is.
  m.setFormat(QStringLiteral("dd.mm.yyyy"));
  EXPECT_EQ(m.format(), QStringLiteral("yyyy/mm/dd"));
  EXPECT_EQ(DateEditModel::formatForSetting(1), QStringLiteral("dd/mm/yyyy"));
  EXPECT_EQ(DateEditModel::formatForSetting(3), QString());
}

TEST(DateEditModel, WritingTextKeepsTheOldTextWhenItIsNoDate) {
  DateEditModel m;
  EXPECT_TRUE(m.setText(QStringLiteral("12/31/1997")));
  for (const char* bad : {"02/30/2024", "ab/cd/efgh", "12/31/97", "12-31-1997"}) {
    EXPECT_FALSE(m.setText(QString::fromLatin1(bad))) << bad;
    EXPECT_EQ(m.text(), QStringLiteral("12/31/1997")) << bad;
  }
  EXPECT_TRUE(m.setText(QString()));
  EXPECT_TRUE(m.isBlank());
}

TEST(DateEditModel, UndoCopyIsTheTextOnEntryOrBeforeClear) {
  DateEditModel m;
  m.setDateValue(QDate(2001, 2, 3));
  m.enter();
  EXPECT_FALSE(m.undoEnabled());
  m.typeDigit(u'1');
  m.noteTyped();
  EXPECT_TRUE(m.undoEnabled());
  m.undo();
  EXPECT_EQ(m.text(), QStringLiteral("02/03/2001"));
  m.clearKeepingUndo();
  EXPECT_TRUE(m.isBlank());
  m.undo();
  EXPECT_EQ(m.text(), QStringLiteral("02/03/2001"));
  DateEditModel blank;
  blank.clearKeepingUndo();  // Clear on a blank edit leaves it blank and nothing to undo
  EXPECT_TRUE(blank.isBlank());
  EXPECT_FALSE(blank.undoEnabled());
}

TEST(DateEditModel, PasteTypesItsDigitsOnly) {
  DateEditModel m;
  m.typeText(QStringLiteral("12/31/1997x"));
  EXPECT_EQ(m.text(), QStringLiteral("12/31/1997"));
  EXPECT_TRUE(DateEditModel::isValidChar(u'7'));
  EXPECT_TRUE(DateEditModel::isValidChar(QChar(u'\b')));
  EXPECT_FALSE(DateEditModel::isValidChar(u'/'));
  EXPECT_FALSE(DateEditModel::isValidChar(u'a'));
}

}  // namespace
