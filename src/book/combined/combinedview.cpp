#include "book/combined/combinedview.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "ui/aboutbox.h"
#include "book/bookpage.h"
#include "ui/colorbutton.h"
#include "store/database.h"
#include "ui/confirmdialog.h"
#include "query/find/finddialog.h"
#include "ui/contentsentry.h"
#include "book/viewhost.h"
#include "core/labels.h"
#include "store/letters.h"
#include "ui/columnheader.h"
#include "ui/pageeditors.h"
#include "core/prompt.h"
#include "ui/qtprompter.h"
#include "book/recordpage.h"
#include "book/combined/recordstep.h"
#include "store/recordsession.h"
#include "store/recordtable.h"
#include "store/recordtext.h"
#include "query/sort/sortbar.h"
#include "query/sort/sortdialog.h"
#include "store/sortstate.h"
#include "store/storehooks.h"
#include "book/tablelisting.h"
#include "ui/elementcolors.h"

namespace {

constexpr int kSortTop = 3;
constexpr int kHeaderTop = 25;
constexpr int kHeaderHeight = 20;
constexpr int kEntryHeight = 23;
constexpr int kSpeedBarHeight = 46;
constexpr int kTabSetHeight = 22;
constexpr int kPageButtonsTop = 392;

const QString kEntryHint = QStringLiteral("Left Click - Details; Right Click - Menu");
const QString kDiscardQuestion = QStringLiteral(
    "\rDo you want to continue anyway?\r(If you answer Yes changes to the current record will be "
    "discarded.)");

QPushButton* pageButton(QWidget* page, const char* name, const QString& text, const char* hint) {
  auto* b = new QPushButton(text, page);
  b->setObjectName(QString::fromLatin1(name));
  b->setToolTip(QString::fromLatin1(hint));
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

struct BusyCursor {
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() {
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  }
};

}  // namespace

CombinedView::CombinedView(QWidget* parent) : BookView(parent) {
  setObjectName(QStringLiteral("combinedView"));
  setToolTip(QStringLiteral("Use Right Mouse Button To Display Popup Menus"));
  tables_ = std::make_unique<StoreTables>();
  listing_ = std::make_unique<TableListing>(tables_->records);
  spread_ = std::make_unique<SpreadModel>(*listing_, kPageEntries);
  session_ = std::make_unique<RecordSession>(*tables_);
  sortState().Table = &tables_->records;

  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("client"));
  central->setAutoFillBackground(true);
  setCentralWidget(central);

  buildLeftPage();
  buildRightPage();
  buildLetterColumn();
  buildSpeedBars(centralWidget(), kSpeedBarHeight, 72, 84);
  buildMenus();
  buildPopupMenus();

  storeHooks().indexChanged = [this] { indexChanged(); };
  storeHooks().recolourTab = [this](int letter) { colorLetterTab(letter); };
  storeHooks().busyCursor = [](bool busy) {
    if (busy)
      QApplication::setOverrideCursor(Qt::WaitCursor);
    else
      while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  };

  columnHeader->loadFromFile(joinPath(appSettings().homeDir, QStringLiteral("header.dat")));
  buildEntries();
  openDatabaseAndCaption();
  applyLayout();
  applyColors();
  sortBar->setFilterState(appSettings().filterState);
  updateSortButtonLabels();
  if (databaseOpen_) {
    if (letterTabsActive()) countLetters(tables_->records);
    applyLetterTabs();
    selectLetter('A');
  }
  qApp->installEventFilter(this);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(std::max(0, screen->availableGeometry().width() - frameGeometry().width()), 1);
}

CombinedView::~CombinedView() {
  qApp->removeEventFilter(this);
  FindDialog::viewClosing(this);
  session_->closeCursor();
  // After a switch of book model the other view owns the hooks already.
  if (currentView() == this) {
    storeHooks().indexChanged = nullptr;
    storeHooks().recolourTab = nullptr;
  }
  if (sortState().Table == &tables_->records) sortState().Table = nullptr;
}

// ---------------------------------------------------------------- building

void CombinedView::buildLeftPage() {
  leftPage = new BookPage(centralWidget(), true);
  leftPage->setObjectName(QStringLiteral("leftPage"));
  leftPage->resize(kPageWidth, kPageHeight);
  const int inner = 10;
  const int width = kPageWidth - 36;

  sortBar = new SortBar(leftPage);
  sortBar->setObjectName(QStringLiteral("sortBar"));
  sortBar->setGeometry(inner, kSortTop + 3, width, kHeaderHeight);
  sortBar->setHelpContext(103);
  sortBar->setHint1(
      QStringLiteral("[Primary Sort Field]: Left Click - Sort Options; Right Click - Menu"));
  sortBar->setHint2(
      QStringLiteral("[Secondary Sort Field]: Left Click - Sort Options; Right Click - Menu"));
  sortBar->setHint3(QStringLiteral("Left Click - Set Filter;  Right Click - Menu"));
  sortBar->setSortSource([] {
    const SortState& s = sortState();
    SortFields f;
    f.firstField = s.firstField;
    f.secondField = s.secondField;
    f.firstDescending = s.firstDescending;
    f.secondDescending = s.secondDescending;
    return f;
  });
  connect(sortBar, &SortBar::clicked, this, &CombinedView::onSortClicked);
  connect(sortBar, &SortBar::sortByClick, this, &CombinedView::sortButtonChoice);
  connect(sortBar, &SortBar::filterMenuClick, this, &CombinedView::applyFilterState);
  connect(sortBar, &SortBar::sort1MenuClick, this, &CombinedView::sortButtonChoice);
  connect(sortBar, &SortBar::sort2MenuClick, this, &CombinedView::sortButtonChoice);

  columnHeader = new ColumnHeader(leftPage);
  columnHeader->setObjectName(QStringLiteral("columnHeader"));
  columnHeader->setGeometry(inner, kHeaderTop + 3, width, kHeaderHeight);
  columnHeader->setToolTip(QStringLiteral("Left Click - Change Order;  Right Click - Menu"));
  connect(columnHeader, &ColumnHeader::onHChange, this, [this] { onColumnHeaderChanged(); });

  firstButton = pageButton(leftPage, "firstButton", QString(), "GoTo First Page [Ctrl+Home]");
  pageUpButton = pageButton(leftPage, "pageUpButton", QString(), "GoTo Previous Page [Ctrl+PgUp]");
  pageDownButton = pageButton(leftPage, "pageDownButton", QString(), "GoTo Next Page [Ctrl+PgDn]");
  lastButton = pageButton(leftPage, "lastButton", QString(), "GoTo Last Page [Ctrl+End]");
  firstButton->setIcon(style()->standardIcon(QStyle::SP_MediaSkipBackward));
  pageUpButton->setIcon(style()->standardIcon(QStyle::SP_MediaSeekBackward));
  pageDownButton->setIcon(style()->standardIcon(QStyle::SP_MediaSeekForward));
  lastButton->setIcon(style()->standardIcon(QStyle::SP_MediaSkipForward));
  sponsorButton = pageButton(leftPage, "SponsorBtn", QString(), "Go To Tomekeeper Home Page [Ctrl+G]");
  sponsorButton->setIcon(QIcon(programPixmap()));
  sponsorButton->setIconSize(QSize(24, 24));
  sponsorButton->setFlat(true);
  const int b = 50;
  const int mid = inner + width / 2;
  firstButton->setGeometry(inner + 2, kPageButtonsTop + 4, b, 24);
  pageUpButton->setGeometry(inner + 4 + b, kPageButtonsTop + 4, b, 24);
  sponsorButton->setGeometry(mid - 15, kPageButtonsTop + 1, 30, 30);
  pageDownButton->setGeometry(inner + width - 4 - 2 * b, kPageButtonsTop + 4, b, 24);
  lastButton->setGeometry(inner + width - 2 - b, kPageButtonsTop + 4, b, 24);
  connect(firstButton, &QPushButton::clicked, this, &CombinedView::onFirstClicked);
  connect(pageUpButton, &QPushButton::clicked, this, &CombinedView::onPageUpClicked);
  connect(pageDownButton, &QPushButton::clicked, this, &CombinedView::onPageDownClicked);
  connect(lastButton, &QPushButton::clicked, this, &CombinedView::onLastClicked);
  connect(sponsorButton, &QPushButton::clicked, this,
          [] { QDesktopServices::openUrl(QUrl(appSettings().homePageUrl)); });
}

void CombinedView::buildEntries() {
  const int top0 = kHeaderTop + 3 + kHeaderHeight + 8;
  for (int i = 0; i < kPageEntries; ++i) {
    auto* e = new ContentsEntry(leftPage);
    e->setObjectName(QStringLiteral("Entry%1").arg(i));
    e->setProperty("Tag", i);
    e->setGeometry(10, top0 + i * (kEntryHeight + 4), kPageWidth - 36, kEntryHeight + 2);
    e->setToolTip(kEntryHint);
    e->setTabStop(true);
    e->setStayDown(true);
    e->setGap(0);
    e->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(e, &ColorButton::clicked, this, [this, i] { onEntryClicked(i); });
    connect(e, &QWidget::customContextMenuRequested, this,
            [this, e, i](const QPoint& pos) { showEntryMenu(i, e->mapToGlobal(pos)); });
    entries.push_back(e);
  }
  onColumnHeaderChanged();
}

void CombinedView::buildRightPage() {
  recordPage = new RecordPage(centralWidget(), QStringLiteral("L"));
  recordPage->setObjectName(QStringLiteral("recordPage"));
  connect(recordPage->deleteButton, &QToolButton::clicked, this, &CombinedView::onDeleteClicked);
  connect(recordPage->copyButton, &QToolButton::clicked, this, &CombinedView::onCopyClicked);
  connect(recordPage->pasteButton, &QToolButton::clicked, this, &CombinedView::onPasteClicked);
  connect(recordPage->undoButton, &QToolButton::clicked, this, &CombinedView::onUndoClicked);
  connect(recordPage->previousButton, &QToolButton::clicked, this, &CombinedView::onPreviousClicked);
  connect(recordPage->nextButton, &QToolButton::clicked, this, &CombinedView::onNextClicked);
  connect(recordPage->synchronizeButton, &QToolButton::clicked, this, &CombinedView::onSynchronizeClicked);
  // Printing comes with the report subsystem.
  recordPage->printButton->setEnabled(false);
  if (labels().isEmpty())
    for (const FieldDesign& d : fieldDesigns()) labels() << QString::fromLatin1(d.caption);
}

void CombinedView::buildLetterColumn() {
  letterColumn = ::buildLetterColumn(centralWidget(), kLetterColumnWidth, kPageHeight, (kPageHeight - 26 * 16) / 2, 16,
                               letterButtons, [this](int i) { onLetterClicked(i); });
}


void CombinedView::buildMenus() {
  QMenuBar* bar = menuBar();
  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  newRecordAction = file->addAction(QStringLiteral("&New Record"), this, &CombinedView::onNewClicked);
  QAction* load = file->addAction(QStringLiteral("&Load Database"));
  QAction* print = file->addAction(QStringLiteral("&Print"));
  file->addAction(QStringLiteral("&Exit"), this, &QWidget::close);
  QMenu* search = bar->addMenu(QStringLiteral("&Search"));
  search->addAction(QStringLiteral("&Find"), this, &CombinedView::onSearchClicked);
  QAction* options = bar->addAction(QStringLiteral("&Options"));
  QMenu* move = bar->addMenu(QStringLiteral("&Move"));
  firstAction = move->addAction(QStringLiteral("&First"), this, &CombinedView::onFirstClicked);
  pageUpAction = move->addAction(QStringLiteral("Page&Up"), this, &CombinedView::onPageUpClicked);
  pageDownAction = move->addAction(QStringLiteral("Page&Down"), this, &CombinedView::onPageDownClicked);
  lastAction = move->addAction(QStringLiteral("&Last"), this, &CombinedView::onLastClicked);
  previousAction = move->addAction(QStringLiteral("&Previous"), this, &CombinedView::onPreviousClicked);
  nextAction = move->addAction(QStringLiteral("&Next"), this, &CombinedView::onNextClicked);
  QMenu* advanced = bar->addMenu(QStringLiteral("&Advanced"));
  QAction* exportItem = advanced->addAction(QStringLiteral("&Export"));
  QAction* importItem = advanced->addAction(QStringLiteral("&Import"));
  QAction* password = advanced->addAction(QStringLiteral("&Password"));
  QAction* maintenance = advanced->addAction(QStringLiteral("&Maintenance"));
  QAction* filter = advanced->addAction(QStringLiteral("&Filter"));
  advanced->addAction(QStringLiteral("&Sort"), this, &CombinedView::onSortClicked);
  QAction* summary = advanced->addAction(QStringLiteral("S&ummary"));
  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  help->addAction(QStringLiteral("&Help Contents"), [] { showHelpTopic(1); });
  help->addAction(QStringLiteral("&About"), this, [this] { aboutButton->click(); });
  for (QAction* a :
       {load, print, options, exportItem, importItem, password, maintenance, filter, summary})
    a->setEnabled(false);
}

void CombinedView::buildPopupMenus() {
  entryMenu = new QMenu(this);
  entryMenu->setObjectName(QStringLiteral("entryMenu"));
  quickViewMenu = entryMenu->addMenu(QStringLiteral("&Quick View"));
  copyBufferMenu = entryMenu->addMenu(QStringLiteral("&View Copy Buffer"));
  entryMenu->addSeparator();
  entryCopyAction =
      entryMenu->addAction(QStringLiteral("&Copy Record"), [this] { onCopyRecordClicked(menuSlot_); });
  entryPasteAction = entryMenu->addAction(QStringLiteral("&Paste Record"),
                                       [this] { onPasteRecordClicked(menuSlot_); });
  entryDeleteAction = entryMenu->addAction(QStringLiteral("&Delete Record"),
                                        [this] { onDeleteRecordClicked(menuSlot_); });
  entryPrintAction = entryMenu->addAction(QStringLiteral("P&rint Record"));
  entryPrintAction->setEnabled(false);  // printing arrives with its subsystem
  entryMenu->addSeparator();
  entryMenu->addAction(QStringLiteral("&Help"), [] { showHelpTopic(kEntryHelpContext); });

  buildFormMenu();

  pageMenu = new QMenu(this);
  pageMenu->setObjectName(QStringLiteral("pageMenu"));
  pageCopyBufferMenu = pageMenu->addMenu(QStringLiteral("&View Copy Buffer"));
  pageMenu->addSeparator();
  pagePasteAction =
      pageMenu->addAction(QStringLiteral("&Paste Record"), this, &CombinedView::onPasteClicked);
  pageCopyAction = pageMenu->addAction(QStringLiteral("&Copy Record"), this, &CombinedView::onCopyClicked);
  pageUndoAction =
      pageMenu->addAction(QStringLiteral("&Undo Changes"), this, &CombinedView::onUndoClicked);
  pageDeleteAction =
      pageMenu->addAction(QStringLiteral("&Delete Record"), this, &CombinedView::onDeleteClicked);
  pagePrintAction = pageMenu->addAction(QStringLiteral("P&rint Record"));
  pagePrintAction->setEnabled(false);
  pageSynchronizeAction =
      pageMenu->addAction(QStringLiteral("S&ynchronize"), this, &CombinedView::onSynchronizeClicked);
  pageMenu->addSeparator();
  pageMenu->addAction(QStringLiteral("&Help"), [] { showHelpTopic(31); });
  connect(pageMenu, &QMenu::aboutToShow, this, &CombinedView::preparePageMenu);
  recordPage->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(recordPage, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { pageMenu->popup(recordPage->mapToGlobal(at)); });
}

// ---------------------------------------------------------------- database

void CombinedView::openDatabaseAndCaption() {
  databaseOpen_ = openDatabase(*tables_);
  if (!databaseOpen_) {
    QTimer::singleShot(0, this, &QWidget::close);
    return;
  }
  setDatabaseCaption();
}

void CombinedView::setDatabaseCaption() { setWindowTitle(databaseCaption(tables_->catalogue)); }

void CombinedView::saveViewState() { saveSortAndHeader(*columnHeader); }


void CombinedView::releaseCurrent() { session_->release(); }

int32_t CombinedView::count() {
  DbTable& records = tables_->records;
  if (!records.active()) return 0;
  try {
    return static_cast<int32_t>(::recordCount(records));
  } catch (const std::exception&) {
    return 0;
  }
}

int32_t CombinedView::useLetter(char letter) {
  DbTable& records = tables_->records;
  if (spread_->tabsActive() && showLetters_ && records.active()) {
    try {
      setLetterRange(records, letter);
    } catch (const std::exception&) {
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
    const auto p = session_->leaveFor(position, recordPage->Values(), recordPage->labelTexts());
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
  recordPage->reformatDates();
  showCurrentState();
}

void CombinedView::showCurrentState() {
  const bool ro = isReadOnlyDatabase();
  recordPage->pageNumber->setText(currentNew() ? QString() : QString::number(currentPosition).left(6));
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
  return session_->leave(recordPage->Values(), recordPage->labelTexts());
}

void CombinedView::onAboutClicked() {
  AboutBox box(this);
  box.exec();
  focusEntry();
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
  if (isReadOnlyDatabase() || currentInUse() || !loaded_ || recordPage->IsEmpty()) return;
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

void CombinedView::onCopyClicked() {
  if (isReadOnlyDatabase() || !loaded_) return;
  if (session_->copyToBuffer(recordPage->Values())) applyAccess();
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

void CombinedView::refresh() {
  if (!isVisible()) return;
  for (ContentsEntry* e : entries) e->clearTexts();
  currentEntry = -1;
  DbTable& table = tables_->records;
  if (table.active()) {
    try {
      goToPosition(table, static_cast<uint32_t>(spread_->topRecord()));
      dbase::Table& t = table.engine();
      // Which field each column shows, found once per refresh.
      std::vector<int> fields;
      const int first = appSettings().firstUserField;
      for (int i = 0; i < columnHeader->sectionCount(); ++i) {
        int field = -1;
        const QString caption = columnHeader->sectionCaption(i);
        for (int k = 0; k < labels().size(); ++k)
          if (labels()[k].compare(caption, Qt::CaseInsensitive) == 0) {
            field = first + k;
            break;
          }
        if (field >= static_cast<int>(t.fields().size())) field = -1;
        fields.push_back(field);
      }
      for (int s = 0; s < kPageEntries && !t.eof(); ++s) {
        ContentsEntry* e = entries[static_cast<size_t>(s)];
        for (size_t i = 0; i < fields.size(); ++i) {
          QString text = fields[i] < 0 ? QString() : fieldDisplayText(t, fields[i]);
          if (i > 0) text.prepend(QLatin1Char(' '));
          e->setText(static_cast<int>(i), text);
        }
        if (!currentNew() && loaded_ && t.asInteger(0) == currentNumber()) currentEntry = s;
        t.next();
      }
    } catch (const std::exception& e) {
      showMessage(MsgKind::Error, QString::fromStdString(e.what()));
    }
  }
  if (currentEntry >= 0) {
    clickedEntry = currentEntry;
    entries[static_cast<size_t>(currentEntry)]->setSelected(true);
  } else {
    for (ContentsEntry* e : entries)
      if (e->selected()) e->setSelected(false);
  }
  const SpreadButtons b = spread_->buttons();
  firstButton->setEnabled(b.first);
  pageUpButton->setEnabled(b.pgUp);
  pageDownButton->setEnabled(b.pgDn);
  lastButton->setEnabled(b.last);
  firstAction->setEnabled(b.first);
  pageUpAction->setEnabled(b.pgUp);
  pageDownAction->setEnabled(b.pgDn);
  lastAction->setEnabled(b.last);
  focusEntry();
  if (spread_->tabsActive() && table.active()) countLetter(table, spread_->currentLetter());
}

void CombinedView::focusEntry() {
  if (!isActiveWindow() && QApplication::platformName() != QLatin1String("offscreen")) return;
  entries[static_cast<size_t>(currentEntry >= 0 ? currentEntry : 0)]->setFocus();
}

void CombinedView::onColumnHeaderChanged() {
  for (ContentsEntry* e : entries) {
    e->removeColumns();
    for (int i = 0; i < columnHeader->sectionCount(); ++i)
      e->addColumn(QString(), columnHeader->columnPercent(i));
  }
  refresh();
}

void CombinedView::onFirstClicked() {
  if (spread_->first()) refresh();
}

void CombinedView::onPageUpClicked() {
  if (spread_->pgUp()) afterEntryChange();
}

void CombinedView::onPageDownClicked() {
  if (spread_->pgDn()) afterEntryChange();
}

void CombinedView::onLastClicked() {
  if (spread_->last()) refresh();
}

void CombinedView::afterEntryChange() {
  syncLetterButton();
  refresh();
}

void CombinedView::syncLetterButton() {
  const int i = spread_->currentLetter() - 'A';
  if (!letterButtons[static_cast<size_t>(i)]->selected())
    letterButtons[static_cast<size_t>(i)]->setSelected(true);
  if (!spread_->letterTabsEnabled()) applyLetterTabs();
}

void CombinedView::selectLetter(char letter) {
  if (letter < 'A' || letter > 'Z') return;
  letterButtons[static_cast<size_t>(letter - 'A')]->setSelected(true);
  spread_->selectLetter(letter);
  if (!spread_->letterTabsEnabled()) applyLetterTabs();
  refresh();
}

void CombinedView::onLetterClicked(int index) { selectLetter(static_cast<char>('A' + index)); }

void CombinedView::applyLetterTabs() {
  const bool active = showLetters_ && spread_->tabsActive();
  if (active) spread_->setTopRecord(0);
  letterColumn->show();
  enableLetterButtons(letterButtons, active);
}

void CombinedView::colorLetterTab(int index) {
  if (index >= 0 && index < 26)
    colorLetterButton(letterButtons[static_cast<size_t>(index)], index);
}

void CombinedView::indexChanged() {
  if (letterTabsActive()) countLetters(tables_->records);
  spread_->setLetterTabsEnabled(true);
  for (int i = 0; i < 26; ++i) colorLetterTab(i);
  applyLetterTabs();
  updateSortButtonLabels();
  selectLetter('A');
  // The old position means nothing in the new order.
  if (loaded_) {
    loadCurrent(0);
    refresh();
  }
}

// ---------------------------------------------------------------- sorting

void CombinedView::updateSortButtonLabels() {
  const SortState& s = sortState();
  const int first = appSettings().firstUserField;
  auto label = [&](int field, const QString& none) {
    const int k = field - first;
    if (field < first || k >= labels().size()) return none;
    return labels()[k];
  };
  sortBar->setLabelsAndDirections(label(s.firstField, QStringLiteral("Entry Order")),
                                      label(s.secondField, QStringLiteral("NONE")),
                                      s.secondDescending, s.firstDescending);
}

void CombinedView::sortButtonChoice(const SortFields& fields) {
  if (!saveCurrent()) {
    updateSortButtonLabels();
    return;
  }
  SortState& s = sortState();
  s.commitSort();
  s.firstField = static_cast<uint8_t>(fields.firstField < 0 ? 0 : fields.firstField);
  s.secondField = static_cast<uint8_t>(fields.secondField < 0 ? 0 : fields.secondField);
  s.firstDescending = fields.firstDescending;
  s.secondDescending = fields.secondDescending;
  applyViewSort();
}

void CombinedView::applyFilterState(int state) {
  if (!saveCurrent()) {
    sortBar->setFilterState(appSettings().filterState);
    return;
  }
  SortState& s = sortState();
  const bool wasFiltered = s.filtered;
  BusyCursor busy;
  s.filtered = state != 0;
  appSettings().filterState = static_cast<uint8_t>(state);
  sortBar->setFilterState(state);
  // Building an index needs the table to ourselves for a moment.
  session_->closeCursor();
  if (!applySort()) s.filtered = wasFiltered;
  if (!session_->openCursor()) return;
  if (loaded_) {
    loadCurrent(0);
    refresh();
  }
}

void CombinedView::onSortClicked() {
  if (!saveCurrent()) return;
  sortState().commitSort();
  SortDialog dlg(this);
  if (!shuttingDown() && dlg.exec() == QDialog::Accepted) applyViewSort();
  focusEntry();
}

void CombinedView::applyViewSort() {
  SortState& s = sortState();
  if (!s.sortUnchanged()) {
    BusyCursor busy;
    appSettings().filterState = 0;
    sortBar->setFilterState(0);
    s.filtered = false;
    session_->closeCursor();
    if (!applySort())
      s.revertSort();
    else if (FindDialog* find = FindDialog::instance())
      find->reset();
    session_->openCursor();
    spread_->setLetterTabsEnabled(true);
    applyLetterTabs();
  }
  updateSortButtonLabels();
  selectLetter('A');
  if (loaded_) {
    loadCurrent(0);
    refresh();
  }
}

// ---------------------------------------------------------------- entries

void CombinedView::onEntryClicked(int slot) {
  if (slot < 0 || slot >= kPageEntries) return;
  clickedEntry = slot;
  makeCurrent(spread_->positionOfSlot(slot));
}

void CombinedView::showEntryMenu(int slot, const QPoint& globalPos) {
  prepareEntryMenu(slot);
  entryMenu->popup(globalPos);
}

void CombinedView::fillCopyBufferMenu(QMenu* menu) {
  menu->clear();
  menu->setEnabled(false);
  DbTable& copy = tables_->copy;
  if (!appSettings().copyBufferFull || isReadOnlyDatabase() || !copy.active()) return;
  try {
    dbase::Table& t = copy.engine();
    t.first();
    if (t.eof()) return;
    for (int f = appSettings().firstUserField; f < static_cast<int>(t.fields().size()); ++f)
      menu->addAction(quickViewText(t, f));
    menu->setEnabled(true);
  } catch (const std::exception&) {
    menu->clear();
  }
}

void CombinedView::prepareEntryMenu(int slot) {
  menuSlot_ = slot;
  clickedEntry = slot;
  quickViewMenu->clear();
  quickViewMenu->setEnabled(false);
  fillCopyBufferMenu(copyBufferMenu);
  DbTable& table = tables_->records;
  if (!table.active()) return;
  const int32_t position = spread_->positionOfSlot(slot);
  if (position < count()) {
    try {
      goToPosition(table, static_cast<uint32_t>(position));
      const dbase::Table& t = table.engine();
      for (int f = appSettings().firstUserField; f < static_cast<int>(t.fields().size()); ++f)
        quickViewMenu->addAction(quickViewText(t, f));
      quickViewMenu->setEnabled(true);
    } catch (const std::exception&) {
      quickViewMenu->clear();
    }
  }
}

void CombinedView::preparePageMenu() {
  pagePasteAction->setEnabled(recordPage->pasteButton->isEnabled());
  pageCopyAction->setEnabled(recordPage->copyButton->isEnabled());
  pageUndoAction->setEnabled(recordPage->undoButton->isEnabled());
  pageDeleteAction->setEnabled(recordPage->deleteButton->isEnabled());
  pageSynchronizeAction->setEnabled(recordPage->synchronizeButton->isEnabled());
  fillCopyBufferMenu(pageCopyBufferMenu);
  pageCopyBufferMenu->setEnabled(pageCopyBufferMenu->isEnabled() && pagePasteAction->isEnabled());
}

void CombinedView::onCopyRecordClicked(int slot) {
  if (slot < 0 || !tables_->records.active() || isReadOnlyDatabase()) return;
  if (session_->copyRecordAt(spread_->positionOfSlot(slot))) applyAccess();
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
  if (!session_->recordAt(position)) {
    showMessage(MsgKind::Information, QStringLiteral("Empty Record cannot be Deleted."));
    return;
  }
  if (appSettings().deleteMode == 0 && !ConfirmDialog::confirm(this)) {
    showMessage(MsgKind::Information, QStringLiteral("Record not Deleted."));
    focusEntry();
    return;
  }
  const bool deleted = session_->deleteAt(position);
  const bool sameList =
      !(spread_->tabsActive() && showLetters_) || positionLetter_ == spread_->currentLetter();
  if (deleted && loaded_)
    currentPosition = RecordSession::positionAfterDelete(currentPosition - 1, position, sameList,
                                                         currentNew()) +
                      1;
  refresh();
  letterCount_ = count();
  showCurrentState();
}

// ---------------------------------------------------------------- showing and closing

void CombinedView::applyReadOnlyMode() { applyAccess(); }

void CombinedView::showEvent(QShowEvent* event) {
  BookView::showEvent(event);
  if (event->spontaneous()) return;  // only restored from minimised
  if (databaseOpen_) setDatabaseCaption();
  recordPage->applyLabels();
  columnHeader->refreshCaptions();
  updateSortButtonLabels();
  recordPage->reformatDates();
  storeHooks().indexChanged = [this] { indexChanged(); };
  storeHooks().recolourTab = [this](int letter) { colorLetterTab(letter); };
  if (!loaded_ && databaseOpen_) {
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

void CombinedView::changeEvent(QEvent* event) {
  BookView::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMinimized() && mainDlg())
    mainDlg()->showMinimized();
}

void CombinedView::switchToTwoLevels() {
  if (!saveCurrent()) return;
  appSettings().bookModel = 1;
  switchingModel = true;
  BusyCursor busy;
  saveViewState();
  saveSessionState();
  QWidget* owner = parentWidget();
  close();
  BookView* view = createMainView(1, owner);
  view->show();
}

// ---------------------------------------------------------------- layout and colours

void CombinedView::applyLayout() {
  const AppSettings& s = appSettings();
  const bool bars = s.menusAndSpeedBars != 1;
  menuBar()->setVisible(s.menusAndSpeedBars != 2);
  standardBar->setVisible(bars && speedBarTabs->currentIndex() == 0);
  advancedBar->setVisible(bars && speedBarTabs->currentIndex() == 1);
  speedBarTabs->setVisible(bars);
  setHintsOn(s.hintMessages == 0);
  positionPanels();
  refresh();
}

void CombinedView::positionPanels() {
  const AppSettings& s = appSettings();
  const bool bars = s.menusAndSpeedBars != 1;
  const QSize client = placeBookParts({leftPage, recordPage, letterColumn, standardBar, advancedBar, speedBarTabs, kPageWidth,
                                       kPageHeight, kLetterColumnWidth, kSpeedBarHeight},
                                      bars ? kSpeedBarHeight + kTabSetHeight : 0,
                                      s.speedBarLocation == 0, s.letterTabsLocation == 1);
  centralWidget()->setFixedSize(client);
  setFixedSize(client.width(),
               client.height() + (menuBar()->isHidden() ? 0 : menuBar()->sizeHint().height()));
}

void CombinedView::applyColors() {
  for (ContentsEntry* e : entries) {
    e->setBgndColor(elementColor(1));
    e->setTextColor(elementColor(0));
    e->setSelBgndColor(elementColor(3));
    e->setSelTextColor(elementColor(2));
  }
  for (int i = 0; i < 26; ++i) colorLetterTab(i);
  static_cast<BookPage*>(leftPage)->color = elementColor(12);
  recordPage->applyColors();
  QPalette number = recordPage->pageNumber->palette();
  number.setColor(QPalette::WindowText, elementColor(19));
  recordPage->pageNumber->setPalette(number);
  for (QFrame* bar : {standardBar, advancedBar}) {
    QPalette p = bar->palette();
    p.setColor(QPalette::Window, elementColor(13));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
    bar->setPalette(p);
  }
  QPalette p = centralWidget()->palette();
  p.setColor(QPalette::Window, elementColor(14));
  centralWidget()->setPalette(p);
  letterColumn->setAutoFillBackground(true);
  letterColumn->setPalette(p);
  update();
}

// ---------------------------------------------------------------- menus and keys

bool CombinedView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ToolTip && !hintsOn()) return true;
  if (event->type() != QEvent::KeyPress) return false;
  auto* w = qobject_cast<QWidget*>(watched);
  if (!w || w->window() != this || !isEnabled()) return false;
  // The key arrives once at the focus widget; its parents see it only when
  // nobody took it, and then we already looked.
  if (w != QApplication::focusWidget() && QApplication::focusWidget() &&
      QApplication::focusWidget()->window() == this)
    return false;
  return handleKey(static_cast<QKeyEvent*>(event));
}

bool CombinedView::handleKey(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods =
      event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
  const int key = event->key();
  const QPoint origin = frameGeometry().topLeft();
  const int clientTop = mapToGlobal(centralWidget()->pos()).y();
  auto ifEnabled = [](QToolButton* b, auto&& action) {
    if (b->isEnabled()) action();
    return true;
  };
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
      case Qt::Key_G:
        sponsorButton->click();
        return true;
      default:
        break;
    }
  }
  if (mods == Qt::AltModifier) {
    if (key >= Qt::Key_1 && key <= Qt::Key_9) {
      recordPage->selectPart(key - Qt::Key_1);
      return true;
    }
    switch (key) {
      case Qt::Key_PageUp:
        onPreviousClicked();
        return true;
      case Qt::Key_PageDown:
        onNextClicked();
        return true;
      case Qt::Key_Delete:
        return ifEnabled(recordPage->deleteButton, [this] { onDeleteClicked(); });
      case Qt::Key_C:
        return ifEnabled(recordPage->copyButton, [this] { onCopyClicked(); });
      case Qt::Key_P:
        return ifEnabled(recordPage->pasteButton, [this] { onPasteClicked(); });
      case Qt::Key_U:
        return ifEnabled(recordPage->undoButton, [this] { onUndoClicked(); });
      case Qt::Key_R:
        return true;  // printing arrives with its subsystem
      case Qt::Key_Y:
        onSynchronizeClicked();
        return true;
      default:
        break;
    }
  }
  if (mods == (Qt::ControlModifier | Qt::AltModifier)) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
      // The left page only: the current record stays.
      if (spread_->tabsActive() && showLetters_)
        selectLetter(static_cast<char>('A' + key - Qt::Key_A));
      return true;
    }
    return false;
  }
  if (mods != Qt::NoModifier) return false;
  switch (key) {
    case Qt::Key_F2:
      formMenu->popup(origin + QPoint(50, 100));
      return true;
    case Qt::Key_F3: {
      int slot = -1;
      for (int s = 0; s < kPageEntries; ++s)
        if (entries[static_cast<size_t>(s)]->hasFocus()) slot = s;
      if (slot < 0) {
        slot = 0;
        entries.front()->setFocus();
      }
      ContentsEntry* e = entries[static_cast<size_t>(slot)];
      showEntryMenu(slot, QPoint(origin.x() + 50, clientTop + leftPage->y() + e->y() + 10));
      return true;
    }
    case Qt::Key_F4:
      pageMenu->popup(origin + QPoint(frameGeometry().width() / 2 + 50, 200));
      return true;
    case Qt::Key_F5:
      columnHeader->popupMenu()->popup(
          QPoint(origin.x() + 50, clientTop + leftPage->y() + columnHeader->y() + 10));
      return true;
    case Qt::Key_F6:
    case Qt::Key_F7:
    case Qt::Key_F8: {
      const int part = key - Qt::Key_F6;
      const QPoint at(origin.x() + 50 + part * sortBar->width() / 3,
                      clientTop + leftPage->y() + sortBar->y() + 10);
      if (part == 0) sortBar->popupFirstMenu(at);
      if (part == 1) sortBar->popupSecondMenu(at);
      if (part == 2) sortBar->popupFilterMenu(at);
      return true;
    }
    default:
      return false;
  }
}

// ---------------------------------------------------------------- search window

void CombinedView::onSearchClicked() {
  if (!tables_->records.active()) return;
  FindDialog::openFor(this, tables_->records, findHooks());
}

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
                memo ? static_cast<int>(search.memoMatch().offset) : -1,
                memo ? static_cast<int>(search.memoMatch().length) : 0, search.text);
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
  const bool tabs = spread_->tabsActive() && showLetters_;
  if (tabs) {
    selectLetter(fromEnd ? 'Z' : 'A');
    loadCurrent(0);
    refresh();
  }
  if (FindDialog* find = FindDialog::instance()) find->setCurrentLetter(tabs ? currentLetter() : 0);
  setEnabled(false);
  return true;
}

bool CombinedView::findAtRangeEnd(bool forward) {
  const bool tabs = spread_->tabsActive() && showLetters_;
  FindDialog* find = FindDialog::instance();
  if (!tabs) return true;
  for (char c = spread_->currentLetter();;) {
    c = static_cast<char>(c + (forward ? 1 : -1));
    if (c < 'A' || c > 'Z') {
      if (find) find->setCurrentLetter(currentLetter());
      return true;
    }
    selectLetter(c);
    if (count() > 0) {
      if (find) find->setCurrentLetter(currentLetter());
      return false;
    }
  }
}

void CombinedView::findOnFound(char letter, int32_t position, int field, int start, int length,
                         const QString& text) {
  setEnabled(true);
  if (letter >= 'A' && letter <= 'Z' && spread_->tabsActive() && showLetters_) {
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
  if (qobject_cast<PictureBox*>(e)) return;
  // The hit in red until the next record is loaded.
  QPalette p = e->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(group, QPalette::Base, Qt::red);
    p.setColor(group, QPalette::Text, Qt::yellow);
  }
  e->setPalette(p);
  if (auto* memo = qobject_cast<MemoEdit*>(e)) {
    QTextCursor c = memo->textCursor();
    c.setPosition(std::max(start, 0));
    c.setPosition(std::max(start, 0) + length, QTextCursor::KeepAnchor);
    memo->setTextCursor(c);
  } else if (auto* edit = qobject_cast<PageEdit*>(e)) {
    if (start < 0 && !text.isEmpty()) {
      start = static_cast<int>(edit->text().indexOf(text, 0, Qt::CaseInsensitive));
      length = static_cast<int>(text.size());
    }
    if (start >= 0) edit->setSelection(start, length);
  }
}

void CombinedView::findOnNotFound(char searchLetter, bool nonStop) {
  setEnabled(true);
  if (nonStop || !(spread_->tabsActive() && showLetters_)) return;
  if (searchLetter >= 'A' && searchLetter <= 'Z' && searchLetter != spread_->currentLetter())
    selectLetter(searchLetter);
}

bool CombinedView::findBeforeMarkAll() {
  if (!saveCurrent()) return false;
  setEnabled(false);
  // The marking pass needs the table to itself.
  session_->closeCursor();
  return true;
}

void CombinedView::findAfterMarkAll(bool found) {
  sortBar->setFilterState(found ? 1 : 0);
  SortState& s = sortState();
  const bool wasFiltered = s.filtered;
  s.filtered = found;
  appSettings().filterState = found ? 1 : 0;
  if (!applySort()) s.filtered = wasFiltered;
  setEnabled(true);
  session_->openCursor();
  loadCurrent(0);
  refresh();
}

QWidget* CombinedView::fieldLookup(int k) const {
  if (k < 0 || k >= kPageFieldCount) return nullptr;
  return fieldDesigns()[static_cast<size_t>(k)].kind == EditorKind::Lookup
             ? recordPage->editors[static_cast<size_t>(k)]
             : nullptr;
}

QString CombinedView::fieldLookupSource(int k) const {
  if (k < 0 || k >= kPageFieldCount) return {};
  const char* list = fieldDesigns()[static_cast<size_t>(k)].lookupList;
  return list ? QString::fromLatin1(list) : QString();
}

void CombinedView::setLetterTabs(int value) {
  if (!saveCurrent()) return;
  appSettings().letterTabs = static_cast<uint16_t>(value);
  sortState().commitSort();
  if (letterTabsActive()) countLetters(tables_->records);
  spread_->setLetterTabsEnabled(true);
  applyLetterTabs();
  applyViewSort();
}
