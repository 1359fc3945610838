#pragma once

// What the book view tests share: a sandboxed program directory with the
// shipped templates, a record table of titled books, and the scripted prompter.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "dbase/table.h"
#include "store/letters.h"
#include "store/sampledata.h"
#include "store/sortstate.h"
#include "support/scriptedprompter.h"
#include "support/tempdir.h"
#include "support/viewsandbox.h"

// The question a refused save ends with.
inline const QString kDiscardQuestion = QStringLiteral(
    "\rDo you want to continue anyway?\r(If you answer Yes changes to the current record will be "
    "discarded.)");

class BookViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    useBuildProgramDir(box);
    appSettings().deleteMode = 1;
    letterCounts().fill(0);
  }
  void TearDown() override { sortState() = SortState{}; }

  static QString table() { return joinPath(appSettings().databaseDir, "data.dbf"); }

  // The records "Author 1", "Author 2", ... with these titles, and the
  // catalogue counter at the last of them.
  static void makeTable(const QStringList& titles, bool sortByTitle = false) {
    makeBookTable(titledRows(titles), sortByTitle);
    makeCatalogue(static_cast<int>(titles.size()));
  }
  static QStringList numbered(int count) {
    QStringList out;
    for (int i = 0; i < count; ++i)
      out << QStringLiteral("Book %1").arg(i, 3, 10, QLatin1Char('0'));
    return out;
  }
  // The shipped sample collection, listed by title.
  static void loadSampleByTitle() {
    ASSERT_TRUE(loadSampleCollection(appSettings().programDir, appSettings().databaseDir));
    QFile sort(joinPath(appSettings().databaseDir, "data.idx"));
    ASSERT_TRUE(sort.open(QIODevice::WriteOnly));
    sort.write(QByteArray("\x02\x00\x00\x00", 4));
  }
  // A database the user may only read: kept in DATA with read-only rights.
  static void useReadOnlyMode() {
    AppSettings& s = appSettings();
    s.databaseDir = joinPath(s.dataRootDir, "DATA");
    s.homeDir = s.databaseDir;
    QDir().mkpath(s.databaseDir);
    s.accessRights = 2;
  }

  // Field `field` of the stored records in entry order.
  static std::vector<std::string> stored(int field) {
    dbase::Table t;
    t.open(nativePath(table()), dbase::OpenMode::Shared, true);
    std::vector<std::string> out;
    for (t.first(); !t.eof(); t.next()) out.push_back(t.asString(field));
    return out;
  }
  // A second cursor on the table, editing (and so locking) the record at `position`.
  static void holdRecord(dbase::Table& other, int position) {
    other.open(nativePath(table()), dbase::OpenMode::Shared);
    other.goToPosition(static_cast<uint32_t>(position));
    other.edit();
  }
  // Whether a second cursor can lock the record at `position` now.
  static bool lockable(int position) {
    dbase::Table t;
    t.open(nativePath(table()), dbase::OpenMode::Shared);
    t.goToPosition(static_cast<uint32_t>(position));
    try {
      t.edit();
    } catch (const dbase::LockError&) {
      return false;
    }
    t.cancel();
    return true;
  }

  SettingsSandbox box;
  ScriptedPrompter prompts;
};
