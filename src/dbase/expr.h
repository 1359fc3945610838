#pragma once

// dBASE key expressions: parsing once against a field list, evaluating per record.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dbase/types.h"

namespace dbase {

// Numbers carry 64 mantissa bits: reversal keys such as
// STR(999999999999999999-VALUE, 20, 4) need 19 significant digits.
using ExprNumber = long double;

struct ExprValue {
  enum class Kind { Character, Numeric, Date, Logical };
  Kind kind = Kind::Character;
  std::string text;       // Character
  ExprNumber number = 0;  // Numeric
  int64_t julian = 0;     // Date; 0 = blank date
  bool logical = false;   // Logical
};

// One record as the expression sees it: the raw record bytes (deletion flag
// first) and a reader for memo contents by field index.
struct RecordView {
  std::string_view record;
  std::function<std::string(int field)> memo;
};

class Expression {
 public:
  // Throws ExpressionError naming the expression and what is wrong.
  static Expression compile(std::string_view text, const std::vector<FieldDef>& fields);

  Expression(Expression&&) noexcept;
  Expression& operator=(Expression&&) noexcept;
  ~Expression();

  ExprValue::Kind resultKind() const;
  // Width of a character result as dBASE sizes it (field widths, STR lengths,
  // SUBSTR counts, MLINE memo width ...); 8 for dates, 0 for numbers.
  int resultLength() const;
  ExprValue evaluate(const RecordView& rec) const;
  // The character value straight from the record's bytes, for the forms
  // tags use most (a character field, SUBSTR and UPPER of it, STR of a
  // number); false where evaluate() must give it. Keys are worked out per
  // record of an import, and the general evaluation costs ten times more.
  bool quickText(std::string_view record, std::string& out) const;
  // The same for the filters tags use most: DELETED() and .NOT. DELETED().
  bool quickTest(std::string_view record, bool& out) const;
  // The fields the expression reads, in no particular order.
  std::vector<int> fields() const;
  // Whether the value depends on the record's deletion flag (DELETED()).
  bool readsDeletion() const;
  // Whether a logical expression is false for every deleted record: .NOT.
  // DELETED(), alone or as a term of an .AND.
  bool excludesDeleted() const;
  const std::string& text() const;

 private:
  struct Node;
  Expression();
  std::unique_ptr<Node> root_;
  std::string text_;
  ExprValue::Kind kind_ = ExprValue::Kind::Character;
  int length_ = 0;
};

}  // namespace dbase
