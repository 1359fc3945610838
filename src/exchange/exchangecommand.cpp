#include "exchange/exchangecommand.h"

#include <QDir>

#include "core/prompt.h"
#include "core/settings.h"
#include "exchange/exchange.h"
#include "exchange/exchangedialogs.h"
#include "store/database.h"

namespace {

const QString kTextFilter = QStringLiteral("Text files (*.TXT *.txt);;All files (*)");

// Text file or dBASE file; nothing on Cancel.
int askSource(bool exporting, QWidget* parent) {
  ImportSourceDialog source(
      exporting ? QStringLiteral("Export Target") : QStringLiteral("Import Source"),
      exporting ? QStringLiteral("Export To:") : QStringLiteral("Import From:"), parent);
  if (shuttingDown() || source.exec() != QDialog::Accepted) return -1;
  return source.choice();
}

bool askOptions(bool exporting, QWidget* parent) {
  ExchangeOptionsDialog options(
      exporting ? QStringLiteral("Export Options") : QStringLiteral("Import Options"), parent);
  return !shuttingDown() && options.exec() == QDialog::Accepted;
}

// A table name of the exchange folder; empty on Cancel.
QString askTableName(const QString& caption, QWidget* parent) {
  makeExchangeFolder();
  SelectFileDialog select(caption, parent);
  const bool ok = !shuttingDown() && select.exec() == QDialog::Accepted;
  QDir::setCurrent(appSettings().programDir);
  return ok ? select.fileName() : QString();
}

}  // namespace

void runExportCommand(DbTable& records, QWidget* parent) {
  const QString title = QStringLiteral("Enter/Select Export File Name");
  const int source = askSource(true, parent);
  if (source == ImportSourceDialog::TextFile) {
    if (!askOptions(true, parent)) return;
    const QString path = prompter().saveFile({title, appSettings().homeDir, {}, kTextFilter});
    if (!path.isEmpty()) exportText(records, path);
  } else if (source == ImportSourceDialog::DbfFile) {
    const QString name = askTableName(title, parent);
    if (!name.isEmpty()) exportDbase(records, name, parent);
  }
}

bool runImportCommand(StoreTables& tables, QWidget* parent) {
  const QString title = QStringLiteral("Enter/Select Import File Name");
  const int source = askSource(false, parent);
  if (source == ImportSourceDialog::TextFile) {
    if (!askOptions(false, parent)) return false;
    const QString path = prompter().openFile({title, appSettings().homeDir, {}, kTextFilter});
    if (path.isEmpty()) return false;
    importText(tables, path, parent);
    return true;
  }
  if (source == ImportSourceDialog::DbfFile) {
    const QString name = askTableName(title, parent);
    if (name.isEmpty()) return false;
    importDbase(tables, name, parent);
    return true;
  }
  return false;
}
