#pragma once

#include <stdexcept>
#include <string>

namespace dbase {

// Every engine failure is one of these; what() reads "<file>: <reason>".
class Error : public std::runtime_error {
 public:
  Error(std::string file, std::string reason);

  const std::string& file() const { return file_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string file_;
  std::string reason_;
};

// A file whose bytes do not follow the format (truncated, bad counts, broken pages).
class FormatError : public Error {
 public:
  using Error::Error;
};

// The table or record is held by another cursor or program.
class LockError : public Error {
 public:
  using Error::Error;
};

// A key or filter expression that does not parse or does not fit the table.
class ExpressionError : public Error {
 public:
  using Error::Error;
};

}  // namespace dbase
