// tometool: a command-line window on dBASE IV tables for scripts and tests.

#include <cstring>
#include <exception>
#include <iostream>
#include <string>

#include "commands.h"
#include "values.h"
#ifdef TOMETOOL_STORE
#include "store/storecommands.h"
#endif

namespace {

constexpr const char* kUsage =
    "usage: tometool info FILE\n"
    "       tometool create FILE NAME:TYPE:LEN[:DEC]...\n"
    "       tometool append FILE [CSV]\n"
    "       tometool tag FILE NAME EXPRESSION [--descending] [--unique] [--for FILTER]\n"
    "       tometool untag FILE NAME\n"
    "       tometool list FILE [--tag NAME] [--from KEY] [--to KEY] [--recno]\n"
    "       tometool check FILE\n"
    "       tometool reindex FILE\n"
    "       tometool pack FILE\n"
    "       tometool delete FILE RECNO...\n"
#ifdef TOMETOOL_STORE
    "       tometool sort FILE FIRST[-] [SECOND[-]|none]\n"
    "       tometool letters FILE\n"
    "       tometool repair FILE [--program DIR]\n"
    "       tometool backup FILE [--program DIR]\n"
    "       tometool restore FILE [--lists] [--program DIR]\n"
    "       tometool empty FILE\n"
    "       tometool delete-indexes FILE\n"
#endif
    ;

struct Command {
  const char* name;
  int (*run)(const tometool::Args&);
};

constexpr Command kCommands[] = {
    {"info", tometool::cmdInfo},
    {"create", tometool::cmdCreate},
    {"append", tometool::cmdAppend},
    {"tag", tometool::cmdTag},
    {"untag", tometool::cmdUntag},
    {"list", tometool::cmdList},
    {"check", tometool::cmdCheck},
    {"reindex", tometool::cmdReindex},
    {"pack", tometool::cmdPack},
    {"delete", tometool::cmdDelete},
#ifdef TOMETOOL_STORE
    {"sort", tometool::cmdSort},
    {"letters", tometool::cmdLetters},
    {"repair", tometool::cmdRepair},
    {"backup", tometool::cmdBackup},
    {"restore", tometool::cmdRestore},
    {"empty", tometool::cmdEmpty},
    {"delete-indexes", tometool::cmdDeleteIndexes},
#endif
};

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "help")) {
    (argc < 2 ? std::cerr : std::cout) << kUsage;
    return argc < 2 ? 2 : 0;
  }
  const std::string name = argv[1];
  for (const auto& c : kCommands) {
    if (name != c.name) continue;
    try {
      return c.run(tometool::Args(argv + 2, argv + argc));
    } catch (const tometool::UsageError& e) {
      std::cerr << "tometool " << name << ": " << tometool::printable(e.message) << '\n' << kUsage;
      return 2;
    } catch (const std::exception& e) {
      std::cout.flush();
      std::cerr << "tometool " << name << ": " << tometool::printable(e.what()) << '\n';
      return 1;
    }
  }
  std::cerr << "tometool: unknown command " << name << '\n' << kUsage;
  return 2;
}
