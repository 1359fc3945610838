// Pack and empty: a new family of files swapped in at a commit point.

#include <fcntl.h>

#include <cstring>
#include <ctime>

#include "dbase/lock.h"
#include "dbase/table_impl.h"

namespace dbase {

// The new files of a pack or empty, written beside the old ones.
struct Table::Impl::Rewritten {
  bool hasMdx = false;
  std::string mdxPath, dbtPath;
  std::string dbfTmp, dbtTmp, mdxTmp;
  std::vector<TagDef> defs;
  File dbf;  // the new table, locked exclusively from its creation
};

void Table::Impl::rewrite(bool keepLive) {
  requireExclusive("packing");
  browseMode();
  Rewritten r;
  r.hasMdx = mdx != nullptr;
  r.mdxPath = r.hasMdx ? mdx->path() : std::string();
  r.dbtPath = memo ? memo->path() : std::string();
  r.dbfTmp = path + kTempSuffix;
  r.dbtTmp = r.dbtPath.empty() ? std::string() : r.dbtPath + kTempSuffix;
  r.mdxTmp = r.hasMdx ? r.mdxPath + kTempSuffix : std::string();
  r.defs = tagDefs();
  flushPending();
  try {
    writeRewritten(r, keepLive);
  } catch (...) {
    r.dbf.close();
    removeFile(r.dbfTmp);
    if (!r.dbtTmp.empty()) removeFile(r.dbtTmp);
    if (!r.mdxTmp.empty()) removeFile(r.mdxTmp);
    throw;
  }
  swapInRewritten(r);
}

// Writes and syncs the new .dbf, .dbt and .mdx; the old files stay untouched.
void Table::Impl::writeRewritten(Rewritten& r, bool keepLive) {
  DbfHeader h = hdr;
  r.dbf = File::createFresh(r.dbfTmp);
  if (!tryLock(r.dbf.fd(), kOpenLockOffset, 1, LockKind::Write)) fail("cannot lock the new table");
  std::unique_ptr<MemoFile> newMemo;
  if (memo) {
    // The new memo file keeps the old one's layout: a dBASE III table stays one.
    MemoFile::create(r.dbtTmp, toUpper(baseName(path)), memo->isDbase3());
    newMemo = MemoFile::open(r.dbtTmp, false, memo->isDbase3());
    newMemo->setSoleUser(true);
    newMemo->setBuffered(true);
  }
  uint32_t kept = 0;
  if (keepLive)
    kept = copyLiveRecords(r.dbf, h, newMemo.get());
  else
    r.dbf.writeAt(h.headerLength, std::string(1, static_cast<char>(kEofMarker)));
  h.recordCount = kept;
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  h.updateYear = tm.tm_year + 1900;
  h.updateMonth = tm.tm_mon + 1;
  h.updateDay = tm.tm_mday;
  r.dbf.writeAt(0, encodeDbfHeader(h));
  if (newMemo) newMemo->flushHeader();
  if (r.hasMdx && !r.defs.empty()) buildIndexFile(r.mdxTmp, r.defs, r.dbf, h, kept, newMemo.get());
  r.dbf.sync();
  if (newMemo) File::open(r.dbtTmp, O_RDONLY).sync();
}

// Copies the live records and the end mark to out after its header, their
// memos to newMemo (when there is one); returns how many were copied.
uint32_t Table::Impl::copyLiveRecords(File& out, const DbfHeader& h, MemoFile* newMemo) {
  std::string chunk;
  chunk.reserve(kScanChunk + h.recordLength);
  uint64_t offset = h.headerLength;
  uint32_t kept = 0;
  std::string r;
  prepareBulk();
  for (uint32_t n = 1; n <= count; ++n) {
    if (!live(n)) continue;
    readRecord(n, r);
    if (newMemo) {
      for (size_t f = 0; f < h.fields.size(); ++f) {
        if (!isMemoType(h.fields[f].type)) continue;
        int fi = static_cast<int>(f);
        uint32_t block = parseMemoBlock(fieldBytes(r, fi));
        uint32_t nb = 0;
        try {
          nb = block ? newMemo->write(0, memo->read(block)) : 0;
        } catch (const Error& e) {
          // Name the record: the user must know which memo stops the pack.
          std::string why = "record " + std::to_string(n) + " " + h.fields[f].name + ": " +
                            e.reason() + "; the pack was not done";
          if (dynamic_cast<const FormatError*>(&e)) throw FormatError(e.file(), why);
          throw Error(e.file(), why);
        }
        std::string text = formatMemoBlock(nb, h.fields[f].length);
        std::memcpy(r.data() + h.offsets[f], text.data(), text.size());
      }
    }
    chunk += r;
    ++kept;
    if (chunk.size() >= kScanChunk) {
      out.writeAt(offset, chunk);
      offset += chunk.size();
      chunk.clear();
    }
  }
  chunk.push_back(static_cast<char>(kEofMarker));
  out.writeAt(offset, chunk);
  return kept;
}

// Commit point first: from there an interrupted pack is finished by the next open.
void Table::Impl::swapInRewritten(Rewritten& r) {
  std::string dir = dirName(path);
  std::string marker = path + kPackMarkerSuffix;
  File::createFresh(marker).sync();
  syncDirectory(dir);
  if (afterPackMarkerHook) afterPackMarkerHook();
  closeIndex();
  memo.reset();
  if (!r.dbtTmp.empty()) replaceFile(r.dbtTmp, r.dbtPath);
  if (r.hasMdx && !r.defs.empty()) replaceFile(r.mdxTmp, r.mdxPath);
  replaceFile(r.dbfTmp, path);
  removeFile(marker);
  syncDirectory(dir);
  // The new file is already locked exclusively through r.dbf.
  unmap();
  dbf = std::move(r.dbf);
  hdr = readDbfHeader(dbf);
  count = boundedCount(hdr.recordCount);
  if (!r.dbtPath.empty()) {
    memo = MemoFile::open(r.dbtPath, false, hdr.version == kDbfVersionMemo3);
    memo->setSoleUser(true);
  }
  if (r.hasMdx && !r.defs.empty()) openIndex(r.mdxPath);
  flagsValid = false;
  reactivate();
  first();
}

void Table::emptyTable() { impl_->rewrite(false); }
void Table::pack() { impl_->rewrite(true); }

}  // namespace dbase
