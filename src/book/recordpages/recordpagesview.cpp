#include "book/recordpages/recordpagesview.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QToolButton>

#include "book/bookpage.h"
#include "book/recordpage.h"
#include "book/recordpages/confirmpagedialog.h"
#include "book/viewhost.h"
#include "core/labels.h"
#include "core/prompt.h"
#include "core/settings.h"
#include "print/printcommand.h"
#include "query/lookup/lookupbox.h"
#include "store/database.h"
#include "store/letters.h"
#include "store/recordsession.h"
#include "store/sortstate.h"
#include "store/storehooks.h"
#include "store/tablerescue.h"
#include "ui/bmpcontrol.h"
#include "ui/captureform.h"
#include "ui/colorbutton.h"
#include "ui/editormenu.h"
#include "ui/editors/dateedit.h"
#include "ui/pageeditors.h"
#include "ui/qtprompter.h"

namespace {

const QString kReadOnly = QStringLiteral("Read Only Access");
const QString kReadWrite = QStringLiteral("Read/Write Access");
const QString kInUse = QStringLiteral("Read Only Access - Record In Use");
const QString kNewRecord = QStringLiteral("New Record");

}  // namespace

RecordPagesView::RecordPagesView(StoreTables& tables, QWidget* owner)
    : QMainWindow(owner, Qt::Window),
      tables_(tables),
      left_(std::make_unique<RecordSession>(tables)),
      right_(std::make_unique<RecordSession>(tables, tables.records)) {
  setObjectName(QStringLiteral("recordPagesView"));
  // An own cursor that could not be opened shows the left page in use.
  left_->setOpenOnLoad(false);
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("client"));
  central->setAutoFillBackground(true);
  setCentralWidget(central);
  editMenu = new EditorMenu(this);
  buildPages();
  buildLetterColumn();
  buildSpeedBar();
  buildMenus();
  // Nothing sits on the advanced bar of this view: its tab set stays hidden.
  hasAdvancedBar = !advancedBar->findChildren<QToolButton*>().isEmpty();
  if (labels().isEmpty())
    for (const FieldDesign& d : fieldDesigns()) labels() << QString::fromLatin1(d.caption);
  applyLayout();
  applyColors();
  qApp->installEventFilter(this);
}

RecordPagesView::~RecordPagesView() {
  qApp->removeEventFilter(this);
  releaseRecords();
  left_->closeCursor();
}

// ---------------------------------------------------------------- showing

void RecordPagesView::applyAccess() {
  const bool ro = isReadOnlyDatabase();
  const bool full = appSettings().copyBufferFull;
  for (int page = 0; page < 2; ++page) {
    const bool on = !ro && !inUse(page);
    for (QWidget* e : editors(page)) {
      e->setEnabled(on);
      colorEditor(e, !on);
    }
    (page == 0 ? leftUndoButton : rightUndoButton)->setEnabled(on);
    (page == 0 ? leftDeleteButton : rightDeleteButton)->setEnabled(on);
    (page == 0 ? leftPasteButton : rightPasteButton)->setEnabled(on && full);
    (page == 0 ? leftCopyButton : rightCopyButton)->setEnabled(!ro);
  }
  newButton->setEnabled(!ro);
  newRecordAction->setEnabled(!ro);
}

// ---------------------------------------------------------------- showing

void RecordPagesView::openAt(char letter, bool tabsOn, int32_t position) {
  letterTabsOn = tabsOn;
  selectLetter(letter);
  left_->closeCursor();
  left_->openCursor();
  pair_.positionOn(position, count());
  // The pages are wider than the contents they replace: a place at the right
  // edge of the screen would hide the right page. Placed before they show,
  // with the frame of the window they replace.
  placeOnScreen(this, pos(), parentWidget());
  show();
  refresh();
}

void RecordPagesView::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (event->spontaneous() || isCapturing(this)) return;  // restored, or back from a capture
  applyLabels();
  applyLayout();
  applyColors();
  if (const QString format = DateEditModel::formatForSetting(appSettings().dateFormat);
      !format.isEmpty())
    for (DateEdit* d : DateEditors) d->setDateFormat(format);
  letterColumn->show();
  for (ColorButton* b : letterButtons) b->setEnabled(letterTabsOn);
  ownerRecolour_ = storeHooks().recolourTab;
  storeHooks().recolourTab = [this](int letter) { colorLetterTab(letter); };
  ownerIndexChanged_ = storeHooks().indexChanged;
  storeHooks().indexChanged = [this] { indexChanged(); };
  exitRequested = false;
  closingForFind = false;
}

void RecordPagesView::hideEvent(QHideEvent* event) {
  QMainWindow::hideEvent(event);
  if (event->spontaneous()) return;
  if (ownerRecolour_) {
    storeHooks().recolourTab = ownerRecolour_;
    for (int i = 0; i < 26; ++i) ownerRecolour_(i);
  }
  ownerRecolour_ = nullptr;
  if (ownerIndexChanged_) storeHooks().indexChanged = ownerIndexChanged_;
  ownerIndexChanged_ = nullptr;
}

void RecordPagesView::indexChanged() {
  DbTable& records = tables_.records;
  if (letterTabsActive()) countLetters(records);
  for (int i = 0; i < 26; ++i) colorLetterTab(i);
  selectLetter('A');
  refresh();
}

void RecordPagesView::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMinimized() && mainDlg())
    mainDlg()->showMinimized();
}

void RecordPagesView::closeEvent(QCloseEvent* event) {
  if (!savePair()) {
    event->ignore();
    return;
  }
  event->accept();
  releaseRecords();
  left_->closeCursor();
  const QPoint where = pos();
  const bool exiting = exitRequested;
  hide();
  if (onHidden) onHidden(where, currentLetter, exiting);
}

int32_t RecordPagesView::count() { return right_->count(); }

void RecordPagesView::selectLetter(char letter) {
  if (letter < 'A' || letter > 'Z') letter = 'A';
  letterButtons[static_cast<size_t>(letter - 'A')]->setSelected(true);
  currentLetter = letter;
  pair_ = PagePair{};
  DbTable& records = tables_.records;
  if (!records.active()) return;
  releaseRecords();
  try {
    if (!setLetterRange(records, letter) && letterTabsOn) {
      // The range could not be set: the letters do not apply any more.
      letterTabsOn = false;
      letterColumn->hide();
    }
  } catch (const std::exception& e) {
    letterTabsOn = false;
    letterColumn->hide();
    reportEngineFailure(e);
  }
}

void RecordPagesView::releaseRecords() {
  left_->release();
  right_->release();
}

void RecordPagesView::clearPage(int page) {
  for (QWidget* e : editors(page)) clearEditor(e);
}

void RecordPagesView::fillPage(int page, const PageValues& values) {
  const auto& pageEditors = editors(page);
  for (int k = 0; k < kPageFieldCount; ++k) {
    QWidget* e = pageEditors[static_cast<size_t>(k)];
    if (auto* pic = qobject_cast<BmpControl*>(e))
      pic->setPicture(values.picture);
    else
      setEditorText(e, values.text[static_cast<size_t>(k)]);
  }
}

PageValues RecordPagesView::pageValues(int page) const {
  PageValues v;
  const auto& pageEditors = editors(page);
  for (int k = 0; k < kPageFieldCount; ++k) {
    const QWidget* e = pageEditors[static_cast<size_t>(k)];
    if (auto* pic = qobject_cast<const BmpControl*>(e))
      v.picture = pic->picture();
    else
      v.text[static_cast<size_t>(k)] = editorText(e);
  }
  return v;
}

bool RecordPagesView::isNew(int page) const { return session(page).isNew(); }

bool RecordPagesView::inUse(int page) const { return session(page).inUse(); }

bool RecordPagesView::pageEmpty(int page) const { return pageIsEmpty(pageValues(page)); }

void RecordPagesView::loadPair() {
  releaseRecords();
  count_ = count();
  // The count first: counting moves the shared cursor, which would post the
  // right record's edit and let its lock go.
  if (letterTabsOn && letterTabsActive()) countLetter(tables_.records, currentLetter);
  // The left record's lock is held by its own cursor, so the shared one may
  // move on to the right record.
  const std::optional<PageValues> left = left_->loadAt(pair_.left);
  if (!left) return;
  fillPage(0, *left);
  if (const auto right = right_->loadAt(pair_.left + 1)) fillPage(1, *right);
}

void RecordPagesView::refresh() {
  clearPage(0);
  clearPage(1);
  if (highlightedEditor) {
    colorEditor(highlightedEditor, !highlightedEditor->isEnabled());
    highlightedEditor = nullptr;
  }
  if (!tables_.records.active()) return;
  try {
    loadPair();
  } catch (const std::exception& e) {
    reportEngineFailure(e);
  }
  const bool ro = isReadOnlyDatabase();
  for (int page = 0; page < 2; ++page) {
    QLabel* status = page == 0 ? leftStatus : rightStatus;
    if (ro)
      status->setText(kReadOnly);
    else if (inUse(page))
      status->setText(kInUse);
    else if (isNew(page))
      status->setText(kNewRecord);
    else
      status->setText(kReadWrite);
  }
  applyAccess();
  const bool tabs = letterTabsOn && letterTabsActive();
  const bool first = pair_.left != 0;
  const bool pgUp = pair_.left != 0 || (tabs && currentLetter != 'A');
  const bool pgDn = pair_.left + 1 < count_ || (tabs && currentLetter != 'Z');
  const bool last = !(pair_.left + 2 >= count_);
  firstButton->setEnabled(first);
  pageUpButton->setEnabled(pgUp);
  pageDownButton->setEnabled(pgDn);
  lastButton->setEnabled(last);
  firstAction->setEnabled(first);
  pageUpAction->setEnabled(pgUp);
  pageDownAction->setEnabled(pgDn);
  lastAction->setEnabled(last);
  if (!ro && !(inUse(0) && inUse(1))) focusPage(pair_.requested != pair_.left || inUse(0) ? 1 : 0);
  leftPageNumber->setText(QString::number(pair_.left + 1).left(6));
  rightPageNumber->setText(QString::number(pair_.left + 2).left(6));
}

void RecordPagesView::focusPage(int page) {
  const int part = pagePart(0);
  selectPart(page, part);
  for (QWidget* e : editors(page))
    if (partOfField(e->property("Tag").toInt() - 1) == part) {
      e->setFocus();
      break;
    }
}

int RecordPagesView::pagePart(int page) const {
  return (page == 0 ? leftPartTabs : rightPartTabs)->currentIndex();
}

void RecordPagesView::selectPart(int page, int part) {
  if (part < 0 || part >= kPageParts) return;
  (page == 0 ? leftPartTabs : rightPartTabs)->setCurrentIndex(part);
}

// ---------------------------------------------------------------- saving

bool RecordPagesView::savePair() {
  // Closing for a non-stop search: the pair was saved already.
  if (!tables_.records.active() || closingForFind) return true;
  const std::vector<QString> labels = labelTexts();
  std::array<PageState, 2> state;
  QString problems;
  for (int page = 0; page < 2; ++page) {
    QString bad;
    state[static_cast<size_t>(page)] = session(page).state(pageValues(page), labels, &bad);
    if (!bad.isEmpty()) problems += (problems.isEmpty() ? QString() : QStringLiteral("\r")) + bad;
  }
  switch (decidePairSave(state[0], state[1], isReadOnlyDatabase())) {
    case PairVerdict::Continue:
      return true;
    case PairVerdict::Ask:
      // While the program ends nobody is asked: the pages are stored as typed.
      if (!shuttingDown()) return RecordSession::askToLeave(problems);
      break;
    case PairVerdict::Save:
      break;
  }
  return storePair(state[0], state[1]) || shuttingDown() || RecordSession::askAfterFailedUpdate();
}

bool RecordPagesView::storePair(const PageState& left, const PageState& right) {
  using Stored = RecordSession::Stored;
  // Right page on the shared cursor, which holds its lock.
  Stored rightStored = Stored::Yes;
  if (storePage(right))
    rightStored = right_->store(pageValues(1));
  else
    right_->release();
  // An engine error leaves the left page as it is.
  if (rightStored == Stored::EngineError) return false;
  // Left page: its lock moves from its own cursor to the shared one.
  if (!storePage(left)) {
    releaseRecords();
    return rightStored == Stored::Yes;
  }
  const Stored leftStored = left_->store(pageValues(0), tables_.records);
  return leftStored == Stored::Yes && rightStored == Stored::Yes;
}

std::vector<QString> RecordPagesView::labelTexts() const {
  std::vector<QString> out;
  for (const QLabel* l : leftLabels) out.push_back(l->text());
  return out;
}

// ---------------------------------------------------------------- navigation

void RecordPagesView::onFirstClicked() {
  if (pair_.left == 0 || !savePair()) return;
  pair_ = PagePair{};
  refresh();
}

void RecordPagesView::onPageUpClicked() {
  const bool tabs = letterTabsOn && letterTabsActive();
  if (pair_.left != 0) {
    if (!savePair()) return;
    pair_.left -= 2;
    pair_.requested = pair_.left;
    refresh();
  } else if (tabs && currentLetter > 'A') {
    if (!savePair()) return;
    selectLetter(static_cast<char>(currentLetter - 1));
    pair_.last(count());
    refresh();
  }
}

void RecordPagesView::onPageDownClicked() {
  const bool tabs = letterTabsOn && letterTabsActive();
  if (pair_.left + 1 >= count_) {
    if (tabs && currentLetter < 'Z') {
      if (!savePair()) return;
      selectLetter(static_cast<char>(currentLetter + 1));
      refresh();
    }
    return;
  }
  if (!savePair()) return;
  pair_.left += 2;
  pair_.requested = pair_.left;
  refresh();
}

void RecordPagesView::onLastClicked() {
  if (pair_.left + 2 >= count_ || !savePair()) return;
  releaseRecords();
  pair_.last(count());
  refresh();
}

void RecordPagesView::onNewClicked() {
  if (isReadOnlyDatabase() || !savePair()) return;
  releaseRecords();
  pair_.newRecord(count());
  refresh();
  focusPage(pair_.requested != pair_.left ? 1 : 0);
}

void RecordPagesView::onLetterClicked(int index) {
  if (!letterTabsOn || !savePair()) return;
  selectLetter(static_cast<char>('A' + index));
  refresh();
}

// ---------------------------------------------------------------- page commands

void RecordPagesView::onUndoClicked(int page) {
  if (isNew(page)) {
    clearPage(page);
    return;
  }
  if (const auto values = session(page).reread()) fillPage(page, *values);
}

void RecordPagesView::onCopyClicked(int page) {
  if (isReadOnlyDatabase()) return;
  if (session(page).copyToBuffer(pageValues(page), true)) applyAccess();
}

void RecordPagesView::onPrintClicked(int page) {
  if (pageEmpty(page) || !savePair()) return;
  // A new page has its number once the pair is stored.
  RecordSession& s = session(page);
  const bool stored = !s.isNew();
  releaseRecords();
  if (stored && s.recordAt(s.listingPosition())) runPrintRecordCommand(tables_.records, this);
  refresh();
}

void RecordPagesView::onPasteClicked(int page) {
  if (const auto values = session(page).pasteFromBuffer()) fillPage(page, *values);
}

void RecordPagesView::onDeleteClicked(int page) {
  if (isReadOnlyDatabase()) return;
  if (page == 0 && pair_.left >= count_) return;
  if (page == 1 && pageEmpty(1)) return;
  int chosen = page;
  if (appSettings().deleteMode == 0) {
    const std::optional<int> answer = ConfirmPageDialog::ask(this, page);
    if (!answer) {
      showMessage(MsgKind::Information, QStringLiteral("Record not Deleted."));
      return;
    }
    chosen = *answer;
  }
  deletePage(chosen);
}

bool RecordPagesView::keepOtherPage(int page) {
  // The other page's record stays held by its own cursor while it is saved.
  const int other = 1 - page;
  return session(other).leave(pageValues(other), labelTexts());
}

bool RecordPagesView::deletePage(int page) {
  if (isNew(page)) {
    clearPage(page);
    return true;
  }
  // Deleting shows the pair again: the other page's edits are saved first.
  if (!keepOtherPage(page) || !session(page).deleteRecord()) return false;
  releaseRecords();
  pair_.positionOn(pair_.requested, count());
  refresh();
  return true;
}

void RecordPagesView::preparePageMenu(int page) {
  PopupItems& items = popup[static_cast<size_t>(page)];
  items.undo->setEnabled((page == 0 ? leftUndoButton : rightUndoButton)->isEnabled());
  items.paste->setEnabled((page == 0 ? leftPasteButton : rightPasteButton)->isEnabled());
  items.copy->setEnabled((page == 0 ? leftCopyButton : rightCopyButton)->isEnabled());
  items.del->setEnabled((page == 0 ? leftDeleteButton : rightDeleteButton)->isEnabled());
  QMenu* view = viewCopyBuffer[static_cast<size_t>(page)];
  view->clear();
  view->setEnabled(items.paste->isEnabled());
  if (isReadOnlyDatabase()) return;
  for (const QString& line : session(page).copyBufferLines()) view->addAction(line);
}

// ---------------------------------------------------------------- find hits and lookups

void RecordPagesView::showFindHit(int field, int start, int length) {
  if (field < 0 || field >= kPageFieldCount) return;
  const int page = pair_.requested == pair_.left ? 0 : 1;
  selectPart(page, partOfField(field));
  if (highlightedEditor) colorEditor(highlightedEditor, !highlightedEditor->isEnabled());
  highlightedEditor = nullptr;
  if (inUse(page)) return;
  QWidget* e = editors(page)[static_cast<size_t>(field)];
  if (!isReadOnlyDatabase()) e->setFocus();
  if (!::showFindHit(e)) return;
  highlightedEditor = e;
  if (auto* memo = qobject_cast<MemoEdit*>(e)) selectMemoText(memo, start, length);
}

bool RecordPagesView::findBeforeFind() {
  if (!savePair()) return false;
  refresh();
  return true;
}

bool RecordPagesView::findBeforeFindAgain(char searchLetter) {
  if (letterTabsOn && letterTabsActive() && searchLetter >= 'A' && searchLetter <= 'Z' &&
      currentLetter != searchLetter) {
    if (!savePair()) return false;
    selectLetter(searchLetter);
    refresh();
  }
  setEnabled(false);  // the search moves the table's cursor
  return true;
}

void RecordPagesView::findOnNotFound(char searchLetter) {
  setEnabled(true);
  if (letterTabsOn && letterTabsActive() && searchLetter >= 'A' && searchLetter <= 'Z' &&
      currentLetter != searchLetter)
    selectLetter(searchLetter);
  refresh();
}

void RecordPagesView::findOnFound(char letter, int32_t position, int field, int start, int length) {
  setEnabled(true);
  if (letter >= 'A' && letter <= 'Z' && letter != currentLetter) {
    // The search already applied the letter's range.
    letterButtons[static_cast<size_t>(letter - 'A')]->setSelected(true);
    currentLetter = letter;
  }
  releaseRecords();
  pair_.positionOn(position, count());
  refresh();
  showFindHit(field, start, length);
}

bool RecordPagesView::findBeforeMarkAll(bool nonStop) {
  if (!savePair()) return false;
  if (nonStop) {
    closingForFind = true;  // saved already: closing saves nothing
    close();
  }
  return true;
}

QWidget* RecordPagesView::fieldLookup(int k) const {
  if (k < 0 || k >= kPageFieldCount) return nullptr;
  return qobject_cast<LookupBox*>(leftEditors[static_cast<size_t>(k)]);
}

QString RecordPagesView::fieldLookupSource(int k) const {
  const auto* box = qobject_cast<const LookupBox*>(fieldLookup(k));
  return box ? box->source() : QString();
}

void RecordPagesView::reloadLookupLists() { lookupLists_.reloadAll(); }

// ---------------------------------------------------------------- keys

bool RecordPagesView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  auto* w = qobject_cast<QWidget*>(watched);
  if (!w || w->window() != this || !isEnabled() || !isVisible()) return false;
  // The key arrives once at the focus widget; its parents see it only when
  // nobody took it, and then we already looked.
  if (w != QApplication::focusWidget() && QApplication::focusWidget() &&
      QApplication::focusWidget()->window() == this)
    return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  if (multiLineEditorKey(w, *key)) return false;
  return handleKey(key);
}

bool RecordPagesView::handleKey(const QKeyEvent* event) {
  const Qt::KeyboardModifiers mods =
      event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
  const int key = event->key();
  auto ifEnabled = [](QToolButton* b, auto&& action) {
    if (b->isEnabled()) action();
    return true;
  };
  if (mods == Qt::ControlModifier || mods == Qt::AltModifier) {
    const int page = mods == Qt::ControlModifier ? 0 : 1;
    if (key >= Qt::Key_1 && key <= Qt::Key_9) {
      selectPart(page, key - Qt::Key_1);  // parts that do not exist are ignored
      return true;
    }
    switch (key) {
      case Qt::Key_Delete:
        return ifEnabled(page == 0 ? leftDeleteButton : rightDeleteButton,
                         [&] { onDeleteClicked(page); });
      case Qt::Key_O:
        return ifEnabled(page == 0 ? leftCopyButton : rightCopyButton,
                         [&] { onCopyClicked(page); });
      case Qt::Key_P:
        return ifEnabled(page == 0 ? leftPasteButton : rightPasteButton,
                         [&] { onPasteClicked(page); });
      case Qt::Key_U:
        return ifEnabled(page == 0 ? leftUndoButton : rightUndoButton,
                         [&] { onUndoClicked(page); });
      case Qt::Key_R:
        return ifEnabled(page == 0 ? leftPrintButton : rightPrintButton,
                         [&] { onPrintClicked(page); });
      default:
        break;
    }
  }
  if (mods == Qt::ControlModifier) {
    switch (key) {
      case Qt::Key_PageUp:
        onPageUpClicked();
        return true;
      case Qt::Key_PageDown:
        onPageDownClicked();
        return true;
      case Qt::Key_End:
        onLastClicked();
        return true;
      case Qt::Key_Home:
        onFirstClicked();
        return true;
      default:
        break;
    }
  }
  if (mods == (Qt::ControlModifier | Qt::AltModifier)) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
      if (letterTabsOn && letterTabsActive()) onLetterClicked(key - Qt::Key_A);
      return true;
    }
    return false;
  }
  if (mods != Qt::NoModifier) return false;
  const QPoint origin = frameGeometry().topLeft();
  if (key == Qt::Key_F2) {
    leftPageMenu->popup(origin + QPoint(50, 100));
    return true;
  }
  if (key == Qt::Key_F3) {
    rightPageMenu->popup(origin + QPoint(frameGeometry().width() / 2 + 50, 100));
    return true;
  }
  return false;
}
