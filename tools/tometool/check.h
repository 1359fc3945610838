#pragma once

#include <ostream>
#include <string>

namespace tometool {

// Compares the memo file and every tag of the production index with the
// records as stored. Writes one line per problem to `report`; returns the
// number of problems (0 = sound).
int checkTable(const std::string& dbfPath, std::ostream& report);

}  // namespace tometool
