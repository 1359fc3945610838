#pragma once

// The .dbt memo file. Block 0 is the header; a dBASE IV memo starts on a block
// with FF FF 08 00 and a length that counts those 8 bytes, then its data over
// consecutive blocks. dBASE III memos (read only) end with 1A 1A.
// Names follow docs/formats/dbt.md.

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

#include "dbase/fileutil.h"

namespace dbase {

constexpr uint32_t kDbtDefaultBlockSize = 512;
constexpr size_t kDbtHeaderSize = 512;
constexpr size_t kDbtNextFree = 0;  // uint32
constexpr size_t kDbtBaseName = 8;  // 8 bytes
constexpr size_t kDbtBaseNameSize = 8;
constexpr size_t kDbtVersion = 16;  // 3 marks a dBASE III file
constexpr char kDbtVersion3 = 0x03;
constexpr size_t kDbtFlags = 18;       // uint16 0x0102 as dBASE IV writes it
constexpr size_t kDbtBlockSize = 20;   // uint16
constexpr size_t kMemoPrefixSize = 8;  // FF FF 08 00 + uint32 length
constexpr uint8_t kMemoSignature[4] = {0xFF, 0xFF, 0x08, 0x00};
constexpr uint8_t kMemo3Terminator = 0x1A;

class MemoFile {
 public:
  // dbase3: the dBASE III layout (version byte 3, memos ended by 1A 1A).
  static void create(const std::string& path, const std::string& tableBaseName,
                     bool dbase3 = false);
  // dbase3 (a 0x83 table), or version byte 3 in the header, makes a dBASE III
  // file: memos are written in its layout. Reading follows each block's own
  // layout (the dBASE IV signature or not).
  static std::unique_ptr<MemoFile> open(const std::string& path, bool readOnly, bool dbase3);
  bool isDbase3() const { return dbase3_; }

  const std::string& path() const { return file_.path(); }
  int fd() const { return file_.fd(); }
  uint32_t blockSize() const { return blockSize_; }

  // The memo starting at block (empty for block 0). FormatError for a block
  // past the end or a length the file cannot hold.
  std::string read(uint32_t block) const;
  void read(uint32_t block, std::ostream& out) const;
  // Stores data, in place over the memo at oldBlock when it fits, else at the
  // end of the file. Returns the block to keep in the record (0 for no data).
  // The caller holds the memo lock in shared mode.
  uint32_t write(uint32_t oldBlock, std::string_view data);
  uint32_t write(uint32_t oldBlock, std::istream& in);
  // Rewrites the header for an empty file (emptying the table).
  void reset();
  // For a sole user: keep the end of the file in memory and write the
  // header's next free block only at flushHeader() (readers that trust the
  // header are fixed up when the file is next opened for writing).
  void setSoleUser(bool sole);
  void flushHeader();
  // For a file being written from scratch (a pack): appends collect in memory
  // and go out a megabyte at a time; reads and flushHeader() write them first.
  void setBuffered(bool buffered);

 private:
  MemoFile(File f, bool readOnly, bool dbase3);
  uint64_t memoLength(uint32_t block, uint64_t* dataOffset) const;  // data bytes
  uint32_t endBlock() const;
  uint32_t write3(uint32_t oldBlock, std::string_view data);
  uint32_t append(std::string_view prefix, std::string_view data, std::istream* in, uint64_t total);

  File file_;
  bool readOnly_;
  bool dbase3_;
  uint32_t blockSize_ = kDbtDefaultBlockSize;
  bool sole_ = false;
  uint32_t end_ = 0;           // next block at the end of the file (sole user only; 0 = unknown)
  mutable uint64_t size_ = 0;  // file size (sole user only; 0 = unknown)
  uint64_t fileSize() const;
  bool headerStale_ = false;
  std::string buf_;  // reused for prefix + data + padding
  bool buffered_ = false;
  mutable std::string writes_;  // buffered appends, starting at writesAt_
  uint64_t writesAt_ = 0;
  void flushWrites() const;
};

}  // namespace dbase
