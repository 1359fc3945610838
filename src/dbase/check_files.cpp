#include "dbase/check_files.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "dbase/dbf.h"
#include "dbase/error.h"

namespace dbase {
namespace {

constexpr uint64_t kMaxRead = uint64_t{4} << 30;  // refuse to slurp more than this

std::string slurp(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) throw Error(path, "cannot open: " + ec.message());
  if (size > kMaxRead) throw Error(path, "file too large to check");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error(path, "cannot open");
  std::string bytes(size, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(size));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

uint32_t le16(std::string_view b, size_t at) {
  return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8;
}

uint32_t le32(std::string_view b, size_t at) { return le16(b, at) | le16(b, at + 2) << 16; }

std::string lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

RawDbf RawDbf::load(const std::string& path) {
  RawDbf t;
  t.path_ = path;
  t.bytes_ = slurp(path);
  std::string_view b = t.bytes_;
  if (b.size() < 33) throw FormatError(path, "shorter than a table header");
  t.version_ = static_cast<uint8_t>(b[0]);
  if ((t.version_ & 0x07) != 0x03 && (t.version_ & 0x07) != 0x04) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", t.version_);
    t.warnings_.push_back(std::string("version byte ") + hex +
                          " is not a dBASE table's (the table cannot be opened)");
  }
  t.count_ = le32(b, 4);
  t.headerLength_ = le16(b, 8);
  t.recordLength_ = le16(b, 10);
  t.production_ = b[28] == 1;
  if (t.headerLength_ > b.size() || t.headerLength_ < 33) {
    throw FormatError(
        path, "header length " + std::to_string(t.headerLength_) + " does not fit the file");
  }
  if (t.recordLength_ < 1) throw FormatError(path, "record length 0");
  int offset = 1;
  size_t at = 32;
  for (; at + 32 <= t.headerLength_ && b[at] != 0x0D; at += 32) {
    std::string_view d = b.substr(at, 32);
    FieldDef f;
    f.name = std::string(d.substr(0, std::min(d.substr(0, 11).find('\0'), size_t{11})));
    f.type = static_cast<FieldType>(d[11]);
    f.length = static_cast<uint8_t>(d[16]);
    f.decimals = static_cast<uint8_t>(d[17]);
    t.offsets_.push_back(offset);
    offset += f.length;
    t.fields_.push_back(std::move(f));
  }
  if (at >= t.headerLength_ || b[at] != 0x0D) {
    throw FormatError(path, "field descriptors are not ended by 0x0D");
  }
  if (t.fields_.empty()) throw FormatError(path, "no fields");
  HeaderNumbers numbers;
  numbers.headerLength = t.headerLength_;
  numbers.fieldsEnd = at;
  numbers.zeroAfterEnd = at + 1 < t.headerLength_ && b[at + 1] == '\0';
  numbers.recordLength = t.recordLength_;
  numbers.fieldsLength = static_cast<uint64_t>(offset);
  numbers.recordCount = t.count_;
  numbers.fileSize = b.size();
  if (const std::string why = headerDisagreement(numbers); !why.empty())
    throw FormatError(path, why);
  const uint64_t need = uint64_t{t.headerLength_} + uint64_t{t.count_} * t.recordLength_;
  if (b.size() > need + 1) {
    t.warnings_.push_back(std::to_string(b.size() - need) +
                          " bytes after the last record (expected only 0x1A)");
  } else if (b.size() == need + 1 && b[need] != 0x1A) {
    t.warnings_.push_back("the byte after the last record is not 0x1A");
  }
  return t;
}

std::string_view RawDbf::record(uint32_t recno) const {
  if (recno < 1 || recno > count_) throw Error(path_, "no record " + std::to_string(recno));
  return std::string_view(bytes_).substr(headerLength_ + uint64_t{recno - 1} * recordLength_,
                                         recordLength_);
}

RawMemo RawMemo::load(const std::string& path, bool dbase3) {
  RawMemo m;
  m.path_ = path;
  m.bytes_ = slurp(path);
  std::string_view b = m.bytes_;
  if (b.size() < 24) throw FormatError(path, "shorter than a memo header");
  m.dbase3_ = dbase3 || b[16] == 0x03;  // the header's version byte says dBASE III too
  dbase3 = m.dbase3_;
  m.nextFree_ = le32(b, 0);
  if (!dbase3) {
    m.blockSize_ = le16(b, 20);
    if (m.blockSize_ == 0) m.blockSize_ = 512;
    if (m.blockSize_ < 64) {
      throw FormatError(path, "block size " + std::to_string(m.blockSize_) + " too small");
    }
  }
  return m;
}

std::optional<RawMemo::Entry> RawMemo::read(uint32_t block, std::string* problem) const {
  const uint64_t start = uint64_t{block} * blockSize_;
  if (block == 0 || start >= bytes_.size()) {
    *problem = "block " + std::to_string(block) + " is outside the memo file";
    return std::nullopt;
  }
  std::string_view b = bytes_;
  Entry e;
  if (dbase3_) {
    if (b.substr(start, 4) == std::string_view("\xFF\xFF\x08\x00", 4)) {
      *problem = "block " + std::to_string(block) +
                 " holds a dBASE IV memo (FF FF 08 00) in a dBASE III memo file";
      return std::nullopt;
    }
    const size_t end = b.find("\x1A\x1A", start);
    if (end == std::string_view::npos) {
      *problem = "memo at block " + std::to_string(block) + " has no 1A 1A terminator";
      return std::nullopt;
    }
    e.data = std::string(b.substr(start, end - start));
    e.blocks = static_cast<uint32_t>((end + 2 - start + blockSize_ - 1) / blockSize_);
    return e;
  }
  if (start + 8 > b.size()) {
    *problem = "memo header at block " + std::to_string(block) + " is cut off";
    return std::nullopt;
  }
  if (b.substr(start, 4) != std::string_view("\xFF\xFF\x08\x00", 4)) {
    *problem = "block " + std::to_string(block) + " does not start with FF FF 08 00";
    return std::nullopt;
  }
  const uint32_t length = le32(b, start + 4);
  if (length < 8) {
    *problem = "memo at block " + std::to_string(block) + " has length " + std::to_string(length) +
               " (less than its own header)";
    return std::nullopt;
  }
  if (start + length > b.size()) {
    *problem = "memo at block " + std::to_string(block) + " of " + std::to_string(length) +
               " bytes runs past the end of the file";
    return std::nullopt;
  }
  e.data = std::string(b.substr(start + 8, length - 8));
  e.blocks = static_cast<uint32_t>((length + blockSize_ - 1) / blockSize_);
  return e;
}

std::optional<uint32_t> memoBlock(std::string_view field, bool* bad) {
  *bad = false;
  const size_t first = field.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::nullopt;
  const size_t last = field.find_last_not_of(' ');
  uint64_t n = 0;
  for (char c : field.substr(first, last - first + 1)) {
    if (c < '0' || c > '9' || n > 0xFFFFFFFFull / 10) {
      *bad = true;
      return std::nullopt;
    }
    n = n * 10 + static_cast<uint64_t>(c - '0');
  }
  if (n > 0xFFFFFFFFull) {
    *bad = true;
    return std::nullopt;
  }
  if (n == 0) return std::nullopt;  // some writers store 0 for "no memo"
  return static_cast<uint32_t>(n);
}

std::string siblingFile(const std::string& path, std::string_view ext) {
  namespace fs = std::filesystem;
  const fs::path p(path);
  const std::string wanted = lower(p.stem().string() + std::string(ext));
  const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    if (lower(entry.path().filename().string()) == wanted) return entry.path().string();
  }
  return {};
}

}  // namespace dbase
