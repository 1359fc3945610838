#include "book/combined/recordstep.h"

#include <gtest/gtest.h>

namespace {

// Counts for the letters given as "C2 G3": letter and count.
LetterCountTable counts(std::initializer_list<std::pair<char, int>> filled) {
  LetterCountTable t{};
  for (const auto& [letter, count] : filled) t[static_cast<size_t>(letter - 'A')] = count;
  return t;
}

TEST(RecordStep, NextStaysInTheLetterWhileItCan) {
  const RecordTarget t = nextRecord(counts({{'C', 3}}), 'C', 2, 3);
  ASSERT_TRUE(t.valid);
  EXPECT_EQ(t.letter, 'C');
  EXPECT_EQ(t.position, 2);
}

TEST(RecordStep, NextFromTheLastOfALetterSkipsEmptyLetters) {
  const RecordTarget t = nextRecord(counts({{'C', 2}, {'G', 4}, {'K', 1}}), 'C', 2, 2);
  ASSERT_TRUE(t.valid);
  EXPECT_EQ(t.letter, 'G');
  EXPECT_EQ(t.position, 0);
}

TEST(RecordStep, PreviousFromTheFirstOfALetterGoesToTheLastOfTheNearestEarlierOne) {
  const RecordTarget t = previousRecord(counts({{'A', 5}, {'B', 2}, {'G', 4}}), 'G', 1, 4);
  ASSERT_TRUE(t.valid);
  EXPECT_EQ(t.letter, 'B');
  EXPECT_EQ(t.position, -1);  // its last record
}

TEST(RecordStep, WithNowhereToGoTheOuterLettersAreTaken) {
  const LetterCountTable c = counts({{'B', 2}, {'M', 3}});
  const RecordTarget prev = previousRecord(c, 'B', 1, 2);
  ASSERT_TRUE(prev.valid);
  EXPECT_EQ(prev.letter, 'B');  // the last record of the first letter with records
  EXPECT_EQ(prev.position, -1);
  const RecordTarget next = nextRecord(c, 'M', 3, 3);
  ASSERT_TRUE(next.valid);
  EXPECT_EQ(next.letter, 'M');  // the first record of the last letter with records
  EXPECT_EQ(next.position, 0);
  EXPECT_FALSE(hasPreviousRecord(c, 'B', 1));
  EXPECT_FALSE(hasNextRecord(c, 'M', 3, 3));
  EXPECT_TRUE(hasPreviousRecord(c, 'M', 1));
  EXPECT_TRUE(hasNextRecord(c, 'B', 2, 2));
}

TEST(RecordStep, ANewRecordStepsToTheLastRecordOfItsLetterOrOnward) {
  const LetterCountTable c = counts({{'D', 2}, {'F', 1}});
  const RecordTarget prev = previousRecord(c, 'D', 3, 2);
  ASSERT_TRUE(prev.valid);
  EXPECT_EQ(prev.letter, 'D');
  EXPECT_EQ(prev.position, 1);
  const RecordTarget next = nextRecord(c, 'D', 3, 2);
  ASSERT_TRUE(next.valid);
  EXPECT_EQ(next.letter, 'F');
  // An empty letter: a new record there steps to the neighbours.
  const RecordTarget fromEmpty = previousRecord(c, 'E', 1, 0);
  EXPECT_EQ(fromEmpty.letter, 'D');
}

TEST(RecordStep, NoRecordsAnywhereGoesNowhere) {
  EXPECT_FALSE(nextRecord(LetterCountTable{}, 'A', 1, 0).valid);
  EXPECT_FALSE(previousRecord(LetterCountTable{}, 'A', 1, 0).valid);
}

}  // namespace
