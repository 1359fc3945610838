#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dbase/error.h"
#include "dbase/types.h"

namespace dbase {

enum class OpenMode { Shared, Exclusive };

// How Table::salvage() copies a table.
struct SalvageOptions {
  std::vector<FieldDef> fields;  // the new table's fields (empty: the source's own)
  std::vector<TagDef> tags;      // the new table's index (none: no index)
  bool renumber = false;         // field 0 := 1, 2, 3 ... in the order copied
  // A source with these fields, a header that agrees with its file and every
  // live record readable is copied byte for byte (numbers and deleted records
  // as they are) when no tags are asked for.
  bool copyWhenSound = false;
  std::function<void(uint64_t done, uint64_t total)> onRecord;  // now and then
};

struct SalvageResult {
  uint32_t kept = 0;  // records in the new table
  uint32_t lost = 0;  // records dropped, or kept with a field that could not be read
};
class ScanRecord;

// One cursor on a dBASE IV table (.dbf with its .mdx production index and
// .dbt memo file). Text is raw code-page bytes (Windows-1252); see codepage.h.
//
// Deleted records are hidden from navigation and counts. Navigation follows the
// active tag (empty name = natural order) inside the current range.
// Field numbers count from 0 in the order of the table's field descriptors.
class Table {
 public:
  enum class State { Inactive, Browse, Edit, Insert };

  Table();
  ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // Creates a new, empty table (overwriting nothing: throws when the .dbf
  // exists). A .dbt is created when a memo or binary field exists, an .mdx when
  // tags are given.
  static void create(const std::string& path, const std::vector<FieldDef>& fields,
                     const std::vector<TagDef>& tags = {});

  // Finds "data.dbf" as DATA.DBF etc. in its directory; the path of the file
  // as it exists on disk, or nullopt.
  static std::optional<std::string> resolve(const std::string& path);

  // Opening for writing refuses a header whose numbers disagree (FormatError).
  // A read-only open reads the records even when the index cannot be used
  // (damaged, or left unfinished by a writer that crashed): the table then
  // has no tags and indexProblem() says why.
  void open(const std::string& path, OpenMode mode = OpenMode::Shared, bool readOnly = false);
  void close();  // cancels a pending edit
  bool isOpen() const;
  const std::string& path() const;  // .dbf as found on disk
  std::string directory() const;
  std::string tableName() const;  // file name with extension
  uint8_t versionByte() const;    // 0x03, 0x8B, 0x83 ...
  bool exclusive() const;
  bool readOnly() const;

  // Re-reads field and tag definitions from disk.
  void refreshDefinitions();
  const std::vector<FieldDef>& fields() const;
  int fieldIndex(std::string_view name) const;  // case-insensitive; -1 when absent
  std::vector<TagDef> tags() const;
  // Why the production index was left out of a read-only open; empty when it is in use.
  std::string indexProblem() const;

  // Need exclusive use. Adding builds the tag from the data.
  void addTag(const TagDef& tag);
  void deleteTag(const std::string& name);
  void regenerateTags();  // rebuilds every tag from the data (new file, atomic replace)
  // A new production index with these tags, built from the records in place
  // of the .mdx that is there, however damaged. Needs the table to itself;
  // onTag is told after each tag is built.
  static void rebuildIndex(const std::string& path, const std::vector<TagDef>& tags,
                           const std::function<void(size_t built, size_t total)>& onTag = {});

  void setActiveTag(const std::string& name);  // "" = natural order; throws for an unknown tag
  const std::string& activeTag() const;

  // Navigation. bof()/eof() are set when a move runs past either end of the
  // current range (or the table is empty).
  void first();
  void last();
  void next();
  void prior();
  int moveBy(int n);  // returns how many records were actually passed
  bool bof() const;
  bool eof() const;
  uint32_t recNo() const;           // physical record number (from 1), 0 when on none
  void goToRecord(uint32_t recno);  // throws when out of range; keeps the active order
  // Ordinal position in the active order and range (0-based), and the move to one.
  uint32_t position();
  void goToPosition(uint32_t index);

  // One read-only pass over the live records in file order, whatever the
  // active tag and range, read in large blocks: far cheaper in shared use
  // than first()/next(), which look for other programs' changes before each
  // record. The record count is taken once at the start (records appended
  // during the pass are left out). visit returns false to stop. The cursor's
  // position and buffer are left alone; visit must not change this object.
  void scan(const std::function<bool(const ScanRecord&)>& visit);
  // The same pass in the active order and range (file order when no tag is
  // active): the index is walked a batch of entries at a time and the batch's
  // records read in file order, so shared use pays no check per record.
  void scanInOrder(const std::function<bool(const ScanRecord&)>& visit);

  // Live records in the current range.
  uint32_t recordCount();
  // Physical records in the file, deleted ones included.
  uint32_t physicalCount();

  // Editing. edit() locks the record (LockError when another cursor or program
  // holds it); post() writes record, memos and keys and unlocks; cancel() drops
  // the changes. edit() on an empty table starts an append.
  void edit();
  void append();
  void post();
  void cancel();
  void deleteRecord();  // marks deleted, moves to the next record

  // Many appends in a row (an import). The posts of new records are held in
  // memory until endAppends(), which writes them with their memos and keys
  // in one go; in shared use under one lock, so other programs see all of
  // them or none. A held record has no record number yet (recNo() is 0
  // after its post). endAppends() returns how many records were posted
  // since beginAppends(); when it cannot write them it throws and they are
  // dropped. Moving or editing before endAppends() writes them first;
  // closing drops them. `expected` (how many will come) saves regrowing.
  void beginAppends(uint32_t expected = 0);
  uint32_t endAppends();
  State state() const;
  bool isDeleted() const;

  // Field access on the current record buffer.
  std::string asString(int field) const;  // right-trimmed text; memo contents; dates "YYYYMMDD"
  double asNumber(int field) const;
  int64_t asInteger(int field) const;
  Date asDate(int field) const;
  bool asBool(int field) const;
  bool isEmpty(int field) const;
  // The field's bytes as stored in the current record buffer (memo and binary
  // fields: their block reference). Valid until the cursor moves or the record changes.
  std::string_view fieldBytes(int field) const;
  void clear(int field);
  void setString(int field, std::string_view value);  // numbers and dates as text too
  void setNumber(int field, double value);
  void setDate(int field, const Date& value);
  void setBool(int field, bool value);
  void assignFrom(int field, const Table& other, int otherField);
  // Memo and binary contents.
  std::string readBlob(int field) const;
  void writeBlob(int field, std::string_view data);
  void readBlob(int field, std::ostream& out) const;
  void writeBlob(int field, std::istream& in);

  // Key search on the active tag: positions on the first key >= value and
  // returns whether it matched (character keys over the value's length).
  bool findKey(const KeyValue& value);
  // The key of the current record under the active tag, as stored.
  std::string currentKey() const;

  void setRangeStart(const KeyValue& value);
  void setRangeEnd(const KeyValue& value);
  void applyRange();
  void cancelRange();
  bool hasRange() const;

  Bookmark bookmark() const;
  void goToBookmark(const Bookmark& mark);

  // Needs exclusive use.
  void emptyTable();
  void pack();  // drops deleted records, compacts memos, rebuilds tags; atomic

  // Whole families (.dbf, .mdx, .dbt), case-insensitively found.
  static void deleteTable(const std::string& path);
  static void copyTable(const std::string& source, const std::string& target, bool overwrite);
  static void renameTable(const std::string& from, const std::string& to);

  // Reads the live records of source however damaged its header, records,
  // memo blocks or index are (a field that cannot be read stays blank and
  // its record counts as lost), into a new family at work, with fields
  // matched by position; then puts that family in place of target's as one
  // commit: target's old family becomes keep (the old keep goes), or goes
  // when keep is empty. work and keep are beside target. Holds target to
  // itself throughout: LockError when someone else has it open. Any failure
  // before the commit leaves target as it was; a crash after it is finished
  // by the next open of target.
  static SalvageResult salvage(const std::string& source, const std::string& target,
                               const std::string& work, const std::string& keep,
                               const SalvageOptions& options);

 private:
  friend class ScanRecord;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A record as Table::scan reads it, valid only inside the visit: field
// access as on the cursor's buffer, except that memo and binary contents are
// read only by readBlob (fieldBytes gives their block reference; asString,
// asNumber and asDate throw for them).
class ScanRecord {
 public:
  uint32_t recNo() const { return recno_; }
  std::string_view fieldBytes(int field) const;
  std::string asString(int field) const;
  double asNumber(int field) const;
  Date asDate(int field) const;
  bool asBool(int field) const;
  bool isEmpty(int field) const;
  std::string readBlob(int field) const;  // as Table::readBlob

 private:
  friend class Table;
  explicit ScanRecord(const Table& table) : table_(table) {}
  const FieldDef& field(int i) const;

  const Table& table_;
  std::string_view record_;
  uint32_t recno_ = 0;
};

// The type of key an index expression over these fields makes; nullopt for a
// logical expression, which cannot be a key. Throws ExpressionError when it
// does not compile.
std::optional<KeyType> expressionKeyType(const std::string& expression,
                                         const std::vector<FieldDef>& fields);

}  // namespace dbase
