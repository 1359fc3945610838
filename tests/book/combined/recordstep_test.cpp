#include "book/combined/recordstep.h"

#include <gtest/gtest.h>

namespace {

LetterCountTable counts(std::initializer_list<std::pair<char, int>> filled) {
  LetterCountTable t{};
  for (const auto& [letter, count] : filled) t[static_cast<size_t>(letter - 'A')] = count;
  return t;
}

TEST(RecordStep, NextAndPreviousFindTheirRecordAcrossLetters) {
  const struct {
    const char* what;
    bool next;
    LetterCountTable counts;
    char letter;
    int position, count;  // 1-based; a new record stands at count + 1
    bool valid;
    char toLetter;
    int toPosition;  // -1: the letter's last record
  } cases[] = {
      {"next stays in the letter", true, counts({{'C', 3}}), 'C', 2, 3, true, 'C', 2},
      {"next skips empty letters", true, counts({{'C', 2}, {'G', 4}, {'K', 1}}), 'C', 2, 2, true,
       'G', 0},
      {"previous to the nearest earlier letter", false, counts({{'A', 5}, {'B', 2}, {'G', 4}}), 'G',
       1, 4, true, 'B', -1},
      {"previous at the first letter with records", false, counts({{'B', 2}, {'M', 3}}), 'B', 1, 2,
       true, 'B', -1},
      {"next at the last letter with records", true, counts({{'B', 2}, {'M', 3}}), 'M', 3, 3, true,
       'M', 0},
      {"a new record back to its letter's last", false, counts({{'D', 2}, {'F', 1}}), 'D', 3, 2,
       true, 'D', 1},
      {"a new record on to the next letter", true, counts({{'D', 2}, {'F', 1}}), 'D', 3, 2, true,
       'F', 0},
      {"a new record in an empty letter", false, counts({{'D', 2}, {'F', 1}}), 'E', 1, 0, true, 'D',
       -1},
      {"no records: next", true, {}, 'A', 1, 0, false, 'A', 0},
      {"no records: previous", false, {}, 'A', 1, 0, false, 'A', 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const RecordTarget t = c.next ? nextRecord(c.counts, c.letter, c.position, c.count)
                                  : previousRecord(c.counts, c.letter, c.position, c.count);
    ASSERT_EQ(t.valid, c.valid);
    if (c.valid) {
      EXPECT_EQ(t.letter, c.toLetter);
      EXPECT_EQ(t.position, c.toPosition);
    }
  }
}

TEST(RecordStep, ButtonsKnowWhenThereIsNowhereToGo) {
  const LetterCountTable c = counts({{'B', 2}, {'M', 3}});
  EXPECT_FALSE(hasPreviousRecord(c, 'B', 1));
  EXPECT_FALSE(hasNextRecord(c, 'M', 3, 3));
  EXPECT_TRUE(hasPreviousRecord(c, 'M', 1));
  EXPECT_TRUE(hasNextRecord(c, 'B', 2, 2));
}

}  // namespace
