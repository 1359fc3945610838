#pragma once

#include <QString>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dbase/types.h"

namespace dbase {
class Table;
}

// Matching a search text against record fields. Table text is compared as
// Windows-1252 bytes, so a record is tested without converting its fields.

// The byte in capitals: a..z and the accented Windows-1252 letters.
unsigned char foldByte(unsigned char c);
std::string foldTableText(std::string_view bytes);
// Where `needle` (already folded) first occurs in `hay`, compared folded;
// npos when it does not. An empty needle is found at 0.
size_t findFolded(std::string_view hay, std::string_view needle);

// The whole text as a number: leading and trailing blanks, optional sign,
// digits with "." as decimal point, optional exponent; no thousands
// separators and nothing that depends on the locale.
std::optional<double> parseSearchNumber(std::string_view text);
// The text as a date in the short date order of `dateFormat` (0 m/d/y,
// 1 d/m/y, 2 y/m/d), two- or four-digit years; nothing when it is not a date.
std::optional<dbase::Date> parseSearchDate(const QString& text, int dateFormat);

// A search text prepared once for a whole pass.
struct FindQuery {
  std::string needle;            // folded Windows-1252
  std::optional<double> number;  // when the text reads as a number
  std::string dateKey;           // "YYYYMMDD" when the text is a date, else empty
  bool searchMemos = false;

  static FindQuery make(const QString& text, int dateFormat, bool searchMemos);
};

// Where a memo match lies: byte offset from the memo's start and the length
// of the search text, and the same as the memo editor counts them, where a
// stored CR LF line break is one character.
struct MemoMatch {
  size_t offset = 0;
  size_t length = 0;
  size_t editorOffset = 0;
  size_t editorLength = 0;
};
// The memo offset as an editor counts it: one character per CR LF.
size_t memoEditorOffset(std::string_view memo, size_t offset);

// Tests the fields of the current record of one table for one query. The
// field kinds are looked up once, so a test touches only the record bytes.
class RecordMatcher {
 public:
  RecordMatcher(const dbase::Table& table, FindQuery query);

  bool fieldMatches(const dbase::Table& table, int field);
  // The first field from `from` towards the last field (forward) or down to
  // `lowest` (backward) that matches; -1 when none does.
  int firstMatch(const dbase::Table& table, int from, int lowest, bool forward);

  const FindQuery& query() const { return query_; }
  // Set by the last memo field that matched.
  const MemoMatch& memoMatch() const { return memo_; }

 private:
  enum class Kind : unsigned char { Never, Text, Number, Date, Memo };
  std::vector<Kind> kinds_;
  FindQuery query_;
  MemoMatch memo_;
};
