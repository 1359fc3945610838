#pragma once

// While one of these lives, the C library keeps the memory that long passes
// (printing, import, export) free and take again: without it every page or
// batch gets fresh pages from the system, and their faults cost a third of
// a report's time. When the last one ends the spare memory goes back.
class BulkMemory {
 public:
  BulkMemory();
  ~BulkMemory();
  BulkMemory(const BulkMemory&) = delete;
  BulkMemory& operator=(const BulkMemory&) = delete;
};
