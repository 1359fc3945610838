#include <exception>

#include "book/bookview.h"
#include "book/spreadmodel.h"
#include "core/settings.h"
#include "print/printcommand.h"
#include "print/reportjob.h"
#include "store/database.h"
#include "store/letters.h"
#include "store/recordsession.h"
#include "store/tablerescue.h"

void BookView::onPrintClicked() {
  DbTable& records = tables_->records;
  if (!records.active() || !leaveCurrent()) return;
  const uint16_t letterTabs = appSettings().letterTabs;
  const char letter = spread_->currentLetter();
  const auto range = [&records](char l) {
    try {
      setLetterRange(records, l);
    } catch (const std::exception& e) {
      reportEngineFailure(e);
    }
  };
  printHooks().beforePrint = [&] {
    appSettings().letterTabs = 1;
    range(letter);
  };
  printHooks().afterPrint = [&] {
    appSettings().letterTabs = letterTabs;
    range(letter);
  };
  runPrintCommand(records, this);
  printHooks() = {};
  refresh();
  focusEntry();
}

void BookView::onPrintRecordClicked(int slot) {
  DbTable& records = tables_->records;
  if (slot < 0 || !records.active() || !leaveCurrent()) return;
  if (listed_->recordAt(spread_->positionOfSlot(slot))) runPrintRecordCommand(records, this);
  refresh();
  focusEntry();
}
