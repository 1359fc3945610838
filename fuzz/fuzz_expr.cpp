// Compiles the fuzz input as a key expression against a fixed book table
// and evaluates it on one record; keys are made from the result.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dbase/error.h"
#include "dbase/expr.h"
#include "dbase/keys.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 512) return 0;  // key expressions are at most 220 characters
  static const std::vector<dbase::FieldDef> fields = {
      {"TITLE", dbase::FieldType::Character, 20, 0}, {"AUTHOR", dbase::FieldType::Character, 15, 0},
      {"PRICE", dbase::FieldType::Numeric, 8, 2},    {"QTY", dbase::FieldType::Numeric, 4, 0},
      {"BOUGHT", dbase::FieldType::Date, 8, 0},      {"READ", dbase::FieldType::Logical, 1, 0},
      {"NOTES", dbase::FieldType::Memo, 10, 0},
  };
  static const std::string record = " " + std::string("The Hobbit").append(10, ' ') +
                                    std::string("Tolkien").append(8, ' ') + "   12.50" + "   3" +
                                    "19370921" + "T" + "         1";
  static const std::string blank(record.size(), ' ');
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const auto expr = dbase::Expression::compile(text, fields);
    for (const std::string* rec : {&record, &blank}) {
      dbase::RecordView view;
      view.record = *rec;
      view.memo = [](int) { return std::string("First line\r\nSecond, longer line of the memo"); };
      const auto value = expr.evaluate(view);
      switch (expr.resultKind()) {
        case dbase::ExprValue::Kind::Numeric:
          (void)dbase::makeKey(value, dbase::KeyType::Numeric, dbase::kNumericKeyLength);
          break;
        case dbase::ExprValue::Kind::Date:
          (void)dbase::makeKey(value, dbase::KeyType::Date, dbase::kDateKeyLength);
          break;
        case dbase::ExprValue::Kind::Character:
          if (expr.resultLength() > 0 && expr.resultLength() <= 240) {
            (void)dbase::makeKey(value, dbase::KeyType::Character, expr.resultLength());
          }
          break;
        case dbase::ExprValue::Kind::Logical:
          break;
      }
    }
  } catch (const dbase::Error&) {
    // Bad expressions are rejected with an ExpressionError.
  }
  return 0;
}
