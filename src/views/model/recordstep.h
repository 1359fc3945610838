#pragma once

#include <array>
#include <cstdint>

// Previous and Next of the combined view's current record: one record on in
// the whole listing, across letters by the letter counts when letter tabs
// apply. Positions are 1-based within the letter's own listing.

struct TRecordTarget {
  bool valid = false;
  char letter = 'A';
  // 0-based position in the letter's listing; -1 for its last record.
  int32_t position = 0;
};

using TLetterCountTable = std::array<int, 26>;

// `count` is the number of records of `letter`; a new record stands at
// count + 1.
TRecordTarget PreviousRecord(const TLetterCountTable& counts, char letter, int32_t position,
                             int32_t count);
TRecordTarget NextRecord(const TLetterCountTable& counts, char letter, int32_t position,
                         int32_t count);
// Whether Previous and Next have somewhere to go (the buttons' states).
bool HasPreviousRecord(const TLetterCountTable& counts, char letter, int32_t position);
bool HasNextRecord(const TLetterCountTable& counts, char letter, int32_t position, int32_t count);
