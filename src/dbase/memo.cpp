#include "dbase/memo.h"

#include <fcntl.h>

#include <algorithm>
#include <cstring>
#include <istream>
#include <ostream>
#include <vector>

#include "dbase/dbf.h"
#include "dbase/error.h"

namespace dbase {

namespace {

constexpr size_t kCopyChunk = 1 << 16;

std::string headerBytes(uint32_t nextFree, const std::string& base, uint32_t blockSize,
                        bool dbase3) {
  std::string h(kDbtHeaderSize, '\0');
  putU32(h.data() + kDbtNextFree, nextFree);
  std::string name = toUpper(base).substr(0, kDbtBaseNameSize);
  std::memcpy(h.data() + kDbtBaseName, name.data(), name.size());
  if (dbase3)
    h[kDbtVersion] = kDbtVersion3;
  else
    putU16(h.data() + kDbtFlags, 0x0102);
  putU16(h.data() + kDbtBlockSize, static_cast<uint16_t>(blockSize));
  return h;
}

bool hasSignature(const char* p) { return std::memcmp(p, kMemoSignature, 4) == 0; }

}  // namespace

void MemoFile::create(const std::string& path, const std::string& tableBaseName, bool dbase3) {
  File f = File::createFresh(path);
  f.writeAt(0, headerBytes(1, tableBaseName, kDbtDefaultBlockSize, dbase3));
}

MemoFile::MemoFile(File f, bool readOnly, bool dbase3)
    : file_(std::move(f)), readOnly_(readOnly), dbase3_(dbase3) {}

std::unique_ptr<MemoFile> MemoFile::open(const std::string& path, bool readOnly, bool dbase3) {
  File f = File::open(path, readOnly ? O_RDONLY : O_RDWR);
  char h[kDbtHeaderSize];
  size_t n = f.readAt(0, h, sizeof h);
  if (n < 24) throw FormatError(path, "memo file header is truncated");
  std::unique_ptr<MemoFile> m(new MemoFile(std::move(f), readOnly, dbase3));
  if (static_cast<uint8_t>(h[kDbtVersion]) == kDbtVersion3) m->dbase3_ = true;
  uint32_t bs = getU16(h + kDbtBlockSize);
  if (m->dbase3_ || bs < 64) bs = kDbtDefaultBlockSize;
  m->blockSize_ = bs;
  if (!readOnly) {
    // A sole user that crashed may have left the next free block behind the data.
    uint32_t next = getU32(h + kDbtNextFree);
    uint32_t end = m->endBlock();
    if (next < end) {
      char v[4];
      putU32(v, end);
      m->file_.writeAt(kDbtNextFree, v, 4);
    }
  }
  return m;
}

uint64_t MemoFile::fileSize() const {
  if (!sole_) return file_.size();
  if (size_ == 0) size_ = file_.size();
  return size_;
}

uint32_t MemoFile::endBlock() const {
  if (sole_ && end_ != 0) return end_;
  uint64_t size = fileSize();
  uint64_t blocks = (size + blockSize_ - 1) / blockSize_;
  if (blocks < 1) blocks = 1;
  if (blocks > 0xFFFFFFFEull) throw FormatError(path(), "memo file is full");
  return static_cast<uint32_t>(blocks);
}

uint64_t MemoFile::memoLength(uint32_t block, uint64_t* dataOffset) const {
  flushWrites();
  uint64_t size = fileSize();
  uint64_t offset = static_cast<uint64_t>(block) * blockSize_;
  if (block == 0 || offset >= size)
    throw FormatError(path(), "memo block " + std::to_string(block) + " is past the end");
  char prefix[kMemoPrefixSize];
  size_t got = file_.readAt(offset, prefix, sizeof prefix);
  // A block is read by its own layout: the signature is never dBASE III text
  // (a dBASE III file may hold such blocks from a writer that mixed layouts).
  if (got == sizeof prefix && hasSignature(prefix)) {
    uint32_t len = getU32(prefix + 4);
    if (len < kMemoPrefixSize)
      throw FormatError(path(), "memo at block " + std::to_string(block) + " has a bad length");
    if (offset + len > size)
      throw FormatError(path(), "memo at block " + std::to_string(block) + " runs past the end");
    *dataOffset = offset + kMemoPrefixSize;
    return len - kMemoPrefixSize;
  }
  // dBASE III: text up to 1A (1A), bounded by the file.
  std::vector<char> buf(kCopyChunk);
  uint64_t pos = offset;
  while (pos < size) {
    size_t n = file_.readAt(pos, buf.data(), buf.size());
    if (n == 0) break;
    auto* end = static_cast<char*>(std::memchr(buf.data(), kMemo3Terminator, n));
    if (end) {
      *dataOffset = offset;
      return pos + static_cast<uint64_t>(end - buf.data()) - offset;
    }
    pos += n;
  }
  *dataOffset = offset;
  return size - offset;
}

std::string MemoFile::read(uint32_t block) const {
  if (block == 0) return {};
  flushWrites();
  // Most memos fit their first block: one read brings prefix and data.
  uint64_t size = fileSize();
  uint64_t offset = static_cast<uint64_t>(block) * blockSize_;
  if (offset < size) {
    char head[kDbtDefaultBlockSize];
    size_t want = static_cast<size_t>(std::min<uint64_t>({sizeof head, blockSize_, size - offset}));
    size_t got = file_.readAt(offset, head, want);
    if (got >= kMemoPrefixSize && hasSignature(head)) {
      uint32_t len = getU32(head + 4);
      if (len >= kMemoPrefixSize && offset + len <= size && len <= got)
        return std::string(head + kMemoPrefixSize, len - kMemoPrefixSize);
    }
  }
  uint64_t dataOffset = 0;
  uint64_t len = memoLength(block, &dataOffset);
  std::string out(static_cast<size_t>(len), '\0');
  file_.readExact(dataOffset, out.data(), out.size());
  return out;
}

void MemoFile::read(uint32_t block, std::ostream& out) const {
  if (block == 0) return;
  uint64_t dataOffset = 0;
  uint64_t len = memoLength(block, &dataOffset);
  std::vector<char> buf(kCopyChunk);
  while (len > 0) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(len, buf.size()));
    file_.readExact(dataOffset, buf.data(), n);
    out.write(buf.data(), static_cast<std::streamsize>(n));
    dataOffset += n;
    len -= n;
  }
}

uint32_t MemoFile::append(std::string_view prefix, std::string_view data, std::istream* in,
                          uint64_t total) {
  uint32_t block = endBlock();
  uint64_t offset = static_cast<uint64_t>(block) * blockSize_;
  if (in) {
    file_.writeAt(offset, prefix);
    offset += prefix.size();
    std::vector<char> chunk(kCopyChunk);
    uint64_t left = total;
    while (left > 0) {
      in->read(chunk.data(), static_cast<std::streamsize>(std::min<uint64_t>(left, chunk.size())));
      auto n = static_cast<size_t>(in->gcount());
      if (n == 0) throw Error(path(), "memo stream ended early");
      file_.writeAt(offset, chunk.data(), n);
      offset += n;
      left -= n;
    }
    uint64_t rem = offset % blockSize_;
    if (rem) {
      std::string pad(blockSize_ - rem, '\0');
      file_.writeAt(offset, pad);
      offset += pad.size();
    }
  } else {
    // One write: prefix, data and the padding that ends the last block.
    size_t used = prefix.size() + data.size();
    size_t padded = (used + blockSize_ - 1) / blockSize_ * blockSize_;
    if (buffered_) {
      // Consecutive appends of a new file: one write per megabyte.
      if (writes_.empty()) writesAt_ = offset;
      writes_.append(prefix);
      writes_.append(data);
      writes_.resize(writes_.size() + (padded - used), '\0');
      if (writes_.size() >= (1u << 20)) flushWrites();
    } else {
      buf_.assign(prefix);
      buf_.append(data);
      buf_.resize(padded, '\0');
      file_.writeAt(offset, buf_);
      if (buf_.capacity() > (1u << 20)) std::string().swap(buf_);
    }
    offset += padded;
  }
  uint64_t next = offset / blockSize_;
  if (next > 0xFFFFFFFEull) throw Error(path(), "memo file is full");
  end_ = static_cast<uint32_t>(next);
  if (sole_) size_ = std::max(size_, offset);
  if (sole_) {
    headerStale_ = true;
  } else {
    char v[4];
    putU32(v, end_);
    file_.writeAt(kDbtNextFree, v, 4);
  }
  return block;
}

void MemoFile::setSoleUser(bool sole) {
  if (!sole) flushHeader();
  sole_ = sole;
  end_ = 0;
  size_ = 0;
}

void MemoFile::setBuffered(bool buffered) {
  if (!buffered) flushWrites();
  buffered_ = buffered;
}

void MemoFile::flushWrites() const {
  if (writes_.empty()) return;
  const_cast<File&>(file_).writeAt(writesAt_, writes_);
  writes_.clear();
}

void MemoFile::flushHeader() {
  flushWrites();
  if (!headerStale_ || readOnly_) return;
  char v[4];
  putU32(v, endBlock());
  file_.writeAt(kDbtNextFree, v, 4);
  headerStale_ = false;
}

// dBASE III: the text and 1A 1A, no prefix; a memo holding 1A cannot be stored.
uint32_t MemoFile::write3(uint32_t oldBlock, std::string_view data) {
  if (data.find(static_cast<char>(kMemo3Terminator)) != std::string_view::npos)
    throw Error(path(), "a dBASE III memo cannot hold the byte 1A (it ends the memo)");
  if (data.size() > 0xFFFFFFFFull - 2) throw Error(path(), "memo is too large");
  const std::string_view end("\x1A\x1A", 2);
  if (oldBlock != 0) {
    uint64_t dataOffset = 0;
    uint64_t oldLen = 0;
    bool reusable = false;
    const uint64_t offset = static_cast<uint64_t>(oldBlock) * blockSize_;
    try {
      oldLen = memoLength(oldBlock, &dataOffset);
      // Only a dBASE III memo whose terminator was found: its blocks are known.
      reusable = dataOffset == offset && offset + oldLen < fileSize();
    } catch (const FormatError&) {
      reusable = false;
    }
    uint64_t oldBlocks = (oldLen + 1 + blockSize_ - 1) / blockSize_;
    uint64_t newBlocks = (data.size() + 2 + blockSize_ - 1) / blockSize_;
    if (reusable && newBlocks <= oldBlocks) {
      std::string buf(data);
      buf.append(end);
      file_.writeAt(offset, buf);
      if (sole_ && size_ != 0) size_ = std::max(size_, offset + buf.size());
      return oldBlock;
    }
  }
  return append(data, end, nullptr, 0);
}

uint32_t MemoFile::write(uint32_t oldBlock, std::string_view data) {
  if (readOnly_) throw Error(path(), "memo file is read-only");
  if (data.empty()) return 0;
  if (dbase3_) return write3(oldBlock, data);
  if (data.size() > 0xFFFFFFFFull - kMemoPrefixSize) throw Error(path(), "memo is too large");
  char prefix[kMemoPrefixSize];
  std::memcpy(prefix, kMemoSignature, 4);
  putU32(prefix + 4, static_cast<uint32_t>(data.size() + kMemoPrefixSize));
  if (oldBlock != 0) {
    uint64_t dataOffset = 0;
    uint64_t oldLen = 0;
    bool reusable = false;
    try {
      oldLen = memoLength(oldBlock, &dataOffset);
      reusable = dataOffset == static_cast<uint64_t>(oldBlock) * blockSize_ + kMemoPrefixSize;
    } catch (const FormatError&) {
      reusable = false;  // a damaged old memo is simply not reused
    }
    uint64_t oldBlocks = (oldLen + kMemoPrefixSize + blockSize_ - 1) / blockSize_;
    uint64_t newBlocks = (data.size() + kMemoPrefixSize + blockSize_ - 1) / blockSize_;
    if (reusable && newBlocks <= oldBlocks) {
      uint64_t offset = static_cast<uint64_t>(oldBlock) * blockSize_;
      std::string buf(prefix, kMemoPrefixSize);
      buf.append(data);
      file_.writeAt(offset, buf);
      if (sole_ && size_ != 0) size_ = std::max(size_, offset + buf.size());
      return oldBlock;
    }
  }
  return append(std::string_view(prefix, kMemoPrefixSize), data, nullptr, 0);
}

uint32_t MemoFile::write(uint32_t oldBlock, std::istream& in) {
  // Streams are usually pictures: measure, then append without a full copy in memory.
  auto start = in.tellg();
  if (start == std::streampos(-1) || dbase3_) {
    std::string all = readStream(in);
    return write(oldBlock, all);
  }
  in.seekg(0, std::ios::end);
  auto end = in.tellg();
  in.seekg(start);
  uint64_t total = static_cast<uint64_t>(end - start);
  if (total <= kCopyChunk) {
    std::string all(static_cast<size_t>(total), '\0');
    in.read(all.data(), static_cast<std::streamsize>(total));
    all.resize(static_cast<size_t>(in.gcount()));
    return write(oldBlock, all);
  }
  if (readOnly_) throw Error(path(), "memo file is read-only");
  if (total > 0xFFFFFFFFull - kMemoPrefixSize) throw Error(path(), "memo is too large");
  char prefix[kMemoPrefixSize];
  std::memcpy(prefix, kMemoSignature, 4);
  putU32(prefix + 4, static_cast<uint32_t>(total + kMemoPrefixSize));
  return append(std::string_view(prefix, kMemoPrefixSize), {}, &in, total);
}

void MemoFile::reset() {
  if (readOnly_) throw Error(path(), "memo file is read-only");
  char name[kDbtBaseNameSize + 1] = {};
  file_.readAt(kDbtBaseName, name, kDbtBaseNameSize);
  file_.truncate(0);
  file_.writeAt(0, headerBytes(1, name, blockSize_, dbase3_));
  end_ = 0;
  size_ = 0;
  headerStale_ = false;
}

}  // namespace dbase
