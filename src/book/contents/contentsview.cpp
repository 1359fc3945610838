#include "book/contents/contentsview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

#include "book/bookpage.h"
#include "book/recordpages/recordpagesview.h"
#include "book/viewhost.h"
#include "core/prompt.h"
#include "core/settings.h"
#include "query/find/finddialog.h"
#include "query/sort/sortbar.h"
#include "store/database.h"
#include "store/letters.h"
#include "store/storehooks.h"
#include "ui/columnheader.h"
#include "ui/contentsentry.h"
#include "ui/elementcolors.h"

namespace {

constexpr int kHeaderTop = 19;
constexpr int kHeaderHeight = 20;
constexpr int kEntryHeight = 23;
constexpr int kButtonsTop = 351;

}  // namespace

ContentsView::ContentsView(QWidget* parent)
    : BookView({kSpreadEntries, kPageWidth, kPageHeight}, parent) {
  setObjectName(QStringLiteral("contentsView"));
  buildPages();
  buildLetterColumn(0, 15);
  buildSpeedBars(68, 78);
  buildMenuBar();
  buildPopupMenus();
  recordPages = new RecordPagesView(*tables_, this);
  recordPages->onHidden = [this](const QPoint& where, char letter, bool exitRequested) {
    recordPagesHidden(where, letter, exitRequested);
  };
  recordPages->onSearch = [this] {
    if (tables_->records.active())
      FindDialog::openFor(this, tables_->records, pagesFindHooks(), recordPages);
  };
  openBook();
  // At the top right of the screen; the view it replaces lends its frame.
  if (QScreen* screen = QGuiApplication::primaryScreen())
    placeOnScreen(this, QPoint(screen->availableGeometry().right(), 1), currentView());
}

ContentsView::~ContentsView() {
  // The pages hold records of the tables freed with the base.
  delete recordPages;
  recordPages = nullptr;
}

// ---------------------------------------------------------------- building

void ContentsView::buildPages() {
  auto* left = new BookPage(centralWidget(), true);
  auto* right = new BookPage(centralWidget(), false);
  leftPage = left;
  rightPage = right;
  leftPage->setObjectName(QStringLiteral("leftPage"));
  rightPage->setObjectName(QStringLiteral("rightPage"));
  for (QFrame* page : {leftPage, rightPage}) page->resize(kPageWidth, kPageHeight);

  QFont titleFont(QStringLiteral("Arial"));
  titleFont.setPixelSize(12);
  titleFont.setBold(true);
  titleFont.setLetterSpacing(QFont::AbsoluteSpacing, 2);
  leftHeading = new QLabel(QStringLiteral("TABLE OF CONTENTS"), leftPage);
  rightHeading = new QLabel(QStringLiteral("TABLE OF CONTENTS"), rightPage);
  for (QLabel* l : {leftHeading, rightHeading}) {
    l->setFont(titleFont);
    l->setAlignment(Qt::AlignCenter);
    l->setGeometry(5, 2, kPageWidth - 10, 16);
  }

  buildColumnHeader(leftPage);
  columnHeader->setGeometry(5, kHeaderTop, 260, kHeaderHeight);
  buildSortBar(rightPage);
  sortBar->setGeometry(5, kHeaderTop, 260, kHeaderHeight);

  buildPageButtons(leftPage, rightPage, true);
  firstButton->setGeometry(8, kButtonsTop, 62, 22);
  pageUpButton->setGeometry(74, kButtonsTop, 62, 22);
  pageDownButton->setGeometry(kPageWidth - 136, kButtonsTop, 62, 22);
  lastButton->setGeometry(kPageWidth - 70, kButtonsTop, 62, 22);
  sponsorButton->setGeometry(kPageWidth - 40, kButtonsTop - 4, 30, 30);

  QFont numberFont(QStringLiteral("Arial"));
  numberFont.setPixelSize(11);
  numberFont.setItalic(true);
  leftPageNumber = new QLabel(QStringLiteral("999999"), leftPage);
  rightPageNumber = new QLabel(QStringLiteral("999999"), rightPage);
  leftPageNumber->setObjectName(QStringLiteral("leftPageNumber"));
  rightPageNumber->setObjectName(QStringLiteral("rightPageNumber"));
  leftPageNumber->setFont(numberFont);
  rightPageNumber->setFont(numberFont);
  leftPageNumber->setGeometry(10, kPageHeight - 16, 60, 14);
  rightPageNumber->setGeometry(kPageWidth - 70, kPageHeight - 16, 60, 14);
  leftPageNumber->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  rightPageNumber->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void ContentsView::buildEntries() {
  const int top0 = kHeaderTop + kHeaderHeight + 8;
  for (int page = 0; page < 2; ++page) {
    QFrame* panel = page == 0 ? leftPage : rightPage;
    auto& list = page == 0 ? leftEntries : rightEntries;
    for (int i = 0; i < kPageEntries; ++i) {
      ContentsEntry* e = addEntry(panel, page * kPageEntries + i);
      e->setGeometry(5, top0 + i * (kEntryHeight + 2), kPageWidth - 10, kEntryHeight);
      list.push_back(e);
    }
  }
}

void ContentsView::buildPopupMenus() {
  buildEntryMenu();
  buildFormMenu();
}

QWidget* ContentsView::rightSide() const { return rightPage; }

// ---------------------------------------------------------------- showing

void ContentsView::showSpreadState(int) {
  leftPageNumber->setText(spread_->leftPageNumber());
  rightPageNumber->setText(spread_->rightPageNumber());
}

void ContentsView::showEvent(QShowEvent* event) {
  BookView::showEvent(event);
  if (databaseOpen()) setDatabaseCaption();
  applyDateFormat();
  storeHooks().indexChanged = [this] { indexChanged(); };
  refresh();
  applyReadOnlyMode();
}

void ContentsView::applyDateFormat() {
  // Dates are formatted on demand from DateFormat (see recordtext.h); a new
  // format shows at the next refresh.
}

void ContentsView::applyPageColors() {
  for (QLabel* l : {leftHeading, rightHeading, leftPageNumber, rightPageNumber}) {
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, elementColor(10));
    p.setColor(QPalette::Window, elementColor(11));
    l->setPalette(p);
  }
  static_cast<BookPage*>(rightPage)->color = elementColor(12);
}

void ContentsView::applyReadOnlyMode() {
  const bool ro = isReadOnlyDatabase();
  entryDeleteAction->setEnabled(!ro);
  entryCopyAction->setEnabled(!ro);
  entryPasteAction->setEnabled(!ro && appSettings().copyBufferFull);
  newRecordAction->setEnabled(!ro);
  newButton->setEnabled(!ro);
  applyMaintenanceAccess();
  // Import and export are off until they exist.
}

// ---------------------------------------------------------------- records

void ContentsView::onEntryClicked(int slot) {
  if (!tables_->records.active()) {
    showMessage(MsgKind::Error, QStringLiteral("Database is not Open! Cannot display details."));
    return;
  }
  recordPages->setWindowTitle(windowTitle());
  recordPages->move(pos());
  recordPages->openAt(spread_->currentLetter(), lettersOn(), spread_->positionOfSlot(slot));
  hide();
  // An open search window now searches for the pages.
  if (FindDialog* find = FindDialog::instance()) find->setHooks(pagesFindHooks());
}

void ContentsView::recordPagesHidden(const QPoint& where, char letter, bool exitRequested) {
  placeOnScreen(this, where, recordPages);
  if (exitRequested) {
    close();
    return;
  }
  selectLetter(letter);
  show();
  if (FindDialog* find = FindDialog::instance()) find->setHooks(findHooks());
}

void ContentsView::closeEvent(QCloseEvent* event) {
  // Closed while the record pages are up (a signal, the end of the session):
  // what was typed there is saved first.
  if (!switchingModel && recordPages && recordPages->isVisible()) {
    if (!recordPages->savePair()) {
      event->ignore();
      return;
    }
    recordPages->hide();
  }
  BookView::closeEvent(event);
}

std::optional<QStringList> ContentsView::fieldValues(int k) const {
  return recordPages ? lookupValues(recordPages->fieldLookup(k)) : std::nullopt;
}

std::function<QString(int)> ContentsView::listSources() const {
  if (!recordPages) return {};
  return [pages = recordPages](int k) { return pages->fieldLookupSource(k); };
}

void ContentsView::reloadLists() {
  if (recordPages) recordPages->reloadLookupLists();
}

void ContentsView::onNewClicked() {
  if (isReadOnlyDatabase()) return;
  onEntryClicked(static_cast<int>(::recordCount(tables_->records)) - spread_->topRecord());
}

void ContentsView::onDeleteRecordClicked(int slot) {
  if (slot < 0 || !tables_->records.active() || isReadOnlyDatabase()) return;
  if (deleteListedRecord(spread_->positionOfSlot(slot)) != DeleteOutcome::Kept) refresh();
}

// ---------------------------------------------------------------- find

FindHooks ContentsView::findHooks() {
  FindHooks h;
  h.beforeFind = [this](bool forward) { return findBeforeFind(forward); };
  h.atRangeEnd = [this](bool forward) { return findAtRangeEnd(forward); };
  h.onFound = [this] { findOnFound(); };
  h.onNotFound = [this] { findOnNotFound(); };
  h.beforeFindAgain = [this] {
    findOnNotFound();
    // The search moves the table's cursor: no paging meanwhile.
    setEnabled(false);
    return true;
  };
  h.beforeMarkAll = [this] {
    setEnabled(false);
    return true;
  };
  h.afterMarkAll = [this] { findOnNotFound(); };
  return h;
}

bool ContentsView::findBeforeFind(bool forward) {
  searchLetter_ = currentLetter();
  const char start = forward ? 'A' : 'Z';
  if (lettersOn() && currentLetter() != start) selectLetter(start);
  reportFindLetter();
  setEnabled(false);
  return true;
}

void ContentsView::findOnFound() {
  setEnabled(true);
  FindDialog* find = FindDialog::instance();
  const int32_t position = find ? find->search().lastFoundPosition() : 0;
  searchLetter_ = currentLetter();
  if (!recordPages || !tables_->records.active() || !find) {
    spread_->setTopRecord(position - position % kSpreadEntries);
    refresh();
    if (ContentsEntry* e = entry(position % kSpreadEntries)) e->setFocus();
    return;
  }
  // The found record opens on the record pages, which take the search over.
  const int field = find->search().currentField() - appSettings().firstUserField;
  const MemoMatch& memo = find->search().memoMatch();
  recordPages->setWindowTitle(windowTitle());
  recordPages->move(pos());
  recordPages->openAt(currentLetter(), lettersOn(), position);
  hide();
  recordPages->showFindHit(field, static_cast<int>(memo.editorOffset),
                           static_cast<int>(memo.editorLength));
  find->setHooks(pagesFindHooks());
}

FindHooks ContentsView::pagesFindHooks() {
  FindHooks h;
  h.beforeFind = [this](bool) { return recordPages->findBeforeFind(); };
  h.atRangeEnd = [this](bool forward) { return findAtRangeEnd(forward); };
  h.onFound = [this] {
    FindDialog* find = FindDialog::instance();
    if (!find) return;
    const MemoMatch& memo = find->search().memoMatch();
    recordPages->findOnFound(find->search().currentLetter(), find->search().lastFoundPosition(),
                             find->search().currentField() - appSettings().firstUserField,
                             static_cast<int>(memo.editorOffset),
                             static_cast<int>(memo.editorLength));
    searchLetter_ = find->search().currentLetter();
  };
  h.onNotFound = [this] { recordPages->findOnNotFound(searchLetter_); };
  h.beforeFindAgain = [this] { return recordPages->findBeforeFindAgain(searchLetter_); };
  // A non-stop search closes the pages; the contents show its result.
  h.beforeMarkAll = [this] {
    if (!recordPages->findBeforeMarkAll(true)) return false;
    setEnabled(false);
    return true;
  };
  h.afterMarkAll = [this] { findOnNotFound(); };
  return h;
}

bool ContentsView::findOnNotFound() {
  setEnabled(true);
  FindDialog* find = FindDialog::instance();
  if (find && find->nonStop())
    applyFilterState(find->foundCount() > 0 ? 1 : 0);
  else
    returnToLetter(searchLetter_);
  return true;
}
