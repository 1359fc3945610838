#include "book/contents/contentsview.h"


#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "book/bookpage.h"
#include "ui/aboutbox.h"
#include "ui/colorbutton.h"
#include "store/database.h"
#include "ui/confirmdialog.h"
#include "query/find/finddialog.h"
#include "book/recordpages/recordpagesview.h"
#include "ui/contentsentry.h"
#include "book/combined/combinedview.h"
#include "book/viewhost.h"
#include "core/labels.h"
#include "store/letters.h"
#include "ui/columnheader.h"
#include "core/prompt.h"
#include "ui/qtprompter.h"
#include "store/recordtable.h"
#include "store/recordtext.h"
#include "query/sort/sortbar.h"
#include "query/sort/sortdialog.h"
#include "store/sortstate.h"
#include "store/storehooks.h"
#include "book/tablelisting.h"
#include "ui/elementcolors.h"

namespace {

constexpr int kHeaderTop = 19;
constexpr int kHeaderHeight = 20;
constexpr int kEntryHeight = 23;
constexpr int kSpeedBarHeight = 46;
constexpr int kTabSetHeight = 22;

const QString kEntryHint = QStringLiteral("Left Click - Details; Right Click - Menu");

QPushButton* pageButton(QWidget* page, const QString& name, const QString& text,
                        const QString& hint) {
  auto* b = new QPushButton(text, page);
  b->setObjectName(name);
  b->setToolTip(hint);
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

}  // namespace

ContentsView::ContentsView(QWidget* parent) : BookView(parent) {
  setObjectName(QStringLiteral("contentsView"));
  setToolTip(QStringLiteral("Use Right Mouse Button To Display Popup Menus"));
  tables_ = std::make_unique<StoreTables>();
  listing_ = std::make_unique<TableListing>(tables_->records);
  spread_ = std::make_unique<SpreadModel>(*listing_, kSpreadEntries);
  sortState().Table = &tables_->records;

  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("client"));
  central->setAutoFillBackground(true);
  setCentralWidget(central);

  buildPages();
  buildLetterColumn();
  buildSpeedBars(centralWidget(), kSpeedBarHeight, 68, 78);
  buildMenus();
  buildPopupMenus();
  RecordPages = new RecordPagesView(*tables_, this);
  RecordPages->onHidden = [this](const QPoint& where, char letter, bool exitRequested) {
    recordPagesHidden(where, letter, exitRequested);
  };

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
    move(screen->availableGeometry().width() - frameGeometry().width(), 1);
}

ContentsView::~ContentsView() {
  qApp->removeEventFilter(this);
  // The pages hold records of the tables freed below.
  delete RecordPages;
  RecordPages = nullptr;
  // After a switch of book model the other view owns the hooks already.
  if (currentView() == this) {
    storeHooks().indexChanged = nullptr;
    storeHooks().recolourTab = nullptr;
  }
  if (sortState().Table == &tables_->records) sortState().Table = nullptr;
  FindDialog::viewClosing(this);
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

  columnHeader = new ColumnHeader(leftPage);
  columnHeader->setObjectName(QStringLiteral("columnHeader"));
  columnHeader->setGeometry(5, kHeaderTop, 260, kHeaderHeight);
  columnHeader->setToolTip(QStringLiteral("Left Click - Change Order;  Right Click - Menu"));
  connect(columnHeader, &ColumnHeader::onHChange, this, [this] { onColumnHeaderChanged(); });

  sortBar = new SortBar(rightPage);
  sortBar->setObjectName(QStringLiteral("sortBar"));
  sortBar->setGeometry(5, kHeaderTop, 260, kHeaderHeight);
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
  connect(sortBar, &SortBar::clicked, this, &ContentsView::onSortClicked);
  connect(sortBar, &SortBar::sortByClick, this, &ContentsView::sortButtonChoice);
  connect(sortBar, &SortBar::filterMenuClick, this, &ContentsView::applyFilterState);
  connect(sortBar, &SortBar::sort1MenuClick, this, &ContentsView::sortButtonChoice);
  connect(sortBar, &SortBar::sort2MenuClick, this, &ContentsView::sortButtonChoice);

  const int buttonsTop = 351;
  firstButton = pageButton(leftPage, QStringLiteral("firstButton"), QStringLiteral("First"),
                       QStringLiteral("GoTo First Page [Ctrl+Home]"));
  pageUpButton = pageButton(leftPage, QStringLiteral("pageUpButton"), QStringLiteral("PgUp"),
                      QStringLiteral("GoTo Previous Page [Ctrl+PgUp]"));
  pageDownButton = pageButton(rightPage, QStringLiteral("pageDownButton"), QStringLiteral("PgDn"),
                      QStringLiteral("GoTo Next Page [Ctrl+PgDn]"));
  lastButton = pageButton(rightPage, QStringLiteral("lastButton"), QStringLiteral("Last"),
                      QStringLiteral("GoTo Last Page [Ctrl+End]"));
  firstButton->setGeometry(8, buttonsTop, 62, 22);
  pageUpButton->setGeometry(74, buttonsTop, 62, 22);
  pageDownButton->setGeometry(kPageWidth - 136, buttonsTop, 62, 22);
  lastButton->setGeometry(kPageWidth - 70, buttonsTop, 62, 22);
  firstButton->setIcon(style()->standardIcon(QStyle::SP_MediaSkipBackward));
  pageUpButton->setIcon(style()->standardIcon(QStyle::SP_MediaSeekBackward));
  pageDownButton->setIcon(style()->standardIcon(QStyle::SP_MediaSeekForward));
  lastButton->setIcon(style()->standardIcon(QStyle::SP_MediaSkipForward));
  connect(firstButton, &QPushButton::clicked, this, &ContentsView::onFirstClicked);
  connect(pageUpButton, &QPushButton::clicked, this, &ContentsView::onPageUpClicked);
  connect(pageDownButton, &QPushButton::clicked, this, &ContentsView::onPageDownClicked);
  connect(lastButton, &QPushButton::clicked, this, &ContentsView::onLastClicked);

  sponsorButton = pageButton(leftPage, QStringLiteral("SponsorBtn"), QString(),
                          QStringLiteral("Go To Tomekeeper Home Page [Ctrl+G]"));
  sponsorButton->setGeometry(kPageWidth - 40, buttonsTop - 4, 30, 30);
  sponsorButton->setIcon(QIcon(programPixmap()));
  sponsorButton->setIconSize(QSize(24, 24));
  sponsorButton->setFlat(true);
  connect(sponsorButton, &QPushButton::clicked, this, &ContentsView::onSponsorClicked);

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
      auto* e = new ContentsEntry(panel);
      const int slot = page * kPageEntries + i;
      e->setObjectName(QStringLiteral("Entry%1").arg(slot));
      e->setProperty("Tag", slot);
      e->setGeometry(5, top0 + i * (kEntryHeight + 2), kPageWidth - 10, kEntryHeight);
      e->setToolTip(kEntryHint);
      e->setTabStop(true);
      e->setGap(0);
      e->setContextMenuPolicy(Qt::CustomContextMenu);
      connect(e, &ColorButton::clicked, this, [this, slot] { onEntryClicked(slot); });
      connect(e, &QWidget::customContextMenuRequested, this,
              [this, e, slot](const QPoint& pos) { showEntryMenu(slot, e->mapToGlobal(pos)); });
      list.push_back(e);
    }
  }
  onColumnHeaderChanged();
}

void ContentsView::buildLetterColumn() {
  letterColumn = ::buildLetterColumn(centralWidget(), kLetterColumnWidth, kPageHeight, 0, 15,
                               letterButtons, [this](int i) { onLetterClicked(i); });
}


void ContentsView::buildMenus() {
  QMenuBar* bar = menuBar();
  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  newRecordAction = file->addAction(QStringLiteral("&New Record"), this, &ContentsView::onNewClicked);
  loadDatabaseAction = file->addAction(QStringLiteral("&Load Database"));
  printAction = file->addAction(QStringLiteral("&Print"));
  exitAction = file->addAction(QStringLiteral("&Exit"), this, &QWidget::close);
  QMenu* search = bar->addMenu(QStringLiteral("&Search"));
  findAction = search->addAction(QStringLiteral("&Find"), this, &ContentsView::onSearchClicked);
  optionsAction = bar->addAction(QStringLiteral("&Options"));
  QMenu* move = bar->addMenu(QStringLiteral("&Move"));
  firstAction = move->addAction(QStringLiteral("&First"), this, &ContentsView::onFirstClicked);
  pageUpAction = move->addAction(QStringLiteral("Page&Up"), this, &ContentsView::onPageUpClicked);
  pageDownAction = move->addAction(QStringLiteral("Page&Down"), this, &ContentsView::onPageDownClicked);
  lastAction = move->addAction(QStringLiteral("&Last"), this, &ContentsView::onLastClicked);
  QMenu* advanced = bar->addMenu(QStringLiteral("&Advanced"));
  exportAction = advanced->addAction(QStringLiteral("&Export"));
  importAction = advanced->addAction(QStringLiteral("&Import"));
  passwordAction = advanced->addAction(QStringLiteral("&Password"));
  maintenanceAction = advanced->addAction(QStringLiteral("&Maintenance"));
  filterAction = advanced->addAction(QStringLiteral("&Filter"));
  sortAction = advanced->addAction(QStringLiteral("&Sort"), this, &ContentsView::onSortClicked);
  summaryAction = advanced->addAction(QStringLiteral("S&ummary"));
  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  helpContentsAction = help->addAction(QStringLiteral("&Help Contents"), [] { showHelpTopic(1); });
  aboutAction = help->addAction(QStringLiteral("&About"), this, &ContentsView::onAboutClicked);
  for (QAction* a : {loadDatabaseAction, printAction, optionsAction, exportAction, importAction, passwordAction,
                     maintenanceAction, filterAction, summaryAction})
    a->setEnabled(false);
}

void ContentsView::buildPopupMenus() {
  entryMenu = new QMenu(this);
  entryMenu->setObjectName(QStringLiteral("entryMenu"));
  quickViewMenu = entryMenu->addMenu(QStringLiteral("&Quick View"));
  copyBufferMenu = entryMenu->addMenu(QStringLiteral("&View Copy Buffer"));
  entryMenu->addSeparator();
  entryCopyAction = entryMenu->addAction(QStringLiteral("&Copy Record"));
  entryPasteAction = entryMenu->addAction(QStringLiteral("&Paste Record"));
  entryDeleteAction = entryMenu->addAction(QStringLiteral("&Delete Record"),
                                        [this] { onDeleteRecordClicked(menuSlot_); });
  entryPrintAction = entryMenu->addAction(QStringLiteral("P&rint Record"));
  entryMenu->addSeparator();
  entryHelpAction = entryMenu->addAction(QStringLiteral("&Help"), [] { showHelpTopic(kEntryHelpContext); });
  // The copy buffer and printing arrive with their own subsystems.
  for (QAction* a : {entryCopyAction, entryPasteAction, entryPrintAction}) a->setEnabled(false);

  buildFormMenu();
}

// ---------------------------------------------------------------- database

void ContentsView::openDatabaseAndCaption() {
  databaseOpen_ = openDatabase(*tables_);
  if (!databaseOpen_) {
    // Nothing to show: the view closes itself once the loop runs.
    QTimer::singleShot(0, this, &QWidget::close);
    return;
  }
  setDatabaseCaption();
  applyReadOnlyMode();
}

void ContentsView::setDatabaseCaption() { setWindowTitle(databaseCaption(tables_->catalogue)); }

void ContentsView::saveViewState() { saveSortAndHeader(*columnHeader); }

// ---------------------------------------------------------------- showing

ContentsEntry* ContentsView::entry(int slot) const {
  if (slot < 0 || slot >= kSpreadEntries) return nullptr;
  return slot < kPageEntries ? leftEntries[static_cast<size_t>(slot)]
                             : rightEntries[static_cast<size_t>(slot - kPageEntries)];
}

void ContentsView::refresh() {
  if (!isVisible()) return;
  for (int s = 0; s < kSpreadEntries; ++s) entry(s)->clearTexts();
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
      for (int s = 0; s < kSpreadEntries && !t.eof(); ++s) {
        ContentsEntry* e = entry(s);
        for (size_t i = 0; i < fields.size(); ++i) {
          QString text = fields[i] < 0 ? QString() : fieldDisplayText(t, fields[i]);
          if (i > 0) text.prepend(QLatin1Char(' '));
          e->setText(static_cast<int>(i), text);
        }
        t.next();
      }
    } catch (const std::exception& e) {
      showMessage(MsgKind::Error, QString::fromStdString(e.what()));
    }
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
  leftPageNumber->setText(spread_->leftPageNumber());
  rightPageNumber->setText(spread_->rightPageNumber());
  focusFirstEntry();
  if (spread_->tabsActive() && table.active()) countLetter(table, spread_->currentLetter());
}

void ContentsView::focusFirstEntry() {
  if (isActiveWindow() || QApplication::platformName() == QLatin1String("offscreen"))
    leftEntries.front()->setFocus();
}

void ContentsView::onColumnHeaderChanged() {
  for (int s = 0; s < kSpreadEntries; ++s) {
    ContentsEntry* e = entry(s);
    e->removeColumns();
    for (int i = 0; i < columnHeader->sectionCount(); ++i)
      e->addColumn(QString(), columnHeader->columnPercent(i));
  }
  refresh();
}

void ContentsView::showEvent(QShowEvent* event) {
  BookView::showEvent(event);
  if (databaseOpen_) setDatabaseCaption();
  applyDateFormat();
  storeHooks().indexChanged = [this] { indexChanged(); };
  refresh();
  applyReadOnlyMode();
}

void ContentsView::changeEvent(QEvent* event) {
  BookView::changeEvent(event);
  // Minimising the table of contents minimises the program.
  if (event->type() == QEvent::WindowStateChange && isMinimized() && mainDlg())
    mainDlg()->showMinimized();
}

// ---------------------------------------------------------------- navigation

void ContentsView::onFirstClicked() {
  if (spread_->first()) refresh();
}

void ContentsView::onPageUpClicked() {
  if (spread_->pgUp()) {
    syncLetterButton();
    refresh();
  }
}

void ContentsView::onPageDownClicked() {
  if (spread_->pgDn()) {
    syncLetterButton();
    refresh();
  }
}

void ContentsView::onLastClicked() {
  if (spread_->last()) refresh();
}

void ContentsView::syncLetterButton() {
  const int i = spread_->currentLetter() - 'A';
  if (!letterButtons[static_cast<size_t>(i)]->selected())
    letterButtons[static_cast<size_t>(i)]->setSelected(true);
  if (!spread_->letterTabsEnabled()) applyLetterTabs();
}

void ContentsView::selectLetter(char letter) {
  if (letter < 'A' || letter > 'Z') return;
  letterButtons[static_cast<size_t>(letter - 'A')]->setSelected(true);
  spread_->selectLetter(letter);
  if (!spread_->letterTabsEnabled()) applyLetterTabs();
  refresh();
}

void ContentsView::onLetterClicked(int index) { selectLetter(static_cast<char>('A' + index)); }

void ContentsView::applyLetterTabs() {
  const bool active = showLetters_ && spread_->tabsActive();
  if (active) spread_->setTopRecord(0);
  letterColumn->show();
  enableLetterButtons(letterButtons, active);
}

void ContentsView::setShowLetters(bool on) {
  showLetters_ = on;
  enableLetterButtons(letterButtons, on);
}

void ContentsView::colorLetterTab(int index) {
  if (index >= 0 && index < 26)
    colorLetterButton(letterButtons[static_cast<size_t>(index)], index);
}

void ContentsView::indexChanged() {
  if (letterTabsActive()) countLetters(tables_->records);
  spread_->setLetterTabsEnabled(true);
  for (int i = 0; i < 26; ++i) colorLetterTab(i);
  applyLetterTabs();
  updateSortButtonLabels();
  selectLetter('A');
}

// ---------------------------------------------------------------- sorting

void ContentsView::updateSortButtonLabels() {
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

void ContentsView::sortButtonChoice(const SortFields& fields) {
  SortState& s = sortState();
  s.commitSort();
  s.firstField = static_cast<uint8_t>(fields.firstField < 0 ? 0 : fields.firstField);
  s.secondField = static_cast<uint8_t>(fields.secondField < 0 ? 0 : fields.secondField);
  s.firstDescending = fields.firstDescending;
  s.secondDescending = fields.secondDescending;
  applyViewSort();
}

void ContentsView::applyFilterState(int state) {
  // The records keep the marks of the last filter; the index follows them.
  SortState& s = sortState();
  const bool wasFiltered = s.filtered;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  s.filtered = state != 0;
  appSettings().filterState = static_cast<uint8_t>(state);
  sortBar->setFilterState(state);
  if (!applySort()) s.filtered = wasFiltered;
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

void ContentsView::onSortClicked() {
  sortState().commitSort();
  SortDialog dlg(this);
  if (!shuttingDown() && dlg.exec() == QDialog::Accepted) applyViewSort();
  focusFirstEntry();
}

void ContentsView::applyViewSort() {
  SortState& s = sortState();
  if (!s.sortUnchanged()) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    appSettings().filterState = 0;
    sortBar->setFilterState(0);
    s.filtered = false;
    if (!applySort())
      s.revertSort();
    else if (FindDialog* find = FindDialog::instance())
      find->reset();
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    spread_->setLetterTabsEnabled(true);
    applyLetterTabs();
  }
  updateSortButtonLabels();
  selectLetter('A');
}

// ---------------------------------------------------------------- records

void ContentsView::onEntryClicked(int slot) {
  if (!tables_->records.active()) {
    showMessage(MsgKind::Error, QStringLiteral("Database is not Open! Cannot display details."));
    return;
  }
  RecordPages->setWindowTitle(windowTitle());
  RecordPages->move(pos());
  RecordPages->openAt(spread_->currentLetter(), spread_->tabsActive() && showLetters_,
                      spread_->positionOfSlot(slot));
  hide();
}

void ContentsView::recordPagesHidden(const QPoint& where, char letter, bool exitRequested) {
  move(where);
  if (exitRequested) {
    close();
    return;
  }
  selectLetter(letter);
  show();
  if (FindDialog* find = FindDialog::instance()) find->setHooks(findHooks());
}

void ContentsView::onNewClicked() {
  if (isReadOnlyDatabase()) return;
  onEntryClicked(static_cast<int>(::recordCount(tables_->records)) - spread_->topRecord());
}

void ContentsView::onAboutClicked() {
  AboutBox box(this);
  box.exec();
  focusFirstEntry();
}

void ContentsView::onSponsorClicked() { QDesktopServices::openUrl(QUrl(appSettings().homePageUrl)); }

void ContentsView::onDeleteRecordClicked(int slot) {
  DbTable& table = tables_->records;
  if (slot < 0 || !table.active() || isReadOnlyDatabase()) return;
  dbase::Table& t = table.engine();
  try {
    goToPosition(table, static_cast<uint32_t>(spread_->positionOfSlot(slot)));
  } catch (const std::exception&) {
  }
  if (t.eof()) {
    showMessage(MsgKind::Information, QStringLiteral("Empty Record cannot be Deleted."));
    return;
  }
  if (appSettings().deleteMode == 0 && !ConfirmDialog::confirm(this)) {
    showMessage(MsgKind::Information, QStringLiteral("Record not Deleted."));
    focusFirstEntry();
    return;
  }
  try {
    t.edit();  // the lock: fails while another user edits the record
    const char letter = firstLetter(table);
    t.deleteRecord();
    adjustLetterCounts(letter, ' ');
  } catch (const std::exception&) {
    try {
      t.cancel();
    } catch (const std::exception&) {
    }
    showMessage(MsgKind::Error, QStringLiteral("Record in use - not Deleted!"));
  }
  refresh();
}

void ContentsView::showEntryMenu(int slot, const QPoint& globalPos) {
  prepareEntryMenu(slot);
  entryMenu->popup(globalPos);
}

void ContentsView::prepareEntryMenu(int slot) {
  menuSlot_ = slot;
  quickViewMenu->clear();
  copyBufferMenu->clear();
  quickViewMenu->setEnabled(false);
  copyBufferMenu->setEnabled(false);
  DbTable& table = tables_->records;
  if (!table.active()) return;
  const int32_t position = spread_->positionOfSlot(slot);
  if (position < static_cast<int32_t>(::recordCount(table))) {
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

void ContentsView::applyReadOnlyMode() {
  const bool ro = isReadOnlyDatabase();
  entryDeleteAction->setEnabled(!ro);
  newRecordAction->setEnabled(!ro);
  newButton->setEnabled(!ro);
  // Copy, paste, import, export and maintenance are off until they exist.
}

// ---------------------------------------------------------------- layout

void ContentsView::applyDateFormat() {
  // Dates are formatted on demand from DateFormat (see recordtext.h); a new
  // format shows at the next refresh.
}

void ContentsView::applyLayout() {
  const AppSettings& s = appSettings();
  const bool bars = s.menusAndSpeedBars != 1;
  menuBar()->setVisible(s.menusAndSpeedBars != 2);
  standardBar->setVisible(bars && speedBarTabs->currentIndex() == 0);
  advancedBar->setVisible(bars && speedBarTabs->currentIndex() == 1);
  speedBarTabs->setVisible(bars);
  setHintsOn(appSettings().hintMessages == 0);
  positionPanels();
  refresh();
}

void ContentsView::positionPanels() {
  const AppSettings& s = appSettings();
  const bool bars = s.menusAndSpeedBars != 1;
  const QSize client = placeBookParts(
      {leftPage, rightPage, letterColumn, standardBar, advancedBar, speedBarTabs, kPageWidth, kPageHeight, kLetterColumnWidth,
       kSpeedBarHeight},
      bars ? kSpeedBarHeight + kTabSetHeight : 0, s.speedBarLocation == 0,
      s.letterTabsLocation == 1);
  centralWidget()->setFixedSize(client);
  setFixedSize(client.width(),
               client.height() + (menuBar()->isHidden() ? 0 : menuBar()->sizeHint().height()));
}


void ContentsView::applyColors() {
  for (int s = 0; s < kSpreadEntries; ++s) {
    ContentsEntry* e = entry(s);
    e->setBgndColor(elementColor(1));
    e->setTextColor(elementColor(0));
    e->setSelBgndColor(elementColor(3));
    e->setSelTextColor(elementColor(2));
  }
  for (int i = 0; i < 26; ++i) colorLetterTab(i);
  for (QLabel* l : {leftHeading, rightHeading, leftPageNumber, rightPageNumber}) {
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, elementColor(10));
    p.setColor(QPalette::Window, elementColor(11));
    l->setPalette(p);
  }
  static_cast<BookPage*>(leftPage)->color = elementColor(12);
  static_cast<BookPage*>(rightPage)->color = elementColor(12);
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

void ContentsView::switchToOneLevel() {
  appSettings().bookModel = 0;
  switchingModel = true;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  saveViewState();
  saveSessionState();
  QWidget* owner = parentWidget();
  close();
  BookView* view = createMainView(0, owner);
  view->show();
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

bool ContentsView::eventFilter(QObject* watched, QEvent* event) {
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

bool ContentsView::handleKey(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods =
      event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
  const int key = event->key();
  const QPoint origin = frameGeometry().topLeft();
  const int clientTop = mapToGlobal(centralWidget()->pos()).y();
  if (mods == Qt::ControlModifier) {
    switch (key) {
      case Qt::Key_PageUp: onPageUpClicked(); return true;
      case Qt::Key_PageDown: onPageDownClicked(); return true;
      case Qt::Key_End: onLastClicked(); return true;
      case Qt::Key_Home: onFirstClicked(); return true;
      case Qt::Key_G: onSponsorClicked(); return true;
      default: break;
    }
  }
  if (mods == (Qt::ControlModifier | Qt::AltModifier)) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
      if (spread_->tabsActive() && showLetters_) selectLetter(static_cast<char>('A' + key - Qt::Key_A));
      return true;
    }
    return false;
  }
  if (mods != Qt::NoModifier) return false;
  switch (key) {
    case Qt::Key_F2: formMenu->popup(origin + QPoint(50, 100)); return true;
    case Qt::Key_F3: {
      int slot = -1;
      for (int s = 0; s < kSpreadEntries; ++s)
        if (entry(s)->hasFocus()) slot = s;
      if (slot < 0) {
        slot = 0;
        leftEntries.front()->setFocus();
      }
      ContentsEntry* e = entry(slot);
      const QWidget* page = e->parentWidget();
      showEntryMenu(slot, QPoint(page->x() + origin.x() + 50,
                                 clientTop + page->y() + e->y() + 10));
      return true;
    }
    case Qt::Key_F5:
      columnHeader->popupMenu()->popup(
          QPoint(origin.x() + 50, clientTop + leftPage->y() + columnHeader->y() + 10));
      return true;
    case Qt::Key_F6:
    case Qt::Key_F7:
    case Qt::Key_F8: {
      const int part = key - Qt::Key_F6;
      const QPoint at(origin.x() + 50 + part * sortBar->width() / 3,
                      clientTop + rightPage->y() + sortBar->y() + 10);
      if (part == 0) sortBar->popupFirstMenu(at);
      if (part == 1) sortBar->popupSecondMenu(at);
      if (part == 2) sortBar->popupFilterMenu(at);
      return true;
    }
    default: return false;
  }
}

// ---------------------------------------------------------------- find

void ContentsView::onSearchClicked() {
  if (!tables_->records.active()) return;
  FindDialog::openFor(this, tables_->records, findHooks());
}

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

bool ContentsView::findTabsActive() const { return spread_->tabsActive() && showLetters_; }

void ContentsView::reportFindLetter() {
  if (FindDialog* find = FindDialog::instance())
    find->setCurrentLetter(findTabsActive() ? currentLetter() : 0);
}

bool ContentsView::findBeforeFind(bool forward) {
  searchLetter_ = currentLetter();
  const char start = forward ? 'A' : 'Z';
  if (findTabsActive() && currentLetter() != start) selectLetter(start);
  reportFindLetter();
  setEnabled(false);
  return true;
}

bool ContentsView::findAtRangeEnd(bool forward) {
  if (!findTabsActive()) return true;
  for (char c = currentLetter();;) {
    c = static_cast<char>(c + (forward ? 1 : -1));
    if (c < 'A' || c > 'Z') {
      reportFindLetter();
      return true;
    }
    selectLetter(c);
    if (::recordCount(tables_->records) > 0) {
      reportFindLetter();
      return false;
    }
  }
}

void ContentsView::findOnFound() {
  setEnabled(true);
  FindDialog* find = FindDialog::instance();
  const int32_t position = find ? find->search().lastFoundPosition() : 0;
  searchLetter_ = currentLetter();
  if (!RecordPages || !tables_->records.active() || !find) {
    spread_->setTopRecord(position - position % kSpreadEntries);
    refresh();
    if (ContentsEntry* e = entry(position % kSpreadEntries)) e->setFocus();
    return;
  }
  // The found record opens on the record pages, which take the search over.
  const int field = find->search().currentField() - appSettings().firstUserField;
  const MemoMatch& memo = find->search().memoMatch();
  RecordPages->setWindowTitle(windowTitle());
  RecordPages->move(pos());
  RecordPages->openAt(currentLetter(), spread_->tabsActive() && showLetters_, position);
  hide();
  RecordPages->showFindHit(field, static_cast<int>(memo.offset), static_cast<int>(memo.length));
  find->setHooks(pagesFindHooks());
}

FindHooks ContentsView::pagesFindHooks() {
  FindHooks h;
  h.beforeFind = [this](bool) { return RecordPages->findBeforeFind(); };
  h.atRangeEnd = [this](bool forward) { return findAtRangeEnd(forward); };
  h.onFound = [this] {
    FindDialog* find = FindDialog::instance();
    if (!find) return;
    const MemoMatch& memo = find->search().memoMatch();
    RecordPages->findOnFound(find->search().currentLetter(), find->search().lastFoundPosition(),
                             find->search().currentField() - appSettings().firstUserField,
                             static_cast<int>(memo.offset), static_cast<int>(memo.length));
    searchLetter_ = find->search().currentLetter();
  };
  h.onNotFound = [this] { RecordPages->findOnNotFound(searchLetter_); };
  h.beforeFindAgain = [this] { return RecordPages->findBeforeFindAgain(searchLetter_); };
  // A non-stop search closes the pages; the contents show its result.
  h.beforeMarkAll = [this] {
    if (!RecordPages->findBeforeMarkAll(true)) return false;
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
  else if (findTabsActive() && currentLetter() != searchLetter_)
    selectLetter(searchLetter_);
  return true;
}

void ContentsView::setLetterTabs(int value) {
  appSettings().letterTabs = static_cast<uint16_t>(value);
  sortState().commitSort();
  if (letterTabsActive()) countLetters(tables_->records);
  spread_->setLetterTabsEnabled(true);
  applyLetterTabs();
  applyViewSort();
}
