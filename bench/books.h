#pragma once

// Book-like records made up for the benchmarks, the same for every run.

#include <cstdint>
#include <random>
#include <string>

namespace bench {

struct Book {
  std::string title;  // 20-80 characters
  std::string author;
  int year = 0, month = 0, day = 0;
  double price = 0;
  int pages = 0;
  std::string notes;  // empty on nine in ten
};

class BookMaker {
 public:
  explicit BookMaker(uint32_t seed = 42) : rng_(seed) {}
  Book next();

 private:
  std::mt19937 rng_;
  uint64_t serial_ = 0;
};

}  // namespace bench
