#include "store/database.h"

#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

#include "core/prompt.h"
#include "core/settings.h"
#include "store/recordtable.h"
#include "store/sortstate.h"
#include "store/storehooks.h"
#include "store/tablerescue.h"

namespace {

// The catalogue's counter field and how long a locked entry is waited for.
constexpr int kCounterField = 3;
constexpr auto kEntryLockWait = std::chrono::seconds(5);

std::string tableText(const QString& s) { return s.toLatin1().toStdString(); }

QString trimmed(const std::string& s) { return QString::fromLatin1(s.c_str()).trimmed(); }

// A database the user may only read is opened so that the engine refuses
// every change, whatever route asks for one; nothing missing is made.
bool openForReading(DbTable& t, const QString& name) {
  const QString dir = appSettings().databaseDir;
  t.close();
  t.databaseName = dir;
  t.tableName = name;
  t.exclusive = false;
  t.readOnly = true;
  if (!tableFileExists(joinPath(dir, name))) {
    setLastEngineError(toNativePath(joinPath(dir, name)) + ": the file does not exist");
    return false;
  }
  for (;;) {
    try {
      t.open();
      return true;
    } catch (const dbase::Error& e) {
      setLastEngineError(e.what());
      if (t.indexName.empty()) return false;
      t.indexName.clear();  // read in natural order rather than not at all
    }
  }
}

}  // namespace

bool openCatalogue(DbTable& cat, bool readOnly) {
  const AppSettings& s = appSettings();
  cat.close();
  cat.indexName = kCatalogueTag.toStdString();
  // Nothing is made for a reader: without a catalogue the database has no name.
  if (readOnly)
    return !tableFileExists(joinPath(s.databaseDir, kCatalogueFile)) ||
           openForReading(cat, kCatalogueFile);
  if (openTableOrRescue(cat, kCatalogueFile)) return true;
  const QString target = joinPath(s.databaseDir, kCatalogueFile);
  if (tableFileExists(target)) return false;  // there but unusable: never replaced
  try {
    dbase::Table::copyTable(toNativePath(joinPath(s.programDir, kCatalogueFile)),
                            toNativePath(target), false);
    cat.databaseName = s.databaseDir;
    cat.tableName = kCatalogueFile;
    cat.exclusive = false;
    cat.readOnly = false;
    cat.open();
    return true;
  } catch (const dbase::Error& e) {
    setLastEngineError(e.what());
    return false;
  }
}

namespace {

bool openCopyBuffer(DbTable& copy, bool readOnly) {
  const AppSettings& s = appSettings();
  copy.close();
  copy.indexName.clear();
  // Not used in read-only mode: left closed when it is not there.
  if (readOnly) {
    if (tableFileExists(joinPath(s.databaseDir, kCopyFile))) openForReading(copy, kCopyFile);
    return true;
  }
  copy.readOnly = false;
  if (!openTable(copy, kCopyFile, false)) {
    copy.databaseName = s.databaseDir;
    copy.tableName = kCopyFile;
    copy.exclusive = false;
    if (!createFromTemplate(copy, false)) return false;
    try {
      copy.open();
    } catch (const dbase::Error& e) {
      setLastEngineError(e.what());
      return false;
    }
  }
  try {
    dbase::Table& t = copy.engine();
    if (t.recordCount() == 0) {
      t.append();
      t.post();
    }
  } catch (const dbase::Error& e) {
    setLastEngineError(e.what());
    return false;
  }
  return true;
}

bool openRecordTable(DbTable& records, bool readOnly) {
  const AppSettings& s = appSettings();
  SortState& sort = sortState();
  sort.table = &records;
  records.close();
  records.indexName.clear();
  records.readOnly = readOnly;
  if (!isPlainFileName(s.tableName)) {
    // Never a table outside the database directory, whatever a file said.
    showMessage(MsgKind::Error, QStringLiteral("Could not Open the database!\r\"") + s.tableName +
                                    QStringLiteral("\" is not a plain file name."));
    return false;
  }
  records.databaseName = s.databaseDir;
  records.tableName = s.tableName;
  records.exclusive = false;
  if (readOnly) {
    if (!openForReading(records, s.tableName)) {
      showMessage(MsgKind::Error, QStringLiteral("Could not Open the database!\r") +
                                      QString::fromStdString(lastEngineError()));
      return false;
    }
  } else if (tableFileExists(records.filePath())) {
    restoreMissingIndex(records);
    if (!openTableOrRescue(records, s.tableName)) {
      showMessage(MsgKind::Error, QStringLiteral("Could not Open the database!\r") +
                                      QString::fromStdString(lastEngineError()));
      return false;
    }
  }
  if (tableFileExists(records.filePath())) {
    records.refreshDefinitions();
    rebuildFieldSets(records);
    loadSortState();
    applySort();
    callHook(storeHooks().clearFilterList);
    callHook(storeHooks().loadFilterFile);
    return true;
  }
  showMessage(MsgKind::Warning,
              QStringLiteral("Could not Open the database! A new database will be created."));
  if (!createFromTemplate(records, true) || !openTable(records, s.tableName, false)) {
    showMessage(MsgKind::Error, QStringLiteral("Could not Open the new database!"));
    return false;
  }
  resetSortState();
  rebuildFieldSets(records);
  callHook(storeHooks().clearFilterList);
  applySort();
  return true;
}

}  // namespace

bool openDatabase(StoreTables& tables) {
  appSettings().tablesReadOnly = false;
  // The user's rights on a public database; damage found below adds to it.
  const bool readOnly = isReadOnlyDatabase();
  if (!openCatalogue(tables.catalogue, readOnly)) {
    showMessage(MsgKind::Error, QStringLiteral("Could not Open the Master.dbf file!"));
    return false;
  }
  if (!openCopyBuffer(tables.copy, readOnly)) {
    showMessage(MsgKind::Error, QStringLiteral("Could not Open the Copy/Paste file!"));
    return false;
  }
  // A catalogue that can only be read keeps what it has.
  auto catalogueEntry = [&] {
    if (!tables.catalogue.active()) return;
    if (tables.catalogue.readOnly)
      findCatalogEntry(tables.catalogue, appSettings().tableName);
    else
      ensureCatalogEntry(tables.catalogue, appSettings().tableName);
  };
  try {
    if (!openRecordTable(tables.records, readOnly)) return false;
    catalogueEntry();
  } catch (const dbase::Error& e) {
    setLastEngineError(e.what());
    bool done = false;
    if (isIndexFailure(e) && tables.records.active()) {
      handleEngineFailure(e);  // rebuilt, or read without it
      try {
        catalogueEntry();
        done = true;
      } catch (const dbase::Error& again) {
        setLastEngineError(again.what());
      }
    }
    if (!done) {
      showMessage(MsgKind::Error, QString::fromStdString(lastEngineError()));
      return false;
    }
  }
  appSettings().indexErrorQuiet = false;
  return true;
}

bool findCatalogEntry(DbTable& catalogue, const QString& fileName) {
  dbase::Table& t = catalogue.engine();
  const QString wanted = fileName.trimmed();
  auto here = [&] {
    return !t.eof() && t.recNo() != 0 &&
           trimmed(t.asString(0)).compare(wanted, Qt::CaseInsensitive) == 0;
  };
  if (!t.activeTag().empty()) {
    std::string key = tableText(wanted);
    for (const auto& tag : t.tags()) {
      if (QString::fromStdString(tag.name).compare(QString::fromStdString(t.activeTag()),
                                                   Qt::CaseInsensitive) == 0 &&
          QString::fromStdString(tag.expression)
              .contains(QStringLiteral("UPPER"), Qt::CaseInsensitive))
        key = tableText(wanted.toUpper());
    }
    t.findKey(key);
    // The key search matches prefixes: walk the few entries that share it.
    while (!t.eof() && t.recNo() != 0) {
      if (here()) return true;
      if (!trimmed(t.asString(0)).startsWith(wanted, Qt::CaseInsensitive)) break;
      t.next();
    }
  }
  // File names are matched without regard to case, the key search is exact:
  // the few hundred entries are looked through.
  for (t.first(); !t.eof(); t.next())
    if (here()) return true;
  return false;
}

void ensureCatalogEntry(DbTable& catalogue, const QString& fileName) {
  if (findCatalogEntry(catalogue, fileName)) return;
  dbase::Table& t = catalogue.engine();
  const std::string name = tableText(fileName);
  t.append();
  try {
    t.setString(0, name);
    t.setString(1, name);
    t.setNumber(kCounterField, 1);
    t.post();
  } catch (...) {
    t.cancel();
    throw;
  }
}

namespace {

// Locks the catalogue entry of the record table (waiting a while for another
// program), lets `change` move its counter and writes it back.
int64_t changeCounter(DbTable& catalogue, const std::function<int64_t(int64_t)>& change) {
  dbase::Table& cat = catalogue.engine();
  const QString tableName = appSettings().tableName;
  const bool onEntry = cat.recNo() != 0 && !cat.eof() &&
                       trimmed(cat.asString(0)).compare(tableName, Qt::CaseInsensitive) == 0;
  if (!onEntry) ensureCatalogEntry(catalogue, tableName);

  // edit() locks the entry and re-reads it: the counter read below is the
  // one no other program can change until post() lets go.
  const auto deadline = std::chrono::steady_clock::now() + kEntryLockWait;
  auto pause = std::chrono::microseconds(200);
  for (;;) {
    try {
      cat.edit();
      break;
    } catch (const dbase::LockError&) {
      if (std::chrono::steady_clock::now() >= deadline) throw;
      std::this_thread::sleep_for(pause);
      pause = std::min(pause * 2, std::chrono::microseconds(20000));
    }
  }
  int64_t n = 0;
  try {
    n = std::llround(cat.asNumber(kCounterField));
    const int64_t to = change(n);
    if (to != n) {
      cat.setNumber(kCounterField, static_cast<double>(to));
      cat.post();
    } else {
      cat.cancel();
    }
  } catch (...) {
    cat.cancel();
    throw;
  }
  return n;
}

}  // namespace

int64_t nextRecordNumber(DbTable& records, DbTable& catalogue) {
  const int64_t n = changeCounter(catalogue, [](int64_t c) { return c + 1; });
  dbase::Table& rec = records.engine();
  if (rec.isEmpty(0)) {
    rec.edit();
    rec.setNumber(0, static_cast<double>(n + 1));
  }
  return n + 1;
}

int64_t reserveRecordNumbers(DbTable& catalogue, int64_t count) {
  return changeCounter(catalogue, [count](int64_t c) { return c + count; }) + 1;
}

void returnRecordNumbers(DbTable& catalogue, int64_t first, int64_t end) {
  if (first >= end) return;
  changeCounter(catalogue, [&](int64_t c) { return c == end - 1 ? first - 1 : c; });
}
