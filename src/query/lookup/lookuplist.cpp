#include "query/lookup/lookuplist.h"

#include <QDir>
#include <algorithm>
#include <set>

#include "core/prompt.h"
#include "core/settings.h"
#include "store/dbtable.h"
#include "store/recordtext.h"

namespace {

const QString kTemplate = QStringLiteral("list.dbf");

// Paths already reported as unusable: a list shared by many boxes and pages is
// reported once, not once per box.
std::set<QString>& reported() {
  static std::set<QString> paths;
  return paths;
}

}  // namespace

void openListTable(DbTable& table, const QString& directory, const QString& source, bool readOnly,
                   bool exclusive) {
  table.close();
  table.databaseName = directory;
  table.tableName = source;
  table.exclusive = exclusive;
  table.readOnly = readOnly;
  table.indexName.clear();
  table.open();
  try {
    table.engine().setActiveTag("IDX");
  } catch (const std::exception&) {
    // A list without its tag still lists its values, in file order.
  }
}

LookupList::LookupList(const QString& source, QObject* parent) : QObject(parent), source_(source) {}

QString LookupList::filePath() const {
  return QDir::toNativeSeparators(joinPath(appSettings().databaseDir, source_));
}

bool LookupList::open() {
  if (source_.isEmpty()) return false;
  const AppSettings& s = appSettings();
  const QString path = joinPath(s.databaseDir, source_);
  if (!tableFileExists(path) && !isReadOnlyDatabase()) {
    try {
      dbase::Table::copyTable(toNativePath(joinPath(s.programDir, kTemplate)), toNativePath(path),
                              true);
    } catch (const std::exception&) {
    }
  }
  DbTable table;
  bool usable = tableFileExists(path);
  if (usable) {
    try {
      openListTable(table, appSettings().databaseDir, source_, true);
    } catch (const std::exception&) {
      usable = false;
    }
  }
  if (!usable) {
    setItems({});
    if (!isReadOnlyDatabase() && reported().insert(path).second)
      showMessage(MsgKind::Error,
                  QStringLiteral("Error! Could not create a list file: \r") + filePath());
    return false;
  }
  reported().erase(path);
  table.close();
  reload();
  return true;
}

void LookupList::reload() {
  QStringList items;
  DbTable table;
  try {
    openListTable(table, appSettings().databaseDir, source_, true);
    dbase::Table& t = table.engine();
    if (!t.fields().empty()) width_ = t.fields().front().length;
    for (t.first(); !t.eof(); t.next()) items << fromTableText(t.asString(0));
  } catch (const std::exception&) {
    items.clear();
  }
  table.close();
  setItems(std::move(items));
}

QString LookupList::storable(const QString& text) const {
  // What the table gives back: its code page, its width, no trailing blanks.
  std::string bytes = toTableText(text);
  if (width_ > 0 && bytes.size() > static_cast<size_t>(width_))
    bytes.resize(static_cast<size_t>(width_));
  while (!bytes.empty() && bytes.back() == ' ') bytes.pop_back();
  return fromTableText(bytes);
}

bool LookupList::contains(const QString& text) const {
  const QString value = storable(text);
  for (const QString& item : items_)
    if (item.compare(value, Qt::CaseInsensitive) == 0) return true;
  return false;
}

bool LookupList::addValue(const QString& text) {
  const QString value = storable(text);
  if (value.trimmed().isEmpty() || contains(value)) return false;
  // Into its place in the tag's order (the bytes of the table's text), so
  // the boxes keep their text and nothing is read again.
  const std::string key = toTableText(value);
  const auto at = std::lower_bound(
      items_.cbegin(), items_.cend(), key,
      [](const QString& item, const std::string& k) { return toTableText(item) < k; });
  const int row = static_cast<int>(at - items_.cbegin());
  items_.insert(row, value);
  model_.insertRows(row, 1);
  model_.setData(model_.index(row), value);
  if (source_.isEmpty() || isReadOnlyDatabase()) return true;
  DbTable table;
  try {
    openListTable(table, appSettings().databaseDir, source_, false);
    dbase::Table& t = table.engine();
    t.append();
    t.setString(0, key);
    t.post();
  } catch (const std::exception&) {
    // The value stays offered until the list is read again.
    try {
      if (table.active()) table.engine().cancel();
    } catch (const std::exception&) {
    }
  }
  table.close();
  return true;
}

void LookupList::setItems(QStringList items) {
  items_ = std::move(items);
  model_.setStringList(items_);
}

std::shared_ptr<LookupList> LookupLists::list(const QString& source) {
  std::weak_ptr<LookupList>& slot = lists_[source];
  std::shared_ptr<LookupList> list = slot.lock();
  if (!list) {
    list = std::make_shared<LookupList>(source);
    list->open();
    slot = list;
  }
  return list;
}

void LookupLists::reloadAll() {
  for (auto& [source, weak] : lists_)
    if (const auto list = weak.lock()) list->open();
}
