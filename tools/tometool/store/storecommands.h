#pragma once

#include "../commands.h"

namespace tometool {

// Commands that show a database the way the program's views will (record
// table layout, sort file, letter tabs).
int cmdSort(const Args& args);
int cmdLetters(const Args& args);
// Database maintenance as the program does it (exit 3: the table is in use;
// 4: done, with records lost).
int cmdRepair(const Args& args);
int cmdBackup(const Args& args);
int cmdRestore(const Args& args);
int cmdEmpty(const Args& args);
int cmdDeleteIndexes(const Args& args);

}  // namespace tometool
