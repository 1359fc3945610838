// Writes the template tables (data.dbf, master.dbf, list.dbf) into a program directory.
#include <cstdio>
#include <exception>

#include "templates.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mktemplates <program directory>\n");
    return 2;
  }
  try {
    templates::WriteTemplates(argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mktemplates: %s\n", e.what());
    return 1;
  }
  return 0;
}
