// The record table code over the templates and sample collection that ship
// in the program directory (TOMES_BIN).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <numeric>

#include "store/sampledata.h"
#include "support/storefixture.h"

namespace storetest {
namespace {

class ShippedTemplates : public StoreTest {
 protected:
  void SetUp() override {
    const char* bin = std::getenv("TOMES_BIN");
    if (!bin || !dbase::Table::resolve(std::string(bin) + "/data.dbf"))
      GTEST_SKIP() << "TOMES_BIN holds no template tables";
    StoreTest::SetUp();
    appSettings().programDir = QString::fromLocal8Bit(bin);
  }
};

TEST_F(ShippedTemplates, NewDatabaseSortsByEveryFieldButThePicture) {
  ASSERT_TRUE(openDatabase(tables_));
  EXPECT_EQ(prompter_.texts(),
            QStringList{"Could not Open the database! A new database will be created."});
  EXPECT_EQ(tables_.records.indexName, "IDX0");
  appSettings().indexErrorQuiet = true;
  sortState().firstField = static_cast<uint8_t>(F(kTitle));
  ASSERT_TRUE(applySort());
  EXPECT_EQ(tables_.records.indexName, "IDX1");  // shipped for the title
  for (int k = 0; k < 22; ++k) {
    sortState().firstField = static_cast<uint8_t>(F(static_cast<UserField>(k)));
    sortState().firstDescending = k % 2 == 1;
    EXPECT_EQ(applySort(), k != kPicture) << "user field " << k;
  }
}

TEST_F(ShippedTemplates, SampleCollectionCountsUnderItsLettersAndNumbersGoOn) {
  ASSERT_TRUE(loadSampleCollection(appSettings().programDir, data_.qpath()));
  ASSERT_TRUE(openDatabase(tables_));
  EXPECT_TRUE(prompter_.shown.empty());
  const uint32_t books = recordCount(tables_.records);
  ASSERT_GE(books, 300u);
  sortState().firstField = static_cast<uint8_t>(F(kTitle));
  ASSERT_TRUE(applySort());
  countLetters(tables_.records);
  const auto& counts = letterCounts();
  EXPECT_EQ(static_cast<uint32_t>(std::accumulate(counts.begin(), counts.end(), 0)), books);
  EXPECT_GE(std::count_if(counts.begin(), counts.end(), [](int c) { return c > 0; }), 15);
  // Every book is listed under the letter FirstLetter gives it.
  for (char c = 'A'; c <= 'Z'; ++c) {
    setLetterRange(tables_.records, c);
    dbase::Table& t = tables_.records.engine();
    for (t.first(); !t.eof(); t.next())
      EXPECT_EQ(firstLetter(tables_.records), c) << t.asString(F(kTitle));
  }
  tables_.records.engine().cancelRange();
  dbase::Table& rec = tables_.records.engine();
  rec.append();
  rec.setString(F(kTitle), "A new book");
  EXPECT_EQ(nextRecordNumber(tables_.records, tables_.catalogue), static_cast<int64_t>(books) + 1);
  rec.post();
}

}  // namespace
}  // namespace storetest
