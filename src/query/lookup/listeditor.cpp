#include "query/lookup/listeditor.h"

#include <set>
#include <string>

#include "core/progress.h"
#include "core/prompt.h"
#include "core/settings.h"
#include "query/lookup/lookuplist.h"
#include "store/recordtext.h"

namespace {

std::string rightTrimmed(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

void cancelQuietly(DbTable& table) {
  try {
    if (table.active()) table.engine().cancel();
  } catch (const std::exception&) {
  }
}

}  // namespace

ListEditor::ListEditor(std::vector<ListChoice> lists) : lists_(std::move(lists)) {}

ListEditor::~ListEditor() { table_.close(); }

bool ListEditor::select(int i) {
  table_.close();
  items_.clear();
  if (i < 0 || i >= static_cast<int>(lists_.size())) return false;
  selected_ = i;
  try {
    openListTable(table_, appSettings().databaseDir, lists_[static_cast<size_t>(i)].source, false);
    reread();
  } catch (const std::exception&) {
    table_.close();
    items_.clear();
    showMessage(MsgKind::Error,
                QStringLiteral("Cannot open the file: ") + lists_[static_cast<size_t>(i)].source);
    return false;
  }
  return true;
}

void ListEditor::reread() {
  items_.clear();
  dbase::Table& t = table_.engine();
  for (t.first(); !t.eof(); t.next()) items_.push_back({fromTableText(t.asString(0)), t.recNo()});
}

bool ListEditor::write(const QString& text, bool append) {
  dbase::Table& t = table_.engine();
  try {
    if (append)
      t.append();
    else
      t.edit();
    t.setString(0, toTableText(text));
    t.post();
  } catch (const std::exception&) {
    cancelQuietly(table_);
    return false;
  }
  return true;
}

bool ListEditor::add(const QString& text) {
  const bool added = table_.active() && write(text, true);
  if (!added) showMessage(MsgKind::Error, QStringLiteral("Could not Add the Item!"));
  if (table_.active()) reread();
  return added;
}

bool ListEditor::modify(int row, const QString& text) {
  bool done = false;
  if (table_.active() && row >= 0 && row < static_cast<int>(items_.size())) {
    try {
      table_.engine().goToRecord(items_[static_cast<size_t>(row)].recNo);
      done = write(text, false);
    } catch (const std::exception&) {
    }
  }
  if (!done) showMessage(MsgKind::Error, QStringLiteral("Could not Modify the Item!"));
  if (table_.active()) reread();
  return done;
}

bool ListEditor::remove(int row) {
  bool done = false;
  if (table_.active() && row >= 0 && row < static_cast<int>(items_.size())) {
    try {
      table_.engine().goToRecord(items_[static_cast<size_t>(row)].recNo);
      table_.engine().deleteRecord();
      done = true;
    } catch (const std::exception&) {
      cancelQuietly(table_);
    }
  }
  if (!done) showMessage(MsgKind::Error, QStringLiteral("Could not Delete the Item!"));
  if (table_.active()) reread();
  return done;
}

bool ListEditor::updateLists(const QString& directory, const QString& tableName) {
  table_.close();
  items_.clear();
  // One pass over the records gathers each list's values in record order.
  std::vector<std::vector<std::string>> found(lists_.size());
  {
    std::vector<std::set<std::string>> seen(lists_.size());
    DbTable records;
    try {
      records.databaseName = directory;
      records.tableName = tableName;
      records.readOnly = true;
      records.open();
      dbase::Table& r = records.engine();
      const int fields = static_cast<int>(r.fields().size());
      const qint64 total = r.recordCount();
      progress().open(QStringLiteral("Update Lists"));
      qint64 done = 0;
      for (r.first(); !r.eof(); r.next()) {
        for (size_t l = 0; l < lists_.size(); ++l) {
          const int field = lists_[l].position + appSettings().firstUserField;
          if (field >= fields) continue;
          std::string value = rightTrimmed(r.asString(field));
          if (!value.empty() && seen[l].insert(value).second) found[l].push_back(std::move(value));
        }
        progress().setPosition(++done, total);
      }
      progress().close();
    } catch (const std::exception& e) {
      progress().close();
      showMessage(MsgKind::Error, QString::fromStdString(e.what()));
      select(0);
      return false;
    }
  }
  for (size_t l = 0; l < lists_.size(); ++l) {
    DbTable list;
    try {
      openListTable(list, directory, lists_[l].source, false);
    } catch (const std::exception&) {
      showMessage(MsgKind::Error, QStringLiteral("Could not open file: ") + lists_[l].source);
      select(0);
      return false;
    }
    try {
      dbase::Table& t = list.engine();
      const size_t width = t.fields().empty() ? 0 : t.fields().front().length;
      std::set<std::string> held;
      for (t.first(); !t.eof(); t.next()) held.insert(rightTrimmed(t.asString(0)));
      for (std::string value : found[l]) {
        // What the list's field can hold is what is compared.
        if (width > 0 && value.size() > width) value = rightTrimmed(value.substr(0, width));
        if (!held.insert(value).second) continue;
        t.append();
        t.setString(0, value);
        t.post();
      }
    } catch (const std::exception& e) {
      cancelQuietly(list);
      showMessage(MsgKind::Error, QString::fromStdString(e.what()));
    }
    list.close();
  }
  select(0);
  return true;
}

void ListEditor::packAll() {
  table_.close();
  items_.clear();
  for (const ListChoice& choice : lists_) {
    DbTable list;
    try {
      openListTable(list, appSettings().databaseDir, choice.source, false, true);
      list.engine().pack();
    } catch (const std::exception&) {
      // In use elsewhere: its deleted values wait for the next pack.
    }
    list.close();
  }
}
