#include "dbase/error.h"

namespace dbase {

Error::Error(std::string file, std::string reason)
    : std::runtime_error(file.empty() ? reason : file + ": " + reason),
      file_(std::move(file)),
      reason_(std::move(reason)) {}

}  // namespace dbase
