#include "recordstep.h"

#include <algorithm>

namespace {

int Index(char letter) { return std::clamp(letter - 'A', 0, 25); }

// The nearest letter from `from` on in direction `step` that has records; -1 when none.
int NearestFilled(const TLetterCountTable& counts, int from, int step) {
  for (int i = from; i >= 0 && i < 26; i += step)
    if (counts[static_cast<size_t>(i)] > 0) return i;
  return -1;
}

TRecordTarget At(int index, int32_t position) {
  return {true, static_cast<char>('A' + index), position};
}

}  // namespace

TRecordTarget PreviousRecord(const TLetterCountTable& counts, char letter, int32_t position,
                             int32_t count) {
  if (position >= 2 && count > 0) return At(Index(letter), std::min(position - 2, count - 1));
  int i = NearestFilled(counts, Index(letter) - 1, -1);
  // Nothing before: the last record of the first letter that has records.
  if (i < 0) i = NearestFilled(counts, 0, 1);
  if (i < 0) return {};
  return At(i, -1);
}

TRecordTarget NextRecord(const TLetterCountTable& counts, char letter, int32_t position,
                         int32_t count) {
  if (position < count) return At(Index(letter), std::max(position, 0));
  int i = NearestFilled(counts, Index(letter) + 1, 1);
  // Nothing after: the first record of the last letter that has records.
  if (i < 0) i = NearestFilled(counts, 25, -1);
  if (i < 0) return {};
  return At(i, 0);
}

bool HasPreviousRecord(const TLetterCountTable& counts, char letter, int32_t position) {
  return position > 1 || NearestFilled(counts, Index(letter) - 1, -1) >= 0;
}

bool HasNextRecord(const TLetterCountTable& counts, char letter, int32_t position, int32_t count) {
  return position < count || NearestFilled(counts, Index(letter) + 1, 1) >= 0;
}
