#include "books.h"

#include <cstdio>

namespace bench {
namespace {

const char* const kWords[] = {
    "Night",  "garden", "river",   "Stone",   "house",  "shadow",  "Winter",   "light",  "city",
    "Sea",    "of",     "the",     "and",     "Secret", "History", "journey",  "Empire", "silver",
    "War",    "peace",  "Kingdom", "letters", "glass",  "Fire",    "mountain", "ghost",  "Quiet",
    "yellow", "island", "Memory",  "orchard", "Voyage", "under",   "zero",     "Last",   "first",
    "time",   "blue",   "iron",    "Tale",    "young",  "old",     "Xenon",    "Umbra",  "harbor",
    "Dream",  "north",  "lost",    "Paper"};
const char* const kFirst[] = {"Anna", "Boris", "Clara", "David", "Elena", "Frank", "Greta",
                              "Hugo", "Irene", "Jonas", "Karin", "Lars",  "Maria", "Nils"};
const char* const kLast[] = {"Adler", "Berg",   "Castell", "Dorn",   "Eklund",   "Falk",  "Gruber",
                             "Holm",  "Ivers",  "Jansen",  "Krause", "Lind",     "Moser", "Nyberg",
                             "Olsen", "Petrov", "Quist",   "Roth",   "Svensson", "Tamm"};

template <size_t N>
const char* pick(std::mt19937& rng, const char* const (&list)[N]) {
  return list[rng() % N];
}

}  // namespace

Book BookMaker::next() {
  Book b;
  const size_t target = 20 + rng_() % 61;
  // A leading letter spread over the alphabet keeps range counts meaningful.
  b.title = std::string(1, static_cast<char>('A' + rng_() % 26));
  b.title += pick(rng_, kWords);
  while (b.title.size() < target) {
    b.title += ' ';
    b.title += pick(rng_, kWords);
  }
  b.title.resize(target);
  if (b.title.back() == ' ') b.title.back() = 's';
  b.author = std::string(pick(rng_, kLast)) + ", " + pick(rng_, kFirst);
  b.year = 1900 + static_cast<int>(rng_() % 126);
  b.month = 1 + static_cast<int>(rng_() % 12);
  b.day = 1 + static_cast<int>(rng_() % 28);
  b.price = static_cast<double>(100 + rng_() % 19900) / 100.0;
  b.pages = 40 + static_cast<int>(rng_() % 1200);
  if (++serial_ % 10 == 3) {  // not the records the benchmark deletes
    char buf[96];
    std::snprintf(buf, sizeof buf, "Bought at the fair, copy %llu.\r\nSigned by the author.",
                  static_cast<unsigned long long>(serial_));
    b.notes = buf;
  }
  return b;
}

}  // namespace bench
