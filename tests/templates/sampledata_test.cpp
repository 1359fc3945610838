// Loading the sample collection into an empty database directory.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdlib>
#include <optional>
#include <set>
#include <string>

#include "dbase/codepage.h"
#include "dbase/table.h"
#include "store/sampledata.h"
#include "templates.h"

namespace {

QString shippedProgramDir() { return QString::fromLocal8Bit(qgetenv("TOMES_BIN")); }

std::string native(const QString& p) { return QFile::encodeName(p).toStdString(); }

void writeFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

// A program directory with freshly generated templates and the given sample.
class SampleLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(program_.isValid() && data_.isValid());
    templates::WriteTemplates(native(program_.path()));
  }
  void writeSample(const QByteArray& csv) {
    writeFile(QDir(program_.path()).filePath(QString::fromLatin1(kSampleCsvPath)), csv);
  }
  bool load() { return loadSampleCollection(program_.path(), data_.path()); }
  std::string dataPath(const char* name) const { return native(QDir(data_.path()).filePath(name)); }
  QStringList dataFiles() const { return QDir(data_.path()).entryList(QDir::Files, QDir::Name); }

  QTemporaryDir program_;
  QTemporaryDir data_;
};

const QByteArray kSmallCsv =
    "title,author,coauthors,category,format,publisher,published,pages,isbn,notes\r\n"
    "Walden,Henry David Thoreau,,Philosophy,Nonfiction,Ticknor and Fields,1854-01-01,,,\r\n"
    "\"Rabbit, Run\",John Updike,,Fiction,Novel,\"Knopf, Alfred A.\",1960-01-01,,,\"Says "
    "\"\"hi\"\"\"\r\n"
    "Jane Eyre,Charlotte Bront\xC3\xAB,,Fiction,Novel,,,,,\"two\nlines\"\r\n";

TEST_F(SampleLoad, RowsBecomeRecordsNumberedFromOneAndACatalogueEntry) {
  writeSample(kSmallCsv);
  ASSERT_TRUE(load());
  dbase::Table t;
  t.open(dataPath("data.dbf"), dbase::OpenMode::Shared, true);
  ASSERT_EQ(t.recordCount(), 3u);
  t.first();
  EXPECT_EQ(t.asInteger(0), 1);
  EXPECT_EQ(t.asString(1), "0");
  EXPECT_EQ(t.asString(2), "Walden");
  EXPECT_EQ(t.asString(8), "Ticknor and Fields");
  EXPECT_EQ(t.asDate(9), (dbase::Date{1854, 1, 1}));
  EXPECT_TRUE(t.isEmpty(22));  // no note
  t.next();
  EXPECT_EQ(t.asInteger(0), 2);
  EXPECT_EQ(t.asString(2), "Rabbit, Run");
  EXPECT_EQ(t.asString(8), "Knopf, Alfred A.");
  EXPECT_EQ(t.asString(22), "Says \"hi\"");
  t.next();
  EXPECT_EQ(t.asInteger(0), 3);
  EXPECT_EQ(dbase::cp1252ToUtf8(t.asString(3)), "Charlotte Bront\xC3\xAB");
  EXPECT_TRUE(t.asDate(9).isBlank());  // empty stays blank
  EXPECT_TRUE(t.isEmpty(8));
  EXPECT_TRUE(t.isEmpty(12));  // ISBN
  EXPECT_EQ(t.asString(22), "two\nlines");
  // Fields the CSV does not fill stay blank.
  EXPECT_TRUE(t.isEmpty(10));  // value
  EXPECT_TRUE(t.isEmpty(7));   // rating
  // The catalogue entry counts them, and only the two table families are left.
  dbase::Table m;
  m.open(dataPath("master.dbf"), dbase::OpenMode::Shared, true);
  ASSERT_EQ(m.recordCount(), 1u);
  m.setActiveTag("IDX0");
  ASSERT_TRUE(m.findKey(std::string("data.dbf")));
  EXPECT_EQ(m.asString(1), "My Books");
  EXPECT_EQ(m.asString(2), "Sample collection");
  EXPECT_EQ(m.asInteger(3), 3);
  QStringList lower;
  for (const QString& f : dataFiles()) lower << f.toLower();
  lower.sort();
  EXPECT_EQ(lower, (QStringList{"data.dbf", "data.dbt", "data.mdx", "master.dbf", "master.mdx"}));
}

TEST_F(SampleLoad, ExistingRecordTableIsNotTouched) {
  writeSample(kSmallCsv);
  dbase::Table::copyTable(native(QDir(program_.path()).filePath("data.dbf")), dataPath("DATA.DBF"),
                          false);
  const QStringList before = dataFiles();
  EXPECT_FALSE(load());
  EXPECT_EQ(dataFiles(), before);
  dbase::Table t;
  t.open(dataPath("DATA.DBF"), dbase::OpenMode::Shared, true);
  EXPECT_EQ(t.recordCount(), 0u);
}

TEST_F(SampleLoad, SecondRunKeepsTheFirstLoad) {
  writeSample(kSmallCsv);
  ASSERT_TRUE(load());
  {
    dbase::Table t;
    t.open(dataPath("data.dbf"), dbase::OpenMode::Exclusive);
    t.first();
    t.edit();
    t.setString(2, "Walden; or, Life in the Woods");
    t.post();
  }
  EXPECT_FALSE(load());
  dbase::Table t;
  t.open(dataPath("data.dbf"), dbase::OpenMode::Shared, true);
  EXPECT_EQ(t.recordCount(), 3u);
  t.first();
  EXPECT_EQ(t.asString(2), "Walden; or, Life in the Woods");
}

// A load that cannot finish leaves the database directory empty.
TEST_F(SampleLoad, AFailedLoadLeavesNothingBehind) {
  const struct {
    const char* what;
    std::optional<QByteArray> csv;  // none: no sample at all
    bool catalogueTemplate;
  } cases[] = {{"no sample", std::nullopt, true},
               {"a bad date",
                kSmallCsv + "Emma,Jane Austen,,Fiction,Novel,John Murray,1815-13-45,,,\r\n", true},
               {"an unterminated quote", kSmallCsv + "\"Emma,Jane Austen\r\n", true},
               {"no catalogue template", kSmallCsv, false}};  // last: the template stays gone
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QFile::remove(QDir(program_.path()).filePath(QString::fromLatin1(kSampleCsvPath)));
    if (c.csv) writeSample(*c.csv);
    if (!c.catalogueTemplate)
      dbase::Table::deleteTable(native(QDir(program_.path()).filePath("master.dbf")));
    EXPECT_FALSE(load());
    EXPECT_TRUE(dataFiles().isEmpty()) << dataFiles().join(' ').toStdString();
  }
}

TEST_F(SampleLoad, ExistingCatalogueGetsTheEntryAndKeepsOthers) {
  writeSample(kSmallCsv);
  dbase::Table::copyTable(native(QDir(program_.path()).filePath("master.dbf")),
                          dataPath("master.dbf"), false);
  {
    dbase::Table m;
    m.open(dataPath("master.dbf"), dbase::OpenMode::Exclusive);
    m.append();
    m.setString(0, "data_1.dbf");
    m.setString(1, "Loans");
    m.setNumber(3, 7);
    m.post();
  }
  ASSERT_TRUE(load());
  dbase::Table m;
  m.open(dataPath("master.dbf"), dbase::OpenMode::Shared, true);
  m.setActiveTag("IDX0");
  EXPECT_EQ(m.recordCount(), 2u);
  ASSERT_TRUE(m.findKey(std::string("data.dbf")));
  EXPECT_EQ(m.asInteger(3), 3);
  ASSERT_TRUE(m.findKey(std::string("data_1.dbf")));
  EXPECT_EQ(m.asInteger(3), 7);
}

// The collection that ships in the program directory.
class ShippedSample : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QFile::exists(QDir(shippedProgramDir()).filePath(QString::fromLatin1(kSampleCsvPath))))
      GTEST_SKIP() << "TOMES_BIN holds no sample";
    ASSERT_TRUE(data_.isValid());
    ASSERT_TRUE(loadSampleCollection(shippedProgramDir(), data_.path()));
    table_.open(native(QDir(data_.path()).filePath("data.dbf")), dbase::OpenMode::Shared, true);
  }
  QTemporaryDir data_;
  dbase::Table table_;
};

TEST_F(ShippedSample, HoldsAtLeastThreeHundredBooksNumberedOneToN) {
  const uint32_t n = table_.recordCount();
  EXPECT_GE(n, 300u);
  std::set<int64_t> numbers;
  for (table_.first(); !table_.eof(); table_.next()) {
    numbers.insert(table_.asInteger(0));
    EXPECT_EQ(table_.asString(1), "0");
    EXPECT_FALSE(table_.isEmpty(2)) << "record " << table_.asInteger(0) << " has no title";
    EXPECT_FALSE(table_.isEmpty(3)) << "record " << table_.asInteger(0) << " has no author";
  }
  ASSERT_EQ(numbers.size(), n);
  EXPECT_EQ(*numbers.begin(), 1);
  EXPECT_EQ(*numbers.rbegin(), static_cast<int64_t>(n));

  dbase::Table m;
  m.open(native(QDir(data_.path()).filePath("master.dbf")), dbase::OpenMode::Shared, true);
  m.setActiveTag("IDX0");
  ASSERT_TRUE(m.findKey(std::string("data.dbf")));
  EXPECT_EQ(m.asInteger(3), static_cast<int64_t>(n));
}

TEST_F(ShippedSample, TitlesSpreadOverTheLetterTabs) {
  std::set<char> letters;
  for (table_.first(); !table_.eof(); table_.next()) {
    const std::string title = table_.asString(2);
    char c = title.empty() ? ' ' : title[0];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z') letters.insert(c);
  }
  EXPECT_GE(letters.size(), 20u);
}

TEST_F(ShippedSample, TitleTagListsTheBooksAlphabetically) {
  table_.setActiveTag("IDX1");
  std::string previous;
  uint32_t seen = 0;
  for (table_.first(); !table_.eof(); table_.next(), ++seen) {
    std::string key = table_.currentKey();
    EXPECT_LE(previous, key);
    previous = key;
  }
  EXPECT_EQ(seen, table_.recordCount());
}

TEST_F(ShippedSample, DatesAndTextSurviveTheLoad) {
  table_.setActiveTag("IDX1");
  ASSERT_TRUE(table_.findKey(std::string("PRIDE AND PREJUDICE")));
  EXPECT_EQ(table_.asString(3), "Jane Austen");
  EXPECT_EQ(table_.asDate(9), (dbase::Date{1813, 1, 28}));
  ASSERT_TRUE(table_.findKey(std::string("JANE EYRE")));
  EXPECT_EQ(dbase::cp1252ToUtf8(table_.asString(3)), "Charlotte Bront\xC3\xAB");
  EXPECT_FALSE(table_.isEmpty(22));  // carries a note
}

}  // namespace
