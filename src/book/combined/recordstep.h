#pragma once

#include <array>
#include <cstdint>

// Previous and Next of the combined view's current record: one record on in
// the whole listing, across letters by the letter counts when letter tabs
// apply. Positions are 1-based within the letter's own listing.

struct RecordTarget {
  bool valid = false;
  char letter = 'A';
  // 0-based position in the letter's listing; -1 for its last record.
  int32_t position = 0;
};

using LetterCountTable = std::array<int, 26>;

// `count` is the number of records of `letter`; a new record stands at
// count + 1.
RecordTarget previousRecord(const LetterCountTable& counts, char letter, int32_t position,
                            int32_t count);
RecordTarget nextRecord(const LetterCountTable& counts, char letter, int32_t position,
                        int32_t count);
// Whether Previous and Next have somewhere to go (the buttons' states).
bool hasPreviousRecord(const LetterCountTable& counts, char letter, int32_t position);
bool hasNextRecord(const LetterCountTable& counts, char letter, int32_t position, int32_t count);
