#include "book/combined/combinedview.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

#include "book/bookpage.h"
#include "book/combined/recordstep.h"
#include "book/recordpage.h"
#include "book/viewhost.h"
#include "core/labels.h"
#include "core/prompt.h"
#include "print/printcommand.h"
#include "query/find/finddialog.h"
#include "query/lookup/lookupbox.h"
#include "query/sort/sortbar.h"
#include "store/database.h"
#include "store/letters.h"
#include "store/listingrows.h"
#include "store/recordsession.h"
#include "store/recordtable.h"
#include "store/recordtext.h"
#include "store/sortstate.h"
#include "store/storehooks.h"
#include "store/tablerescue.h"
#include "ui/captureform.h"
#include "ui/colorbutton.h"
#include "ui/columnheader.h"
#include "ui/confirmdialog.h"
#include "ui/contentsentry.h"
#include "ui/elementcolors.h"
#include "ui/pageeditors.h"
#include "ui/qtprompter.h"

namespace {

constexpr int kSortTop = 3;
constexpr int kHeaderTop = 25;
constexpr int kHeaderHeight = 20;
constexpr int kEntryHeight = 23;
constexpr int kPageButtonsTop = 392;

}  // namespace

CombinedView::CombinedView(QWidget* parent)
    : BookView({kPageEntries, kPageWidth, kPageHeight}, parent) {
  setObjectName(QStringLiteral("combinedView"));
  session_ = std::make_unique<RecordSession>(*tables_);
  buildLeftPage();
  buildRightPage();
  buildLetterColumn((kPageHeight - 26 * 16) / 2, 16);
  buildSpeedBars(72, 84);
  buildMenuBar();
  buildPopupMenus();
  addRecordKeys();
  openBook();
  // At the top right of the screen; the view it replaces lends its frame.
  if (QScreen* screen = QGuiApplication::primaryScreen())
    placeOnScreen(this, QPoint(screen->availableGeometry().right(), 1), currentView());
}

CombinedView::~CombinedView() { session_->closeCursor(); }

// ---------------------------------------------------------------- building

void CombinedView::buildLeftPage() {
  leftPage = new BookPage(centralWidget(), true);
  leftPage->setObjectName(QStringLiteral("leftPage"));
  leftPage->resize(kPageWidth, kPageHeight);
  const int inner = 10;
  const int width = kPageWidth - 36;
  buildSortBar(leftPage);
  sortBar->setGeometry(inner, kSortTop + 3, width, kHeaderHeight);
  buildColumnHeader(leftPage);
  columnHeader->setGeometry(inner, kHeaderTop + 3, width, kHeaderHeight);

  buildPageButtons(leftPage, leftPage, false);
  const int b = 50;
  const int mid = inner + width / 2;
  firstButton->setGeometry(inner + 2, kPageButtonsTop + 4, b, 24);
  pageUpButton->setGeometry(inner + 4 + b, kPageButtonsTop + 4, b, 24);
  sponsorButton->setGeometry(mid - 15, kPageButtonsTop + 1, 30, 30);
  pageDownButton->setGeometry(inner + width - 4 - 2 * b, kPageButtonsTop + 4, b, 24);
  lastButton->setGeometry(inner + width - 2 - b, kPageButtonsTop + 4, b, 24);
}

void CombinedView::buildEntries() {
  const int top0 = kHeaderTop + 3 + kHeaderHeight + 8;
  for (int i = 0; i < kPageEntries; ++i) {
    ContentsEntry* e = addEntry(leftPage, i);
    e->setGeometry(10, top0 + i * (kEntryHeight + 4), kPageWidth - 36, kEntryHeight + 2);
    e->setStayDown(true);
  }
}

void CombinedView::buildRightPage() {
  recordPage = new RecordPage(centralWidget(), QStringLiteral("L"), &lookupLists_);
  recordPage->setObjectName(QStringLiteral("recordPage"));
  connect(recordPage->deleteButton, &QToolButton::clicked, this, &CombinedView::onDeleteClicked);
  connect(recordPage->copyButton, &QToolButton::clicked, this, &CombinedView::onCopyClicked);
  connect(recordPage->pasteButton, &QToolButton::clicked, this, &CombinedView::onPasteClicked);
  connect(recordPage->undoButton, &QToolButton::clicked, this, &CombinedView::onUndoClicked);
  connect(recordPage->previousButton, &QToolButton::clicked, this,
          &CombinedView::onPreviousClicked);
  connect(recordPage->nextButton, &QToolButton::clicked, this, &CombinedView::onNextClicked);
  connect(recordPage->synchronizeButton, &QToolButton::clicked, this,
          &CombinedView::onSynchronizeClicked);
  connect(recordPage->printButton, &QToolButton::clicked, this,
          &CombinedView::onPrintCurrentClicked);
  if (labels().isEmpty())
    for (const FieldDesign& d : fieldDesigns()) labels() << QString::fromLatin1(d.caption);
}

QWidget* CombinedView::rightSide() const { return recordPage; }

void CombinedView::addMoveItems(QMenu* move) {
  previousAction =
      move->addAction(QStringLiteral("&Previous"), this, &CombinedView::onPreviousClicked);
  nextAction = move->addAction(QStringLiteral("&Next"), this, &CombinedView::onNextClicked);
}

void CombinedView::buildPopupMenus() {
  buildEntryMenu();
  buildFormMenu();

  pageMenu = new QMenu(this);
  pageMenu->setObjectName(QStringLiteral("pageMenu"));
  pageCopyBufferMenu = pageMenu->addMenu(QStringLiteral("&View Copy Buffer"));
  pageMenu->addSeparator();
  pagePasteAction =
      pageMenu->addAction(QStringLiteral("&Paste Record"), this, &CombinedView::onPasteClicked);
  pageCopyAction =
      pageMenu->addAction(QStringLiteral("&Copy Record"), this, &CombinedView::onCopyClicked);
  pageUndoAction =
      pageMenu->addAction(QStringLiteral("&Undo Changes"), this, &CombinedView::onUndoClicked);
  pageDeleteAction =
      pageMenu->addAction(QStringLiteral("&Delete Record"), this, &CombinedView::onDeleteClicked);
  pagePrintAction = pageMenu->addAction(QStringLiteral("P&rint Record"), this,
                                        &CombinedView::onPrintCurrentClicked);
  pageSynchronizeAction = pageMenu->addAction(QStringLiteral("S&ynchronize"), this,
                                              &CombinedView::onSynchronizeClicked);
  pageMenu->addSeparator();
  pageMenu->addAction(QStringLiteral("&Help"), [] { showHelpTopic(31); });
  connect(pageMenu, &QMenu::aboutToShow, this, &CombinedView::preparePageMenu);
  recordPage->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(recordPage, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { pageMenu->popup(recordPage->mapToGlobal(at)); });
}

// ---------------------------------------------------------------- database

void CombinedView::releaseCurrent() { session_->release(); }

int32_t CombinedView::useLetter(char letter) {
  DbTable& records = tables_->records;
  if (spread_->tabsActive() && showLetters_ && records.active()) {
    try {
      setLetterRange(records, letter);
    } catch (const std::exception& e) {
      reportEngineFailure(e);
    }
  }
  return count();
}

// ---------------------------------------------------------------- the current record

bool CombinedView::makeCurrent(int32_t position, bool saved) {
  if (!tables_->records.active()) {
    showMessage(MsgKind::Error, QStringLiteral("Database is not Open! Cannot display details."));
    return false;
  }
  if (loaded_ && !saved) {
    const auto p = session_->leaveFor(position, recordPage->values(), recordPage->labelTexts());
    if (!p) {
      refresh();
      return false;
    }
    position = *p;
  }
  loadCurrent(position);
  refresh();
  return true;
}

void CombinedView::loadCurrent(int32_t position, char letter) {
  releaseCurrent();
  recordPage->clear();
  if (position < 0) position = 0;
  positionLetter_ = letter ? letter : spread_->currentLetter();
  letterCount_ = count();
  if (const auto values = session_->loadAt(position)) recordPage->fill(*values);
  currentPosition = position + 1;
  loaded_ = true;
  recordPage->applyDateFormat();
  showCurrentState();
}

void CombinedView::showCurrentState() {
  const bool ro = isReadOnlyDatabase();
  recordPage->pageNumber->setText(currentNew() ? QString()
                                               : QString::number(currentPosition).left(6));
  QString status;
  if (currentNew())
    status = QStringLiteral("New Record");
  else if (ro)
    status = QStringLiteral("Read Only Access");
  else if (currentInUse())
    status = QStringLiteral("Read Only Access - Record In Use");
  else
    status = QStringLiteral("Read/Write Access");
  recordPage->statusLabel->setText(status);
  applyAccess();
}

void CombinedView::applyAccess() {
  const bool ro = isReadOnlyDatabase();
  const bool on = !ro && !currentInUse();
  const bool full = appSettings().copyBufferFull;
  recordPage->setEditorsEnabled(on);
  recordPage->undoButton->setEnabled(on);
  recordPage->deleteButton->setEnabled(on);
  recordPage->pasteButton->setEnabled(on && full);
  recordPage->copyButton->setEnabled(!ro);
  recordPage->synchronizeButton->setEnabled(!currentNew());
  entryPasteAction->setEnabled(!ro && full);
  entryCopyAction->setEnabled(!ro);
  entryDeleteAction->setEnabled(!ro);
  newButton->setEnabled(!ro);
  newRecordAction->setEnabled(!ro);
  applyMaintenanceAccess();

  bool prev = true, next = true;
  const bool tabs = spread_->tabsActive() && showLetters_;
  if (ro && count() == 0) {
    prev = next = false;
  } else if (!currentNew()) {
    if (tabs) {
      prev = hasPreviousRecord(letterCounts(), positionLetter_, currentPosition);
      next = hasNextRecord(letterCounts(), positionLetter_, currentPosition, letterCount_);
    } else {
      prev = currentPosition != 1;
      next = currentPosition < letterCount_;
    }
  }
  recordPage->previousButton->setEnabled(prev);
  recordPage->nextButton->setEnabled(next);
  previousAction->setEnabled(prev);
  nextAction->setEnabled(next);
}

bool CombinedView::saveCurrent() {
  if (!loaded_ || !tables_->records.active()) return true;
  return session_->leave(recordPage->values(), recordPage->labelTexts());
}

void CombinedView::onNewClicked() {
  if (isReadOnlyDatabase() || !tables_->records.active()) return;
  if (!makeCurrent(count())) return;
  if (!currentInUse()) recordPage->focusFirstEditor();
}

void CombinedView::onPreviousClicked() { step(-1); }
void CombinedView::onNextClicked() { step(1); }

void CombinedView::step(int direction) {
  if (!loaded_ || !tables_->records.active() || !saveCurrent()) return;
  const bool tabs = spread_->tabsActive() && showLetters_;
  if (!tabs) {
    const int32_t total = count();
    int32_t p = direction < 0 ? currentPosition - 2 : std::min(currentPosition, total - 1);
    if (p < 0) p = 0;
    loadCurrent(p);
    refresh();
    return;
  }
  const char letter = positionLetter_;
  const char left = spread_->currentLetter();
  const int32_t count = useLetter(letter);
  const RecordTarget target = direction < 0
                                  ? previousRecord(letterCounts(), letter, currentPosition, count)
                                  : nextRecord(letterCounts(), letter, currentPosition, count);
  if (target.valid) {
    // Only the cursors move to the target letter; the left page stays.
    const int32_t targetCount = useLetter(target.letter);
    const int32_t p = target.position < 0 ? std::max(targetCount - 1, 0) : target.position;
    loadCurrent(p, target.letter);
  }
  useLetter(left);
  showCurrentState();
  refresh();
}

void CombinedView::onSynchronizeClicked() {
  if (!loaded_ || currentNew() || !saveCurrent()) return;
  BusyCursor busy;
  const bool tabs = spread_->tabsActive() && showLetters_;
  if (tabs && currentRecordLetter() >= 'A' && currentRecordLetter() <= 'Z' &&
      currentRecordLetter() != spread_->currentLetter()) {
    letterButtons[static_cast<size_t>(currentRecordLetter() - 'A')]->setSelected(true);
    spread_->selectLetter(currentRecordLetter());
  }
  const int32_t a = session_->listingPosition();
  spread_->setTopRecord(kPageEntries * (a / kPageEntries));
  loadCurrent(a);
  refresh();
}

void CombinedView::onDeleteClicked() {
  if (isReadOnlyDatabase() || currentInUse() || !loaded_ || recordPage->isEmpty()) return;
  if (appSettings().deleteMode == 0 && !ConfirmDialog::confirm(this)) {
    showMessage(MsgKind::Information, QStringLiteral("Record not Deleted."));
    return;
  }
  if (currentNew()) {
    recordPage->clear();
    return;
  }
  if (!session_->deleteRecord()) return;
  // The record that now stands at the deleted one's place.
  const char left = spread_->currentLetter();
  const char letter = positionLetter_;
  useLetter(letter);
  loadCurrent(currentPosition - 1, letter);
  useLetter(left);
  showCurrentState();
  refresh();
}

void CombinedView::onPrintCurrentClicked() {
  if (!loaded_ || !tables_->records.active() || recordPage->isEmpty() || !saveCurrent()) return;
  // A new page that was not stored has no record to print.
  if (currentNew()) return;
  const char left = spread_->currentLetter();
  useLetter(positionLetter_);
  if (session_->recordAt(session_->listingPosition()))
    runPrintRecordCommand(tables_->records, this);
  useLetter(left);
  refresh();
}

void CombinedView::onCopyClicked() {
  if (isReadOnlyDatabase() || !loaded_) return;
  if (session_->copyToBuffer(recordPage->values())) applyAccess();
}

void CombinedView::onPasteClicked() {
  if (!appSettings().copyBufferFull || !tables_->copy.active() || currentInUse() ||
      isReadOnlyDatabase())
    return;
  if (const auto values = session_->pasteFromBuffer()) recordPage->fill(*values);
}

void CombinedView::onUndoClicked() {
  if (!loaded_ || currentInUse()) return;
  if (currentNew() || !session_->cursor().active()) {
    recordPage->clear();
    return;
  }
  if (const auto values = session_->reread()) recordPage->fill(*values);
}

// ---------------------------------------------------------------- the left page

bool CombinedView::isCurrentRecord(int32_t number) const {
  return !currentNew() && loaded_ && number == currentNumber();
}

void CombinedView::showSpreadState(int currentSlot) {
  currentEntry = currentSlot;
  if (currentEntry >= 0) {
    clickedEntry = currentEntry;
    entries[static_cast<size_t>(currentEntry)]->setSelected(true);
  } else {
    for (ContentsEntry* e : entries)
      if (e->selected()) e->setSelected(false);
  }
}

int CombinedView::focusSlot() const { return currentEntry >= 0 ? currentEntry : 0; }

void CombinedView::reloadCurrent() {
  if (!loaded_) return;
  loadCurrent(0);
  refresh();
}

// ---------------------------------------------------------------- sorting

bool CombinedView::leaveCurrent() { return saveCurrent(); }

void CombinedView::closeRecords() { session_->closeCursor(); }

bool CombinedView::reopenRecords() { return session_->openCursor(); }

// ---------------------------------------------------------------- entries

void CombinedView::onEntryClicked(int slot) {
  if (slot < 0 || slot >= kPageEntries) return;
  clickedEntry = slot;
  makeCurrent(spread_->positionOfSlot(slot));
}

void CombinedView::entryMenuOpening(int slot) { clickedEntry = slot; }

void CombinedView::preparePageMenu() {
  pagePasteAction->setEnabled(recordPage->pasteButton->isEnabled());
  pageCopyAction->setEnabled(recordPage->copyButton->isEnabled());
  pageUndoAction->setEnabled(recordPage->undoButton->isEnabled());
  pageDeleteAction->setEnabled(recordPage->deleteButton->isEnabled());
  pageSynchronizeAction->setEnabled(recordPage->synchronizeButton->isEnabled());
  fillCopyBufferMenu(pageCopyBufferMenu);
  pageCopyBufferMenu->setEnabled(pageCopyBufferMenu->isEnabled() && pagePasteAction->isEnabled());
}

void CombinedView::onPasteRecordClicked(int slot) {
  if (slot < 0 || !tables_->records.active() || !tables_->copy.active() || isReadOnlyDatabase() ||
      !appSettings().copyBufferFull)
    return;
  if (slot == currentEntry) {
    onPasteClicked();
    return;
  }
  if (session_->pasteInto(spread_->positionOfSlot(slot)) == RecordSession::Pasted::Nothing) return;
  refresh();
  if (!loaded_) return;
  // The current record may stand one place further or nearer now.
  const bool tabs = spread_->tabsActive() && showLetters_;
  currentPosition =
      session_->positionAfterPaste(currentPosition - 1, tabs, spread_->currentLetter()) + 1;
  letterCount_ = count();
  showCurrentState();
}

void CombinedView::onDeleteRecordClicked(int slot) {
  if (slot < 0 || !tables_->records.active() || isReadOnlyDatabase()) return;
  if (slot == currentEntry) {
    onDeleteClicked();
    return;
  }
  const int32_t position = spread_->positionOfSlot(slot);
  const DeleteOutcome outcome = deleteListedRecord(position);
  if (outcome == DeleteOutcome::Kept) return;
  const bool deleted = outcome == DeleteOutcome::Deleted;
  const bool sameList = !lettersOn() || positionLetter_ == spread_->currentLetter();
  if (deleted && loaded_)
    currentPosition =
        RecordSession::positionAfterDelete(currentPosition - 1, position, sameList, currentNew()) +
        1;
  refresh();
  letterCount_ = count();
  showCurrentState();
}

// ---------------------------------------------------------------- showing and closing

void CombinedView::applyReadOnlyMode() { applyAccess(); }

void CombinedView::showEvent(QShowEvent* event) {
  BookView::showEvent(event);
  if (event->spontaneous() || isCapturing(this)) return;  // restored, or back from a capture
  if (databaseOpen()) setDatabaseCaption();
  recordPage->applyLabels();
  columnHeader->refreshCaptions();
  updateSortButtonLabels();
  recordPage->applyDateFormat();
  storeHooks().indexChanged = [this] { indexChanged(); };
  storeHooks().recolourTab = [this](int letter) { colorLetterTab(letter); };
  if (!loaded_ && databaseOpen()) {
    session_->openCursor();
    makeCurrent(0);
  } else {
    refresh();
  }
  applyAccess();
}

void CombinedView::closeEvent(QCloseEvent* event) {
  if (!switchingModel && !saveCurrent()) {
    event->ignore();
    return;
  }
  session_->closeCursor();
  loaded_ = false;
  // The other book model opens the tables before this view is freed.
  if (switchingModel) {
    tables_->records.close();
    tables_->copy.close();
    tables_->catalogue.close();
  }
  BookView::closeEvent(event);
}

// ---------------------------------------------------------------- layout and colours

void CombinedView::applyPageColors() {
  recordPage->applyColors();
  QPalette number = recordPage->pageNumber->palette();
  number.setColor(QPalette::WindowText, elementColor(19));
  recordPage->pageNumber->setPalette(number);
}

void CombinedView::applyRecordOptions() {
  recordPage->applyLabels();
  recordPage->applyDateFormat();
}

// ---------------------------------------------------------------- keys

void CombinedView::addRecordKeys() {
  const auto alt = Qt::AltModifier;
  // Buttons of the record page answer only while they are on.
  auto whenOn = [](QToolButton* button, void (CombinedView::*handler)(), CombinedView* view) {
    return [=] {
      if (button->isEnabled()) (view->*handler)();
    };
  };
  keys_.addRange(Qt::Key_1, Qt::Key_9, alt, [this](int part) { recordPage->selectPart(part); });
  keys_.add(Qt::Key_PageUp, alt, [this] { onPreviousClicked(); });
  keys_.add(Qt::Key_PageDown, alt, [this] { onNextClicked(); });
  keys_.add(Qt::Key_Delete, alt,
            whenOn(recordPage->deleteButton, &CombinedView::onDeleteClicked, this));
  keys_.add(Qt::Key_C, alt, whenOn(recordPage->copyButton, &CombinedView::onCopyClicked, this));
  keys_.add(Qt::Key_P, alt, whenOn(recordPage->pasteButton, &CombinedView::onPasteClicked, this));
  keys_.add(Qt::Key_U, alt, whenOn(recordPage->undoButton, &CombinedView::onUndoClicked, this));
  keys_.add(Qt::Key_R, alt, [this] { onPrintCurrentClicked(); });
  keys_.add(Qt::Key_Y, alt, [this] { onSynchronizeClicked(); });
  keys_.add(Qt::Key_F4, Qt::NoModifier, [this] {
    pageMenu->popup(frameGeometry().topLeft() + QPoint(frameGeometry().width() / 2 + 50, 200));
  });
}

QWidget* CombinedView::fieldLookup(int k) const {
  if (k < 0 || k >= kPageFieldCount) return nullptr;
  return qobject_cast<LookupBox*>(recordPage->editors[static_cast<size_t>(k)]);
}

QString CombinedView::fieldLookupSource(int k) const {
  const auto* box = qobject_cast<const LookupBox*>(fieldLookup(k));
  return box ? box->source() : QString();
}

void CombinedView::reloadLookupLists() { lookupLists_.reloadAll(); }
