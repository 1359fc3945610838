#pragma once

// CSV as RFC 4180 has it: comma separated, fields quoted when they hold a
// comma, quote, CR or LF, quotes doubled inside; CRLF or LF ends a row.

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tometool {

class CsvReader {
 public:
  explicit CsvReader(std::istream& in) : in_(in) {}
  // The next row, or nullopt at the end of the input. Throws std::runtime_error
  // for an unterminated quoted field or text after a closing quote.
  std::optional<std::vector<std::string>> next();
  int line() const { return line_; }  // line where the last row started

 private:
  std::istream& in_;
  int line_ = 0;
  int nextLine_ = 1;
};

class CsvWriter {
 public:
  explicit CsvWriter(std::ostream& out) : out_(out) {}
  void row(const std::vector<std::string>& fields);

 private:
  std::ostream& out_;
};

std::string csvQuote(std::string_view field);

}  // namespace tometool
