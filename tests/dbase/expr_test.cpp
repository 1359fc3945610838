#include "dbase/expr.h"

#include <gtest/gtest.h>

#include <map>

#include "dbase/error.h"
#include "dbase/keys.h"

namespace dbase {
namespace {

// A small book record: TITLE C(20), AUTHOR C(40), VALUE N(10,2), BOUGHT D, NOTES M, READ L.
const std::vector<FieldDef> kFields = {
    {"TITLE", FieldType::Character, 20, 0}, {"AUTHOR", FieldType::Character, 40, 0},
    {"VALUE", FieldType::Numeric, 10, 2},   {"BOUGHT", FieldType::Date, 8, 0},
    {"NOTES", FieldType::Memo, 10, 0},      {"READ", FieldType::Logical, 1, 0},
};

std::string pad(std::string s, size_t n) {
  s.resize(n, ' ');
  return s;
}

struct Book {
  std::string title, author, value, bought, notes;
  char read = 'F';

  std::string record() const {
    return " " + pad(title, 20) + pad(author, 40) + pad(value, 10) + pad(bought, 8) + pad("", 10) +
           read;
  }
};

ExprValue run(const std::string& text, const Book& b = {}) {
  const Expression e = Expression::compile(text, kFields);
  const std::string rec = b.record();
  RecordView view{rec, [&](int field) { return field == 4 ? b.notes : std::string(); }};
  return e.evaluate(view);
}

std::string textOf(const std::string& text, const Book& b = {}) { return run(text, b).text; }

int lengthOf(const std::string& text) { return Expression::compile(text, kFields).resultLength(); }

Book sample() {
  Book b;
  b.title = "Dune";
  b.author = "Herbert, Frank";
  b.value = "     12.50";
  b.bought = "19990115";
  b.read = 'T';
  return b;
}

TEST(ExprFields, ReadFieldsFromRecordBytes) {
  const Book b = sample();
  EXPECT_EQ(textOf("TITLE", b), pad("Dune", 20));
  EXPECT_EQ(textOf("title", b), pad("Dune", 20));  // names are case-insensitive
  EXPECT_DOUBLE_EQ(run("VALUE", b).number, 12.5);
  EXPECT_EQ(run("BOUGHT", b).julian, toJulian({1999, 1, 15}));
  EXPECT_TRUE(run("READ", b).logical);
}

TEST(ExprFields, NumberFieldsReadSignsAndBareFractions) {
  Book b;
  for (const auto& [text, value] : std::vector<std::pair<std::string, double>>{{"      -.5", -0.5},
                                                                               {"       .25", 0.25},
                                                                               {"   +7", 7},
                                                                               {"-123.45", -123.45},
                                                                               {"  1e3", 1000}}) {
    b.value = text;
    EXPECT_DOUBLE_EQ(run("VALUE", b).number, value) << text;
  }
}

TEST(ExprFields, BlankNumberIsZeroAndBlankDateIsBlank) {
  Book b;
  EXPECT_EQ(run("VALUE", b).number, 0);
  EXPECT_EQ(run("BOUGHT", b).julian, 0);
  EXPECT_EQ(textOf("DTOS(BOUGHT)", b), "        ");
}

TEST(ExprFields, UnknownFieldIsAnExpressionError) {
  EXPECT_THROW(Expression::compile("UPPER(TITEL)", kFields), ExpressionError);
  EXPECT_THROW(Expression::compile("UPPER(TITLE", kFields), ExpressionError);
  EXPECT_THROW(Expression::compile("TITLE + VALUE", kFields), ExpressionError);
  EXPECT_THROW(Expression::compile("NOSUCH(TITLE)", kFields), ExpressionError);
  EXPECT_THROW(Expression::compile("\"abc", kFields), ExpressionError);
  EXPECT_THROW(Expression::compile("{13/45/2000}", kFields), ExpressionError);
}

struct StrCase {
  const char* expr;
  const char* result;
};

class ExprStr : public ::testing::TestWithParam<StrCase> {};

TEST_P(ExprStr, FormatsLikeDbase) {
  EXPECT_EQ(textOf(GetParam().expr, sample()), GetParam().result) << GetParam().expr;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExprStr,
    ::testing::Values(StrCase{"STR(VALUE,12,2)", "       12.50"},
                      StrCase{"STR(12.5)", "        13"}, StrCase{"STR(-12.5)", "       -13"},
                      StrCase{"STR(2.675,5,2)", " 2.68"}, StrCase{"STR(123456,5)", "*****"},
                      StrCase{"STR(123.456,5,2)", "123.5"}, StrCase{"STR(-0.4,3)", "  0"},
                      StrCase{"STR(0,10,0)", "         0"}, StrCase{"STR(VALUE*2,6,1)", "  25.0"}));

TEST(ExprStr, LengthIsTheGivenWidth) {
  EXPECT_EQ(lengthOf("STR(VALUE,12,2)"), 12);
  EXPECT_EQ(lengthOf("STR(VALUE)"), 10);
}

TEST(ExprSubstr, CutsAndSizes) {
  const Book b = sample();
  EXPECT_EQ(textOf("SUBSTR(AUTHOR,1,7)", b), "Herbert");
  EXPECT_EQ(textOf("SUBSTR(AUTHOR,10)", b), pad("Frank", 31));
  EXPECT_EQ(textOf("SUBSTR(TITLE,21,3)", b), "");
  EXPECT_EQ(textOf("SUBSTR(TITLE,0,3)", b), "");
  EXPECT_EQ(textOf("SUBSTR(TITLE,19,5)", b), "  ");
  EXPECT_EQ(lengthOf("SUBSTR(AUTHOR,1,30)"), 30);
  EXPECT_EQ(lengthOf("SUBSTR(AUTHOR,11)"), 30);
  EXPECT_EQ(lengthOf("SUBSTR(TITLE,5,99)"), 16);
}

TEST(ExprStrings, ConcatenationLengthsAddUp) {
  const Book b = sample();
  EXPECT_EQ(lengthOf("UPPER(SUBSTR(AUTHOR,1,30))+UPPER(TITLE)"), 50);
  EXPECT_EQ(textOf("UPPER(SUBSTR(AUTHOR,1,30))+UPPER(TITLE)", b),
            pad("HERBERT, FRANK", 30) + pad("DUNE", 20));
  EXPECT_EQ(textOf("TITLE-\"!\"", b), "Dune!" + std::string(16, ' '));
  EXPECT_EQ(lengthOf("TITLE-\"!\""), 21);
  EXPECT_EQ(textOf("'a'+\"b\"+[c]"), "abc");
}

TEST(ExprStrings, CaseAndTrimFunctions) {
  const Book b = sample();
  EXPECT_EQ(textOf("UPPER(TITLE)", b), pad("DUNE", 20));
  EXPECT_EQ(textOf("LOWER(TITLE)", b), pad("dune", 20));
  EXPECT_EQ(textOf("TRIM(TITLE)+'|'", b), "Dune|");
  EXPECT_EQ(textOf("LTRIM('  x ')"), "x ");
  EXPECT_EQ(textOf("ALLTRIM('  x ')"), "x");
  EXPECT_EQ(textOf("UPPE(TITLE)", b), pad("DUNE", 20));  // four-letter abbreviation
  EXPECT_EQ(lengthOf("UPPER(TITLE)"), 20);
}

TEST(ExprDates, LiteralsAndArithmetic) {
  Book b = sample();
  EXPECT_EQ(run("{12/31/1999}").julian, 2451544);
  EXPECT_EQ(run("{12/31/99}").julian, 2451544);
  EXPECT_DOUBLE_EQ(run("{01/15/1999}-{01/01/1999}").number, 14);
  EXPECT_EQ(textOf("DTOS(BOUGHT+20)", b), "19990204");
  EXPECT_EQ(textOf("DTOS(BOUGHT-15)", b), "19981231");
  EXPECT_EQ(textOf("DTOS(BOUGHT)", b), "19990115");
  EXPECT_EQ(textOf("DTOC(BOUGHT)", b), "01/15/99");
  EXPECT_EQ(textOf("STR({12/31/3099}-BOUGHT,10,0)", b), [] {
    const std::string n = std::to_string(toJulian({3099, 12, 31}) - toJulian({1999, 1, 15}));
    return std::string(10 - n.size(), ' ') + n;
  }());
  EXPECT_EQ(lengthOf("DTOS(BOUGHT)"), 8);
  EXPECT_EQ(Expression::compile("BOUGHT", kFields).resultKind(), ExprValue::Kind::Date);
}

TEST(ExprDates, BlankDateInArithmeticGivesZero) {
  Book b;
  EXPECT_EQ(textOf("STR({12/31/3099}-BOUGHT,10,0)", b), "         0");
  EXPECT_EQ(run("{}").julian, 0);
}

TEST(ExprMline, WrapsAtFiftyColumns) {
  Book b;
  b.notes =
      "A first line\r\nThis second line is long enough that it has to wrap at the "
      "fiftieth column somewhere\r\n\r\nlast   ";
  EXPECT_EQ(textOf("MLINE(NOTES,1)", b), "A first line");
  const std::string l2 = textOf("MLINE(NOTES,2)", b);
  EXPECT_LE(l2.size(), 50u);
  EXPECT_EQ(l2, "This second line is long enough that it has to");
  EXPECT_EQ(textOf("MLINE(NOTES,3)", b), "wrap at the fiftieth column somewhere");
  EXPECT_EQ(textOf("MLINE(NOTES,4)", b), "");
  EXPECT_EQ(textOf("MLINE(NOTES,5)", b), "last");
  EXPECT_EQ(textOf("MLINE(NOTES,6)", b), "");
  EXPECT_EQ(textOf("UPPER(MLINE(NOTES,1))", b), "A FIRST LINE");
  EXPECT_EQ(lengthOf("UPPER(MLINE(NOTES,1))"), 50);
}

TEST(ExprMline, UnbrokenTextIsCutAtTheWidth) {
  Book b;
  b.notes = std::string(120, 'x');
  EXPECT_EQ(textOf("MLINE(NOTES,1)", b), std::string(50, 'x'));
  EXPECT_EQ(textOf("MLINE(NOTES,3)", b), std::string(20, 'x'));
  EXPECT_EQ(textOf("MLINE(NOTES,4)", b), "");
}

TEST(ExprLogic, ComparisonsAndConnectives) {
  const Book b = sample();
  EXPECT_TRUE(run("TITLE = 'Du'", b).logical);  // EXACT off
  EXPECT_FALSE(run("'Du' = TITLE", b).logical);
  EXPECT_TRUE(run("VALUE > 10 .AND. .NOT. VALUE > 20", b).logical);
  EXPECT_TRUE(run("'un' $ TITLE .OR. .F.", b).logical);
  EXPECT_TRUE(run("BOUGHT < {01/01/2000}", b).logical);
  EXPECT_EQ(textOf("IIF(READ, 'yes', 'no ')", b), "yes");
  EXPECT_DOUBLE_EQ(run("VAL('  42.5x')").number, 42.5);
  EXPECT_DOUBLE_EQ(run("-(2+3)*4/2").number, -10);
}

TEST(ExprLogic, DeletedReadsTheFlagByteAndFiltersSayWhetherTheyDropIt) {
  std::string rec = sample().record();
  auto value = [&](const char* text) {
    return Expression::compile(text, kFields).evaluate({rec, {}}).logical;
  };
  EXPECT_FALSE(value("DELETED()"));
  EXPECT_TRUE(value(".NOT.DELETED()"));
  rec[0] = '*';
  EXPECT_TRUE(value("DELETED()"));
  EXPECT_FALSE(value(".NOT. DELETED() .OR. VALUE > 100"));
  struct Case {
    const char* filter;
    bool readsDeletion;
    bool excludesDeleted;
  };
  for (const Case& c : {Case{".NOT.DELETED()", true, true}, Case{"!deleted()", true, true},
                        Case{"VALUE > 0 .AND. .NOT.DELETED()", true, true},
                        Case{".NOT.DELETED() .OR. READ", true, false},
                        Case{"DELETED()", true, false}, Case{"VALUE > 0", false, false}}) {
    const Expression e = Expression::compile(c.filter, kFields);
    EXPECT_EQ(e.readsDeletion(), c.readsDeletion) << c.filter;
    EXPECT_EQ(e.excludesDeleted(), c.excludesDeleted) << c.filter;
  }
}

TEST(ExprKeys, KeyOfNumericFieldIsItsBcd) {
  const Expression e = Expression::compile("VALUE", kFields);
  const std::string rec = sample().record();
  EXPECT_EQ(e.resultKind(), ExprValue::Kind::Numeric);
  EXPECT_EQ(makeKey(e.evaluate({rec, {}}), KeyType::Numeric, 12), numericKey(12.5));
}

}  // namespace
}  // namespace dbase

// Reversal keys subtract from eighteen nines: a double would round every
// small value to the same key.
TEST(ExprNumbers, ReversalKeepsNineteenDigits) {
  using dbase::Expression;
  std::vector<dbase::FieldDef> fields = {{"VALUE", dbase::FieldType::Numeric, 12, 2}};
  Expression e = Expression::compile("STR(999999999999999999-VALUE, 20, 4)", fields);
  auto key = [&](const char* value) {
    std::string rec = std::string(" ") + value;
    return e.evaluate(dbase::RecordView{rec, nullptr}).text;
  };
  EXPECT_EQ(key("        1.00"), "999999999999999998.0");
  EXPECT_EQ(key("        2.00"), "999999999999999997.0");
  EXPECT_EQ(key("       12.50"), "999999999999999986.5");
}
