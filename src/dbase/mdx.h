#pragma once

// The production index file: up to 47 named tags, each a B-tree of
// [record number][key] items in 1024-byte blocks addressed in 512-byte pages.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dbase/hugemem.h"
#include "dbase/types.h"

namespace dbase {

struct TagInfo {
  std::string name;
  std::string expression;
  std::string filter;
  KeyType keyType = KeyType::Character;
  int keyLength = 0;
  bool descending = false;
  bool unique = false;
  uint32_t headerPage = 0;
};

// Entries for building a tag at once: keys of one width side by side in one
// buffer (no string per key), a record number each.
struct KeyList {
  size_t width = 0;
  std::string keys;
  std::vector<uint32_t> recnos;

  explicit KeyList(size_t keyWidth) : width(keyWidth) {}
  size_t size() const { return recnos.size(); }
  bool empty() const { return recnos.empty(); }
  std::string_view key(size_t i) const { return {keys.data() + i * width, width}; }
  void reserve(size_t n) {
    reserveHuge(keys, n * width);
    reserveHuge(recnos, n);
  }
  // key must be width bytes long.
  void add(std::string_view key, uint32_t recno) {
    // Lists of a large table's keys reach a hundred megabytes: they grow in
    // huge pages where the system has them.
    if (keys.size() + key.size() > keys.capacity()) reserve(std::max<size_t>(size() * 2, 256));
    keys.append(key);
    recnos.push_back(recno);
  }
};

class MdxFile {
 public:
  // Creates an empty index for the table base name ("DATA").
  static void create(const std::string& path, const std::string& tableBaseName);
  // Opens an existing index; the file descriptor stays owned by MdxFile.
  // Throws FormatError for a file that is not a sound MDX header.
  static std::unique_ptr<MdxFile> open(const std::string& path, bool readOnly);
  ~MdxFile();

  const std::string& path() const;
  std::vector<TagInfo> tags() const;
  int findTag(std::string_view name) const;  // case-insensitive; -1 when absent

  // Adds an empty tag (name, expression, type and length already worked out).
  int addTag(const TagDef& def, KeyType type, int keyLength);
  void dropTag(std::string_view name);
  // Replaces the tag's tree by one built bottom-up from entries sorted in the
  // tag's order (ties by record number).
  void buildTag(int tag, const KeyList& sorted);
  void buildTag(int tag, const std::vector<std::pair<std::string, uint32_t>>& sorted);
  // Adds a tag built from entries sorted in its order without touching the
  // rest of the file: its blocks go after the file's end and are synced, then
  // the header names the tag. Until then the file is the index it was, so a
  // crash at any point leaves the old tags readable. Returns the tag number.
  int appendTag(const TagDef& def, KeyType type, int keyLength, const KeyList& sorted);

  // Writes every tag anew from its entries (one list per tag, each sorted in
  // its tag's order) without reading the old trees or free blocks: for an
  // index a writer left unfinished while others have it open. The busy mark
  // stays on disk until the last block is written.
  void rebuildTags(const std::vector<KeyList>& sorted);

  void insert(int tag, std::string_view key, uint32_t recno);
  // Many entries sorted in the tag's order (ties by record number): each
  // leaf is found once for the run of entries that goes into it.
  void insertSorted(int tag, const KeyList& sorted);
  void erase(int tag, std::string_view key, uint32_t recno);  // no-op when absent

  // Drops cached pages when another process changed the file.
  void reloadIfChanged();
  void flush();
  // Flushes and asks the system to put the file on disk.
  void sync();
  // True when a previous writer stopped in the middle of an update (the
  // "being modified" mark is still set): the tags should be rebuilt.
  bool needsRebuild() const;
  // Bulk updates by the table's sole user: node writes are held back (a
  // bounded number stays in memory) and the header with its "update under
  // way" mark is written only by endBatch(), so a crash meanwhile asks for a rebuild.
  void beginBatch();
  void endBatch();
  // Entries in one tag.
  uint64_t count(int tag);
  // Blocks the file uses twice or wrongly (free ones in a tree, a tree in
  // another's or on a tag header, a looping free chain), one line each.
  std::vector<std::string> layoutProblems();

  // An ordered walk over one tag.
  class Cursor {
   public:
    Cursor(MdxFile& file, int tag);
    ~Cursor();
    bool first();
    bool last();
    bool next();
    bool prev();
    // Positions on the first entry >= (key, recno) in the tag's order; with
    // prefix = true a character key compares over key.size() only.
    bool seek(std::string_view key, uint32_t recno = 0, bool prefix = false);
    bool valid() const;
    std::string_view key() const;
    uint32_t recno() const;
    // Ordinal of the current entry in the tag (from 0; the entry count when
    // the cursor is off the end), and the move to one; goToPosition(count)
    // and beyond leave the cursor invalid.
    uint64_t position();
    bool goToPosition(uint64_t index);

   private:
    struct State;
    std::unique_ptr<State> s_;
  };

  struct Impl;

 private:
  explicit MdxFile(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace dbase
