#include "store/maintenance.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

#include <unistd.h>

#include "core/progress.h"
#include "core/settings.h"
#include "dbase/table.h"
#include "store/database.h"
#include "store/recordtable.h"

namespace {

constexpr int kCounterField = 3;

// Every table object of the program on one file lets go of it for the time
// of an operation, so our own process never stands in the way of exclusive
// use; afterwards those that were open take it again.
class FamilyHold {
 public:
  explicit FamilyHold(const std::string& path) {
    for (DbTable* t : DbTable::onFile(path)) {
      held_.emplace_back(t, t->active());
      t->close();
    }
  }
  ~FamilyHold() { reopen(nullptr); }
  FamilyHold(const FamilyHold&) = delete;
  FamilyHold& operator=(const FamilyHold&) = delete;

  bool wasOpen(const DbTable* table) const {
    for (const auto& [t, open] : held_)
      if (t == table) return open;
    return false;
  }
  // Reopens those that were open, but `except`; a tag that is gone is let go.
  void reopen(const DbTable* except) {
    for (auto& [t, open] : held_) {
      if (!open || t == except) continue;
      open = false;
      try {
        t->open();
      } catch (const dbase::Error&) {
        try {
          t->indexName.clear();
          t->open();
        } catch (const dbase::Error& e) {
          setLastEngineError(e.what());
        }
      }
    }
  }
  void forget(const DbTable* table) {
    for (auto& [t, open] : held_)
      if (t == table) open = false;
  }

 private:
  std::vector<std::pair<DbTable*, bool>> held_;
};

MaintenanceStatus statusOf(const dbase::Error& e) {
  setLastEngineError(e.what());
  return dynamic_cast<const dbase::LockError*>(&e) ? MaintenanceStatus::InUse
                                                   : MaintenanceStatus::Failed;
}

bool plainTable(const DbTable& table) {
  if (isPlainFileName(table.tableName)) return true;
  setLastEngineError(table.tableName.toStdString() + ": not a plain table name");
  return false;
}

// The template's fields and tags; the table's own (as far as they read) without one.
dbase::SalvageOptions layoutFor(const DbTable& table, bool withTags) {
  dbase::SalvageOptions options;
  const AppSettings& s = appSettings();
  const QString templatePath = joinPath(s.programDir, AppSettings::defaultTableName);
  for (const std::string& path : {toNativePath(templatePath), table.nativePath()}) {
    if (s.programDir.isEmpty() && path != table.nativePath()) continue;
    try {
      dbase::Table peek;
      peek.open(path, dbase::OpenMode::Shared, true);
      options.fields = peek.fields();
      if (withTags && peek.indexProblem().empty()) options.tags = peek.tags();
      break;
    } catch (const dbase::Error&) {
    }
  }
  options.renumber = true;
  options.onRecord = [](uint64_t done, uint64_t total) {
    progress().setPosition(static_cast<qint64>(done), static_cast<qint64>(total));
  };
  return options;
}

CopyOutcome failed(MaintenanceStatus status) {
  CopyOutcome out;
  out.status = status;
  out.error = QString::fromStdString(lastEngineError());
  return out;
}

// Salvages source into the table's place (repair and restore).
CopyOutcome replaceTable(DbTable& table, DbTable& catalogue, const std::string& source) {
  const dbase::SalvageOptions options = layoutFor(table, true);
  const QString dir = table.databaseName;
  FamilyHold hold(table.nativePath());
  hold.forget(&table);  // left closed: the caller reopens and sorts again
  table.indexName.clear();
  dbase::SalvageResult result;
  try {
    progress().setPosition(0, 0);
    result = dbase::Table::salvage(source, table.nativePath(),
                                   toNativePath(joinPath(dir, kRepairWorkFile)),
                                   toNativePath(joinPath(dir, kReplacedFile)), options);
  } catch (const dbase::Error& e) {
    return failed(statusOf(e));
  }
  hold.reopen(&table);
  CopyOutcome out;
  out.status = MaintenanceStatus::Done;
  out.lost = static_cast<int>(result.lost);
  try {
    if (!catalogue.active()) catalogue.open();
    setCatalogCounter(catalogue, static_cast<qint64>(result.kept) + 1, table.tableName);
  } catch (const dbase::Error& e) {
    setLastEngineError(e.what());
    out.error = QString::fromStdString(e.what());
  }
  return out;
}

QString listFile(const QString& dir, int n, const char* ext) {
  return joinPath(dir, QStringLiteral("list%1.%2").arg(n).arg(QLatin1String(ext)));
}

// The file as it is on disk (any case), or empty.
QString found(const QString& path) {
  const auto f = dbase::Table::resolve(toNativePath(path));
  return f ? QFile::decodeName(f->c_str()) : QString();
}

// A whole copy or none: written beside its place, then renamed over it.
bool copyWhole(const QString& from, const QString& to) {
  const QString tmp = to + QStringLiteral(".tmp");
  QFile::remove(tmp);
  if (!QFile::copy(from, tmp)) return false;
  QFile f(tmp);
  if (!f.open(QIODevice::ReadWrite)) return false;
  f.flush();
  const bool synced = ::fsync(f.handle()) == 0;
  f.close();
  if (!synced ||
      ::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(to).constData()) != 0) {
    QFile::remove(tmp);
    return false;
  }
  return true;
}

// Runs `work` on the table's file opened exclusively; another program's
// hold on it gives InUse.
MaintenanceStatus withTableAlone(const DbTable& table,
                                 const std::function<void(dbase::Table&)>& work) {
  try {
    dbase::Table t;
    t.open(table.nativePath(), dbase::OpenMode::Exclusive);
    work(t);
    t.close();
  } catch (const dbase::Error& e) {
    return statusOf(e);
  }
  return MaintenanceStatus::Done;
}

}  // namespace

MaintenanceStatus reindexTable(DbTable& table) {
  FamilyHold hold(table.nativePath());
  table.indexName.clear();
  return withTableAlone(table, [](dbase::Table& t) { t.regenerateTags(); });
}

MaintenanceStatus deleteIndexes(DbTable& table) {
  FamilyHold hold(table.nativePath());
  hold.forget(&table);
  table.indexName.clear();
  return withTableAlone(table, [](dbase::Table& t) {
    for (const dbase::TagDef& tag : t.tags()) {
      const QString name = QString::fromStdString(tag.name);
      if (name.compare(QStringLiteral("IDX0"), Qt::CaseInsensitive) != 0 &&
          name.compare(QStringLiteral("IDX1"), Qt::CaseInsensitive) != 0)
        t.deleteTag(tag.name);
    }
  });
}

MaintenanceStatus packTable(DbTable& table) {
  FamilyHold hold(table.nativePath());
  return withTableAlone(table, [](dbase::Table& t) { t.pack(); });
}

MaintenanceStatus emptyRecords(DbTable& table) {
  FamilyHold hold(table.nativePath());
  hold.forget(&table);
  table.indexName.clear();
  return withTableAlone(table, [](dbase::Table& t) { t.emptyTable(); });
}

int deleteShownRecords(DbTable& table) {
  dbase::Table& t = table.engine();
  int deleted = 0;
  for (t.first(); !t.eof(); t.first()) {
    t.deleteRecord();
    ++deleted;
  }
  return deleted;
}

CopyOutcome repairTable(DbTable& table, DbTable& catalogue) {
  if (!plainTable(table)) return failed(MaintenanceStatus::Failed);
  return replaceTable(table, catalogue, table.nativePath());
}

CopyOutcome backupTable(DbTable& table) {
  if (!plainTable(table)) return failed(MaintenanceStatus::Failed);
  const QString dir = table.databaseName;
  const QString backupDir = joinPath(dir, kBackupSubdir);
  if (!QDir().mkpath(backupDir)) {
    setLastEngineError(toNativePath(backupDir) + ": cannot make the folder");
    return failed(MaintenanceStatus::Failed);
  }
  dbase::SalvageOptions options = layoutFor(table, false);
  options.copyWhenSound = true;         // the restore renumbers and drops deleted records
  FamilyHold hold(table.nativePath());  // writes of our own are on disk before the copy
  dbase::SalvageResult result;
  try {
    progress().setPosition(0, 0);
    result = dbase::Table::salvage(table.nativePath(),
                                   toNativePath(joinPath(backupDir, table.tableName)),
                                   toNativePath(joinPath(backupDir, kRepairWorkFile)), {}, options);
  } catch (const dbase::Error& e) {
    return failed(statusOf(e));
  }
  CopyOutcome out;
  out.status = MaintenanceStatus::Done;
  out.lost = static_cast<int>(result.lost);
  if (!copyListFiles(dir, backupDir)) {
    out.status = MaintenanceStatus::Failed;
    out.error = QString::fromStdString(lastEngineError());
  }
  return out;
}

CopyOutcome restoreTable(DbTable& table, DbTable& catalogue, bool withLists) {
  if (!plainTable(table)) return failed(MaintenanceStatus::Failed);
  const QString dir = table.databaseName;
  const QString backupDir = joinPath(dir, kBackupSubdir);
  const std::string backup = toNativePath(joinPath(backupDir, table.tableName));
  try {
    dbase::Table peek;  // a backup whose writing was cut short is finished first
    peek.open(backup, dbase::OpenMode::Shared, true);
  } catch (const dbase::Error&) {
  }
  if (!dbase::Table::resolve(backup)) {
    setLastEngineError(backup + ": table not found");
    return failed(MaintenanceStatus::Failed);
  }
  CopyOutcome out = replaceTable(table, catalogue, backup);
  if (out.status == MaintenanceStatus::Done && withLists && !copyListFiles(backupDir, dir)) {
    out.status = MaintenanceStatus::Failed;
    out.error = QString::fromStdString(lastEngineError());
  }
  return out;
}

bool copyListFiles(const QString& from, const QString& to) {
  for (int n = 1;; ++n) {
    bool missing = false;
    for (const char* ext : {"dbf", "mdx"}) {
      const QString f = found(listFile(to, n, ext));
      if (f.isEmpty()) {
        missing = true;
        continue;
      }
      FamilyHold hold(toNativePath(f));
      if (!QFile::remove(f)) {
        setLastEngineError(toNativePath(f) + ": cannot delete");
        return false;
      }
    }
    if (missing) break;
  }
  for (int n = 1;; ++n) {
    bool missing = false;
    for (const char* ext : {"dbf", "mdx"}) {
      const QString f = found(listFile(from, n, ext));
      if (f.isEmpty()) {
        missing = true;
        continue;
      }
      const QString target = joinPath(to, QFileInfo(f).fileName());
      FamilyHold hold(toNativePath(target));
      if (!copyWhole(f, target)) {
        setLastEngineError(toNativePath(target) + ": cannot copy the list file");
        return false;
      }
    }
    if (missing) break;
  }
  return true;
}

void setCatalogCounter(DbTable& catalogue, qint64 count, const QString& fileName) {
  ensureCatalogEntry(catalogue, fileName);
  dbase::Table& t = catalogue.engine();
  t.edit();
  try {
    t.setNumber(kCounterField, static_cast<double>(count));
    t.post();
  } catch (...) {
    t.cancel();
    throw;
  }
}

qint64 copyAllRecords(DbTable& source, DbTable& target, int& lost) {
  dbase::Table& in = source.engine();
  dbase::Table& out = target.engine();
  progress().setPosition(0, in.recordCount());
  lost = 0;
  qint64 number = 1;
  const int fields = static_cast<int>(in.fields().size());
  const int targetFields = static_cast<int>(out.fields().size());
  for (in.first(); !in.eof(); in.next()) {
    bool damaged = false;
    try {
      out.append();
      for (int f = 0; f < fields; ++f) {
        try {
          if (f >= targetFields) throw dbase::Error(out.path(), "no such field");
          out.assignFrom(f, in, f);
        } catch (const dbase::Error&) {
          damaged = true;
        }
      }
      out.setNumber(0, static_cast<double>(number));
      out.post();
      ++number;
    } catch (const dbase::Error& e) {
      setLastEngineError(e.what());
      try {
        out.cancel();
      } catch (const dbase::Error&) {
      }
      damaged = true;
    }
    if (damaged) ++lost;
    progress().step();
  }
  target.close();
  return number;
}
