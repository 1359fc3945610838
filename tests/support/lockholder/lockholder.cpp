// Another program on the same table: locks one record for editing, says
// "locked" and keeps the lock until it is killed or its input ends.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "dbase/table.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: lockholder TABLE.dbf POSITION\n");
    return 2;
  }
  try {
    dbase::Table t;
    t.open(argv[1], dbase::OpenMode::Shared);
    t.goToPosition(static_cast<uint32_t>(std::atoi(argv[2])));
    t.edit();
    std::cout << "locked" << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    t.cancel();
  } catch (const dbase::Error& e) {
    std::cout << "failed: " << e.what() << std::endl;
    return 1;
  }
  return 0;
}
