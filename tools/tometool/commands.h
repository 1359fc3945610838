#pragma once

#include <string>
#include <vector>

namespace tometool {

using Args = std::vector<std::string>;

// Thrown for a command line that does not fit the command; main prints the
// usage line and exits with 2.
struct UsageError {
  std::string message;
};

// Each returns the exit status; engine failures propagate as exceptions.
int cmdInfo(const Args& args);
int cmdCreate(const Args& args);
int cmdAppend(const Args& args);
int cmdTag(const Args& args);
int cmdUntag(const Args& args);
int cmdList(const Args& args);
int cmdCheck(const Args& args);
int cmdReindex(const Args& args);
int cmdPack(const Args& args);
int cmdDelete(const Args& args);

}  // namespace tometool
