#pragma once

#include <map>
#include <string>
#include <vector>

namespace dbase {

// What checkTable() found. Kinds: "table", "memo", "index", "tag", "order",
// "seek", "key", "missing", "extra", "duplicate".
struct CheckReport {
  struct Problem {
    std::string kind;
    std::string text;  // one line naming the file, tag or record
  };
  std::vector<Problem> listed;        // in the order found; at most the list limit of each kind
  std::map<std::string, int> counts;  // every problem, by kind
  int total = 0;

  bool sound() const { return total == 0; }
};

// Compares the memo file and every tag of the production index with the
// records as stored, reading the files straight from disk (no locks, no
// repairs). Throws Error when the .dbf itself cannot be read.
CheckReport checkTable(const std::string& dbfPath, int listLimit = 20);

}  // namespace dbase
