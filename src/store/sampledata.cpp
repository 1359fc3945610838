#include "store/sampledata.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "core/runobjects.h"
#include "core/settings.h"
#include "core/startup.h"
#include "core/valuestream.h"
#include "dbase/codepage.h"
#include "dbase/table.h"

namespace {

const char* const kTableName = "data.dbf";
const char* const kCatalogName = "master.dbf";
const char* const kCopyName = "copy.dbf";
// Work names: a half-built table never carries a real name.
const char* const kTableWork = "sampl$$.dbf";
const char* const kCatalogWork = "mastr$$.dbf";

const char* const kSampleName = "My Books";
const char* const kSampleDescription = "Sample collection";

constexpr int kFirstUserField = 2;

// CSV column -> user field position in the record table.
struct ColumnField {
  const char* column;
  int userField;
};
constexpr ColumnField kColumns[] = {
    {"title", 0},     {"author", 1},    {"coauthors", 2}, {"category", 3}, {"format", 4},
    {"publisher", 6}, {"published", 7}, {"isbn", 9},      {"pages", 10},   {"notes", 20},
};

using Row = std::vector<std::string>;

// RFC 4180: quoted fields may hold commas, doubled quotes and line breaks.
// Returns nullopt for an unterminated quote.
std::optional<std::vector<Row>> parseCsv(const std::string& text) {
  std::vector<Row> rows;
  Row row;
  std::string field;
  bool quoted = false;
  bool any = false;  // the current row has started
  size_t i = 0;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) i = 3;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"') {
          field.push_back('"');
          ++i;
        } else {
          quoted = false;
        }
      } else {
        field.push_back(c);
      }
      continue;
    }
    if (c == '"') {
      quoted = true;
      any = true;
    } else if (c == ',') {
      row.push_back(std::move(field));
      field.clear();
      any = true;
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      if (any || !field.empty()) {
        row.push_back(std::move(field));
        rows.push_back(std::move(row));
      }
      field.clear();
      row.clear();
      any = false;
    } else {
      field.push_back(c);
      any = true;
    }
  }
  if (quoted) return std::nullopt;
  if (any || !field.empty()) {
    row.push_back(std::move(field));
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string native(const QString& path) { return QFile::encodeName(path).toStdString(); }

std::string inDir(const QString& dir, const char* name) {
  return native(QDir(dir).filePath(QString::fromLatin1(name)));
}

void dropIfPresent(const std::string& path) {
  try {
    if (dbase::Table::resolve(path)) dbase::Table::deleteTable(path);
  } catch (const dbase::Error&) {
    // Cleanup after a failure: nothing more to do about it.
  }
}

// Appends the CSV rows to the table at path; returns the number of records.
int appendRows(const std::string& path, const std::vector<Row>& rows) {
  const Row& header = rows.front();
  std::vector<std::pair<int, int>> map;  // CSV column index, table field
  for (int c = 0; c < static_cast<int>(header.size()); ++c)
    for (const ColumnField& cf : kColumns)
      if (header[c] == cf.column) map.emplace_back(c, kFirstUserField + cf.userField);

  dbase::Table t;
  t.open(path, dbase::OpenMode::Exclusive);
  int number = 0;
  for (size_t r = 1; r < rows.size(); ++r) {
    const Row& row = rows[r];
    t.append();
    ++number;
    t.setNumber(0, number);
    t.setString(1, "0");
    for (const auto& [column, field] : map) {
      if (column >= static_cast<int>(row.size()) || row[column].empty()) continue;
      t.setString(field, dbase::utf8ToCp1252(row[column]));
    }
    t.post();
  }
  t.close();
  return number;
}

// Gives the catalogue at path its entry for the record table, counter at last.
void writeCatalogEntry(const std::string& path, int last) {
  dbase::Table t;
  t.open(path, dbase::OpenMode::Exclusive);
  bool found = false;
  for (t.first(); !t.eof(); t.next())
    if (t.asString(0) == kTableName) {
      found = true;
      break;
    }
  if (found) {
    t.edit();
  } else {
    t.append();
    t.setString(0, kTableName);
    t.setString(1, kSampleName);
    t.setString(2, kSampleDescription);
  }
  t.setNumber(3, last);
  t.post();
  t.close();
}

}  // namespace

bool loadSampleCollection(const QString& programDir, const QString& databaseDir) {
  const std::string table = inDir(databaseDir, kTableName);
  if (dbase::Table::resolve(table)) return false;
  QFile csv(QDir(programDir).filePath(QString::fromLatin1(kSampleCsvPath)));
  if (!csv.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = csv.readAll();
  auto rows = parseCsv(bytes.toStdString());
  if (!rows || rows->size() < 2) return false;

  const std::string tableWork = inDir(databaseDir, kTableWork);
  const std::string catalog = inDir(databaseDir, kCatalogName);
  const std::string catalogWork = inDir(databaseDir, kCatalogWork);
  const bool hadCatalog = dbase::Table::resolve(catalog).has_value();
  bool catalogMoved = false;
  try {
    dbase::Table::copyTable(inDir(programDir, kTableName), tableWork, true);
    const int count = appendRows(tableWork, *rows);
    if (hadCatalog) {
      writeCatalogEntry(catalog, count);
    } else {
      dbase::Table::copyTable(inDir(programDir, kCatalogName), catalogWork, true);
      writeCatalogEntry(catalogWork, count);
      dbase::Table::renameTable(catalogWork, catalog);
      catalogMoved = true;
    }
    // The record table's name appears last: it is what marks the load as done.
    dbase::Table::renameTable(tableWork, table);
    return true;
  } catch (const std::exception&) {
    dropIfPresent(tableWork);
    dropIfPresent(catalogWork);
    if (catalogMoved) dropIfPresent(catalog);
    return false;
  }
}

void writeSampleHeader(const QString& dir) {
  const QString path = joinPath(dir, QStringLiteral("header.dat"));
  if (QFileInfo::exists(path)) return;
  // Titles and authors wide enough to read on the first look.
  valuestream::ValueWriter w;
  w.listStart();
  w.string(QStringLiteral("Book Title"));
  w.integer(150);
  w.string(QStringLiteral("Author"));
  w.integer(110);
  w.listEnd();
  try {
    valuestream::writeFileOrThrow(path, w.data());
  } catch (const std::exception&) {
    // The default columns then.
  }
}

namespace {

// The copy buffer as the program makes it: the template without tags,
// holding one empty record.
void makeCopyBuffer(const QString& programDir, const QString& dir) {
  const std::string path = inDir(dir, kCopyName);
  dbase::Table::copyTable(inDir(programDir, kTableName), path, false);
  dbase::Table t;
  t.open(path, dbase::OpenMode::Exclusive);
  const auto tags = t.tags();
  for (auto tag = tags.rbegin(); tag != tags.rend(); ++tag) t.deleteTag(tag->name);
  t.append();
  t.post();
  t.close();
}

}  // namespace

bool seedDataDirectory(const QString& programDir, const QString& dataDir) {
  const QFileInfo target(dataDir);
  if (target.exists()) return false;
  if (!QFileInfo::exists(QDir(programDir).filePath(QString::fromLatin1(kSampleCsvPath))))
    return false;
  const QString work =
      QDir(target.absolutePath())
          .filePath(QStringLiteral("%1~%2-%3")
                        .arg(target.fileName())
                        .arg(QCoreApplication::applicationPid())
                        .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
  if (!QDir().mkdir(work)) return false;
  bool made = false;
  try {
    if (loadSampleCollection(programDir, work) && QDir(work).mkdir(QStringLiteral("BACKUP"))) {
      makeCopyBuffer(programDir, work);
      writeSampleHeader(work);
      made = moveIntoPlace(work, dataDir);
    }
  } catch (const std::exception&) {
    made = false;
  }
  // Not made, or another start was first: that one's directory is used.
  if (!made) QDir(work).removeRecursively();
  return made;
}

void installSampleSeeder() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  runObjects().beforeDataDirectories.push_back([] {
    const AppSettings& s = appSettings();
    seedDataDirectory(s.programDir, joinPath(s.dataRootDir, AppSettings::dataSubdir));
  });
}
