#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace dbase {
class Table;
}

// The fields of a record page: which editor shows each user field, on which
// part, and how the editors' texts go to and from the table.

enum class EditorKind { Edit, Lookup, Date, Currency, Memo, Picture };

struct FieldDesign {
  const char* caption;  // designed label, replaced by the field labels
  EditorKind kind;
  const char* lookupList;  // "list1.dbf" ... or nullptr
  int part;                // 0..3
  int helpContext;
};

inline constexpr int kPageFieldCount = 22;
inline constexpr int kPageParts = 4;

const std::array<FieldDesign, kPageFieldCount>& fieldDesigns();
// The part that shows user field k; -1 outside the page.
int partOfField(int k);

// Date editors: DateFormat order with four-digit years and "/".
QString dateEditPattern();
QString dateEditText(const QDate& date);
// Empty text (blanks, separators and mask characters only) is no date.
struct ParsedDate {
  bool empty = true;
  std::optional<QDate> date;  // set when the text is a valid date
};
ParsedDate parseDateText(const QString& text);

// Numbers: "1,234.50", "-3", "$12" all read; nothing when it is not a number.
struct ParsedNumber {
  bool empty = true;
  std::optional<double> value;
};
ParsedNumber parseNumberText(const QString& text);
// Currency editors show ",0.00".
QString currencyText(double value);

// What one page's editors hold, indexed by user field.
struct PageValues {
  std::array<QString, kPageFieldCount> text;
  QByteArray picture;  // the picture field's bytes
};

// Whether every editor is empty (a currency of 0 and a text that is no
// valid date count as empty).
bool pageIsEmpty(const PageValues& page);
// Every required field holds a value (RequiredFields, user field bits).
bool pagePassesRequired(const PageValues& page);
// What the table cannot store as typed: dates and numbers it cannot read, a
// number too large for its field, text longer than its field, characters the
// code page has no byte for. One line per problem, named by `labels` (the field
// labels); empty when the page can be stored without cutting or replacing.
QString pageInputProblems(const PageValues& page, const dbase::Table& table,
                          const std::vector<QString>& labels);

// The record's values as the editors show them. A memo that cannot be read
// is left empty and `memoFailed` is set.
PageValues readPage(const dbase::Table& table, bool* memoFailed);
// Whether the page holds anything other than `shown` (what it was filled
// with), each field read the way the table stores it: a date or an amount
// shown in another form is the same value.
bool pageChanged(const PageValues& page, const PageValues& shown, const dbase::Table& table);

// What writePage() writes. With `shown`, only the fields that changed from
// it: a field the user did not touch keeps its stored bytes. With
// `keepUnstorable`, a field that cannot hold what was typed (not a date, not
// a number, refused by the table) keeps its stored value and the rest is
// still written.
struct PageWrite {
  const PageValues* shown = nullptr;
  bool keepUnstorable = false;
};
// Writes the user fields of the current record (in edit or insert mode).
// A memo that cannot be written sets `memoFailed`; the other fields are
// still written. Throws dbase::Error for anything else.
void writePage(dbase::Table& table, const PageValues& page, const QDate& today, bool* memoFailed,
               const PageWrite& how = {});
// "Corrupt Memo Field!!! You should delete record: \r" + the second user field.
QString corruptMemoText(const dbase::Table& table);

// The pair of record pages: positions and which moves are possible.
struct PagePair {
  int32_t requested = 0;
  int32_t left = 0;

  // The pair holding position p of a listing of `count` records.
  void positionOn(int32_t p, int32_t count);
  // New: the last record on the left and a new page on the right, or two new pages.
  void newRecord(int32_t count);
  // Last: the pair that holds the last record; false when already there.
  bool last(int32_t count);
  bool leftIsNew(int32_t count) const { return left >= count; }
  bool rightIsNew(int32_t count) const { return left + 1 >= count; }
};

// The save decisions for the two pages when a pair is left.
struct PageState {
  bool isNew = false;
  bool inUse = false;
  bool empty = false;
  bool passes = true;   // required fields filled and input storable
  bool changed = true;  // differs from what the page was filled with
};
enum class PairVerdict { Continue, Save, Ask };
// Continue: nothing to store; Save: store the pages marked by StorePage;
// Ask: a page with values does not pass: ask before leaving without saving.
PairVerdict decidePairSave(const PageState& left, const PageState& right, bool readOnly);
// A page is stored when it is changed, neither empty nor in use.
inline bool storePage(const PageState& page) { return !page.empty && !page.inUse && page.changed; }
