#pragma once

#include <array>
#include <cstdint>

#include "dbtable.h"

// Letter tabs "A".."Z" over the first sort field: key ranges and counts.

inline constexpr int kLetterCount = 26;
// Record counts per letter (index 0 = "A"), kept for the whole run.
std::array<int, kLetterCount>& LetterCounts();

bool LetterTabsActive();
// Restricts the table to the records under `letter` ('A'..'Z'); true when a
// letter range was set, false when only the filter (or nothing) restricts it.
bool SetLetterRange(TDbTable& table, char letter);
// Every letter's count; the caller restores its own range afterwards.
void CountLetters(TDbTable& table);
// The letter's count from the table's current range.
void CountLetter(TDbTable& table, char letter);
// A record moved from one letter to another (either may be outside A..Z).
void AdjustLetterCounts(char oldLetter, char newLetter);
// The letter of the current record under the current sort.
char FirstLetter(TDbTable& table);

uint32_t RecordCount(TDbTable& table);
// The record n places after the first (from 0); past the last when n is too big.
void GoToPosition(TDbTable& table, uint32_t n);
