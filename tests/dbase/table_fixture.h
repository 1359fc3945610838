#pragma once

// A scratch directory per test and a small book table to work on.

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dbase/table.h"

namespace dbase::testing {

class ScratchDir {
 public:
  ScratchDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "dbase-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string out;
  char buf[1 << 14];
  while (in.read(buf, sizeof buf) || in.gcount() > 0)
    out.append(buf, static_cast<size_t>(in.gcount()));
  return out;
}

inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Little-endian numbers of a file's bytes.
inline uint32_t le16(const std::string& b, size_t at) {
  return static_cast<uint8_t>(b[at]) | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8;
}
inline uint32_t le32(const std::string& b, size_t at) {
  return le16(b, at) | le16(b, at + 2) << 16;
}

inline std::string shellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// A shell command's standard output.
inline std::string runCommand(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  pclose(p);
  return out;
}

inline bool perlXBaseAvailable() {
  static const bool ok = std::system("perl -MXBase -e 1 >/dev/null 2>&1") == 0;
  return ok;
}

// Kills a child and reaps it; true when the kill ended it, not the child itself.
inline bool killedBySignal(pid_t pid) {
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFSIGNALED(status);
}

inline TagDef tag(const std::string& name, const std::string& expr, bool descending = false,
                  bool unique = false, const std::string& filter = "") {
  return TagDef{name, expr, descending, unique, filter};
}

inline std::vector<FieldDef> bookFields() {
  return {{"TITLE", FieldType::Character, 40, 0}, {"AUTHOR", FieldType::Character, 30, 0},
          {"PRICE", FieldType::Numeric, 8, 2},    {"PAGES", FieldType::Numeric, 5, 0},
          {"BOUGHT", FieldType::Date, 8, 0},      {"READ", FieldType::Logical, 1, 0},
          {"NOTES", FieldType::Memo, 10, 0},      {"COVER", FieldType::Binary, 10, 0},
          {"RATING", FieldType::Float, 6, 1}};
}

// Appends one book; fields left out stay blank.
inline void addBook(Table& t, const std::string& title, const std::string& author,
                    double price = -1, const std::string& notes = "") {
  t.append();
  t.setString(t.fieldIndex("TITLE"), title);
  t.setString(t.fieldIndex("AUTHOR"), author);
  if (price >= 0) t.setNumber(t.fieldIndex("PRICE"), price);
  if (!notes.empty()) t.writeBlob(t.fieldIndex("NOTES"), notes);
  t.post();
}

// Edits the current record: `set` runs between edit() and post().
template <class Set>
void editRecord(Table& t, Set set) {
  t.edit();
  set();
  t.post();
}

using Titles = std::vector<std::string>;

// Titles in the active order from the current range's start.
inline Titles titles(Table& t) {
  Titles out;
  int f = t.fieldIndex("TITLE");
  for (t.first(); !t.eof(); t.next()) out.push_back(t.asString(f));
  return out;
}

}  // namespace dbase::testing
