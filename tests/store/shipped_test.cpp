// The record table code over the templates and sample collection that ship
// in the program directory (TOMES_BIN).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <numeric>

#include "sampledata.h"
#include "storefixture.h"

namespace storetest {
namespace {

class ShippedTemplates : public StoreTest {
 protected:
  void SetUp() override {
    const char* bin = std::getenv("TOMES_BIN");
    if (!bin || !dbase::Table::resolve(std::string(bin) + "/data.dbf"))
      GTEST_SKIP() << "TOMES_BIN holds no template tables";
    StoreTest::SetUp();
    AppSettings().ProgramDir = QString::fromLocal8Bit(bin);
  }
};

TEST_F(ShippedTemplates, NewDatabaseSortsByEveryFieldButThePicture) {
  ASSERT_TRUE(OpenDatabase(tables_));
  EXPECT_EQ(prompter_.texts(),
            QStringList{"Could not Open the database! A new database will be created."});
  EXPECT_EQ(tables_.Records.IndexName, "IDX0");
  AppSettings().IndexErrorQuiet = true;
  SortState().FirstField = static_cast<uint8_t>(F(kTitle));
  ASSERT_TRUE(ApplySort());
  EXPECT_EQ(tables_.Records.IndexName, "IDX1");  // shipped for the title
  for (int k = 0; k < 22; ++k) {
    SortState().FirstField = static_cast<uint8_t>(F(static_cast<UserField>(k)));
    SortState().FirstDescending = k % 2 == 1;
    EXPECT_EQ(ApplySort(), k != kPicture) << "user field " << k;
  }
}

TEST_F(ShippedTemplates, SampleCollectionCountsUnderItsLettersAndNumbersGoOn) {
  ASSERT_TRUE(LoadSampleCollection(AppSettings().ProgramDir, data_.qpath()));
  ASSERT_TRUE(OpenDatabase(tables_));
  EXPECT_TRUE(prompter_.shown.empty());
  const uint32_t books = RecordCount(tables_.Records);
  ASSERT_GE(books, 300u);
  SortState().FirstField = static_cast<uint8_t>(F(kTitle));
  ASSERT_TRUE(ApplySort());
  CountLetters(tables_.Records);
  const auto& counts = LetterCounts();
  EXPECT_EQ(static_cast<uint32_t>(std::accumulate(counts.begin(), counts.end(), 0)), books);
  EXPECT_GE(std::count_if(counts.begin(), counts.end(), [](int c) { return c > 0; }), 15);
  // Every book is listed under the letter FirstLetter gives it.
  for (char c = 'A'; c <= 'Z'; ++c) {
    SetLetterRange(tables_.Records, c);
    dbase::Table& t = tables_.Records.Engine();
    for (t.first(); !t.eof(); t.next())
      EXPECT_EQ(FirstLetter(tables_.Records), c) << t.asString(F(kTitle));
  }
  tables_.Records.Engine().cancelRange();
  dbase::Table& rec = tables_.Records.Engine();
  rec.append();
  rec.setString(F(kTitle), "A new book");
  EXPECT_EQ(NextRecordNumber(tables_.Records, tables_.Catalogue), static_cast<int64_t>(books) + 1);
  rec.post();
}

}  // namespace
}  // namespace storetest
