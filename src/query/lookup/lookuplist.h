#pragma once

#include <QObject>
#include <QStringList>
#include <QStringListModel>
#include <map>
#include <memory>

// The values that the lookup boxes of one list table offer: the table's first
// field in the order of its tag "IDX". The list table lives in DatabaseDir
// under its source name ("list1.dbf" ...) and is made from the program's
// template "list.dbf" when it is missing. The table is open only while it is
// read or written, so other programs and the list editor can use it between.
class LookupList : public QObject {
  Q_OBJECT

 public:
  explicit LookupList(const QString& source, QObject* parent = nullptr);

  const QString& source() const { return source_; }
  // DatabaseDir + the source, in the platform's form.
  QString filePath() const;

  // Makes a missing list table from the template and reads the items. A
  // table that can be neither opened nor made is reported once ("Error!
  // Could not create a list file: ...") and the list stays empty; an existing
  // file is never replaced.
  bool open();
  // Reads the items again; an unreadable table gives none.
  void reload();
  // Adds `text` (cut to what the table's field holds) unless it is empty or
  // already an item, letter case aside: into its place among the items at
  // once, and to the table. Failures to store it are silent; the item stays
  // until the next reload. True when the value was new.
  bool addValue(const QString& text);
  bool contains(const QString& text) const;

  const QStringList& items() const { return items_; }
  // The items as a model that boxes share: every box of the list shows a
  // value as soon as one of them adds it.
  QStringListModel* model() { return &model_; }

 private:
  void setItems(QStringList items);
  QString storable(const QString& text) const;

  QString source_;
  QStringList items_;
  QStringListModel model_;
  int width_ = 0;  // the value field's width; 0 while unknown
};

class DbTable;
// Opens the list table `source` of `directory` in the order of its tag "IDX"
// (a list without the tag in file order). Throws on an engine error.
void openListTable(DbTable& table, const QString& directory, const QString& source, bool readOnly,
                   bool exclusive = false);

// The lists of one view, one per source, shared by the boxes of all its pages.
class LookupLists {
 public:
  std::shared_ptr<LookupList> list(const QString& source);
  // Every list read again (after the lists were edited or the database changed).
  void reloadAll();

 private:
  std::map<QString, std::weak_ptr<LookupList>> lists_;
};
