#include "store/catalogue.h"

#include <QDir>
#include <set>

#include "core/settings.h"
#include "store/database.h"
#include "store/dbtable.h"
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
