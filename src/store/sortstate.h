#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dbase/types.h"

class DbTable;

// Index options as the table engine reports them for a tag.
inline constexpr uint8_t kIndexUnique = 0x02;
inline constexpr uint8_t kIndexDescending = 0x04;
inline constexpr uint8_t kIndexExpression = 0x10;
// Longest key expression text kept.
inline constexpr size_t kMaxKeyExpression = 100;
// The FOR condition of the tags the program makes: deleted records stay out
// of the index, so its positions and counts are those of the listing.
inline constexpr const char* kLiveRecordsFilter = ".NOT.DELETED()";

// Whether a tag with this FOR condition lists every record the program shows
// (none, or the condition above however it is spelt).
bool listsEveryLiveRecord(const std::string& filter);

// The options byte of an existing tag: every tag of a production index is an
// expression tag.
uint8_t tagOptions(const dbase::TagDef& tag);

// The sort state: current and previous sort fields and the key expressions
// built from them. One instance for the whole run: SortState().
class SortState {
 public:
  DbTable* table = nullptr;  // not owned: the record table
  uint8_t indexOptions = 0;
  std::string keyExpression;
  std::string filteredKeyExpression;
  uint8_t filteredIndexOptions = 0;
  uint8_t prevFirstField = 0;
  bool prevFirstDescending = false;
  uint8_t prevSecondField = 0;
  bool prevSecondDescending = false;
  uint8_t firstField = 0;
  bool firstDescending = false;
  uint8_t secondField = 0;  // below the first user field: none
  bool secondDescending = false;
  bool filtered = false;

  // Builds KeyExpression, IndexOptions and the filtered pair from the current
  // sort over the given fields (field numbers index into them).
  void buildKeys(const std::vector<dbase::FieldDef>& fields, int firstUserField);

  void commitSort();
  void revertSort();
  bool sortUnchanged() const;
  void resetSort();
};

SortState& sortState();
