#pragma once

// The wait cursor while the object lives; every override cursor goes with it.
struct BusyCursor {
  BusyCursor();
  ~BusyCursor();
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};
