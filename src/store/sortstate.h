#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dbase/types.h"

class TDbTable;

// Index options as the table engine reports them for a tag.
inline constexpr uint8_t kIndexUnique = 0x02;
inline constexpr uint8_t kIndexDescending = 0x04;
inline constexpr uint8_t kIndexExpression = 0x10;
// Longest key expression text kept.
inline constexpr size_t kMaxKeyExpression = 100;

// The options byte of an existing tag: every tag of a production index is an
// expression tag.
uint8_t TagOptions(const dbase::TagDef& tag);

// The sort state: current and previous sort fields and the key expressions
// built from them. One instance for the whole run: SortState().
class TIndex {
 public:
  TDbTable* Table = nullptr;  // not owned: the record table
  uint8_t IndexOptions = 0;
  std::string KeyExpression;
  std::string FilteredKeyExpression;
  uint8_t FilteredIndexOptions = 0;
  uint8_t PrevFirstField = 0;
  bool PrevFirstDescending = false;
  uint8_t PrevSecondField = 0;
  bool PrevSecondDescending = false;
  uint8_t FirstField = 0;
  bool FirstDescending = false;
  uint8_t SecondField = 0;  // below the first user field: none
  bool SecondDescending = false;
  bool Filtered = false;

  // Builds KeyExpression, IndexOptions and the filtered pair from the current
  // sort over the given fields (field numbers index into them).
  void BuildKeys(const std::vector<dbase::FieldDef>& fields, int firstUserField);

  void CommitSort();
  void RevertSort();
  bool SortUnchanged() const;
  void ResetSort();
};

TIndex& SortState();
