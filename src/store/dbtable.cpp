#include "dbtable.h"

#include <QFile>

#include "settings.h"

std::string ToNativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

bool TableFileExists(const QString& path) {
  return dbase::Table::resolve(ToNativePath(path)).has_value();
}

TDbTable::TDbTable() : engine_(std::make_unique<dbase::Table>()) {}

QString TDbTable::FilePath() const { return JoinPath(DatabaseName, TableName); }

std::string TDbTable::NativePath() const { return ToNativePath(FilePath()); }

void TDbTable::Open() {
  if (engine_->isOpen()) return;
  engine_->open(NativePath(), Exclusive ? dbase::OpenMode::Exclusive : dbase::OpenMode::Shared);
  try {
    fields_ = engine_->fields();
    tags_ = engine_->tags();
    if (!IndexName.empty()) engine_->setActiveTag(IndexName);
  } catch (...) {
    engine_->close();
    throw;
  }
}

void TDbTable::Close() { engine_->close(); }

void TDbTable::RefreshDefinitions() {
  if (engine_->isOpen()) {
    engine_->refreshDefinitions();
    if (!IndexName.empty()) engine_->setActiveTag(IndexName);
    fields_ = engine_->fields();
    tags_ = engine_->tags();
    return;
  }
  dbase::Table peek;
  peek.open(NativePath(), dbase::OpenMode::Shared, true);
  fields_ = peek.fields();
  tags_ = peek.tags();
}
