#pragma once

#include "../commands.h"

namespace tometool {

// Commands that show a database the way the program's views will (record
// table layout, sort file, letter tabs).
int cmdSort(const Args& args);
int cmdLetters(const Args& args);

}  // namespace tometool
