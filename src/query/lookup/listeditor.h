#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "store/dbtable.h"

// A lookup list offered for editing: the field label that uses it, its table
// and the label's position (the user field whose values it holds).
struct ListChoice {
  QString label;
  QString source;
  int position = 0;
};

// What the list editor does with the lookup lists of DatabaseDir, without
// its window: shows one list in index order, adds, changes and deletes its
// values, fills every list from the records, and packs them all. Failures
// are reported with the editor's own messages.
class ListEditor {
 public:
  struct Item {
    QString text;
    uint32_t recNo = 0;
  };

  explicit ListEditor(std::vector<ListChoice> lists);
  ~ListEditor();
  ListEditor(const ListEditor&) = delete;
  ListEditor& operator=(const ListEditor&) = delete;

  const std::vector<ListChoice>& lists() const { return lists_; }
  // Shows list i; "Cannot open the file: " + its table name when it cannot
  // be opened (the grid is then empty).
  bool select(int i);
  int selected() const { return selected_; }
  const std::vector<Item>& items() const { return items_; }

  // "Could not Add the Item!", "Could not Modify the Item!", "Could not
  // Delete the Item!" when the table refuses.
  bool add(const QString& text);
  bool modify(int row, const QString& text);
  bool remove(int row);

  // Every non-empty value of each list's field in the record table that the
  // list does not hold yet is added to it, once. "Could not open file: " +
  // the list's table name ends the work at a list that cannot be opened.
  // Shows the first list afterwards.
  bool updateLists(const QString& directory, const QString& tableName);
  // Packs every list, which drops deleted values for good; a list in use
  // elsewhere keeps them until the next time.
  void packAll();

 private:
  void reread();
  bool write(const QString& text, bool append);

  std::vector<ListChoice> lists_;
  int selected_ = -1;
  DbTable table_;
  std::vector<Item> items_;
};
