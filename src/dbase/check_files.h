#pragma once

// The table and memo files read straight from disk, without the table code, so
// that checkTable() compares what is really stored. Every read is bounds-checked
// and fails with FormatError naming the file.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dbase/types.h"

namespace dbase {

class RawDbf {
 public:
  static RawDbf load(const std::string& path);

  const std::string& path() const { return path_; }
  uint8_t version() const { return version_; }
  uint32_t recordCount() const { return count_; }
  bool productionFlag() const { return production_; }
  const std::vector<FieldDef>& fields() const { return fields_; }
  int fieldOffset(int field) const { return offsets_[field]; }
  // Record bytes (deletion flag first), recno from 1.
  std::string_view record(uint32_t recno) const;
  // Complaints about the header that do not stop reading.
  const std::vector<std::string>& warnings() const { return warnings_; }

 private:
  std::string path_;
  std::string bytes_;  // whole file
  uint8_t version_ = 0;
  uint32_t count_ = 0;
  uint32_t headerLength_ = 0;
  uint32_t recordLength_ = 0;
  bool production_ = false;
  std::vector<FieldDef> fields_;
  std::vector<int> offsets_;
  std::vector<std::string> warnings_;
};

class RawMemo {
 public:
  // dbase3 = the table is a dBASE III one (0x83): 512-byte blocks ended by 1A 1A.
  static RawMemo load(const std::string& path, bool dbase3);

  const std::string& path() const { return path_; }
  uint32_t blockSize() const { return blockSize_; }
  uint32_t nextFree() const { return nextFree_; }
  uint64_t fileSize() const { return bytes_.size(); }

  struct Entry {
    std::string data;
    uint32_t blocks = 0;  // blocks the entry occupies
  };
  // The memo starting at block, or the reason it is unsound.
  std::optional<Entry> read(uint32_t block, std::string* problem) const;

 private:
  std::string path_;
  std::string bytes_;
  bool dbase3_ = false;
  uint32_t blockSize_ = 512;
  uint32_t nextFree_ = 0;
};

// A memo field's block number: nullopt for blanks (no memo); throws nothing,
// sets *bad for text that is not a number.
std::optional<uint32_t> memoBlock(std::string_view field, bool* bad);

// The file beside `path` with the same base name and extension `ext`
// (".mdx"), found case-insensitively; empty when there is none.
std::string siblingFile(const std::string& path, std::string_view ext);

}  // namespace dbase
