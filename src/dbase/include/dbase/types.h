#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace dbase {

enum class FieldType : char {
  Character = 'C',
  Numeric = 'N',
  Float = 'F',
  Date = 'D',
  Logical = 'L',
  Memo = 'M',
  Binary = 'B',  // kept in the memo file (pictures)
};

struct FieldDef {
  std::string name;  // at most 10 characters, stored upper case
  FieldType type = FieldType::Character;
  int length = 0;
  int decimals = 0;
};

// Whether a numeric field of this definition holds the value, rounded to its
// decimals (what Table::setNumber would store rather than refuse).
bool numberFits(const FieldDef& field, double value);

// A calendar date; year 0 is the blank date.
struct Date {
  int year = 0;
  int month = 0;
  int day = 0;

  bool isBlank() const { return year == 0; }
  friend bool operator==(const Date&, const Date&) = default;
};

// Julian day number of a date (1999-12-31 -> 2451544); 0 for a blank date.
int64_t toJulian(const Date& d);
Date fromJulian(int64_t julian);
// "YYYYMMDD" <-> Date; blank text gives a blank date. Throws nothing: bad text is blank.
Date parseDtos(const std::string& text);
std::string toDtos(const Date& d);  // 8 blanks for a blank date

enum class KeyType : char { Character = 'C', Numeric = 'N', Date = 'D' };

struct TagDef {
  std::string name;        // at most 10 characters
  std::string expression;  // dBASE key expression
  bool descending = false;
  bool unique = false;
  std::string filter;  // FOR clause, empty for none
};

// A value given for a key search or a range bound on the active tag.
// Character bounds compare over their own length (EXACT off).
using KeyValue = std::variant<std::string, double, Date>;

// Remembers a record; valid for the table object that made it.
struct Bookmark {
  uint32_t recno = 0;
  friend bool operator==(const Bookmark&, const Bookmark&) = default;
};

}  // namespace dbase
