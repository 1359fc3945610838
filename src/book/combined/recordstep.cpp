#include "book/combined/recordstep.h"

#include <algorithm>

namespace {

int index(char letter) { return std::clamp(letter - 'A', 0, 25); }

// The nearest letter from `from` on in direction `step` that has records; -1 when none.
int nearestFilled(const LetterCountTable& counts, int from, int step) {
  for (int i = from; i >= 0 && i < 26; i += step)
    if (counts[static_cast<size_t>(i)] > 0) return i;
  return -1;
}

RecordTarget at(int index, int32_t position) {
  return {true, static_cast<char>('A' + index), position};
}

}  // namespace

RecordTarget previousRecord(const LetterCountTable& counts, char letter, int32_t position,
                            int32_t count) {
  if (position >= 2 && count > 0) return at(index(letter), std::min(position - 2, count - 1));
  int i = nearestFilled(counts, index(letter) - 1, -1);
  // Nothing before: the last record of the first letter that has records.
  if (i < 0) i = nearestFilled(counts, 0, 1);
  if (i < 0) return {};
  return at(i, -1);
}

RecordTarget nextRecord(const LetterCountTable& counts, char letter, int32_t position,
                        int32_t count) {
  if (position < count) return at(index(letter), std::max(position, 0));
  int i = nearestFilled(counts, index(letter) + 1, 1);
  // Nothing after: the first record of the last letter that has records.
  if (i < 0) i = nearestFilled(counts, 25, -1);
  if (i < 0) return {};
  return at(i, 0);
}

bool hasPreviousRecord(const LetterCountTable& counts, char letter, int32_t position) {
  return position > 1 || nearestFilled(counts, index(letter) - 1, -1) >= 0;
}

bool hasNextRecord(const LetterCountTable& counts, char letter, int32_t position, int32_t count) {
  return position < count || nearestFilled(counts, index(letter) + 1, 1) >= 0;
}
