#include "query/filter/filterlist.h"

#include <QDir>

#include "core/prompt.h"
#include "core/runobjects.h"
#include "core/settings.h"
#include "core/templatelist.h"
#include "core/valuestream.h"
#include "dbase/error.h"
#include "dbase/table.h"
#include "store/dbtable.h"
#include "store/sortstate.h"
#include "store/storehooks.h"

namespace {

constexpr char kPass = '2';
constexpr char kFail = '0';

std::vector<PreparedCondition> prepare(const std::vector<std::unique_ptr<FilterCondition>>& items) {
  std::vector<PreparedCondition> out;
  out.reserve(items.size());
  for (const auto& c : items) out.emplace_back(*c, appSettings().dateFormat);
  return out;
}

bool passesAll(const std::vector<PreparedCondition>& conditions, const dbase::Table& table) {
  for (const PreparedCondition& c : conditions)
    if (!c.passes(table)) return false;
  return true;
}

}  // namespace

const FilterCondition* FilterList::conditionAt(int index) const {
  if (index < 0 || index >= count()) return nullptr;
  return items_[static_cast<size_t>(index)].get();
}

FilterCondition* FilterList::conditionAt(int index) {
  if (index < 0 || index >= count()) return nullptr;
  return items_[static_cast<size_t>(index)].get();
}

int FilterList::indexOfField(int field) const {
  for (int i = 0; i < count(); ++i)
    if (items_[static_cast<size_t>(i)]->field == field) return i;
  return -1;
}

void FilterList::addCondition(int field) {
  auto c = std::make_unique<FilterCondition>();
  c->field = static_cast<uint8_t>(field);
  items_.push_back(std::move(c));
}

void FilterList::deleteCondition(int index) {
  if (index >= 0 && index < count()) items_.erase(items_.begin() + index);
}

void FilterList::setCondition(int index, const QString& first, const QString& second, uint8_t kind,
                              uint8_t op) {
  FilterCondition* c = conditionAt(index);
  if (!c) return;
  c->undefined = false;
  c->first = first;
  c->second = second;
  c->kind = kind;
  c->op = op;
  c->normalise(appSettings().dateFormat);
}

QByteArray FilterList::encode() const {
  valuestream::ValueWriter w;
  w.listStart();
  for (const auto& c : items_) {
    w.rawByte(c->field);
    w.rawByte(c->kind);
    w.rawByte(c->undefined ? 1 : 0);
    w.rawByte(c->op);
    w.string(c->first);
    w.string(c->second);
    w.listStart();
    for (const QString& v : c->values) w.string(v);
    w.listEnd();
  }
  w.listEnd();
  return w.data();
}

void FilterList::decode(const QByteArray& bytes, const QString& source) {
  valuestream::ValueReader r(bytes, source);
  r.listStart();
  while (!r.atListEnd()) {
    auto c = std::make_unique<FilterCondition>();
    c->field = r.rawByte();
    c->kind = r.rawByte();
    const uint8_t undefined = r.rawByte();
    c->op = r.rawByte();
    if (undefined > 1 || c->op > kLastFilterOperator)
      throw valuestream::StreamError(source.toStdString(), "not a filter condition");
    c->undefined = undefined == 1;
    c->first = r.string();
    c->second = r.string();
    r.listStart();
    while (!r.atListEnd()) c->values << r.string();
    c->normalise(appSettings().dateFormat);
    items_.push_back(std::move(c));
  }
}

bool FilterList::loadFromFile(const QString& path) {
  if (path.isEmpty()) return false;
  const auto bytes = valuestream::readFileBounded(path);
  if (!bytes) return false;
  try {
    decode(*bytes, path);
  } catch (const valuestream::StreamError&) {
    clear();
    return false;
  }
  return true;
}

bool FilterList::saveToFile(const QString& path) const {
  try {
    valuestream::writeFileOrThrow(path, encode());
    return true;
  } catch (const dbase::Error&) {
    return false;
  }
}

bool FilterList::passes(const dbase::Table& table) const {
  return passesAll(prepare(items_), table);
}

void FilterList::markRecord(dbase::Table& table) const {
  char mark = kPass;
  if (!items_.empty()) {
    if (!appSettings().filterActive) return;
    mark = passes(table) ? kPass : kFail;
  }
  table.setString(kFilterMarkField, std::string_view(&mark, 1));
}

void FilterList::attach(DbTable* table) { table_ = table; }

MarkResult FilterList::apply() {
  if (items_.empty() || !table_) return {};
  callHook(storeHooks().busyCursor, true);
  appSettings().filterActive = true;
  const std::vector<PreparedCondition> conditions = prepare(items_);
  MarkingPass pass(*table_);
  pass.markOf = [&](dbase::Table& t, int64_t) { return passesAll(conditions, t) ? kPass : kFail; };
  MarkResult result = pass.run(kApplyingFilterCaption);
  try {
    table_->engine().first();
  } catch (const dbase::Error& e) {
    if (result.error.empty()) result.error = e.what();
  }
  callHook(storeHooks().busyCursor, false);
  return result;
}

FilterList& filterList() {
  static FilterList list;
  return list;
}

QString filterFilePath() {
  return QDir(appSettings().homeDir).filePath(QStringLiteral("filter.dat"));
}

void reloadFilter() {
  filterList().clear();
  filterList().loadFromFile(filterFilePath());
}

bool saveFilter() {
  if (filterList().saveToFile(filterFilePath())) return true;
  showMessage(MsgKind::Error, QStringLiteral("Error Saving Filter to a file."));
  return false;
}

void installFilter() {
  StoreHooks& hooks = storeHooks();
  hooks.clearFilterList = [] {
    filterList().clear();
    filterList().attach(sortState().table);
  };
  hooks.loadFilterFile = [] {
    filterList().attach(sortState().table);
    filterList().loadFromFile(filterFilePath());
  };
  hooks.beforePost = [](dbase::Table& t) {
    // Marking writes only the mark: nothing can come back here meanwhile.
    static bool inside = false;
    if (inside) return;
    inside = true;
    try {
      filterList().markRecord(t);
    } catch (...) {
      inside = false;
      throw;
    }
    inside = false;
  };
  // The filter is saved with the rest of the view's state when a view closes.
  static bool savedOnClose = false;
  if (!savedOnClose) {
    // Only a filter that came with an opened table replaces the file: a
    // database that failed to open keeps the user's filter.
    runObjects().onViewClose.push_back([] {
      if (filterList().attached()) saveFilter();
    });
    savedOnClose = true;
  }
  FilterTemplateList& templates = filterTemplates();
  templates.saveFilter = [](const QString& path) { return filterList().saveToFile(path); };
  templates.loadFilter = [](const QString& path) {
    filterList().clear();
    return filterList().loadFromFile(path);
  };
}
