// The filter without its dialogs: comparisons, the filter file, the marking
// pass and the marks of saved records, over real tables.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "core/progress.h"
#include "core/runobjects.h"
#include "core/templatelist.h"
#include "dbase/check.h"
#include "query/filter/filterlist.h"
#include "store/recordsession.h"
#include "support/storefixture.h"

namespace storetest {
namespace {

FilterCondition condition(uint8_t kind, uint8_t op, const QString& a, const QString& b = {},
                          const QStringList& values = {}) {
  FilterCondition c;
  c.kind = kind;
  c.op = op;
  c.first = a;
  c.second = b;
  c.values = values;
  c.undefined = false;
  c.normalise(0, QLocale::c());
  return c;
}

struct Row {
  const char* what;
  FilterCondition c;
  QString value;  // the record's value as text: a number, m/d/yyyy, or text
  bool passes;
};

void PrintTo(const Row& r, std::ostream* os) { *os << r.what; }

class Comparisons : public ::testing::TestWithParam<Row> {};

TEST_P(Comparisons, FollowTheFieldKind) {
  const Row& r = GetParam();
  const PreparedCondition test(r.c, 0, QLocale::c());
  bool got = false;
  if (r.c.kind == fkText) {
    got = test.passesText(r.value.toLatin1().toUpper().toStdString());
  } else if (r.c.kind == fkDate) {
    got = test.passesDate(r.value.isEmpty() ? 0 : *parseFilterDate(r.value, 0));
  } else {
    got = test.passesNumber(r.value.toDouble());
  }
  EXPECT_EQ(got, r.passes) << r.what;
}

INSTANTIATE_TEST_SUITE_P(
    EveryOperator, Comparisons,
    ::testing::Values(
        Row{"text = in any case", condition(fkText, foEqual, "abc"), "ABC", true},
        Row{"text = is whole", condition(fkText, foEqual, "abc"), "abcd", false},
        Row{"text <", condition(fkText, foLess, "b"), "apple", true},
        Row{"text <= equal", condition(fkText, foLessOrEqual, "b"), "B", true},
        Row{"text >= by codes", condition(fkText, foGreaterOrEqual, "Z"),
            QString::fromLatin1("\xE9t\xE9"), true},
        Row{"text > ", condition(fkText, foGreater, "m"), "Mz", true},
        Row{"text numbers compare as numbers", condition(fkText, foLess, "5"), "12", false},
        Row{"text that is no number compares as text", condition(fkText, foLess, "5"), "12a", true},
        Row{"text dates compare as dates", condition(fkText, foGreater, "01/15/1999"), "02/01/1998",
            false},
        Row{"text between excludes its ends", condition(fkText, foBetween, "b", "d"), "B", false},
        Row{"text between", condition(fkText, foBetween, "b", "d"), "C", true},
        Row{"text one of", condition(fkText, foOneOf, {}, {}, {"dune", "Emma"}), "EMMA", true},
        Row{"text none of", condition(fkText, foOneOf, {}, {}, {"dune", "Emma"}), "EMMAX", false},
        Row{"number <", condition(fkFloat, foLess, "5"), "4.99", true},
        Row{"number =", condition(fkInteger, foEqual, "1,000"), "1000", true},
        Row{"number between excludes 10", condition(fkFloat, foBetween, "10", "20"), "10", false},
        Row{"number between excludes 20", condition(fkFloat, foBetween, "10", "20"), "20", false},
        Row{"number between", condition(fkCurrency, foBetween, "10", "20"), "10.01", true},
        Row{"number one of", condition(fkDecimal, foOneOf, {}, {}, {"3", "x", "7.5"}), "7.5", true},
        Row{"number one of: no number counts as 0", condition(fkFloat, foOneOf, {}, {}, {"x"}), "0",
            true},
        Row{"number against no number: 0", condition(fkFloat, foGreater, "abc"), "-1", false},
        Row{"blank number is 0", condition(fkFloat, foLess, "1"), "", true},
        Row{"date <", condition(fkDate, foLess, "12/25/85"), "12/24/1985", true},
        Row{"date >=", condition(fkDate, foGreaterOrEqual, "12/25/1985"), "12/25/1985", true},
        Row{"date between excludes its ends", condition(fkDate, foBetween, "1/1/90", "1/1/91"),
            "1/1/1990", false},
        Row{"date one of", condition(fkDate, foOneOf, {}, {}, {"2/3/2004"}), "02/03/2004", true},
        Row{"blank date is before every date", condition(fkDate, foLess, "1/1/1900"), "", true},
        Row{"no date counts as 1 January 2001", condition(fkDate, foEqual, "soon"), "1/1/2001",
            true}));

TEST(FilterParsing, NumbersFollowTheLocaleAndDatesTheSetting) {
  const QLocale german(QLocale::German, QLocale::Germany);
  EXPECT_EQ(parseFilterNumber("1.234,5", german), 1234.5);
  EXPECT_EQ(parseFilterNumber("1,234.5", QLocale::c()), 1234.5);
  EXPECT_FALSE(parseFilterNumber("1.2.3", QLocale::c()));
  EXPECT_FALSE(parseFilterNumber("inf", QLocale::c()));
  EXPECT_FALSE(parseFilterNumber("", QLocale::c()));
  EXPECT_EQ(parseFilterDate("25/12/85", 1), parseFilterDate("12/25/1985", 0));
  EXPECT_EQ(parseFilterDate("1985/12/25", 2), parseFilterDate("12/25/85", 0));
  EXPECT_FALSE(parseFilterDate("02/30/1999", 0));
  FilterCondition c = condition(fkText, foBetween, "5", "x");
  EXPECT_FALSE(c.numbers);  // both values must be numbers
  EXPECT_FALSE(c.dates);
  EXPECT_EQ(c.second, "X");
  c = condition(fkText, foOneOf, "7");
  EXPECT_FALSE(c.numbers);
}

class FilterTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    filterList().clear();
    filterList().attach(nullptr);
    installFilter();
  }
  void TearDown() override {
    filterList().clear();
    filterList().attach(nullptr);
    StoreTest::TearDown();
  }
  void open(const std::vector<Book>& books) {
    makeDatabase(books);
    ASSERT_TRUE(openDatabase(tables_));
    prompter_.shown.clear();
  }
  std::string marks() {
    dbase::Table t;
    t.open(dataFile("data.dbf"), dbase::OpenMode::Shared, true);
    std::string out;
    for (t.first(); !t.eof(); t.next()) out += t.asString(1);
    return out;
  }
  void add(int field, uint8_t kind, uint8_t op, const QString& a, const QString& b = {}) {
    FilterList& f = filterList();
    f.addCondition(field);
    f.setCondition(f.count() - 1, a, b, kind, op);
  }
};

TEST_F(FilterTest, FileHoldsTheConditionsByteForByte) {
  FilterList& f = filterList();
  f.addCondition(F(kTitle));
  f.setCondition(0, "ab", "", fkText, foGreaterOrEqual);
  f.addCondition(F(kValue));
  f.setCondition(1, "", "", fkFloat, foOneOf);
  f.conditionAt(1)->values = QStringList{"1", QString::fromUtf8("\xC3\xA9")};
  f.addCondition(F(kPublished));  // undefined
  static const char kBytes[] =
      "\x01"
      "\x02\x01\x00\x03\x06\x02"
      "AB"
      "\x06\x00"
      "\x01\x00"
      "\x0A\x06\x00\x06\x06\x00\x06\x00"
      "\x01\x06\x01"
      "1"
      "\x06\x01\xE9"
      "\x00"
      "\x09\x00\x01\x00\x06\x00\x06\x00"
      "\x01\x00"
      "\x00";
  const QByteArray expected(kBytes, sizeof kBytes - 1);
  EXPECT_EQ(f.encode(), expected);
  const QString path = data_.qpath() + "/filter.dat";
  ASSERT_TRUE(f.saveToFile(path));
  f.clear();
  ASSERT_TRUE(f.loadFromFile(path));
  EXPECT_EQ(f.encode(), expected);
  EXPECT_EQ(f.conditionAt(1)->values.at(1), QString::fromUtf8("\xC3\xA9"));
  EXPECT_TRUE(f.conditionAt(2)->undefined);
  EXPECT_EQ(f.indexOfField(F(kPublished)), 2);
  EXPECT_EQ(f.indexOfField(F(kAuthor)), -1);
  EXPECT_EQ(f.conditionAt(3), nullptr);
  // Every cut of the file, and a bad operator, empty the filter.
  for (int cut = 0; cut < expected.size(); ++cut) {
    writeBytes(path.toStdString(), expected.left(cut).toStdString());
    f.addCondition(F(kTitle));
    EXPECT_FALSE(f.loadFromFile(path)) << cut;
    EXPECT_EQ(f.count(), 0) << cut;
  }
  QByteArray badOperator = expected;
  badOperator[4] = '\x07';
  writeBytes(path.toStdString(), badOperator.toStdString());
  EXPECT_FALSE(f.loadFromFile(path));
  // A missing file or no path leaves the filter as it was.
  f.addCondition(F(kTitle));
  EXPECT_FALSE(f.loadFromFile(data_.qpath() + "/none.dat"));
  EXPECT_FALSE(f.loadFromFile({}));
  EXPECT_EQ(f.count(), 1);
}

TEST_F(FilterTest, TemplatesSaveAndLoadTheCurrentFilter) {
  add(F(kAuthor), fkText, foEqual, "herbert");
  const QString path = data_.qpath() + "/tml1.flt";
  ASSERT_TRUE(filterTemplates().saveCurrent(path));
  filterList().clear();
  filterList().addCondition(F(kTitle));
  ASSERT_TRUE(filterTemplates().loadCurrent(path));
  ASSERT_EQ(filterList().count(), 1);
  EXPECT_EQ(filterList().conditionAt(0)->first, "HERBERT");
}

TEST_F(FilterTest, ApplyMarksEveryRecordByAllConditions) {
  open({{"Dune", 12, "0", "Herbert"},
        {"Emma", 5, "0", "Austen"},
        {"Dune Messiah", 30, "0", "Herbert"},
        {"Ivanhoe", 12, "2", "Scott"}});
  add(F(kAuthor), fkText, foEqual, "herbert");
  add(F(kValue), fkFloat, foLess, "20");
  add(F(kTitle), fkLogical, foEqual, "never");  // never excludes
  const MarkResult r = filterList().apply();
  EXPECT_TRUE(r.error.empty()) << r.error;
  EXPECT_EQ(r.found, 1);
  EXPECT_EQ(marks(), "2000");
  EXPECT_TRUE(appSettings().filterActive);
  EXPECT_FALSE(tables_.records.exclusive);  // shared use again
  // Undefined conditions are skipped: every record passes.
  filterList().clear();
  filterList().addCondition(F(kAuthor));
  filterList().apply();
  EXPECT_EQ(marks(), "2222");
  // An empty filter changes no mark at all.
  filterList().clear();
  appSettings().filterActive = false;
  filterList().apply();
  EXPECT_EQ(marks(), "2222");
  EXPECT_FALSE(appSettings().filterActive);
}

TEST_F(FilterTest, FiftyConditionsAllCount) {
  open({{"Dune", 12}, {"Emma", 5}, {"Dune Messiah", 30}});
  for (int i = 0; i < 49; ++i) add(F(kValue), fkFloat, foGreater, QString::number(i % 10));
  add(F(kTitle), fkText, foLess, "dune m");
  const MarkResult r = filterList().apply();
  EXPECT_TRUE(r.error.empty()) << r.error;
  EXPECT_EQ(marks(), "200");
}

TEST_F(FilterTest, SavingARecordMarksOnlyThatRecord) {
  open({{"Alpha", 1, "0"}, {"Beta", 2, "0"}, {"Gamma", 3, "2"}});
  add(F(kValue), fkFloat, foGreater, "1");
  appSettings().filterActive = true;
  RecordSession session(tables_);
  PageValues v = session.loadAt(0).value();
  v.text[kValue] = "50";
  ASSERT_TRUE(session.leave(v, std::vector<QString>(22, QStringLiteral("x"))));
  EXPECT_EQ(marks(), "202");
  // After a search the marks are the search's: a save keeps the record's.
  appSettings().filterActive = false;
  v = session.loadAt(0).value();
  v.text[kValue] = "0";
  ASSERT_TRUE(session.leave(v, std::vector<QString>(22, QStringLiteral("x"))));
  EXPECT_EQ(marks(), "202");
  // With no conditions every saved record passes.
  filterList().clear();
  v = session.loadAt(1).value();
  v.text[kAuthor] = "Someone";
  ASSERT_TRUE(session.leave(v, std::vector<QString>(22, QStringLiteral("x"))));
  EXPECT_EQ(marks(), "222");
}

TEST_F(FilterTest, TheRecordTableReloadsTheFilterFileWhenItOpens) {
  add(F(kTitle), fkText, foGreater, "m");
  ASSERT_TRUE(filterList().saveToFile(filterFilePath()));
  filterList().clear();
  open({{"Alpha"}, {"Zeta"}});
  ASSERT_EQ(filterList().count(), 1);
  EXPECT_EQ(filterList().attached(), &tables_.records);
  filterList().apply();
  EXPECT_EQ(marks(), "02");
}

TEST_F(FilterTest, AKillDuringThePassLeavesEveryRecordAndTheNextPassMendsTheMarks) {
  std::vector<Book> books;
  for (int i = 0; i < 400; ++i) books.push_back({"Book " + std::to_string(i), double(i), "2"});
  open(books);
  add(F(kValue), fkFloat, foLess, "100");
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    // Killed halfway through its writes, as by kill -9.
    class KillHalfway : public Progress {
     protected:
      void showPercent(int p) override {
        if (p >= 50) raise(SIGKILL);
      }
    } killer;
    setProgress(&killer);
    filterList().apply();
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  tables_.records.close();
  tables_.records.open();  // the next writer mends what the kill left
  EXPECT_EQ(tables_.records.engine().recordCount(), 400u);
  const MarkResult r = filterList().apply();
  EXPECT_TRUE(r.error.empty()) << r.error;
  EXPECT_EQ(marks(), std::string(100, '2') + std::string(300, '0'));
  tables_.records.close();
  EXPECT_TRUE(dbase::checkTable(dataFile("data.dbf")).sound());
}

TEST_F(FilterTest, ClosingSavesTheFilterOnlyWhenTheTableWasOpened) {
  add(F(kTitle), fkText, foGreater, "m");
  ASSERT_TRUE(filterList().saveToFile(filterFilePath()));
  const std::string kept = readBytes(filterFilePath().toStdString());
  filterList().clear();
  const auto closeView = [] {
    for (const auto& save : runObjects().onViewClose) save();
  };
  closeView();  // no table was opened: the user's filter stays
  EXPECT_EQ(readBytes(filterFilePath().toStdString()), kept);
  open({{"Alpha"}});
  filterList().clear();
  closeView();
  EXPECT_EQ(readBytes(filterFilePath().toStdString()), std::string("\x01\x00", 2));
}

}  // namespace
}  // namespace storetest
