// Damaged and unwritable tables: an index is rebuilt only after a yes, a table
// the engine will not write is read, and no file changes without the user.

#include <gtest/gtest.h>

#include <functional>

#include "core/progress.h"
#include "dbase/check.h"
#include "store/tablerescue.h"
#include "support/indexdamage.h"
#include "support/storefixture.h"

namespace storetest {
namespace {

// The progress window as the rebuild drives it.
class RecordingProgress : public Progress {
 public:
  RecordingProgress() { setProgress(this); }
  ~RecordingProgress() override { setProgress(nullptr); }
  QStringList captions;
  std::vector<int> percents;

 protected:
  void showWindow(const QString& caption) override { captions << caption; }
  void showPercent(int percent) override { percents.push_back(percent); }
};

// The index's file header broken: opening it fails.
void breakHeader(std::string& mdx) { mdx[0] = 9; }

class TableRescueTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    makeDatabase({{"b"}, {"c"}, {"a"}});
    writeBytes(dataFile("data.idx"), std::string("\x02\x00\x00\x00", 4));  // by title
  }
  void damage(const std::string& name, const std::function<void(std::string&)>& how) {
    std::string bytes = readBytes(dataFile(name));
    how(bytes);
    writeBytes(dataFile(name), bytes);
  }
  std::string file(const std::string& name) { return readBytes(dataFile(name)); }
};

TEST_F(TableRescueTest, IndexThatCannotBeReadIsRebuiltOnYesAndLeftAloneOnNo) {
  for (const bool yes : {false, true}) {
    SCOPED_TRACE(yes ? "yes" : "no");
    damage("data.mdx", breakHeader);
    const std::string damaged = file("data.mdx");
    RecordingProgress bar;
    prompter_.shown.clear();
    prompter_.answers = {yes ? MsgResult::Yes : MsgResult::No};
    ASSERT_TRUE(openDatabase(tables_));
    ASSERT_GE(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].kind, MsgKind::Warning);
    EXPECT_EQ(prompter_.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_TRUE(prompter_.shown[0].text.startsWith("The index of data.dbf cannot be used:\r"))
        << prompter_.shown[0].text.toStdString();
    EXPECT_TRUE(prompter_.shown[0].text.endsWith("\r\rRebuild it from the records now?"));
    EXPECT_EQ(isReadOnlyDatabase(), !yes);
    EXPECT_EQ(tables_.records.readOnly, !yes);
    if (yes) {
      EXPECT_EQ(prompter_.shown.size(), 1u);
      EXPECT_EQ(bar.captions, QStringList{kRebuildCaption});
      EXPECT_EQ(bar.percents.back(), 100);
      EXPECT_TRUE(dbase::checkTable(dataFile("data.dbf")).sound());
      EXPECT_EQ(listing(F(kTitle)), (Strings{"a", "b", "c"}));
    } else {
      ASSERT_EQ(prompter_.shown.size(), 2u);
      EXPECT_TRUE(prompter_.shown[1].text.startsWith("data.dbf cannot be written:\r"));
      EXPECT_TRUE(prompter_.shown[1].text.endsWith("The database is opened in Read Only Mode."));
      EXPECT_TRUE(bar.captions.isEmpty());
      EXPECT_EQ(file("data.mdx"), damaged);
      EXPECT_EQ(listing(F(kTitle)), (Strings{"b", "c", "a"}));
    }
    TearDown();
  }
}

// Found only while the records are shown: the same question, then the views
// are told to show the records again.
TEST_F(TableRescueTest, IndexFoundDamagedWhileOpenIsRebuiltOrReadUnsorted) {
  int indexChanges = 0, accessChanges = 0;
  storeHooks().indexChanged = [&] { ++indexChanges; };
  storeHooks().accessChanged = [&] { ++accessChanges; };
  for (const bool yes : {false, true}) {
    SCOPED_TRACE(yes ? "yes" : "no");
    damage("data.mdx", indexdamage::breakRoots);
    const std::string damaged = file("data.mdx");
    ASSERT_TRUE(openDatabase(tables_));
    indexChanges = accessChanges = 0;
    prompter_.shown.clear();
    prompter_.answers = {yes ? MsgResult::Yes : MsgResult::No};
    DbTable& records = tables_.records;
    try {
      recordCount(records);
      FAIL() << "the damaged page was not found";
    } catch (const std::exception& e) {
      reportEngineFailure(e);  // no event loop here: handled at once
    }
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_TRUE(prompter_.shown[0].text.startsWith("The index of data.dbf cannot be used:\r"));
    EXPECT_EQ(indexChanges, 1);
    EXPECT_EQ(accessChanges, yes ? 0 : 1);
    EXPECT_EQ(isReadOnlyDatabase(), !yes);
    ASSERT_TRUE(records.active());
    EXPECT_EQ(recordCount(records), 3u);
    if (yes) {
      EXPECT_TRUE(dbase::checkTable(dataFile("data.dbf")).sound());
    } else {
      EXPECT_EQ(records.engine().activeTag(), "");
      EXPECT_EQ(file("data.mdx"), damaged);
    }
    TearDown();
  }
}

// Read-only without a question: the table's header disagrees with itself, or
// its index was left unfinished while another user keeps the table open.
TEST_F(TableRescueTest, TablesTheEngineWillNotWriteAreOpenedReadOnly) {
  struct Case {
    const char* name;
    std::function<void()> damage;
    const char* reason;
  };
  std::unique_ptr<dbase::Table> holder;
  const std::vector<Case> cases{
      {"header length",
       [&] { damage("data.dbf", [](std::string& b) { b[8] = static_cast<char>(b[8] + 1); }); },
       "header length"},
      {"unfinished index",
       [&] {
         holder = std::make_unique<dbase::Table>();
         holder->open(dataFile("data.dbf"));
         damage("data.mdx", [](std::string& b) { b[52] = 1; });
       },
       "left unfinished"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.damage();
    const std::string dbf = file("data.dbf"), mdx = file("data.mdx");
    prompter_.shown.clear();
    appSettings().indexErrorQuiet = true;  // as at the program's start
    ASSERT_TRUE(openDatabase(tables_));
    ASSERT_EQ(prompter_.shown.size(), 1u) << prompter_.texts().join("\n").toStdString();
    EXPECT_EQ(prompter_.shown[0].kind, MsgKind::Warning);
    EXPECT_TRUE(prompter_.shown[0].text.startsWith("data.dbf cannot be written:\r"));
    EXPECT_TRUE(prompter_.shown[0].text.contains(c.reason))
        << prompter_.shown[0].text.toStdString();
    EXPECT_TRUE(isReadOnlyDatabase());
    EXPECT_EQ(recordCount(tables_.records), 3u);
    TearDown();
    EXPECT_EQ(file("data.dbf"), dbf);
    EXPECT_EQ(file("data.mdx"), mdx);
    holder.reset();
    dbase::Table::deleteTable(dataFile("data.dbf"));  // sound again for the next case
    makeDatabase({{"b"}, {"c"}, {"a"}});
  }
}

}  // namespace
}  // namespace storetest
