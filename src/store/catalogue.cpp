#include "store/catalogue.h"

#include <QDir>
#include <set>

#include "core/settings.h"
#include "store/database.h"
#include "store/dbtable.h"
#include "store/recordtable.h"
#include "store/recordtext.h"

namespace {

constexpr int kCounterField = 3;
constexpr int kMaxTables = 999;

QString textOf(const dbase::Table& t, int field) {
  return fromTableText(t.asString(field)).trimmed();
}

}  // namespace

std::vector<CatalogEntry> catalogEntries(DbTable& catalogue) {
  std::vector<CatalogEntry> out;
  dbase::Table& t = catalogue.engine();
  for (t.first(); !t.eof(); t.next()) out.push_back({textOf(t, 0), textOf(t, 1), textOf(t, 2)});
  return out;
}

std::optional<QString> firstFreeTableName(DbTable& catalogue) {
  std::set<QString> held;
  for (const CatalogEntry& e : catalogEntries(catalogue)) held.insert(e.fileName.toLower());
  for (int n = 1; n <= kMaxTables; ++n) {
    const QString name = QStringLiteral("data_%1.dbf").arg(n);
    if (!held.count(name)) return name;
  }
  return std::nullopt;
}

void addCatalogEntry(DbTable& catalogue, const CatalogEntry& entry) {
  dbase::Table& t = catalogue.engine();
  t.append();
  try {
    t.setString(0, toTableText(entry.fileName));
    t.setString(1, toTableText(entry.name));
    t.setString(2, toTableText(entry.description));
    t.setNumber(kCounterField, 1);
    t.post();
  } catch (...) {
    t.cancel();
    throw;
  }
}

bool updateCatalogEntry(DbTable& catalogue, const CatalogEntry& entry) {
  if (!findCatalogEntry(catalogue, entry.fileName)) return false;
  dbase::Table& t = catalogue.engine();
  t.edit();
  try {
    t.setString(1, toTableText(entry.name));
    t.setString(2, toTableText(entry.description));
    t.post();
  } catch (...) {
    t.cancel();
    throw;
  }
  return true;
}

bool tableIsFree(const QString& directory, const QString& fileName) {
  const QString path = joinPath(directory, fileName);
  if (!tableFileExists(path)) return true;
  dbase::Table t;
  try {
    t.open(toNativePath(path), dbase::OpenMode::Exclusive);
  } catch (const std::exception&) {
    return false;
  }
  t.close();
  return true;
}

void packCatalogue(DbTable& catalogue) {
  catalogue.close();
  catalogue.exclusive = true;
  try {
    catalogue.open();
    catalogue.engine().pack();
  } catch (const std::exception& e) {
    setLastEngineError(e.what());
  }
  catalogue.close();
  catalogue.exclusive = false;
  try {
    catalogue.open();
  } catch (const std::exception& e) {
    setLastEngineError(e.what());
  }
}

DatabaseDeletion deleteDatabase(DbTable& catalogue, const QString& directory,
                                const QString& fileName) {
  if (!isPlainFileName(fileName)) return DatabaseDeletion::NotPlainName;
  const QString path = joinPath(directory, fileName);
  // Held exclusively up to the deletion, so no program opens it in between.
  dbase::Table guard;
  if (tableFileExists(path)) {
    try {
      guard.open(toNativePath(path), dbase::OpenMode::Exclusive);
    } catch (const std::exception&) {
      return DatabaseDeletion::InUse;
    }
  }
  if (!findCatalogEntry(catalogue, fileName)) return DatabaseDeletion::NoEntry;
  catalogue.engine().deleteRecord();
  guard.close();
  for (const QString& dir : {directory, joinPath(directory, QStringLiteral("BACKUP"))}) {
    const QString file = joinPath(dir, fileName);
    if (!tableFileExists(file)) continue;
    try {
      dbase::Table::deleteTable(toNativePath(file));
    } catch (const std::exception&) {
      // The entry is gone; a file left behind is harmless.
    }
  }
  return DatabaseDeletion::Deleted;
}

// ---------------------------------------------------------------- browsing

namespace {

QString directoryOf(CatalogueBrowser::Kind kind) {
  const AppSettings& s = appSettings();
  return kind == CatalogueBrowser::Kind::Public ? joinPath(s.dataRootDir, AppSettings::dataSubdir)
                                                : s.homeDir;
}

// A reader of the public databases changes nothing there, not even a missing file.
bool readOnlyIn(CatalogueBrowser::Kind kind) {
  const AppSettings& s = appSettings();
  return kind == CatalogueBrowser::Kind::Public && !s.isSupervisor && s.accessRights == 2;
}

}  // namespace

CatalogueBrowser::CatalogueBrowser(DbTable& catalogue)
    : catalogue_(catalogue), startDir_(appSettings().databaseDir) {}

bool CatalogueBrowser::mayChange() const {
  return kind_ == Kind::Private || appSettings().isSupervisor;
}

bool CatalogueBrowser::choose(Kind kind) {
  kind_ = kind;
  appSettings().databaseDir = directoryOf(kind);
  entries_.clear();
  if (!openCatalogue(catalogue_, readOnlyIn(kind))) return false;
  return reread();
}

bool CatalogueBrowser::reread() {
  entries_.clear();
  if (!catalogue_.active()) return true;  // a reader's directory without a catalogue
  try {
    entries_ = catalogEntries(catalogue_);
  } catch (const std::exception& e) {
    setLastEngineError(e.what());
    entries_.clear();
    return false;
  }
  return true;
}

std::optional<CatalogEntry> CatalogueBrowser::entry(const QString& fileName) {
  try {
    if (catalogue_.active() && findCatalogEntry(catalogue_, fileName)) {
      const dbase::Table& t = catalogue_.engine();
      return CatalogEntry{textOf(t, 0), textOf(t, 1), textOf(t, 2)};
    }
  } catch (const std::exception& e) {
    setLastEngineError(e.what());
  }
  return std::nullopt;
}

bool CatalogueBrowser::describe(const CatalogEntry& entry) {
  if (!catalogue_.active() || !updateCatalogEntry(catalogue_, entry)) return false;
  for (CatalogEntry& e : entries_)
    if (e.fileName.compare(entry.fileName, Qt::CaseInsensitive) == 0) {
      e.name = entry.name;
      e.description = entry.description;
    }
  return true;
}

CatalogueBrowser::Creation CatalogueBrowser::create(const QString& name, const QString& description,
                                                    QString* fileName) {
  if (!catalogue_.active()) return Creation::Failed;
  const std::optional<QString> free = firstFreeTableName(catalogue_);
  if (!free) return Creation::LimitReached;
  addCatalogEntry(catalogue_, {*free, name, description});
  entries_.push_back({*free, name, description});
  if (fileName) *fileName = *free;
  DbTable table;
  table.databaseName = appSettings().databaseDir;
  table.tableName = *free;
  // A table left under that name by an entry deleted elsewhere is kept as it is.
  if (!tableFileExists(table.filePath()) && !createFromTemplate(table, true))
    return Creation::Failed;
  return Creation::Created;
}

std::optional<QString> CatalogueBrowser::load(const QString& fileName, QString* problem) {
  std::optional<CatalogEntry> found = entry(fileName);
  if (!found) return std::nullopt;
  if (!isPlainFileName(found->fileName)) {
    if (problem)
      *problem = QStringLiteral("\"") + found->fileName +
                 QStringLiteral("\" is not a plain file name: the database cannot be loaded.");
    return std::nullopt;
  }
  DbTable table;
  table.databaseName = appSettings().databaseDir;
  table.tableName = found->fileName;
  if (!tableFileExists(table.filePath()) &&
      (readOnlyIn(kind_) || !createFromTemplate(table, true))) {
    if (problem)
      *problem = QStringLiteral("Could not Open the database!\r") +
                 QString::fromStdString(lastEngineError());
    return std::nullopt;
  }
  return found->fileName;
}

DatabaseDeletion CatalogueBrowser::remove(const QString& fileName) {
  const DatabaseDeletion result = deleteDatabase(catalogue_, appSettings().databaseDir, fileName);
  if (result != DatabaseDeletion::Deleted) return result;
  // The deleted entry is hidden anyway when the catalogue cannot be packed.
  packCatalogue(catalogue_);
  if (!catalogue_.active()) openCatalogue(catalogue_, readOnlyIn(kind_));
  reread();
  return result;
}

void CatalogueBrowser::cancel() {
  appSettings().databaseDir = startDir_;
  openCatalogue(catalogue_, isReadOnlyDatabase());
}

void CatalogueBrowser::finish() {
  try {
    if (catalogue_.active()) findCatalogEntry(catalogue_, appSettings().tableName);
  } catch (const std::exception& e) {
    setLastEngineError(e.what());
  }
}
