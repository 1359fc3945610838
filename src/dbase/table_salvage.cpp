// Salvage: whatever can be read of a table, however damaged, copied into a
// new family that is put in place of a table's as one commit.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>

#include "dbase/lock.h"
#include "dbase/table_impl.h"

namespace dbase {

namespace {

constexpr const char* kFamilyExts[] = {".dbt", ".mdx", ".dbf"};  // the .dbf goes in last
constexpr uint64_t kProgressEvery = 4096;
constexpr uint64_t kMaxMemoLength = 1ull << 30;

bool plainFile(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool plainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

bool plausibleFlag(char c) {
  return static_cast<uint8_t>(c) == kRecordLive || static_cast<uint8_t>(c) == kRecordDeleted;
}

// The layout the records are read with: the header's own when its field list
// reads, else the one given; header length and count checked against the file.
struct Layout {
  DbfHeader h;
  uint64_t slots = 0;   // records to read; the last may be cut short by the end of the file
  bool agrees = false;  // the header's own numbers are these
};

bool recordReads(const DbfHeader& h, std::string_view r);

Layout readLayout(const File& f, const std::vector<FieldDef>& fallback) {
  const uint64_t size = f.size();
  std::string bytes(static_cast<size_t>(std::min<uint64_t>(size, 65535)), '\0');
  bytes.resize(f.readAt(0, bytes.data(), bytes.size()));
  Layout l;
  uint64_t stated = 0;
  uint64_t statedRecLen = 0;
  uint32_t statedCount = 0;
  bool parsed = false;
  if (bytes.size() >= kDbfHeaderSize) {
    stated = getU16(bytes.data() + kHdrHeaderLength);
    statedCount = getU32(bytes.data() + kHdrRecordCount);
    statedRecLen = getU16(bytes.data() + kHdrRecordLength);
    // Parse the field list with the numbers that may be wrong set out of its way.
    std::string patched = bytes;
    if ((patched[0] & 0x07) != 0x03 && (patched[0] & 0x07) != 0x04) patched[0] = 0x03;
    putU16(patched.data() + kHdrHeaderLength, static_cast<uint16_t>(patched.size()));
    putU16(patched.data() + kHdrRecordLength, 0xFFFF);
    try {
      l.h = parseDbfHeader(patched, f.path());
      l.h.version = static_cast<uint8_t>(bytes[0]);
      parsed = true;
    } catch (const FormatError&) {
    }
  }
  if (!parsed) {
    if (fallback.empty()) throw FormatError(f.path(), "the field list cannot be read");
    l.h = makeDbfHeader(fallback, f.path());
    l.h.fieldsEnd = static_cast<uint16_t>(kDbfHeaderSize + kFieldDescriptorSize * fallback.size());
  }
  uint64_t recLen = 1;
  for (const FieldDef& fd : l.h.fields) recLen += static_cast<uint64_t>(fd.length);
  l.h.recordLength = static_cast<uint16_t>(std::min<uint64_t>(recLen, 0xFFFF));
  // The header length that puts whole, readable records where records start.
  std::vector<int> offsets;
  int at = 1;
  for (const FieldDef& fd : l.h.fields) offsets.push_back(std::exchange(at, at + fd.length));
  l.h.offsets = offsets;
  auto score = [&](uint64_t hl) {
    int s = 0;
    std::string r(static_cast<size_t>(recLen), '\0');
    for (uint64_t n = 0; n < 16; ++n) {
      if (f.readAt(hl + n * recLen, r.data(), r.size()) != r.size()) break;
      if (static_cast<uint8_t>(r[0]) == kEofMarker) break;
      s += plausibleFlag(r[0]) && recordReads(l.h, r) ? 1 : -1;
    }
    return s;
  };
  // The length the field list gives first (a tie goes to it), then the stated one.
  uint64_t best = uint64_t{l.h.fieldsEnd} + 1u;
  int bestScore = score(best);
  for (uint64_t hl : {uint64_t{l.h.fieldsEnd} + 2u, stated}) {
    if (hl < kDbfHeaderSize + 1 || hl == best) continue;
    const int s = score(hl);
    if (s > bestScore) best = hl, bestScore = s;
  }
  l.h.headerLength = static_cast<uint16_t>(std::min<uint64_t>(best, 0xFFFF));
  const uint64_t body = size > best ? size - best : 0;
  const uint64_t fit = body / recLen;
  if (statedCount > fit) {
    // The file ends first: every whole record, and what there is of the next.
    l.slots = fit + (body % recLen > 1 ? 1 : 0);
  } else {
    // A writer that died may have left whole records past the count.
    l.slots = statedCount;
    while (l.slots < fit) {
      char c = 0;
      if (f.readAt(best + l.slots * recLen, &c, 1) != 1 || !plausibleFlag(c)) break;
      ++l.slots;
    }
  }
  l.agrees = parsed && best == stated && statedRecLen == recLen && statedCount == l.slots;
  return l;
}

// The memo file of the damaged table, read block by block without trusting its header.
struct MemoSource {
  File f;
  uint64_t size = 0;
  uint32_t blockSize = kDbtDefaultBlockSize;
  bool dbase3 = false;

  std::optional<std::string> read(uint32_t block) const {
    if (!f.isOpen() || block == 0) return std::nullopt;
    const uint64_t at = static_cast<uint64_t>(block) * blockSize;
    if (at + kMemoPrefixSize > size) return std::nullopt;
    char prefix[kMemoPrefixSize];
    f.readExact(at, prefix, kMemoPrefixSize);
    if (std::memcmp(prefix, kMemoSignature, 4) == 0) {
      const uint64_t len = getU32(prefix + 4);
      if (len < kMemoPrefixSize || len > kMaxMemoLength || at + len > size) return std::nullopt;
      std::string data(static_cast<size_t>(len - kMemoPrefixSize), '\0');
      f.readExact(at + kMemoPrefixSize, data.data(), data.size());
      return data;
    }
    if (!dbase3) return std::nullopt;
    std::string data;
    std::vector<char> buf(blockSize);
    for (uint64_t pos = at; pos < size && data.size() < kMaxMemoLength;) {
      const size_t n = f.readAt(pos, buf.data(), buf.size());
      if (n == 0) break;
      data.append(buf.data(), n);
      const size_t end = data.find("\x1A\x1A");
      if (end != std::string::npos) {
        data.resize(end);
        return data;
      }
      pos += n;
    }
    return std::nullopt;
  }
};

MemoSource openMemoSource(const std::string& dbfPath, uint8_t version) {
  MemoSource m;
  bool exists = false;
  const std::string dbt = companionPath(dbfPath, ".dbt", &exists);
  if (!exists) return m;
  m.f = File::open(dbt, O_RDONLY);
  m.size = m.f.size();
  char head[kDbtBlockSize + 2] = {};
  m.f.readAt(0, head, sizeof head);
  const uint16_t bs = getU16(head + kDbtBlockSize);
  // dBASE III files leave the block size out: 512.
  if (bs >= 64 && bs % 64 == 0 && head[kDbtVersion] != kDbtVersion3) m.blockSize = bs;
  m.dbase3 = version == kDbfVersionMemo3 || head[kDbtVersion] == kDbtVersion3;
  return m;
}

bool allSpaces(std::string_view b) {
  return std::all_of(b.begin(), b.end(), [](char c) { return c == ' '; });
}

bool validDate(std::string_view b) {
  if (allSpaces(b)) return true;
  if (b.size() != 8 ||
      !std::all_of(b.begin(), b.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  const int m = (b[4] - '0') * 10 + (b[5] - '0');
  const int d = (b[6] - '0') * 10 + (b[7] - '0');
  return m >= 1 && m <= 12 && d >= 1 && d <= 31;
}

// One source field as a value for the target field, or nullopt when it cannot be read.
struct FieldValue {
  std::string_view bytes;           // stored form (not memo)
  std::optional<std::string> memo;  // memo contents
  bool blank = false;
};

// Reads field i of record r; false when its bytes are not what the type allows.
bool readField(const DbfHeader& h, std::string_view r, size_t i, const MemoSource& memo,
               FieldValue& v) {
  const FieldDef& fd = h.fields[i];
  const auto at = static_cast<size_t>(h.offsets[i]);
  if (at >= r.size()) return false;
  if (at + static_cast<size_t>(fd.length) > r.size()) return false;
  v.bytes = r.substr(at, static_cast<size_t>(fd.length));
  v.memo.reset();
  v.blank = allSpaces(v.bytes);
  if (v.bytes.find('\0') != std::string_view::npos) {
    // A memo reference may be stored as zeros by some writers: no memo.
    if (isMemoType(fd.type) &&
        std::all_of(v.bytes.begin(), v.bytes.end(), [](char c) { return c == '\0'; })) {
      v.blank = true;
      return true;
    }
    return false;
  }
  switch (fd.type) {
    case FieldType::Character:
      return true;
    case FieldType::Numeric:
    case FieldType::Float:
      return v.blank || parseNumber(trim(v.bytes)).has_value();
    case FieldType::Date:
      return validDate(v.bytes);
    case FieldType::Logical:
      return std::string_view(" ?YyNnTtFf").find(v.bytes[0]) != std::string_view::npos;
    case FieldType::Memo:
    case FieldType::Binary: {
      const std::string_view t = trim(v.bytes);
      if (t.empty()) return true;
      if (!std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
      const uint32_t block = parseMemoBlock(v.bytes);
      if (block == 0) {
        v.blank = true;
        return true;
      }
      v.memo = memo.read(block);
      v.blank = false;
      return v.memo.has_value();
    }
  }
  return false;
}

// Whether every field of a record reads (memo fields: their reference only).
bool recordReads(const DbfHeader& h, std::string_view r) {
  static const MemoSource none;
  FieldValue v;
  for (size_t i = 0; i < h.fields.size(); ++i) {
    if (isMemoType(h.fields[i].type)) {
      const auto at = static_cast<size_t>(h.offsets[i]);
      const std::string_view b = r.substr(std::min(at, r.size()), h.fields[i].length);
      const std::string_view t = trim(b);
      if (!std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
          !std::all_of(b.begin(), b.end(), [](char c) { return c == '\0'; }))
        return false;
      continue;
    }
    if (!readField(h, r, i, none, v)) return false;
  }
  return true;
}

// Puts a read value into target field `to`; false when it does not fit.
bool putField(const DbfHeader& th, std::string& out, size_t to, const FieldDef& from,
              const FieldValue& v, MemoFile* newMemo) {
  const FieldDef& fd = th.fields[to];
  char* dst = out.data() + th.offsets[to];
  const auto len = static_cast<size_t>(fd.length);
  if (v.blank) return true;  // the new record is blank already
  if (isMemoType(fd.type) || isMemoType(from.type)) {
    if (!isMemoType(fd.type) || !isMemoType(from.type) || !newMemo || !v.memo) return false;
    const std::string ref = formatMemoBlock(newMemo->write(0, *v.memo), fd.length);
    std::memcpy(dst, ref.data(), std::min(len, ref.size()));
    return true;
  }
  if (fd.type == from.type && fd.length == from.length && fd.decimals == from.decimals) {
    std::memcpy(dst, v.bytes.data(), len);
    return true;
  }
  const std::string_view text = trim(v.bytes);
  switch (fd.type) {
    case FieldType::Character: {
      std::string_view t = from.type == FieldType::Character ? trimRight(v.bytes) : text;
      std::memcpy(dst, t.data(), std::min(len, t.size()));
      return t.size() <= len;
    }
    case FieldType::Numeric:
    case FieldType::Float: {
      if (from.type == FieldType::Date || from.type == FieldType::Logical) return false;
      const auto s = formatDecimalText(text, fd.length, fd.decimals);
      if (!s) return false;
      std::memcpy(dst, s->data(), std::min(len, s->size()));
      return true;
    }
    case FieldType::Date:
    case FieldType::Logical:
      if (from.type != fd.type && from.type != FieldType::Character) return false;
      if (fd.type == FieldType::Date ? !validDate(text) : text.size() != 1) return false;
      std::memcpy(dst, text.data(), std::min(len, text.size()));
      return true;
    default:
      return false;
  }
}

// Whether every memo a record names starts where it can be read whole. The
// blocks are visited in file order through a large buffer, not one read each.
bool memosRead(const MemoSource& memo, std::vector<uint32_t>& blocks) {
  if (blocks.empty()) return true;
  if (!memo.f.isOpen()) return false;
  std::sort(blocks.begin(), blocks.end());
  blocks.erase(std::unique(blocks.begin(), blocks.end()), blocks.end());
  std::string buf;
  uint64_t base = 0;
  for (const uint32_t block : blocks) {
    const uint64_t at = static_cast<uint64_t>(block) * memo.blockSize;
    if (at + kMemoPrefixSize > memo.size) return false;
    if (at < base || at + kMemoPrefixSize > base + buf.size()) {
      base = at;
      buf.resize(static_cast<size_t>(std::min<uint64_t>(kScanChunk * 4, memo.size - at)));
      buf.resize(memo.f.readAt(at, buf.data(), buf.size()));
      if (buf.size() < kMemoPrefixSize) return false;
    }
    const char* prefix = buf.data() + (at - base);
    if (std::memcmp(prefix, kMemoSignature, 4) == 0) {
      const uint64_t len = getU32(prefix + 4);
      if (len < kMemoPrefixSize || len > kMaxMemoLength || at + len > memo.size) return false;
    } else if (!memo.read(block)) {
      return false;
    }
  }
  return true;
}

// A table whose header agrees with its file and whose every live record
// reads whole (memos included); counts the live records.
bool readsWhole(const File& in, const Layout& l, const MemoSource& memo, uint32_t& live) {
  const DbfHeader& h = l.h;
  if (!l.agrees) return false;
  const uint64_t per = std::max<uint64_t>(1, kScanChunk / h.recordLength);
  std::string buf;
  FieldValue v;
  std::vector<uint32_t> blocks;
  live = 0;
  for (uint64_t first = 0; first < l.slots; first += per) {
    const uint64_t k = std::min(per, l.slots - first);
    buf.resize(static_cast<size_t>(k * h.recordLength));
    if (in.readAt(h.headerLength + first * h.recordLength, buf.data(), buf.size()) != buf.size())
      return false;
    for (uint64_t i = 0; i < k; ++i) {
      const std::string_view r =
          std::string_view(buf).substr(static_cast<size_t>(i * h.recordLength), h.recordLength);
      if (static_cast<uint8_t>(r[0]) == kRecordDeleted) continue;
      if (static_cast<uint8_t>(r[0]) != kRecordLive) return false;
      for (size_t f = 0; f < h.fields.size(); ++f) {
        if (!isMemoType(h.fields[f].type)) {
          if (!readField(h, r, f, memo, v)) return false;
          continue;
        }
        // The reference here (as readField takes it), the memo itself once all are known.
        const std::string_view b =
            r.substr(static_cast<size_t>(h.offsets[f]), static_cast<size_t>(h.fields[f].length));
        if (b.find('\0') != std::string_view::npos) {
          if (!std::all_of(b.begin(), b.end(), [](char c) { return c == '\0'; })) return false;
          continue;
        }
        const std::string_view t = trim(b);
        if (!std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }))
          return false;
        if (t.empty()) continue;
        if (const uint32_t block = parseMemoBlock(b)) blocks.push_back(block);
      }
      ++live;
    }
  }
  return memosRead(memo, blocks);
}

bool sameFields(const std::vector<FieldDef>& a, const std::vector<FieldDef>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].name != b[i].name || a[i].type != b[i].type || a[i].length != b[i].length ||
        a[i].decimals != b[i].decimals)
      return false;
  return true;
}

// The whole file, copied inside the kernel where it can be.
void copyWhole(const File& in, File& out) {
  const uint64_t size = in.size();
  loff_t from = 0, to = 0;
  while (static_cast<uint64_t>(from) < size) {
    const ssize_t n = ::copy_file_range(in.fd(), &from, out.fd(), &to,
                                        static_cast<size_t>(size - static_cast<uint64_t>(from)), 0);
    if (n > 0) continue;
    if (n == 0) break;
    std::vector<char> buf(kScanChunk);  // no in-kernel copy here: through a buffer
    while (static_cast<uint64_t>(from) < size) {
      const size_t got = in.readAt(static_cast<uint64_t>(from), buf.data(), buf.size());
      if (got == 0) break;
      out.writeAt(static_cast<uint64_t>(to), buf.data(), got);
      from += static_cast<loff_t>(got);
      to += static_cast<loff_t>(got);
    }
  }
  if (static_cast<uint64_t>(to) != size) throw Error(out.path(), "the copy came out short");
}

// The tag flag of a field descriptor marks a tag whose key is just that field.
void markTagged(DbfHeader& h, const std::vector<TagDef>& tags) {
  h.tagFlags.assign(h.fields.size(), false);
  for (const TagDef& t : tags) {
    const std::string expr = toUpper(trim(t.expression));
    for (size_t i = 0; i < h.fields.size(); ++i)
      if (h.fields[i].name == expr && trim(t.filter).empty()) h.tagFlags[i] = true;
  }
}

struct SwapNames {
  std::string work, keep;  // file names in the target's directory; keep may be empty
  std::vector<std::string> exts;
};

std::string companion(const std::string& dbf, const std::string& ext, bool* exists) {
  if (ext == ".dbf") {
    *exists = plainFile(dbf);
    return dbf;
  }
  return companionPath(dbf, ext, exists);
}

// Idempotent: each step looks at what is there, so a second run after a
// crash carries on where the first stopped.
void carryOutSwap(const std::string& target, const SwapNames& names) {
  const std::string dir = dirName(target);
  const std::string work = joinPath(dir, names.work);
  const std::string keep = names.keep.empty() ? std::string() : joinPath(dir, names.keep);
  for (const char* ext : kFamilyExts) {
    bool inWork = false, inTarget = false, inKeep = false;
    const std::string w = companion(work, ext, &inWork);
    const std::string t = companion(target, ext, &inTarget);
    const bool isNew = std::find(names.exts.begin(), names.exts.end(), ext) != names.exts.end();
    if (isNew) {
      if (!inWork) continue;  // already in place
      if (inTarget && !keep.empty()) {
        const std::string k = companion(keep, ext, &inKeep);
        removeFile(k);
        if (::link(t.c_str(), k.c_str()) != 0) copyFile(t, k);
      }
      replaceFile(w, t);
    } else if (inTarget) {
      // The old family has a file the new one has not: it goes with the old.
      if (keep.empty()) {
        removeFile(t);
      } else {
        replaceFile(t, companion(keep, ext, &inKeep));
      }
    }
  }
  syncDirectory(dir);
}

std::string markerText(const SwapNames& n) {
  std::string s = n.work + "\n" + n.keep + "\n";
  for (const auto& e : n.exts) s += e + " ";
  return s + "\n";
}

std::optional<SwapNames> parseMarker(const std::string& text) {
  SwapNames n;
  size_t a = text.find('\n');
  if (a == std::string::npos) return std::nullopt;
  size_t b = text.find('\n', a + 1);
  if (b == std::string::npos) return std::nullopt;
  n.work = text.substr(0, a);
  n.keep = text.substr(a + 1, b - a - 1);
  std::string exts = text.substr(b + 1);
  for (const char* e : kFamilyExts)
    if (exts.find(std::string(e) + " ") != std::string::npos) n.exts.push_back(e);
  if (!plainName(n.work) || (!n.keep.empty() && !plainName(n.keep))) return std::nullopt;
  return n;
}

// Holds a table's open lock exclusively (no one else has it open); false when refused.
bool holdExclusively(File& f, const std::string& path) {
  f = File::open(path, O_RDWR);
  return tryLock(f.fd(), kOpenLockOffset, 1, LockKind::Write);
}

}  // namespace

// A family swap that reached its commit point (the marker) before a crash
// is finished by the next open, once its writer is gone.
void finishInterruptedSwap(const std::string& dbfPath) {
  const std::string marker = dbfPath + kSwapMarkerSuffix;
  if (!plainFile(marker)) return;
  std::optional<SwapNames> names;
  try {
    File m = File::open(marker, O_RDONLY);
    std::string text(static_cast<size_t>(std::min<uint64_t>(m.size(), 4096)), '\0');
    text.resize(m.readAt(0, text.data(), text.size()));
    names = parseMarker(text);
  } catch (const Error&) {
    return;
  }
  if (!names) return;
  // The writer holds the old table and the new one until it is done.
  File guard, guardWork;
  try {
    const std::string work = joinPath(dirName(dbfPath), names->work);
    if (plainFile(dbfPath) && !holdExclusively(guard, dbfPath)) return;
    if (plainFile(work) && !holdExclusively(guardWork, work)) return;
    if (!plainFile(marker)) return;
    carryOutSwap(dbfPath, *names);
    removeFile(marker);
    syncDirectory(dirName(dbfPath));
  } catch (const Error&) {
  }
}

SalvageResult Table::salvage(const std::string& source, const std::string& target,
                             const std::string& work, const std::string& keep,
                             const SalvageOptions& options) {
  for (const std::string* p : {&work, &keep})
    if (!p->empty() && (dirName(*p) != dirName(target) || !plainName(fileName(*p))))
      throw Error(*p, "must be a file beside " + target);
  // Whatever was left of an earlier swap of the target comes first.
  finishInterruptedSwap(resolveFile(target).value_or(target));
  const std::string targetPath = resolveFile(target).value_or(target);
  File hold;
  if (plainFile(targetPath) && !holdExclusively(hold, targetPath))
    throw LockError(targetPath, "the table is in use by someone else");

  const auto sourcePath = resolveFile(source);
  if (!sourcePath) throw Error(source, "table not found");
  File in = File::open(*sourcePath, O_RDONLY);
  const Layout layout = readLayout(in, options.fields);
  const DbfHeader& sh = layout.h;
  const MemoSource memo = openMemoSource(*sourcePath, sh.version);

  const std::vector<FieldDef>& fields = options.fields.empty() ? sh.fields : options.fields;
  std::vector<TagDef> tags = options.tags;
  for (TagDef& t : tags) t.name = toUpper(t.name);
  DbfHeader th = makeDbfHeader(fields, work);
  th.productionMdx = !tags.empty();
  markTagged(th, tags);

  // The work family is written fresh beside the target; the old files stay as they are.
  const std::string workPath = work;
  bool exists = false;
  const std::string workDbt = companionPath(workPath, ".dbt", &exists);
  const std::string workMdx = companionPath(workPath, ".mdx", &exists);
  auto dropWork = [&] {
    for (const std::string& p : {workPath, workDbt, workMdx}) {
      try {
        removeFile(p);
      } catch (const Error&) {
      }
    }
  };
  SalvageResult result;
  File out;
  try {
    out = File::createFresh(workPath);
    if (!tryLock(out.fd(), kOpenLockOffset, 1, LockKind::Write))
      throw LockError(workPath, "the work table is in use");
    std::unique_ptr<MemoFile> newMemo;
    removeFile(workDbt);
    const bool hasDbt = th.hasMemoFields();
    uint32_t live = 0;
    if (options.copyWhenSound && tags.empty() && sameFields(fields, sh.fields) &&
        (!hasDbt || memo.f.isOpen()) && readsWhole(in, layout, memo, live)) {
      // Byte for byte: numbers and deleted records as they are, no index.
      copyWhole(in, out);
      out.writeAt(kHdrProductionMdx, std::string(1, '\0'));
      for (size_t f = 0; f < sh.fields.size(); ++f)
        out.writeAt(kDbfHeaderSize + f * kFieldDescriptorSize + kFldTagFlag, std::string(1, '\0'));
      // The disk starts on the .dbf while the .dbt is copied; both are synced below.
      ::sync_file_range(out.fd(), 0, 0, SYNC_FILE_RANGE_WRITE);
      File dbtOut;
      if (hasDbt) {
        dbtOut = File::createFresh(workDbt);
        copyWhole(memo.f, dbtOut);
      }
      out.sync();
      if (hasDbt) dbtOut.sync();
      result.kept = live;
      if (options.onRecord) options.onRecord(layout.slots, layout.slots);
    } else {
      if (th.hasMemoFields()) {
        MemoFile::create(workDbt, toUpper(baseName(targetPath)));
        newMemo = MemoFile::open(workDbt, false, false);
        newMemo->setSoleUser(true);
        newMemo->setBuffered(true);
      }
      std::string chunk;
      chunk.reserve(kScanChunk + th.recordLength);
      uint64_t offset = th.headerLength;
      const std::string blank(th.recordLength, ' ');
      std::string rec;
      std::string raw;
      const uint64_t per = std::max<uint64_t>(1, kScanChunk / sh.recordLength);
      std::string buf;
      FieldValue v;
      for (uint64_t first = 0; first < layout.slots; first += per) {
        const uint64_t k = std::min(per, layout.slots - first);
        buf.resize(static_cast<size_t>(k * sh.recordLength));
        buf.resize(in.readAt(sh.headerLength + first * sh.recordLength, buf.data(), buf.size()));
        for (uint64_t i = 0; i < k; ++i) {
          const size_t at = static_cast<size_t>(i * sh.recordLength);
          if (at >= buf.size()) break;
          const std::string_view r =
              std::string_view(buf).substr(at, std::min<size_t>(sh.recordLength, buf.size() - at));
          if (static_cast<uint8_t>(r[0]) == kRecordDeleted) continue;
          const bool flagOk = static_cast<uint8_t>(r[0]) == kRecordLive;
          bool damaged = !flagOk || r.size() < sh.recordLength;
          bool anyRead = false;
          rec = blank;
          for (size_t f = 0; f < sh.fields.size(); ++f) {
            if (!readField(sh, r, f, memo, v)) {
              damaged = true;
              continue;
            }
            if (f >= fields.size()) {
              if (!v.blank) damaged = true;
              continue;
            }
            if (!v.blank) anyRead = true;
            if (!putField(th, rec, f, sh.fields[f], v, newMemo.get())) damaged = true;
          }
          // Bytes that are not a record at all (a bad flag and nothing readable) are not kept.
          if (!flagOk && !anyRead) {
            ++result.lost;
            continue;
          }
          if (options.renumber && !fields.empty() &&
              (fields[0].type == FieldType::Numeric || fields[0].type == FieldType::Float)) {
            const auto num = formatNumber(static_cast<double>(result.kept + 1), fields[0].length,
                                          fields[0].decimals);
            if (num) std::memcpy(rec.data() + th.offsets[0], num->data(), num->size());
          }
          chunk += rec;
          ++result.kept;
          if (damaged) ++result.lost;
          if (chunk.size() >= kScanChunk) {
            out.writeAt(offset, chunk);
            offset += chunk.size();
            chunk.clear();
          }
        }
        if (options.onRecord) options.onRecord(std::min(first + k, layout.slots), layout.slots);
      }
      chunk.push_back(static_cast<char>(kEofMarker));
      out.writeAt(offset, chunk);
      th.recordCount = result.kept;
      std::time_t now = std::time(nullptr);
      std::tm tm{};
      localtime_r(&now, &tm);
      th.updateYear = tm.tm_year + 1900;
      th.updateMonth = tm.tm_mon + 1;
      th.updateDay = tm.tm_mday;
      out.writeAt(0, encodeDbfHeader(th));
      if (newMemo) newMemo->flushHeader();
      removeFile(workMdx);
      if (!tags.empty()) {
        Impl names;
        names.path = targetPath;  // the index is named after the table it serves
        names.buildIndexFile(workMdx, tags, out, th, result.kept, newMemo.get());
      }
      out.sync();
      if (newMemo) File::open(workDbt, O_RDONLY).sync();
    }
    in.close();

    // Commit point: from here the next open of the target finishes the swap.
    SwapNames swap{fileName(workPath), keep.empty() ? std::string() : fileName(keep), {".dbf"}};
    if (hasDbt) swap.exts.push_back(".dbt");
    if (!tags.empty()) swap.exts.push_back(".mdx");
    if (!keep.empty()) {
      const std::string k = resolveFile(keep).value_or(keep);
      for (const char* ext : kFamilyExts) {
        bool there = false;
        removeFile(companion(k, ext, &there));
      }
    }
    const std::string marker = targetPath + kSwapMarkerSuffix;
    {
      File m = File::createFresh(marker);
      m.writeAt(0, markerText(swap));
      m.sync();
    }
    syncDirectory(dirName(targetPath));
    if (afterSwapMarkerHook) afterSwapMarkerHook();
    carryOutSwap(targetPath, swap);
    removeFile(marker);
    syncDirectory(dirName(targetPath));
  } catch (...) {
    // Before the commit point nothing of the target changed; after it the
    // marker stays and the next open finishes the swap.
    if (!plainFile(targetPath + kSwapMarkerSuffix)) dropWork();
    throw;
  }
  return result;
}

}  // namespace dbase
