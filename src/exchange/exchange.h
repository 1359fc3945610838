#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "exchange/textformat.h"

class DbTable;
class QWidget;
struct StoreTables;

// Export and import of records: delimited text files anywhere, dBASE tables
// in the exchange folder. Messages go through the prompter; long passes
// show the progress window.

// Set each time the options dialog closes, kept until the program ends.
struct ExchangeSettings {
  char separator = '\t';
  char delimiter = 0;
  std::vector<int> fields;  // table field numbers, in file order
  exchange::TextFormat format() const { return {separator, delimiter}; }
};
ExchangeSettings& exchangeSettings();

// HomeDir/EXPIMP.
QString exchangeFolder();
// Creates it, errors ignored.
void makeExchangeFolder();

inline const QString kMsgExists =
    QStringLiteral("File Already Exists!!! Do you want to Overwrite it?");
inline const QString kMsgNoExportFile = QStringLiteral("Could Not Create A File For Export!!!");
inline const QString kMsgExported = QStringLiteral("Data Exported Successfully to: \r");
inline const QString kMsgNotOpen = QStringLiteral("File Could Not Be Open!!!");
inline const QString kMsgImported = QStringLiteral("Data Imported Successfully!!!");

// What an import did, for the closing message.
struct ImportCount {
  int64_t added = 0;
  int64_t notPosted = 0;   // records the table refused
  int64_t blank = 0;       // lines with no value at all
  int64_t cut = 0;         // records with a value cut at 255 characters
  int64_t unreadable = 0;  // values of an exchange table that could not be read
  uint64_t replaced = 0;   // characters with no Windows-1252 byte
  QString stopped;         // why the import stopped early; empty when it ran to the end
};

// The text of the closing message of a text import; empty when there is
// nothing to tell (every line added, nothing cut).
QString importSummary(const ImportCount& count);

// The passes below keep `window` (the view) disabled while they run, and
// enable it again before any message.

// Writes the records the table shows (letter by letter when the letter tabs
// apply) to `path` as the settings say. False when the file cannot be
// written (reported). The caller restores its letter range.
bool exportText(DbTable& records, const QString& path);

// Appends the records of the text file `path` to the record table; the
// closing message is shown when there is something to tell. Records added
// before a failure stay: each one is complete when it is posted.
ImportCount importText(StoreTables& tables, const QString& path, QWidget* window = nullptr);

// `name` as the exchange folder's table name: the file name part, upper
// case, up to its first "."; empty when nothing is left.
QString exchangeTableName(const QString& name);

// Copies the records the table shows into EXPIMP/NAME.DBF (asking before
// replacing one); the caller restores its letter range.
bool exportDbase(DbTable& records, const QString& name, QWidget* window = nullptr);
// Appends the records of EXPIMP/NAME.DBF to the record table.
ImportCount importDbase(StoreTables& tables, const QString& name, QWidget* window = nullptr);

// The text of one field of the current record as the export writes it:
// dates with four-digit years in the DateFormat order, numbers without
// blanks, memos as stored. Table text.
std::string exportFieldText(const DbTable& table, int field);
