#pragma once

#include <string>

namespace dbase {

// A directory the program owns where the entry counts of production indexes
// are kept between runs (empty: nowhere, the default). A table opened in a
// later run then takes its counts and positions from there instead of
// reading every leaf of a tag. Counts are used only for the index file they
// were taken from, as it was: any change to it (by anyone) makes them void.
void setIndexCountDirectory(const std::string& directory);

}  // namespace dbase
