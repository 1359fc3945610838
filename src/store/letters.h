#pragma once

#include <array>
#include <cstdint>

#include "store/dbtable.h"

// Letter tabs "A".."Z" over the first sort field: key ranges and counts.

inline constexpr int kLetterCount = 26;
// Record counts per letter (index 0 = "A"), kept for the whole run.
std::array<int, kLetterCount>& letterCounts();

bool letterTabsActive();
// Restricts the table to the records under `letter` ('A'..'Z'); true when a
// letter range was set, false when only the filter (or nothing) restricts it.
bool setLetterRange(DbTable& table, char letter);
// Every letter's count; the caller restores its own range afterwards.
void countLetters(DbTable& table);
// The letter's count from the table's current range.
void countLetter(DbTable& table, char letter);
// A record moved from one letter to another (either may be outside A..Z).
void adjustLetterCounts(char oldLetter, char newLetter);
// The letter of the current record under the current sort.
char firstLetter(DbTable& table);

uint32_t recordCount(DbTable& table);
// The record n places after the first (from 0); past the last when n is too big.
void goToPosition(DbTable& table, uint32_t n);
