#include "recordstep.h"

#include <gtest/gtest.h>

namespace {

// Counts for the letters given as "C2 G3": letter and count.
TLetterCountTable Counts(std::initializer_list<std::pair<char, int>> filled) {
  TLetterCountTable t{};
  for (const auto& [letter, count] : filled) t[static_cast<size_t>(letter - 'A')] = count;
  return t;
}

TEST(RecordStep, NextStaysInTheLetterWhileItCan) {
  const TRecordTarget t = NextRecord(Counts({{'C', 3}}), 'C', 2, 3);
  ASSERT_TRUE(t.valid);
  EXPECT_EQ(t.letter, 'C');
  EXPECT_EQ(t.position, 2);
}

TEST(RecordStep, NextFromTheLastOfALetterSkipsEmptyLetters) {
  const TRecordTarget t = NextRecord(Counts({{'C', 2}, {'G', 4}, {'K', 1}}), 'C', 2, 2);
  ASSERT_TRUE(t.valid);
  EXPECT_EQ(t.letter, 'G');
  EXPECT_EQ(t.position, 0);
}

TEST(RecordStep, PreviousFromTheFirstOfALetterGoesToTheLastOfTheNearestEarlierOne) {
  const TRecordTarget t = PreviousRecord(Counts({{'A', 5}, {'B', 2}, {'G', 4}}), 'G', 1, 4);
  ASSERT_TRUE(t.valid);
  EXPECT_EQ(t.letter, 'B');
  EXPECT_EQ(t.position, -1);  // its last record
}

TEST(RecordStep, WithNowhereToGoTheOuterLettersAreTaken) {
  const TLetterCountTable c = Counts({{'B', 2}, {'M', 3}});
  const TRecordTarget prev = PreviousRecord(c, 'B', 1, 2);
  ASSERT_TRUE(prev.valid);
  EXPECT_EQ(prev.letter, 'B');  // the last record of the first letter with records
  EXPECT_EQ(prev.position, -1);
  const TRecordTarget next = NextRecord(c, 'M', 3, 3);
  ASSERT_TRUE(next.valid);
  EXPECT_EQ(next.letter, 'M');  // the first record of the last letter with records
  EXPECT_EQ(next.position, 0);
  EXPECT_FALSE(HasPreviousRecord(c, 'B', 1));
  EXPECT_FALSE(HasNextRecord(c, 'M', 3, 3));
  EXPECT_TRUE(HasPreviousRecord(c, 'M', 1));
  EXPECT_TRUE(HasNextRecord(c, 'B', 2, 2));
}

TEST(RecordStep, ANewRecordStepsToTheLastRecordOfItsLetterOrOnward) {
  const TLetterCountTable c = Counts({{'D', 2}, {'F', 1}});
  const TRecordTarget prev = PreviousRecord(c, 'D', 3, 2);
  ASSERT_TRUE(prev.valid);
  EXPECT_EQ(prev.letter, 'D');
  EXPECT_EQ(prev.position, 1);
  const TRecordTarget next = NextRecord(c, 'D', 3, 2);
  ASSERT_TRUE(next.valid);
  EXPECT_EQ(next.letter, 'F');
  // An empty letter: a new record there steps to the neighbours.
  const TRecordTarget fromEmpty = PreviousRecord(c, 'E', 1, 0);
  EXPECT_EQ(fromEmpty.letter, 'D');
}

TEST(RecordStep, NoRecordsAnywhereGoesNowhere) {
  EXPECT_FALSE(NextRecord(TLetterCountTable{}, 'A', 1, 0).valid);
  EXPECT_FALSE(PreviousRecord(TLetterCountTable{}, 'A', 1, 0).valid);
}

}  // namespace
