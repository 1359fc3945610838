#pragma once

// The parsed form of a key expression, shared by the parser (expr.cpp) and
// the evaluator (expr_eval.cpp). Internal to the engine.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dbase/dbf.h"
#include "dbase/expr.h"

namespace dbase::expr_detail {

using Kind = ExprValue::Kind;

constexpr int kMemoWidth = 50;  // MLINE's default line width
constexpr int kDefaultStrLength = 10;
constexpr int kMaxStrLength = 255;

enum class Op {
  Field,
  Literal,
  Concat,
  ConcatTrim,
  Add,
  Sub,
  Mul,
  Div,
  Neg,
  Eq,
  Ne,
  Lt,
  Le,
  Gt,
  Ge,
  Contains,
  And,
  Or,
  Not,
  Upper,
  Lower,
  Trim,
  LTrim,
  AllTrim,
  Substr,
  Left,
  Right,
  Str,
  Dtos,
  Dtoc,
  Ctod,
  Val,
  Mline,
  Iif,
  Year,
  Month,
  Day,
  Abs,
  Int,
  Round,
  Deleted,  // the record's deletion flag
};

struct ENode {
  Op op = Op::Literal;
  Kind kind = Kind::Character;
  int length = 0;
  ExprValue value;  // Literal
  // Field
  int field = -1;
  size_t offset = 0;
  size_t width = 0;
  FieldType type = FieldType::Character;
  std::vector<std::unique_ptr<ENode>> args;
};

using Node = ENode;
using NodePtr = std::unique_ptr<Node>;

// The forms of key expression worked out straight from the record bytes:
// a character field, SUBSTR and UPPER of it, STR of a numeric field; and
// the filter DELETED() or .NOT. DELETED().
struct QuickText {
  enum class Form { None, Slice, Str, Deleted, NotDeleted };
  Form form = Form::None;
  size_t offset = 0, width = 0;  // the field's bytes in the record
  size_t from = 0, count = 0;    // Slice: which of them
  bool upper = false;
  int len = 0, dec = 0;  // Str
};
QuickText planQuickText(const Node& root);
inline bool deletedFlag(std::string_view record) {
  return !record.empty() && static_cast<uint8_t>(record[0]) == kRecordDeleted;
}
// False where the general evaluation must decide (a number needing rounding
// or a narrower text, a field holding no plain decimal).
bool runQuickText(const QuickText& q, std::string_view record, std::string& out);

// {mm/dd/yyyy} or {mm/dd/yy} (19yy); empty braces or blanks are the blank date.
bool parseDateLiteral(std::string_view s, int64_t& julian);
ExprValue eval(const Node& n, const RecordView& rec);

}  // namespace dbase::expr_detail
