#include "database.h"

#include <chrono>
#include <cmath>
#include <thread>

#include "prompt.h"
#include "recordtable.h"
#include "settings.h"
#include "sortstate.h"
#include "storehooks.h"

namespace {

// The catalogue's counter field and how long a locked entry is waited for.
constexpr int kCounterField = 3;
constexpr auto kEntryLockWait = std::chrono::seconds(5);

std::string TableText(const QString& s) { return s.toLatin1().toStdString(); }

QString Trimmed(const std::string& s) { return QString::fromLatin1(s.c_str()).trimmed(); }

bool OpenCatalogue(TDbTable& cat) {
  const TAppSettings& s = AppSettings();
  cat.Close();
  cat.IndexName = kCatalogueTag.toStdString();
  if (OpenTable(cat, kCatalogueFile, false)) return true;
  const QString target = JoinPath(s.DatabaseDir, kCatalogueFile);
  if (TableFileExists(target)) return false;  // there but unusable: never replaced
  try {
    dbase::Table::copyTable(ToNativePath(JoinPath(s.ProgramDir, kCatalogueFile)),
                            ToNativePath(target), false);
    cat.DatabaseName = s.DatabaseDir;
    cat.TableName = kCatalogueFile;
    cat.Exclusive = false;
    cat.Open();
    return true;
  } catch (const dbase::Error& e) {
    SetLastEngineError(e.what());
    return false;
  }
}

bool OpenCopyBuffer(TDbTable& copy) {
  const TAppSettings& s = AppSettings();
  copy.Close();
  copy.IndexName.clear();
  if (!OpenTable(copy, kCopyFile, false)) {
    copy.DatabaseName = s.DatabaseDir;
    copy.TableName = kCopyFile;
    copy.Exclusive = false;
    if (!CreateFromTemplate(copy, false)) return false;
    try {
      copy.Open();
    } catch (const dbase::Error& e) {
      SetLastEngineError(e.what());
      return false;
    }
  }
  try {
    dbase::Table& t = copy.Engine();
    if (t.recordCount() == 0) {
      t.append();
      t.post();
    }
  } catch (const dbase::Error& e) {
    SetLastEngineError(e.what());
    return false;
  }
  return true;
}

bool OpenRecordTable(TDbTable& records) {
  const TAppSettings& s = AppSettings();
  TIndex& sort = SortState();
  sort.Table = &records;
  records.Close();
  records.IndexName.clear();
  records.DatabaseName = s.DatabaseDir;
  records.TableName = s.TableName;
  records.Exclusive = false;
  if (TableFileExists(records.FilePath())) {
    RestoreMissingIndex(records);
    if (!OpenTable(records, s.TableName, false)) {
      ShowMessage(MsgKind::Error, QStringLiteral("Could not Open the database!\r") +
                                      QString::fromStdString(LastEngineError()));
      return false;
    }
    records.RefreshDefinitions();
    RebuildFieldSets(records);
    LoadSortState();
    ApplySort();
    CallHook(StoreHooks().ClearFilterList);
    CallHook(StoreHooks().LoadFilterFile);
    return true;
  }
  ShowMessage(MsgKind::Warning,
              QStringLiteral("Could not Open the database! A new database will be created."));
  if (!CreateFromTemplate(records, true) || !OpenTable(records, s.TableName, false)) {
    ShowMessage(MsgKind::Error, QStringLiteral("Could not Open the new database!"));
    return false;
  }
  sort.ResetSort();
  RebuildFieldSets(records);
  CallHook(StoreHooks().ClearFilterList);
  ApplySort();
  return true;
}

}  // namespace

bool OpenDatabase(TStoreTables& tables) {
  if (!OpenCatalogue(tables.Catalogue)) {
    ShowMessage(MsgKind::Error, QStringLiteral("Could not Open the Master.dbf file!"));
    return false;
  }
  if (!OpenCopyBuffer(tables.Copy)) {
    ShowMessage(MsgKind::Error, QStringLiteral("Could not Open the Copy/Paste file!"));
    return false;
  }
  if (!OpenRecordTable(tables.Records)) return false;
  try {
    EnsureCatalogEntry(tables.Catalogue, AppSettings().TableName);
  } catch (const dbase::Error& e) {
    SetLastEngineError(e.what());
    ShowMessage(MsgKind::Error, QString::fromStdString(e.what()));
    return false;
  }
  AppSettings().IndexErrorQuiet = false;
  return true;
}

bool FindCatalogEntry(TDbTable& catalogue, const QString& fileName) {
  dbase::Table& t = catalogue.Engine();
  const QString wanted = fileName.trimmed();
  auto here = [&] {
    return !t.eof() && t.recNo() != 0 && Trimmed(t.asString(0)).compare(wanted, Qt::CaseInsensitive) == 0;
  };
  if (!t.activeTag().empty()) {
    std::string key = TableText(wanted);
    for (const auto& tag : t.tags()) {
      if (QString::fromStdString(tag.name).compare(QString::fromStdString(t.activeTag()),
                                                   Qt::CaseInsensitive) == 0 &&
          QString::fromStdString(tag.expression).contains(QStringLiteral("UPPER"),
                                                          Qt::CaseInsensitive))
        key = TableText(wanted.toUpper());
    }
    t.findKey(key);
    // The key search matches prefixes: walk the few entries that share it.
    while (!t.eof() && t.recNo() != 0) {
      if (here()) return true;
      if (!Trimmed(t.asString(0)).startsWith(wanted, Qt::CaseInsensitive)) break;
      t.next();
    }
  }
  // File names are matched without regard to case, the key search is exact:
  // the few hundred entries are looked through.
  for (t.first(); !t.eof(); t.next())
    if (here()) return true;
  return false;
}

void EnsureCatalogEntry(TDbTable& catalogue, const QString& fileName) {
  if (FindCatalogEntry(catalogue, fileName)) return;
  dbase::Table& t = catalogue.Engine();
  const std::string name = TableText(fileName);
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

int64_t NextRecordNumber(TDbTable& records, TDbTable& catalogue) {
  dbase::Table& cat = catalogue.Engine();
  const QString tableName = AppSettings().TableName;
  const bool onEntry = cat.recNo() != 0 && !cat.eof() &&
                       Trimmed(cat.asString(0)).compare(tableName, Qt::CaseInsensitive) == 0;
  if (!onEntry) EnsureCatalogEntry(catalogue, tableName);

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
    cat.setNumber(kCounterField, static_cast<double>(n + 1));
    cat.post();
  } catch (...) {
    cat.cancel();
    throw;
  }
  dbase::Table& rec = records.Engine();
  if (rec.isEmpty(0)) {
    rec.edit();
    rec.setNumber(0, static_cast<double>(n + 1));
  }
  return n + 1;
}
