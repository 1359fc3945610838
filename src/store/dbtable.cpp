#include "store/dbtable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/settings.h"

std::string toNativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

bool tableFileExists(const QString& path) {
  return dbase::Table::resolve(toNativePath(path)).has_value();
}

namespace {

std::vector<DbTable*>& allTables() {
  static std::vector<DbTable*> tables;
  return tables;
}

// Directory and base name without case: the family a file belongs to.
QString familyOf(const QString& path) {
  const QFileInfo fi(path);
  return QDir::cleanPath(fi.absolutePath() + QLatin1Char('/') + fi.completeBaseName()).toUpper();
}

}  // namespace

DbTable::DbTable() : engine_(std::make_unique<dbase::Table>()) { allTables().push_back(this); }

DbTable::~DbTable() { std::erase(allTables(), this); }

std::vector<DbTable*> DbTable::onFile(const std::string& path) {
  const QString family = familyOf(QFile::decodeName(path.c_str()));
  std::vector<DbTable*> found;
  for (DbTable* t : allTables())
    if (!t->tableName.isEmpty() && familyOf(t->filePath()) == family) found.push_back(t);
  return found;
}

QString DbTable::filePath() const { return joinPath(databaseName, tableName); }

std::string DbTable::nativePath() const { return toNativePath(filePath()); }

void DbTable::open() {
  if (engine_->isOpen()) return;
  engine_->open(nativePath(), exclusive ? dbase::OpenMode::Exclusive : dbase::OpenMode::Shared,
                readOnly);
  try {
    fields_ = engine_->fields();
    tags_ = engine_->tags();
    if (!indexName.empty()) engine_->setActiveTag(indexName);
  } catch (...) {
    engine_->close();
    throw;
  }
}

void DbTable::close() { engine_->close(); }

void DbTable::refreshDefinitions() {
  if (engine_->isOpen()) {
    engine_->refreshDefinitions();
    if (!indexName.empty()) engine_->setActiveTag(indexName);
    fields_ = engine_->fields();
    tags_ = engine_->tags();
    return;
  }
  dbase::Table peek;
  peek.open(nativePath(), dbase::OpenMode::Shared, true);
  fields_ = peek.fields();
  tags_ = peek.tags();
}
