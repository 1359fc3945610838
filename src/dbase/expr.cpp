#include "dbase/expr.h"
#include "dbase/expr_node.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dbase/error.h"

namespace dbase {

using namespace expr_detail;

namespace {

std::string upperAscii(std::string s) {
  for (auto& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool isLiteralNumber(const Node& n) { return n.op == Op::Literal && n.kind == Kind::Numeric; }

struct FunctionSpec {
  const char* name;
  Op op;
  int minArgs;
  int maxArgs;
};

constexpr FunctionSpec kFunctions[] = {
    {"UPPER", Op::Upper, 1, 1},   {"LOWER", Op::Lower, 1, 1},     {"TRIM", Op::Trim, 1, 1},
    {"RTRIM", Op::Trim, 1, 1},    {"LTRIM", Op::LTrim, 1, 1},     {"ALLTRIM", Op::AllTrim, 1, 1},
    {"SUBSTR", Op::Substr, 2, 3}, {"LEFT", Op::Left, 2, 2},       {"RIGHT", Op::Right, 2, 2},
    {"STR", Op::Str, 1, 3},       {"DTOS", Op::Dtos, 1, 1},       {"DTOC", Op::Dtoc, 1, 1},
    {"CTOD", Op::Ctod, 1, 1},     {"VAL", Op::Val, 1, 1},         {"MLINE", Op::Mline, 2, 2},
    {"IIF", Op::Iif, 3, 3},       {"YEAR", Op::Year, 1, 1},       {"MONTH", Op::Month, 1, 1},
    {"DAY", Op::Day, 1, 1},       {"ABS", Op::Abs, 1, 1},         {"INT", Op::Int, 1, 1},
    {"ROUND", Op::Round, 2, 2},   {"DELETED", Op::Deleted, 0, 0},
};

const char* kindName(Kind k) {
  switch (k) {
    case Kind::Character:
      return "character";
    case Kind::Numeric:
      return "numeric";
    case Kind::Date:
      return "date";
    case Kind::Logical:
      return "logical";
  }
  return "?";
}

}  // namespace

// {mm/dd/yyyy} or {mm/dd/yy} (19yy); empty braces or blanks are the blank date.
bool expr_detail::parseDateLiteral(std::string_view s, int64_t& julian) {
  int parts[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  int k = 0;
  bool any = false;
  for (char c : s) {
    if (c == ' ') continue;
    if (c == '/' || c == '-' || c == '.') {
      if (++k > 2) return false;
    } else if (c >= '0' && c <= '9') {
      parts[k] = parts[k] * 10 + (c - '0');
      ++digits[k];
      any = true;
      if (digits[k] > 4) return false;
    } else {
      return false;
    }
  }
  if (!any) {
    julian = 0;
    return true;
  }
  if (k != 2) return false;
  int year = parts[2];
  if (digits[2] <= 2) year += 1900;
  const Date d{year, parts[0], parts[1]};
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year, d.month, d.day);
  const Date checked = parseDtos(buf);
  if (checked.isBlank()) return false;
  julian = toJulian(checked);
  return true;
}

namespace {

class Parser {
 public:
  Parser(std::string_view text, const std::vector<FieldDef>& fields)
      : text_(text), fields_(fields) {
    size_t offset = 1;  // after the deletion flag
    for (const auto& f : fields) {
      offsets_.push_back(offset);
      offset += static_cast<size_t>(std::max(f.length, 0));
    }
  }

  NodePtr parse() {
    auto n = parseOr();
    skipSpace();
    if (pos_ < text_.size()) fail("unexpected '" + std::string(1, text_[pos_]) + "'");
    return n;
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw ExpressionError("", "expression \"" + std::string(text_) + "\": " + what);
  }

  void skipSpace() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }

  bool peekChar(char c) {
    skipSpace();
    return pos_ < text_.size() && text_[pos_] == c;
  }

  bool accept(std::string_view s) {
    skipSpace();
    if (text_.size() - pos_ < s.size()) return false;
    for (size_t i = 0; i < s.size(); ++i)
      if (std::toupper(static_cast<unsigned char>(text_[pos_ + i])) != s[i]) return false;
    pos_ += s.size();
    return true;
  }

  void expect(char c) {
    if (!peekChar(c)) fail(std::string("expected '") + c + "'");
    ++pos_;
  }

  static NodePtr make(Op op, Kind kind, int length) {
    auto n = std::make_unique<Node>();
    n->op = op;
    n->kind = kind;
    n->length = length;
    return n;
  }

  NodePtr binary(Op op, Kind kind, int length, NodePtr a, NodePtr b) {
    auto n = make(op, kind, length);
    n->args.push_back(std::move(a));
    n->args.push_back(std::move(b));
    return n;
  }

  void require(const Node& n, Kind k, const char* where) {
    if (n.kind != k)
      fail(std::string(where) + " needs a " + kindName(k) + " value, not " + kindName(n.kind));
  }

  NodePtr parseOr() {
    auto left = parseAnd();
    while (accept(".OR.")) {
      auto right = parseAnd();
      require(*left, Kind::Logical, ".OR.");
      require(*right, Kind::Logical, ".OR.");
      left = binary(Op::Or, Kind::Logical, 1, std::move(left), std::move(right));
    }
    return left;
  }

  NodePtr parseAnd() {
    auto left = parseNot();
    while (accept(".AND.")) {
      auto right = parseNot();
      require(*left, Kind::Logical, ".AND.");
      require(*right, Kind::Logical, ".AND.");
      left = binary(Op::And, Kind::Logical, 1, std::move(left), std::move(right));
    }
    return left;
  }

  NodePtr parseNot() {
    if (accept(".NOT.") || accept("!")) {
      auto arg = parseNot();
      require(*arg, Kind::Logical, ".NOT.");
      auto n = make(Op::Not, Kind::Logical, 1);
      n->args.push_back(std::move(arg));
      return n;
    }
    return parseComparison();
  }

  NodePtr parseComparison() {
    auto left = parseAdditive();
    Op op;
    if (accept("<>") || accept("#") || accept("!="))
      op = Op::Ne;
    else if (accept("<="))
      op = Op::Le;
    else if (accept(">="))
      op = Op::Ge;
    else if (accept("==") || accept("="))
      op = Op::Eq;
    else if (accept("<"))
      op = Op::Lt;
    else if (accept(">"))
      op = Op::Gt;
    else if (accept("$"))
      op = Op::Contains;
    else
      return left;
    auto right = parseAdditive();
    if (left->kind != right->kind) fail("comparison of different types");
    if (op == Op::Contains) require(*left, Kind::Character, "$");
    if (left->kind == Kind::Logical && op != Op::Eq && op != Op::Ne)
      fail("logical values only compare for equality");
    return binary(op, Kind::Logical, 1, std::move(left), std::move(right));
  }

  NodePtr parseAdditive() {
    auto left = parseMultiplicative();
    for (;;) {
      skipSpace();
      if (pos_ >= text_.size() || (text_[pos_] != '+' && text_[pos_] != '-')) return left;
      const bool plus = text_[pos_++] == '+';
      auto right = parseMultiplicative();
      const Kind a = left->kind, b = right->kind;
      if (a == Kind::Character && b == Kind::Character) {
        const int len = left->length + right->length;
        left = binary(plus ? Op::Concat : Op::ConcatTrim, Kind::Character, len, std::move(left),
                      std::move(right));
      } else if (a == Kind::Numeric && b == Kind::Numeric) {
        left =
            binary(plus ? Op::Add : Op::Sub, Kind::Numeric, 0, std::move(left), std::move(right));
      } else if (a == Kind::Date && b == Kind::Numeric) {
        left = binary(plus ? Op::Add : Op::Sub, Kind::Date, 8, std::move(left), std::move(right));
      } else if (plus && a == Kind::Numeric && b == Kind::Date) {
        left = binary(Op::Add, Kind::Date, 8, std::move(right), std::move(left));
      } else if (!plus && a == Kind::Date && b == Kind::Date) {
        left = binary(Op::Sub, Kind::Numeric, 0, std::move(left), std::move(right));
      } else {
        fail(std::string("cannot ") + (plus ? "add " : "subtract ") + kindName(b) + " and " +
             kindName(a));
      }
    }
  }

  NodePtr parseMultiplicative() {
    auto left = parseUnary();
    for (;;) {
      skipSpace();
      if (pos_ >= text_.size() || (text_[pos_] != '*' && text_[pos_] != '/')) return left;
      const bool mul = text_[pos_++] == '*';
      auto right = parseUnary();
      require(*left, Kind::Numeric, mul ? "*" : "/");
      require(*right, Kind::Numeric, mul ? "*" : "/");
      left = binary(mul ? Op::Mul : Op::Div, Kind::Numeric, 0, std::move(left), std::move(right));
    }
  }

  NodePtr parseUnary() {
    skipSpace();
    if (pos_ < text_.size() && (text_[pos_] == '-' || text_[pos_] == '+')) {
      const bool minus = text_[pos_++] == '-';
      auto arg = parseUnary();
      require(*arg, Kind::Numeric, "a sign");
      if (!minus) return arg;
      if (isLiteralNumber(*arg)) {
        arg->value.number = -arg->value.number;
        return arg;
      }
      auto n = make(Op::Neg, Kind::Numeric, 0);
      n->args.push_back(std::move(arg));
      return n;
    }
    return parsePrimary();
  }

  NodePtr literal(ExprValue v, int length) {
    auto n = make(Op::Literal, v.kind, length);
    n->value = std::move(v);
    return n;
  }

  NodePtr parsePrimary() {
    skipSpace();
    if (pos_ >= text_.size()) fail("unexpected end");
    const char c = text_[pos_];
    if (c == '(') {
      ++pos_;
      auto n = parseOr();
      expect(')');
      return n;
    }
    if (c == '"' || c == '\'' || c == '[') {
      const char close = c == '[' ? ']' : c;
      const size_t end = text_.find(close, pos_ + 1);
      if (end == std::string_view::npos) fail("unterminated string");
      ExprValue v;
      v.text = std::string(text_.substr(pos_ + 1, end - pos_ - 1));
      pos_ = end + 1;
      const int len = static_cast<int>(v.text.size());
      return literal(std::move(v), len);
    }
    if (c == '{') {
      const size_t end = text_.find('}', pos_);
      if (end == std::string_view::npos) fail("unterminated date");
      ExprValue v;
      v.kind = Kind::Date;
      if (!parseDateLiteral(text_.substr(pos_ + 1, end - pos_ - 1), v.julian)) fail("bad date");
      pos_ = end + 1;
      return literal(std::move(v), 8);
    }
    if (c == '.' && pos_ + 2 < text_.size() && text_[pos_ + 2] == '.' &&
        std::isalpha(static_cast<unsigned char>(text_[pos_ + 1]))) {
      const char l = static_cast<char>(std::toupper(static_cast<unsigned char>(text_[pos_ + 1])));
      if (l == 'T' || l == 'F' || l == 'Y' || l == 'N') {
        pos_ += 3;
        ExprValue v;
        v.kind = Kind::Logical;
        v.logical = l == 'T' || l == 'Y';
        return literal(std::move(v), 1);
      }
    }
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
      const size_t start = pos_;
      while (pos_ < text_.size() &&
             (std::isdigit(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '.'))
        ++pos_;
      const std::string num(text_.substr(start, pos_ - start));
      char* end = nullptr;
      ExprValue v;
      v.kind = Kind::Numeric;
      v.number = std::strtold(num.c_str(), &end);
      if (end != num.c_str() + num.size()) fail("bad number '" + num + "'");
      return literal(std::move(v), 0);
    }
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      const size_t start = pos_;
      while (pos_ < text_.size() &&
             (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_'))
        ++pos_;
      const std::string name = upperAscii(std::string(text_.substr(start, pos_ - start)));
      if (peekChar('(')) return parseCall(name);
      return fieldNode(name);
    }
    fail("unexpected '" + std::string(1, c) + "'");
  }

  NodePtr fieldNode(const std::string& name) {
    for (size_t i = 0; i < fields_.size(); ++i) {
      if (upperAscii(fields_[i].name) != name) continue;
      const FieldDef& f = fields_[i];
      Kind kind = Kind::Character;
      int length = f.length;
      switch (f.type) {
        case FieldType::Numeric:
        case FieldType::Float:
          kind = Kind::Numeric;
          length = 0;
          break;
        case FieldType::Date:
          kind = Kind::Date;
          length = 8;
          break;
        case FieldType::Logical:
          kind = Kind::Logical;
          length = 1;
          break;
        default:
          break;
      }
      auto n = make(Op::Field, kind, length);
      n->field = static_cast<int>(i);
      n->offset = offsets_[i];
      n->width = static_cast<size_t>(std::max(f.length, 0));
      n->type = f.type;
      return n;
    }
    fail("unknown field " + name);
  }

  const FunctionSpec& lookup(const std::string& name) {
    for (const auto& f : kFunctions)
      if (name == f.name) return f;
    // dBASE accepts function names cut to four letters or more.
    const FunctionSpec* found = nullptr;
    if (name.size() >= 4)
      for (const auto& f : kFunctions)
        if (std::string_view(f.name).substr(0, name.size()) == name) {
          if (found) fail("ambiguous function " + name);
          found = &f;
        }
    if (!found) fail("unknown function " + name);
    return *found;
  }

  static int literalInt(const Node& n, int fallback) {
    if (!isLiteralNumber(n)) return fallback;
    // Huge or NaN literals would overflow the conversion to int.
    const ExprNumber v = n.value.number;
    if (!(std::abs(v) < 1e9)) return v > 0 ? 1000000000 : -1000000000;
    return static_cast<int>(v);
  }

  NodePtr parseCall(const std::string& name) {
    const FunctionSpec& spec = lookup(name);
    expect('(');
    std::vector<NodePtr> args;
    if (!peekChar(')')) {
      do args.push_back(parseOr());
      while (accept(","));
    }
    expect(')');
    const int count = static_cast<int>(args.size());
    if (count < spec.minArgs || count > spec.maxArgs)
      fail(std::string("wrong number of arguments to ") + spec.name);
    auto arg = [&](int i) -> Node& { return *args[static_cast<size_t>(i)]; };
    Kind kind = Kind::Character;
    int length = 0;
    switch (spec.op) {
      case Op::Upper:
      case Op::Lower:
      case Op::Trim:
      case Op::LTrim:
      case Op::AllTrim:
        require(arg(0), Kind::Character, spec.name);
        length = arg(0).length;
        break;
      case Op::Substr: {
        require(arg(0), Kind::Character, spec.name);
        require(arg(1), Kind::Numeric, spec.name);
        const int start = std::max(1, literalInt(arg(1), 1));
        length = std::max(0, arg(0).length - start + 1);
        if (count == 3) {
          require(arg(2), Kind::Numeric, spec.name);
          length = std::clamp(literalInt(arg(2), length), 0, length);
        }
        break;
      }
      case Op::Left:
      case Op::Right:
        require(arg(0), Kind::Character, spec.name);
        require(arg(1), Kind::Numeric, spec.name);
        length = std::clamp(literalInt(arg(1), arg(0).length), 0, arg(0).length);
        break;
      case Op::Str:
        for (int i = 0; i < count; ++i) require(arg(i), Kind::Numeric, spec.name);
        length = count > 1 ? std::clamp(literalInt(arg(1), kDefaultStrLength), 0, kMaxStrLength)
                           : kDefaultStrLength;
        break;
      case Op::Dtos:
      case Op::Dtoc:
        require(arg(0), Kind::Date, spec.name);
        length = 8;
        break;
      case Op::Ctod:
        require(arg(0), Kind::Character, spec.name);
        kind = Kind::Date;
        length = 8;
        break;
      case Op::Val:
        require(arg(0), Kind::Character, spec.name);
        kind = Kind::Numeric;
        break;
      case Op::Mline:
        require(arg(0), Kind::Character, spec.name);
        require(arg(1), Kind::Numeric, spec.name);
        length = kMemoWidth;
        break;
      case Op::Iif:
        require(arg(0), Kind::Logical, spec.name);
        if (arg(1).kind != arg(2).kind) fail("IIF branches of different types");
        kind = arg(1).kind;
        length = std::max(arg(1).length, arg(2).length);
        break;
      case Op::Year:
      case Op::Month:
      case Op::Day:
        require(arg(0), Kind::Date, spec.name);
        kind = Kind::Numeric;
        break;
      case Op::Abs:
      case Op::Int:
      case Op::Round:
        for (int i = 0; i < count; ++i) require(arg(i), Kind::Numeric, spec.name);
        kind = Kind::Numeric;
        break;
      case Op::Deleted:
        kind = Kind::Logical;
        length = 1;
        break;
      default:
        break;
    }
    auto n = make(spec.op, kind, length);
    n->args = std::move(args);
    return n;
  }

  std::string_view text_;
  const std::vector<FieldDef>& fields_;
  std::vector<size_t> offsets_;
  size_t pos_ = 0;
};

}  // namespace

struct Expression::Node {
  std::unique_ptr<ENode> tree;
  QuickText quick;
};

Expression::Expression() = default;
Expression::Expression(Expression&&) noexcept = default;
Expression& Expression::operator=(Expression&&) noexcept = default;
Expression::~Expression() = default;

Expression Expression::compile(std::string_view text, const std::vector<FieldDef>& fields) {
  Parser parser(text, fields);
  Expression e;
  e.root_ = std::make_unique<Node>();
  e.root_->tree = parser.parse();
  e.root_->quick = planQuickText(*e.root_->tree);
  e.text_ = std::string(text);
  e.kind_ = e.root_->tree->kind;
  e.length_ = e.root_->tree->length;
  return e;
}

ExprValue::Kind Expression::resultKind() const { return kind_; }
int Expression::resultLength() const { return length_; }
const std::string& Expression::text() const { return text_; }

ExprValue Expression::evaluate(const RecordView& rec) const { return eval(*root_->tree, rec); }

bool Expression::quickText(std::string_view record, std::string& out) const {
  const QuickText& q = root_->quick;
  return (q.form == QuickText::Form::Slice || q.form == QuickText::Form::Str) &&
         runQuickText(q, record, out);
}

bool Expression::quickTest(std::string_view record, bool& out) const {
  const QuickText::Form form = root_->quick.form;
  if (form != QuickText::Form::Deleted && form != QuickText::Form::NotDeleted) return false;
  out = deletedFlag(record) == (form == QuickText::Form::Deleted);
  return true;
}

bool Expression::readsDeletion() const {
  std::vector<const ENode*> todo{root_->tree.get()};
  while (!todo.empty()) {
    const ENode* n = todo.back();
    todo.pop_back();
    if (n->op == Op::Deleted) return true;
    for (const auto& a : n->args) todo.push_back(a.get());
  }
  return false;
}

bool Expression::excludesDeleted() const {
  std::vector<const ENode*> todo{root_->tree.get()};
  while (!todo.empty()) {
    const ENode* n = todo.back();
    todo.pop_back();
    if (n->op == Op::Not && n->args[0]->op == Op::Deleted) return true;
    if (n->op == Op::And)
      for (const auto& a : n->args) todo.push_back(a.get());
  }
  return false;
}

std::vector<int> Expression::fields() const {
  std::vector<int> out;
  std::vector<const ENode*> todo{root_->tree.get()};
  while (!todo.empty()) {
    const ENode* n = todo.back();
    todo.pop_back();
    if (n->field >= 0) out.push_back(n->field);
    for (const auto& a : n->args) todo.push_back(a.get());
  }
  return out;
}

}  // namespace dbase
