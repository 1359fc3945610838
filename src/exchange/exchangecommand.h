#pragma once

class DbTable;
class QWidget;
struct StoreTables;

// The views' Export command: the records the view shows, to a text file or
// an exchange table. The view restores its letter range afterwards.
void runExportCommand(DbTable& records, QWidget* parent);
// The Import command; true when an import ran (the view then goes back to
// its first record, page and letter).
bool runImportCommand(StoreTables& tables, QWidget* parent);
