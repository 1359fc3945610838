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
  runExportCommand(records, this);
  try {
    setLetterRange(records, letter);
  } catch (const std::exception& e) {
    reportEngineFailure(e);
  }
  refresh();
  focusEntry();
}

void BookView::onImportClicked() {
  if (!tables_->records.active() || isReadOnlyDatabase() || !leaveCurrent()) return;
  if (!runImportCommand(*tables_, this)) {
    focusEntry();
    return;
  }
  activateWindow();
  spread_->setTopRecord(0);
  selectLetter('A');
  reloadCurrent();
}
