// Export and import through the record table: round trips of the sample
// collection, and what a user sees when a file or name is bad.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <functional>

#include "core/progress.h"
#include "exchange/exchange.h"
#include "exchange/fieldchoice.h"
#include "store/sampledata.h"
#include "support/storefixture.h"

namespace storetest {
namespace {

// Every user field of every record in entry order, memos included, as stored.
std::vector<std::vector<std::string>> userFields(const std::string& dbf) {
  dbase::Table t;
  t.open(dbf, dbase::OpenMode::Shared, true);
  std::vector<std::vector<std::string>> out;
  for (t.first(); !t.eof(); t.next()) {
    std::vector<std::string> r;
    for (int f = F(kTitle); f < F(kPicture); ++f) r.push_back(t.asString(f));
    out.push_back(r);
  }
  return out;
}

class ExchangeTest : public StoreTest {
 protected:
  TempDir second_;

  void SetUp() override {
    StoreTest::SetUp();
    QDir().mkpath(program_.qpath() + "/sample");
    QFile::copy(QStringLiteral(TOMES_SAMPLE_CSV), program_.qpath() + "/sample/books.csv");
    ASSERT_TRUE(loadSampleCollection(program_.qpath(), data_.qpath()));
    // Books the sample lacks: accents, memos of several lines, quotes,
    // separators, dates outside the 1900s and values.
    dbase::Table t;
    t.open(dataFile("data.dbf"));
    const std::vector<std::vector<std::string>> extra = {
        {"Caf\xE9 cr\xE8me, \x93the\x94 \x80uro", "Bront\xEB", "20150304", "1234.50",
         "First line, \"quoted\"\r\n\tsecond \xE0 line\r\n"},
        {"Plain title", "O'Brien", "18451231", "-3.25", "x"}};
    for (const auto& e : extra) {
      t.append();
      t.setNumber(0, static_cast<double>(t.physicalCount() + 1));
      t.setString(F(kTitle), e[0]);
      t.setString(F(kAuthor), e[1]);
      t.setString(F(kPublished), e[2]);
      t.setString(F(kCustom3), e[2]);
      t.setString(F(kValue), e[3]);
      t.setString(F(kNotes), e[4]);
      t.post();
    }
    t.close();
    ASSERT_TRUE(openDatabase(tables_));
    rebuildFieldSets(tables_.records);
    exchangeSettings() = ExchangeSettings{};
    for (int f = F(kTitle); f < F(kPicture); ++f) exchangeSettings().fields.push_back(f);
  }

  // The record table of an empty second database, open as the program opens it.
  void openSecondDatabase() {
    tables_.records.close();
    tables_.copy.close();
    tables_.catalogue.close();
    appSettings().databaseDir = second_.qpath();
    ASSERT_TRUE(openDatabase(tables_));
    prompter_.shown.clear();
  }
  double counter() {
    dbase::Table& cat = tables_.catalogue.engine();
    cat.first();
    return cat.asNumber(3);
  }
};

TEST_F(ExchangeTest, TextAndDbaseRoundTripsGiveIdenticalRecords) {
  auto original = userFields(dataFile("data.dbf"));
  std::sort(original.begin(), original.end());  // exported in the listing's order
  ASSERT_GT(original.size(), 400u);
  struct Case {
    const char* name;
    char separator, delimiter;
    bool dbase, asUtf8;
    int dateFormat = 0;
  };
  const Case cases[] = {{"tabs", '\t', 0, false, false},
                        {"tabs, dates day first", '\t', 0, false, false, 1},
                        {"tabs, dates year first", '\t', 0, false, false, 2},
                        {"commas and quotes", ',', '"', false, false},
                        {"the same file in UTF-8", ',', '"', false, true},
                        {"exchange table", 0, 0, true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    appSettings().dateFormat = c.dateFormat;
    exchangeSettings().separator = c.separator;
    exchangeSettings().delimiter = c.delimiter;
    const QString file = data_.qpath() + "/books.txt";
    if (c.dbase) {
      ASSERT_TRUE(exportDbase(tables_.records, QStringLiteral("../books.txt")));
      EXPECT_EQ(prompter_.shown.back().text,
                kMsgExported + QDir::toNativeSeparators(data_.qpath() + "/EXPIMP/BOOKS.DBF"));
    } else {
      ASSERT_TRUE(exportText(tables_.records, file));
      if (c.asUtf8) {
        const std::string utf8 =
            "\xEF\xBB\xBF" + exchange::utf8Of1252(readBytes(file.toStdString()));
        writeBytes(file.toStdString(), utf8);
      }
    }
    openSecondDatabase();
    const double before = counter();
    const ImportCount n =
        c.dbase ? importDbase(tables_, QStringLiteral("books")) : importText(tables_, file);
    EXPECT_EQ(n.added, static_cast<int64_t>(original.size()));
    auto imported = userFields(second_.file("data.dbf"));
    std::sort(imported.begin(), imported.end());
    EXPECT_EQ(imported, original);
    // Numbered on from the counter, which keeps no gap.
    EXPECT_EQ(counter(), before + static_cast<double>(original.size()));
    EXPECT_EQ(prompter_.texts(), c.dbase ? QStringList{kMsgImported} : QStringList{});
    tables_.records.close();
    tables_.catalogue.close();
    tables_.copy.close();
    dbase::Table::deleteTable(second_.file("data.dbf"));
    dbase::Table::deleteTable(second_.file("master.dbf"));
    appSettings().databaseDir = data_.qpath();
    ASSERT_TRUE(openDatabase(tables_));
    prompter_.shown.clear();
  }
}

TEST_F(ExchangeTest, BadFilesAndNamesGiveAMessageAndAddNothing) {
  const QString dir = data_.qpath();
  writeBytes(data_.file("binary.txt"), std::string("MZ\0\0\x90\x01garbage", 11));
  writeBytes(data_.file("separators.txt"), std::string(100000, ',') + "\r\n\r\n,,,\r\n");
  QDir().mkpath(dir + "/EXPIMP");
  writeBytes(data_.file("EXPIMP/BROKEN.DBF"), "\x8B not a table at all");
  const uint32_t before = recordCount(tables_.records);
  struct Case {
    const char* name;
    std::function<void()> run;
    QStringList texts;
  };
  const std::vector<Case> cases = {
      {"binary file",
       [&] { importText(tables_, dir + "/binary.txt"); },
       {dir + "/binary.txt is not a text file: nothing was imported."}},
      {"only separators", [&] { importText(tables_, dir + "/separators.txt"); }, {}},
      {"missing file",
       [&] { importText(tables_, dir + "/none.txt"); },
       {"Cannot open the file " + dir + "/none.txt:\rNo such file or directory"}},
      {"damaged exchange table", [&] { importDbase(tables_, "broken.dbf"); }, {}},
      {"no such exchange table", [&] { importDbase(tables_, "nothing"); }, {kMsgNotOpen}},
      {"export path that cannot be written",
       [&] { EXPECT_FALSE(exportText(tables_.records, dir + "/no/such/dir/x.txt")); },
       {}},
      {"overwrite declined",
       [&] {
         prompter_.answers = {MsgResult::No};
         EXPECT_FALSE(exportDbase(tables_.records, "Broken.txt"));
       },
       {kMsgExists, kMsgNoExportFile}},
      {"a name of dots only",
       [&] { EXPECT_FALSE(exportDbase(tables_.records, "../..")); },
       {kMsgNoExportFile}},
  };
  exchangeSettings().separator = ',';
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    prompter_.shown.clear();
    c.run();
    if (std::string(c.name) == "damaged exchange table" ||
        std::string(c.name) == "export path that cannot be written") {
      ASSERT_EQ(prompter_.shown.size(), 1u);
      EXPECT_EQ(prompter_.shown[0].kind, MsgKind::Error);
      EXPECT_TRUE(prompter_.shown[0].text.startsWith(
          c.name[0] == 'd' ? kMsgNotOpen + "\r" : "Cannot create the file " + dir))
          << prompter_.shown[0].text.toStdString();
    } else {
      EXPECT_EQ(prompter_.texts(), c.texts);
    }
    EXPECT_EQ(recordCount(tables_.records), before);
  }
  EXPECT_TRUE(QFile::exists(dir + "/EXPIMP/BROKEN.DBF"));  // declined: left as it was
}

TEST_F(ExchangeTest, RecordsThatCannotBePostedAreCountedAndTheRestKept) {
  // The filter's before-post handling refuses one title.
  storeHooks().beforePost = [](dbase::Table& t) {
    if (t.asString(F(kTitle)) == "refused") throw dbase::Error("data.dbf", "refused by the test");
  };
  writeBytes(data_.file("in.txt"), "one\r\nrefused\r\nthree\r\n" + std::string(300, 'x') + "\r\n");
  exchangeSettings().fields = {F(kTitle)};
  const uint32_t before = recordCount(tables_.records);
  const ImportCount n = importText(tables_, data_.qpath() + "/in.txt");
  EXPECT_EQ(n.added, 3);
  EXPECT_EQ(n.notPosted, 1);
  EXPECT_EQ(recordCount(tables_.records), before + 3);
  EXPECT_EQ(prompter_.texts(), QStringList{"Records imported: 3.\rRecords that could not be added: "
                                           "1.\rRecords with a value cut at 255 characters: 1."});
}

// Remembers the captions the progress window shows.
class CaptionProgress : public Progress {
 public:
  QStringList captions;

 protected:
  void showWindow(const QString& caption) override { captions << caption; }
};

TEST_F(ExchangeTest, WithLetterTabsTheExportGoesLetterByLetter) {
  tables_.records.close();
  tables_.copy.close();
  tables_.catalogue.close();
  dbase::Table::deleteTable(dataFile("data.dbf"));
  makeDatabase({{"beta"}, {"Alpha"}, {"1984"}, {"alpha 2"}, {"Zeta"}});
  ASSERT_TRUE(openSorted(F(kTitle)));
  appSettings().letterTabs = 0;
  ASSERT_TRUE(letterTabsActive());
  exchangeSettings().fields = {F(kTitle)};
  CaptionProgress shown;
  setProgress(&shown);
  ASSERT_TRUE(exportText(tables_.records, data_.qpath() + "/t.txt"));
  setProgress(nullptr);
  EXPECT_EQ(readBytes(dataFile("t.txt")), "1984\r\nAlpha\r\nalpha 2\r\nbeta\r\nZeta\r\n");
  EXPECT_EQ(shown.captions,
            (QStringList{"Exporting. Please Wait...", "Exporting. Please Wait... (A)",
                         "Exporting. Please Wait... (B)", "Exporting. Please Wait... (Z)"}));
}

TEST(FieldChoiceTest, IncludeExcludeAndMoveKeepTheirSelection) {
  FieldChoice c({"Title", "Author", "Notes"}, {2, 3, 22});
  c.include();
  c.include();
  EXPECT_EQ(c.included(), (QStringList{"Title", "Author"}));
  EXPECT_EQ(c.allRow(), 2);
  c.setAllRow(0);
  c.include();  // already there: only the selection moves
  EXPECT_EQ(c.included().size(), 2);
  EXPECT_EQ(c.allRow(), 1);
  c.moveUp();
  EXPECT_EQ(c.included(), (QStringList{"Author", "Title"}));
  EXPECT_EQ(c.includedRow(), 0);
  EXPECT_EQ(c.fieldNumbers(), (std::vector<int>{3, 2}));
  c.setIncludedRow(1);
  c.exclude();
  EXPECT_EQ(c.includedRow(), 0);
  c.includeAll();
  EXPECT_EQ(c.fieldNumbers(), (std::vector<int>{2, 3, 22}));
  c.excludeAll();
  EXPECT_FALSE(c.canExclude());
}

}  // namespace
}  // namespace storetest
