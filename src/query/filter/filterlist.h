#pragma once

// The current filter: conditions a record must all satisfy, kept in
// "filter.dat" and in filter templates, and the marks it gives the records
// (the marking pass, and every record as it is saved). No widgets.

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

#include "query/filter/filtercondition.h"
#include "query/markingpass.h"

class DbTable;

class FilterList {
 public:
  int count() const { return static_cast<int>(items_.size()); }
  bool isEmpty() const { return items_.empty(); }
  // The condition at `index`; null outside the list.
  const FilterCondition* conditionAt(int index) const;
  FilterCondition* conditionAt(int index);
  // The index of the condition on table field `field`; -1 when none.
  int indexOfField(int field) const;

  // A new undefined condition for table field `field`.
  void addCondition(int field);
  void deleteCondition(int index);
  void clear() { items_.clear(); }
  // Stores the values, kind and operator, and normalises; the "One Of"
  // values are set on the condition itself.
  void setCondition(int index, const QString& first, const QString& second, uint8_t kind,
                    uint8_t op);

  // False for an empty path or a file that cannot be opened (the list is
  // unchanged); a damaged file empties the list and gives false.
  bool loadFromFile(const QString& path);
  // False when the file cannot be written.
  bool saveToFile(const QString& path) const;
  QByteArray encode() const;
  // Appends the conditions the bytes hold; throws valuestream::StreamError.
  void decode(const QByteArray& bytes, const QString& source = {});

  // Marks the current record of `table` ("2" passes, "0" fails). With no
  // conditions the mark is "2"; with conditions but no filter applied since
  // the last search the mark is left as it is.
  void markRecord(dbase::Table& table) const;
  // Whether the current record of `table` passes every condition.
  bool passes(const dbase::Table& table) const;

  // Remembers the record table and marks every record it saves from now on.
  void attach(DbTable* table);
  DbTable* attached() const { return table_; }

  // The marking pass over every record of the attached table, with the
  // progress window "Applying Filter - Please Wait...". Nothing at all for
  // an empty filter. Leaves the table in its order, without range, on its
  // first record; the caller sets the filter state and its range again.
  MarkResult apply();

 private:
  std::vector<std::unique_ptr<FilterCondition>> items_;
  DbTable* table_ = nullptr;
};

// The program's one filter.
FilterList& filterList();

// "filter.dat" in the user's home data directory.
QString filterFilePath();
// Empties the filter and loads "filter.dat".
void reloadFilter();
// Saves the filter to "filter.dat"; "Error Saving Filter to a file." when
// it cannot be written. False then.
bool saveFilter();
// Hooks the filter into the record table (cleared and reloaded when the
// table opens), the filter templates (save and load the current filter) and
// the closing of a view (saved).
void installFilter();

inline const QString kApplyingFilterCaption = QStringLiteral("Applying Filter - Please Wait...");
