#include <exception>

#include "book/bookview.h"
#include "book/spreadmodel.h"
#include "core/settings.h"
#include "exchange/exchangecommand.h"
#include "store/database.h"
#include "store/letters.h"
#include "store/tablerescue.h"

void BookView::onExportClicked() {
  DbTable& records = tables_->records;
  if (!records.active() || !leaveCurrent()) return;
  const char letter = spread_->currentLetter();
  // The record page's own cursor lets go, so the pass can have the table alone.
  closeRecords();
  runExportCommand(records, this);
  reopenRecords();
  try {
    setLetterRange(records, letter);
  } catch (const std::exception& e) {
    reportEngineFailure(e);
  }
  refresh();
  reloadCurrent();
  focusEntry();
}

void BookView::onImportClicked() {
  if (!tables_->records.active() || isReadOnlyDatabase() || !leaveCurrent()) return;
  closeRecords();
  const bool imported = runImportCommand(*tables_, this);
  reopenRecords();
  if (!imported) {
    reloadCurrent();
    focusEntry();
    return;
  }
  activateWindow();
  spread_->setTopRecord(0);
  selectLetter('A');
  reloadCurrent();
}
