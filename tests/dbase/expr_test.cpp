#include "dbase/expr.h"

#include <gtest/gtest.h>

#include <cstring>
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
  EXPECT_DOUBLE_EQ(run("VALUE", b).number, 12.5);
  EXPECT_EQ(run("BOUGHT", b).julian, toJulian({1999, 1, 15}));
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
  EXPECT_EQ(run("VALUE").number, 0);
  EXPECT_EQ(run("BOUGHT").julian, 0);
}

TEST(ExprFields, UnknownFieldIsAnExpressionError) {
  for (const char* text :
       {"UPPER(TITEL)", "UPPER(TITLE", "TITLE + VALUE", "NOSUCH(TITLE)", "\"abc", "{13/45/2000}"})
    EXPECT_THROW(Expression::compile(text, kFields), ExpressionError) << text;
}

// Character results, on the sample book or (blank) on an empty record.
struct StrCase {
  const char* expr;
  std::string result;
  bool blank = false;
};

void PrintTo(const StrCase& c, std::ostream* os) { *os << c.expr; }

class ExprStr : public ::testing::TestWithParam<StrCase> {};

TEST_P(ExprStr, FormatsLikeDbase) {
  const StrCase& c = GetParam();
  EXPECT_EQ(textOf(c.expr, c.blank ? Book{} : sample()), c.result) << c.expr;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExprStr,
    ::testing::Values(
        StrCase{"STR(VALUE,12,2)", "       12.50"}, StrCase{"STR(12.5)", "        13"},
        StrCase{"STR(-12.5)", "       -13"}, StrCase{"STR(2.675,5,2)", " 2.68"},
        StrCase{"STR(123456,5)", "*****"}, StrCase{"STR(123.456,5,2)", "123.5"},
        StrCase{"STR(-0.4,3)", "  0"}, StrCase{"STR(0,10,0)", "         0"},
        StrCase{"STR(VALUE*2,6,1)", "  25.0"},
        // Fields, names in any case.
        StrCase{"TITLE", pad("Dune", 20)}, StrCase{"title", pad("Dune", 20)},
        StrCase{"DTOS(BOUGHT)", "        ", true},
        // Substrings cut and size.
        StrCase{"SUBSTR(AUTHOR,1,7)", "Herbert"}, StrCase{"SUBSTR(AUTHOR,10)", pad("Frank", 31)},
        StrCase{"SUBSTR(TITLE,21,3)", ""}, StrCase{"SUBSTR(TITLE,0,3)", ""},
        StrCase{"SUBSTR(TITLE,19,5)", "  "},
        // Concatenation, case and trimming.
        StrCase{"UPPER(SUBSTR(AUTHOR,1,30))+UPPER(TITLE)",
                pad("HERBERT, FRANK", 30) + pad("DUNE", 20)},
        StrCase{"TITLE-\"!\"", "Dune!" + std::string(16, ' ')},
        StrCase{"'a'+\"b\"+[c]", "abc", true}, StrCase{"UPPER(TITLE)", pad("DUNE", 20)},
        StrCase{"LOWER(TITLE)", pad("dune", 20)}, StrCase{"TRIM(TITLE)+'|'", "Dune|"},
        StrCase{"LTRIM('  x ')", "x ", true}, StrCase{"ALLTRIM('  x ')", "x", true},
        StrCase{"UPPE(TITLE)", pad("DUNE", 20)},  // four-letter abbreviation
        // Date arithmetic and conversions.
        StrCase{"DTOS(BOUGHT+20)", "19990204"}, StrCase{"DTOS(BOUGHT-15)", "19981231"},
        StrCase{"DTOS(BOUGHT)", "19990115"}, StrCase{"DTOC(BOUGHT)", "01/15/99"},
        StrCase{"STR({12/31/3099}-BOUGHT,10,0)", "         0", true},  // blank date gives zero
        StrCase{"IIF(READ, 'yes', 'no ')", "yes"}));

// Keys of the common forms come straight from the record bytes; wherever that
// answers, it must be what the general evaluation gives, record for record.
TEST(ExprQuickText, AgreesWithTheEvaluation) {
  const char* quick[] = {"TITLE",
                         "UPPER(TITLE)",
                         "SUBSTR(AUTHOR,1,7)",
                         "SUBSTR(AUTHOR,10)",
                         "UPPER(SUBSTR(TITLE,1,99))",
                         "SUBSTR(UPPER(TITLE),3,4)",
                         "SUBSTR(TITLE,0,3)",
                         "SUBSTR(TITLE,21,3)",
                         "SUBSTR(TITLE,2,-1)",
                         "STR(VALUE,20,4)",
                         "STR(VALUE)",
                         "STR(VALUE,12,2)"};
  const char* general[] = {"STR(VALUE,4,2)", "STR(VALUE,10,1)", "LOWER(TITLE)", "TRIM(TITLE)",
                           "STR(VALUE*2,6,1)"};
  const char* values[] = {"     12.50", "",         "     -0.00", "     -12.5", "        1.",
                          "        .5", "     -",   "    12.505", "       1e5", "**********",
                          "        +3", "12      ", "0000000007", "-123456.78"};
  const char* titles[] = {"Dune", "", "\xe9t\xe9 \xe0 Paris", "the left hand of dark", "zz{}@`"};
  int answered = 0;
  for (const char* text : quick)
    for (const char* value : values)
      for (const char* title : titles)
        for (const size_t cut : {std::string::npos, size_t{25}, size_t{3}, size_t{0}}) {
          Book b = sample();
          b.title = title;
          b.value = std::string(10 - std::min<size_t>(10, std::strlen(value)), ' ') + value;
          const std::string rec = b.record().substr(0, cut);
          const Expression e = Expression::compile(text, kFields);
          std::string got = "unset";
          if (!e.quickText(rec, got)) continue;
          ++answered;
          EXPECT_EQ(got, e.evaluate({rec, nullptr}).text) << text << " on [" << rec << "]";
        }
  EXPECT_GT(answered, 1000);
  std::string out;
  bool kept;
  for (const char* text : general)
    EXPECT_FALSE(Expression::compile(text, kFields).quickText(sample().record(), out)) << text;
  for (const char* text : {"DELETED()", ".NOT.DELETED()", ".NOT. DELETED()"})
    for (const std::string& rec :
         {sample().record(), "*" + sample().record().substr(1), std::string()}) {
      const Expression e = Expression::compile(text, kFields);
      ASSERT_TRUE(e.quickTest(rec, kept)) << text;
      EXPECT_EQ(kept, e.evaluate({rec, nullptr}).logical) << text << " on [" << rec << "]";
      EXPECT_FALSE(e.quickText(rec, out));
    }
  for (const char* text : {"READ", ".NOT.READ", "DELETED().AND.READ", "TITLE"})
    EXPECT_FALSE(Expression::compile(text, kFields).quickTest(sample().record(), kept)) << text;
}

// Result lengths, as a key or a report column sizes them.
TEST(ExprLengths, ResultLengthIsTheDeclaredWidth) {
  const std::pair<const char*, int> cases[] = {
      {"STR(VALUE,12,2)", 12},     {"STR(VALUE)", 10},
      {"SUBSTR(AUTHOR,1,30)", 30}, {"SUBSTR(AUTHOR,11)", 30},
      {"SUBSTR(TITLE,5,99)", 16},  {"UPPER(SUBSTR(AUTHOR,1,30))+UPPER(TITLE)", 50},
      {"TITLE-\"!\"", 21},         {"UPPER(TITLE)", 20},
      {"DTOS(BOUGHT)", 8},         {"UPPER(MLINE(NOTES,1))", 50}};
  for (const auto& [text, length] : cases) EXPECT_EQ(lengthOf(text), length) << text;
}

TEST(ExprDates, LiteralsAndArithmetic) {
  Book b = sample();
  EXPECT_EQ(run("{12/31/1999}").julian, 2451544);
  EXPECT_EQ(run("{12/31/99}").julian, 2451544);
  EXPECT_EQ(run("{}").julian, 0);
  EXPECT_DOUBLE_EQ(run("{01/15/1999}-{01/01/1999}").number, 14);
  EXPECT_EQ(textOf("STR({12/31/3099}-BOUGHT,10,0)", b), [] {
    const std::string n = std::to_string(toJulian({3099, 12, 31}) - toJulian({1999, 1, 15}));
    return std::string(10 - n.size(), ' ') + n;
  }());
  EXPECT_EQ(Expression::compile("BOUGHT", kFields).resultKind(), ExprValue::Kind::Date);
}

TEST(ExprMline, WrapsAtFiftyColumns) {
  Book b;
  b.notes =
      "A first line\r\nThis second line is long enough that it has to wrap at the "
      "fiftieth column somewhere\r\n\r\nlast   ";
  const std::string l2 = textOf("MLINE(NOTES,2)", b);
  EXPECT_LE(l2.size(), 50u);
  const std::pair<const char*, std::string> lines[] = {
      {"MLINE(NOTES,1)", "A first line"},
      {"MLINE(NOTES,2)", "This second line is long enough that it has to"},
      {"MLINE(NOTES,3)", "wrap at the fiftieth column somewhere"},
      {"MLINE(NOTES,4)", ""},
      {"MLINE(NOTES,5)", "last"},
      {"MLINE(NOTES,6)", ""},
      {"UPPER(MLINE(NOTES,1))", "A FIRST LINE"}};
  for (const auto& [text, line] : lines) EXPECT_EQ(textOf(text, b), line) << text;
  b.notes = std::string(120, 'x');  // unbroken text is cut at the width
  EXPECT_EQ(textOf("MLINE(NOTES,1)", b), std::string(50, 'x'));
  EXPECT_EQ(textOf("MLINE(NOTES,3)", b), std::string(20, 'x'));
  EXPECT_EQ(textOf("MLINE(NOTES,4)", b), "");
}

TEST(ExprLogic, ComparisonsAndConnectives) {
  const Book b = sample();
  const std::pair<const char*, bool> cases[] = {{"READ", true},
                                                {"TITLE = 'Du'", true},  // EXACT off
                                                {"'Du' = TITLE", false},
                                                {"VALUE > 10 .AND. .NOT. VALUE > 20", true},
                                                {"'un' $ TITLE .OR. .F.", true},
                                                {"BOUGHT < {01/01/2000}", true}};
  for (const auto& [text, value] : cases) EXPECT_EQ(run(text, b).logical, value) << text;
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
