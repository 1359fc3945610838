#include "csv.h"

#include <stdexcept>

namespace tometool {

std::optional<std::vector<std::string>> CsvReader::next() {
  int c = in_.get();
  if (c == EOF) return std::nullopt;
  line_ = nextLine_;
  std::vector<std::string> fields(1);
  bool quoted = false;      // inside a quoted field
  bool afterQuote = false;  // a quoted field has just closed
  while (true) {
    if (c == EOF) {
      if (quoted) {
        throw std::runtime_error("CSV line " + std::to_string(line_) + ": quoted field not closed");
      }
      return fields;
    }
    if (quoted) {
      if (c == '"') {
        if (in_.peek() == '"') {
          in_.get();
          fields.back() += '"';
        } else {
          quoted = false;
          afterQuote = true;
        }
      } else {
        if (c == '\n') ++nextLine_;
        fields.back() += static_cast<char>(c);
      }
    } else if (c == ',') {
      fields.emplace_back();
      afterQuote = false;
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && in_.peek() == '\n') in_.get();
      ++nextLine_;
      return fields;
    } else if (afterQuote) {
      throw std::runtime_error("CSV line " + std::to_string(line_) +
                               ": text after a closing quote");
    } else if (c == '"' && fields.back().empty()) {
      quoted = true;
    } else {
      fields.back() += static_cast<char>(c);
    }
    c = in_.get();
  }
}

std::string csvQuote(std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(field);
  std::string out = "\"";
  for (char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

void CsvWriter::row(const std::vector<std::string>& fields) {
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) out_ << ',';
    out_ << csvQuote(fields[i]);
  }
  out_ << "\r\n";
}

}  // namespace tometool
