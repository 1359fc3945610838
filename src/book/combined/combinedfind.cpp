// The combined view's answers to the search window: a match becomes the
// current record, with the hit marked in its editor.

#include "book/combined/combinedview.h"

#include <QLineEdit>
#include "book/recordpage.h"
#include "core/settings.h"
#include "query/find/finddialog.h"
#include "query/sort/sortbar.h"
#include "ui/colorbutton.h"
#include "ui/pageeditors.h"

FindHooks CombinedView::findHooks() {
  FindHooks h;
  h.beforeFind = [this](bool forward) { return findBeforeFind(!forward); };
  h.atRangeEnd = [this](bool forward) { return findAtRangeEnd(forward); };
  h.onFound = [this] {
    FindDialog* find = FindDialog::instance();
    if (!find) {
      setEnabled(true);
      return;
    }
    FindSearch& search = find->search();
    const int field = search.currentField() - appSettings().firstUserField;
    const bool memo = field >= 0 && field < kPageFieldCount &&
                      fieldDesigns()[static_cast<size_t>(field)].kind == EditorKind::Memo;
    findOnFound(search.currentLetter(), search.lastFoundPosition(), field,
                memo ? static_cast<int>(search.memoMatch().editorOffset) : -1,
                memo ? static_cast<int>(search.memoMatch().editorLength) : 0, search.text);
  };
  h.onNotFound = [this] {
    FindDialog* find = FindDialog::instance();
    findOnNotFound(searchLetter_, find && find->nonStop());
  };
  h.beforeFindAgain = [this] {
    FindDialog* find = FindDialog::instance();
    findOnNotFound(searchLetter_, find && find->nonStop());
    setEnabled(false);  // the search moves the table's cursor
    return true;
  };
  h.beforeMarkAll = [this] { return findBeforeMarkAll(); };
  h.afterMarkAll = [this] {
    FindDialog* find = FindDialog::instance();
    findAfterMarkAll(find && find->foundCount() > 0);
  };
  return h;
}

bool CombinedView::findBeforeFind(bool fromEnd) {
  if (!saveCurrent()) return false;
  searchLetter_ = spread_->currentLetter();
  const bool tabs = lettersOn();
  if (tabs) {
    selectLetter(fromEnd ? 'Z' : 'A');
    loadCurrent(0);
    refresh();
  }
  if (FindDialog* find = FindDialog::instance()) find->setCurrentLetter(tabs ? currentLetter() : 0);
  setEnabled(false);
  return true;
}

void CombinedView::findOnFound(char letter, int32_t position, int field, int start, int length,
                               const QString& text) {
  setEnabled(true);
  if (letter >= 'A' && letter <= 'Z' && lettersOn()) {
    // The search applied the letter's range already.
    letterButtons[static_cast<size_t>(letter - 'A')]->setSelected(true);
    spread_->selectLetter(letter);
  }
  searchLetter_ = spread_->currentLetter();
  if (position < 0) position = 0;
  spread_->setTopRecord(kPageEntries * (position / kPageEntries));
  loadCurrent(position);
  refresh();
  if (field < 0 || field >= kPageFieldCount) return;
  recordPage->selectPart(partOfField(field));
  if (currentInUse()) return;
  QWidget* e = recordPage->editors[static_cast<size_t>(field)];
  if (!isReadOnlyDatabase()) e->setFocus();
  // The hit in red until the next record is loaded.
  if (!showFindHit(e)) return;
  if (auto* memo = qobject_cast<MemoEdit*>(e)) {
    selectMemoText(memo, start, length);
  } else if (auto* edit = lineEditOf(e)) {
    if (start < 0 && !text.isEmpty()) {
      start = static_cast<int>(edit->text().indexOf(text, 0, Qt::CaseInsensitive));
      length = static_cast<int>(text.size());
    }
    if (start >= 0) edit->setSelection(start, length);
  }
}

void CombinedView::findOnNotFound(char searchLetter, bool nonStop) {
  setEnabled(true);
  if (!nonStop) returnToLetter(searchLetter);
}

bool CombinedView::findBeforeMarkAll() {
  if (!saveCurrent()) return false;
  setEnabled(false);
  // The marking pass needs the table to itself.
  session_->closeCursor();
  return true;
}

void CombinedView::findAfterMarkAll(bool found) {
  setEnabled(true);
  // The cursor was let go before the pass (findBeforeMarkAll).
  showFilterState(found ? fsNormal : fsFilterOff);
}
