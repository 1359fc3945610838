#include "book/bookview.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>

#include "book/bookpage.h"
#include "book/tablelisting.h"
#include "book/viewhost.h"
#include "core/prompt.h"
#include "core/runobjects.h"
#include "core/settings.h"
#include "prefs/colorscheme.h"
#include "prefs/optionsdialog.h"
#include "query/find/finddialog.h"
#include "query/sort/sortbar.h"
#include "store/database.h"
#include "store/letters.h"
#include "store/recordsession.h"
#include "store/recordtable.h"
#include "store/recordtext.h"
#include "store/sortstate.h"
#include "store/storehooks.h"
#include "ui/captureform.h"
#include "ui/columnheader.h"
#include "ui/contentsentry.h"
#include "ui/elementcolors.h"
#include "ui/pageeditors.h"
#include "ui/qtprompter.h"
#include "users/passworddialog.h"

namespace {

constexpr int kSpeedBarHeight = 46;
constexpr int kTabSetHeight = 22;

}  // namespace

BookView::BookView(const Shape& shape, QWidget* parent)
    : QMainWindow(parent, Qt::Window), shape_(shape) {
  setAttribute(Qt::WA_DeleteOnClose);
  resize(800, 600);
  applyCaption();
  setToolTip(QStringLiteral("Use Right Mouse Button To Display Popup Menus"));
  tables_ = std::make_unique<StoreTables>();
  listing_ = std::make_unique<TableListing>(tables_->records);
  spread_ = std::make_unique<SpreadModel>(*listing_, shape.spreadEntries);
  listed_ = std::make_unique<RecordSession>(*tables_, tables_->records);
  sortState().table = &tables_->records;

  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("client"));
  central->setAutoFillBackground(true);
  setCentralWidget(central);
  addBookKeys();
}

BookView::~BookView() {
  qApp->removeEventFilter(this);
  // After a switch of book model the other view owns the hooks already.
  if (currentView() == this) {
    storeHooks().indexChanged = nullptr;
    storeHooks().recolourTab = nullptr;
    storeHooks().accessChanged = nullptr;
  }
  if (sortState().table == &tables_->records) sortState().table = nullptr;
  FindDialog::viewClosing(this);
}

void BookView::installStoreHooks() {
  storeHooks().indexChanged = [this] { indexChanged(); };
  storeHooks().recolourTab = [this](int letter) { colorLetterTab(letter); };
  storeHooks().busyCursor = [](bool busy) {
    if (busy)
      QApplication::setOverrideCursor(Qt::WaitCursor);
    else
      while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  };
}

void BookView::openBook() {
  installStoreHooks();
  columnHeader->loadFromFile(joinPath(appSettings().homeDir, QStringLiteral("header.dat")));
  buildEntries();
  onColumnHeaderChanged();
  openDatabaseAndCaption();
  applyLayout();
  colors::loadDatabaseColors();
  applyColors();
  sortBar->setFilterState(appSettings().filterState);
  updateSortButtonLabels();
  if (databaseOpen_) {
    if (letterTabsActive()) countLetters(tables_->records);
    applyLetterTabs();
    selectLetter('A');
  }
  qApp->installEventFilter(this);
}

void BookView::openDatabaseAndCaption() {
  databaseOpen_ = openDatabase(*tables_);
  if (!databaseOpen_) {
    // Nothing to show: the view closes itself once the loop runs.
    QTimer::singleShot(0, this, &QWidget::close);
    return;
  }
  setDatabaseCaption();
  databaseOpened();
}

void BookView::applyCaption() {
  QString caption = appSettings().appTitle;
  if (isReadOnlyDatabase()) caption += QStringLiteral(" [Read Only Mode]");
  setWindowTitle(caption);
}

// AppTitle + " - Database: " (cut to 53 characters) + the name of the
// catalogue's current entry, with the read-only note when it applies.
void BookView::setDatabaseCaption() {
  QString name;
  const DbTable& catalogue = tables_->catalogue;
  try {
    if (catalogue.active() && !catalogue.engine().eof())
      name = fromTableText(catalogue.engine().asString(1));
  } catch (const std::exception&) {
    name.clear();
  }
  QString caption = (appSettings().appTitle + QStringLiteral(" - Database: ")).left(53) + name;
  if (isReadOnlyDatabase()) caption += QStringLiteral(" [Read Only Mode]");
  setWindowTitle(caption);
}

// ---------------------------------------------------------------- showing and closing

void BookView::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (isCapturing(this)) return;  // back from a screen capture: nothing changed
  setCurrentView(this);
  applyCaption();
  // A table found damaged while open is only read from then on.
  storeHooks().accessChanged = [this] {
    if (databaseOpen_) setDatabaseCaption();
    databaseOpened();
  };
}

void BookView::closeEvent(QCloseEvent* event) {
  event->accept();
  if (switchingModel) return;
  // An owned view is freed with its owner at the end of the run, not from
  // a box's loop that may be running now with this window as its parent.
  if (parentWidget()) setAttribute(Qt::WA_DeleteOnClose, false);
  saveViewState();
  saveSessionState();
  if (mainDlg()) mainDlg()->close();
}

void BookView::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // Minimising the main view minimises the program.
  if (event->type() == QEvent::WindowStateChange && isMinimized() && mainDlg())
    mainDlg()->showMinimized();
}

// The sort file and the column header of HomeDir.
void BookView::saveViewState() {
  saveSortState();
  try {
    columnHeader->saveToFile(joinPath(appSettings().homeDir, QStringLiteral("header.dat")));
  } catch (const std::exception&) {
    // An unwritable home keeps the old layout; the rest is still saved.
  }
}

void BookView::switchBookModel() {
  if (!leaveCurrent()) return;
  const int other = viewBookModel() == 1 ? 0 : 1;
  appSettings().bookModel = static_cast<uint16_t>(other);
  switchingModel = true;
  BusyCursor busy;
  saveViewState();
  saveSessionState();
  QWidget* owner = parentWidget();
  close();
  if (BookView* view = createMainView(other, owner)) view->show();
}

// ---------------------------------------------------------------- keys

bool BookView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ToolTip && !hintsOn()) return true;
  if (event->type() != QEvent::KeyPress) return false;
  auto* w = qobject_cast<QWidget*>(watched);
  if (!w || w->window() != this || !isEnabled()) return false;
  // The key arrives once at the focus widget; its parents see it only when
  // nobody took it, and then we already looked.
  if (w != QApplication::focusWidget() && QApplication::focusWidget() &&
      QApplication::focusWidget()->window() == this)
    return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  if (multiLineEditorKey(w, *key)) return false;
  return keys_.dispatch(key->key(), key->modifiers());
}

void BookView::addBookKeys() {
  const auto ctrl = Qt::ControlModifier;
  keys_.add(Qt::Key_PageUp, ctrl, [this] { onPageUpClicked(); });
  keys_.add(Qt::Key_PageDown, ctrl, [this] { onPageDownClicked(); });
  keys_.add(Qt::Key_End, ctrl, [this] { onLastClicked(); });
  keys_.add(Qt::Key_Home, ctrl, [this] { onFirstClicked(); });
  keys_.add(Qt::Key_G, ctrl, [this] { onSponsorClicked(); });
  // Only the entries change letter: a current record stays.
  keys_.addRange(Qt::Key_A, Qt::Key_Z, ctrl | Qt::AltModifier, [this](int letter) {
    if (lettersOn()) selectLetter(static_cast<char>('A' + letter));
  });
  keys_.add(Qt::Key_F2, Qt::NoModifier,
            [this] { formMenu->popup(frameGeometry().topLeft() + QPoint(50, 100)); });
  keys_.add(Qt::Key_F3, Qt::NoModifier, [this] { popupEntryMenuAtFocus(); });
  keys_.add(Qt::Key_F5, Qt::NoModifier, [this] {
    columnHeader->popupMenu()->popup(
        QPoint(frameGeometry().x() + 50, clientTop() + leftPage->y() + columnHeader->y() + 10));
  });
  keys_.addRange(Qt::Key_F6, Qt::Key_F8, Qt::NoModifier, [this](int part) { popupSortMenu(part); });
}

int BookView::clientTop() const { return mapToGlobal(centralWidget()->pos()).y(); }

void BookView::popupEntryMenuAtFocus() {
  int slot = -1;
  for (size_t s = 0; s < entries.size(); ++s)
    if (entries[s]->hasFocus()) slot = static_cast<int>(s);
  if (slot < 0) {
    slot = 0;
    entries.front()->setFocus();
  }
  const ContentsEntry* e = entries[static_cast<size_t>(slot)];
  const QWidget* page = e->parentWidget();
  showEntryMenu(
      slot, QPoint(page->x() + frameGeometry().x() + 50, clientTop() + page->y() + e->y() + 10));
}

void BookView::popupSortMenu(int part) {
  const QPoint at(frameGeometry().x() + 50 + part * sortBar->width() / 3,
                  clientTop() + sortBar->parentWidget()->y() + sortBar->y() + 10);
  if (part == 0) sortBar->popupFirstMenu(at);
  if (part == 1) sortBar->popupSecondMenu(at);
  if (part == 2) sortBar->popupFilterMenu(at);
}

// ---------------------------------------------------------------- speed bars and menus

void BookView::buildSpeedBars(int standardWidth, int advancedWidth) {
  QWidget* parent = centralWidget();
  const int barHeight = kSpeedBarHeight;
  makeSpeedBars(parent, standardBar, advancedBar);
  searchButton = speedBarButton(standardBar, "searchButton", "Find Text",
                                QStyle::SP_FileDialogContentsView, "Find");
  optionsButton = speedBarButton(standardBar, "optionsButton", "Set Options",
                                 QStyle::SP_FileDialogDetailedView, "Options");
  printButton = speedBarButton(standardBar, "printButton", "Create and Print Reports",
                               QStyle::SP_DialogSaveButton, "Print");
  newButton =
      speedBarButton(standardBar, "newButton", "Add New Record", QStyle::SP_FileIcon, "New");
  loadButton = speedBarButton(standardBar, "loadButton", "Load Another Database",
                              QStyle::SP_DialogOpenButton, "Load");
  aboutButton = speedBarButton(standardBar, "aboutButton", "Display Information About Authors",
                               QStyle::SP_MessageBoxInformation, "About");
  helpButton = speedBarButton(standardBar, "helpButton", "Display Help Window",
                              QStyle::SP_DialogHelpButton, "Help");
  exitButton = speedBarButton(standardBar, "exitButton", "Program Shutdown [Alt+F4]",
                              QStyle::SP_DialogCloseButton, "Exit");
  exportButton = speedBarButton(advancedBar, "exportButton", "Export Data to Text File",
                                QStyle::SP_ArrowRight, "Export");
  importButton = speedBarButton(advancedBar, "importButton", "Import Data from Text File",
                                QStyle::SP_ArrowLeft, "Import");
  passwordButton = speedBarButton(advancedBar, "passwordButton", "Change Password",
                                  QStyle::SP_DialogYesButton, "Password");
  maintenanceButton =
      speedBarButton(advancedBar, "maintenanceButton", "Database Maintenance Functions",
                     QStyle::SP_BrowserReload, "Maintenance");
  filterButton = speedBarButton(advancedBar, "filterButton", "Define Filter",
                                QStyle::SP_FileDialogListView, "Filter");
  sortButton = speedBarButton(advancedBar, "sortButton", "Sort Data", QStyle::SP_ArrowDown, "Sort");
  summaryButton = speedBarButton(advancedBar, "summaryButton", "Display Summary",
                                 QStyle::SP_FileDialogInfoView, "Summary");
  int x = 4;
  for (QToolButton* b : {searchButton, optionsButton, printButton, newButton, loadButton,
                         aboutButton, helpButton, exitButton}) {
    b->setGeometry(x, 2, standardWidth, barHeight - 4);
    x += standardWidth + 2;
  }
  x = 4;
  for (QToolButton* b : {exportButton, importButton, passwordButton, maintenanceButton,
                         filterButton, sortButton, summaryButton}) {
    b->setGeometry(x, 2, advancedWidth, barHeight - 4);
    x += advancedWidth + 2;
  }
  connect(newButton, &QToolButton::clicked, this, [this] { onNewClicked(); });
  connect(aboutButton, &QToolButton::clicked, this, [this] { onAboutClicked(); });
  connect(helpButton, &QToolButton::clicked, this, [] { showHelpTopic(1); });
  connect(exitButton, &QToolButton::clicked, this, &QWidget::close);
  connect(sortButton, &QToolButton::clicked, this, [this] { onSortClicked(); });
  connect(searchButton, &QToolButton::clicked, this, [this] { onSearchClicked(); });
  connect(filterButton, &QToolButton::clicked, this, [this] { onFilterClicked(); });
  connect(printButton, &QToolButton::clicked, this, [this] { onPrintClicked(); });
  connect(passwordButton, &QToolButton::clicked, this, [this] { changeMyPasswordCommand(this); });
  connect(maintenanceButton, &QToolButton::clicked, this, [this] { onMaintenanceClicked(); });
  connect(loadButton, &QToolButton::clicked, this, [this] { onLoadClicked(); });
  connect(optionsButton, &QToolButton::clicked, this, [this] { onOptionsClicked(); });
  connect(exportButton, &QToolButton::clicked, this, [this] { onExportClicked(); });
  connect(importButton, &QToolButton::clicked, this, [this] { onImportClicked(); });
  connect(summaryButton, &QToolButton::clicked, this, [this] { onSummaryClicked(); });
  advancedBar->hide();

  speedBarTabs = new QTabBar(parent);
  speedBarTabs->setObjectName(QStringLiteral("speedBarTabs"));
  speedBarTabs->addTab(QStringLiteral("Standard"));
  speedBarTabs->addTab(QStringLiteral("Advanced"));
  speedBarTabs->setShape(QTabBar::TriangularSouth);
  speedBarTabs->setToolTip(QStringLiteral("Click on Tabs to select Speed Bar pages"));
  speedBarTabs->setFocusPolicy(Qt::NoFocus);
  speedBarTabs->setDrawBase(false);
  connect(speedBarTabs, &QTabBar::currentChanged, this, &BookView::onSpeedBarTabClicked);
}

void BookView::onSpeedBarTabClicked(int index) {
  if (appSettings().menusAndSpeedBars == 1) return;
  standardBar->setVisible(index == 0);
  advancedBar->setVisible(index == 1);
}

void BookView::buildFormMenu() {
  formMenu = new QMenu(this);
  formMenu->setObjectName(QStringLiteral("formMenu"));
  QMenu* model = formMenu->addMenu(QStringLiteral("&Book Model"));
  oneLevelAction = model->addAction(QStringLiteral("1-Level"), [this] {
    if (viewBookModel() != 0) switchBookModel();
  });
  twoLevelAction = model->addAction(QStringLiteral("2-Level"), [this] {
    if (viewBookModel() != 1) switchBookModel();
  });
  QMenu* bars = formMenu->addMenu(QStringLiteral("&Menus And SpeedBars"));
  const char* menuTexts[] = {"Show Both", "Show Only Menus", "Show Only Speed Bars"};
  for (int i = 0; i < 3; ++i)
    menusItems[static_cast<size_t>(i)] =
        bars->addAction(QString::fromLatin1(menuTexts[i]), [this, i] { setMenusAndSpeedBars(i); });
  bars->addSeparator();
  const char* barTexts[] = {"Speed Bar At The Top", "Speed Bar At The Bottom"};
  for (int i = 0; i < 2; ++i)
    speedBarItems[static_cast<size_t>(i)] =
        bars->addAction(QString::fromLatin1(barTexts[i]), [this, i] {
          if (appSettings().speedBarLocation == i) return;
          appSettings().speedBarLocation = static_cast<uint16_t>(i);
          applyLayout();
        });
  QMenu* tabs = formMenu->addMenu(QStringLiteral("&Letter Tabs"));
  const char* tabTexts[] = {"Enabled", "Disabled"};
  for (int i = 0; i < 2; ++i)
    letterTabItems[static_cast<size_t>(i)] =
        tabs->addAction(QString::fromLatin1(tabTexts[i]), [this, i] {
          if (appSettings().letterTabs != i) setLetterTabs(i);
        });
  tabs->addSeparator();
  const char* placeTexts[] = {"Display In Center", "Display On Right Side"};
  for (int i = 0; i < 2; ++i)
    letterPlaceItems[static_cast<size_t>(i)] =
        tabs->addAction(QString::fromLatin1(placeTexts[i]), [this, i] {
          if (appSettings().letterTabsLocation == i) return;
          appSettings().letterTabsLocation = static_cast<uint16_t>(i);
          applyLayout();
        });
  QMenu* hints = formMenu->addMenu(QStringLiteral("H&int Messages"));
  const char* hintTexts[] = {"Show", "Hide"};
  for (int i = 0; i < 2; ++i)
    hintItems[static_cast<size_t>(i)] =
        hints->addAction(QString::fromLatin1(hintTexts[i]), [this, i] {
          appSettings().hintMessages = static_cast<uint16_t>(i);
          hintsOn_ = i == 0;
        });
  QMenu* del = formMenu->addMenu(QStringLiteral("&Record Delete Mode"));
  const char* delTexts[] = {"Ask User To Confirm", "Immediate Delete"};
  for (int i = 0; i < 2; ++i)
    deleteModeItems[static_cast<size_t>(i)] = del->addAction(QString::fromLatin1(delTexts[i]), [i] {
      appSettings().deleteMode = static_cast<uint16_t>(i);
    });
  formMenu->addSeparator();
  formMenu->addAction(QStringLiteral("&Help"), [] { showHelpTopic(66); });
  for (QMenu* m : {model, bars, tabs, hints, del})
    for (QAction* a : m->actions())
      if (!a->isSeparator()) a->setCheckable(true);
  connect(formMenu, &QMenu::aboutToShow, this, &BookView::prepareFormMenu);
}

void BookView::prepareFormMenu() {
  const AppSettings& s = appSettings();
  oneLevelAction->setChecked(viewBookModel() == 0);
  twoLevelAction->setChecked(viewBookModel() == 1);
  for (size_t i = 0; i < 3; ++i) menusItems[i]->setChecked(s.menusAndSpeedBars == i);
  for (size_t i = 0; i < 2; ++i) {
    speedBarItems[i]->setChecked(s.speedBarLocation == i);
    letterTabItems[i]->setChecked(s.letterTabs == i);
    letterPlaceItems[i]->setChecked(s.letterTabsLocation == i);
    hintItems[i]->setChecked(s.hintMessages == i);
    deleteModeItems[i]->setChecked(s.deleteMode == i);
  }
}

void BookView::setMenusAndSpeedBars(int value) {
  if (appSettings().menusAndSpeedBars == value) return;
  appSettings().menusAndSpeedBars = static_cast<uint16_t>(value);
  applyLayout();
}

void BookView::buildMenuBar() {
  QMenuBar* bar = menuBar();
  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  newRecordAction =
      file->addAction(QStringLiteral("&New Record"), this, [this] { onNewClicked(); });
  loadDatabaseAction =
      file->addAction(QStringLiteral("&Load Database"), this, &BookView::onLoadClicked);
  printAction = file->addAction(QStringLiteral("&Print"), this, &BookView::onPrintClicked);
  exitAction = file->addAction(QStringLiteral("&Exit"), this, &QWidget::close);
  QMenu* search = bar->addMenu(QStringLiteral("&Search"));
  findAction = search->addAction(QStringLiteral("&Find"), this, &BookView::onSearchClicked);
  optionsAction = bar->addAction(QStringLiteral("&Options"), this, &BookView::onOptionsClicked);
  QMenu* move = bar->addMenu(QStringLiteral("&Move"));
  firstAction = move->addAction(QStringLiteral("&First"), this, &BookView::onFirstClicked);
  pageUpAction = move->addAction(QStringLiteral("Page&Up"), this, &BookView::onPageUpClicked);
  pageDownAction = move->addAction(QStringLiteral("Page&Down"), this, &BookView::onPageDownClicked);
  lastAction = move->addAction(QStringLiteral("&Last"), this, &BookView::onLastClicked);
  addMoveItems(move);
  QMenu* advanced = bar->addMenu(QStringLiteral("&Advanced"));
  exportAction = advanced->addAction(QStringLiteral("&Export"), this, &BookView::onExportClicked);
  importAction = advanced->addAction(QStringLiteral("&Import"), this, &BookView::onImportClicked);
  passwordAction = advanced->addAction(QStringLiteral("&Password"), this,
                                       [this] { changeMyPasswordCommand(this); });
  maintenanceAction =
      advanced->addAction(QStringLiteral("&Maintenance"), this, &BookView::onMaintenanceClicked);
  filterAction = advanced->addAction(QStringLiteral("&Filter"), this, &BookView::onFilterClicked);
  sortAction = advanced->addAction(QStringLiteral("&Sort"), this, &BookView::onSortClicked);
  summaryAction =
      advanced->addAction(QStringLiteral("S&ummary"), this, &BookView::onSummaryClicked);
  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  helpContentsAction = help->addAction(QStringLiteral("&Help Contents"), [] { showHelpTopic(1); });
  aboutAction = help->addAction(QStringLiteral("&About"), this, &BookView::onAboutClicked);
}

void BookView::buildEntryMenu() {
  entryMenu = new QMenu(this);
  entryMenu->setObjectName(QStringLiteral("entryMenu"));
  quickViewMenu = entryMenu->addMenu(QStringLiteral("&Quick View"));
  copyBufferMenu = entryMenu->addMenu(QStringLiteral("&View Copy Buffer"));
  entryMenu->addSeparator();
  entryCopyAction = entryMenu->addAction(QStringLiteral("&Copy Record"),
                                         [this] { onCopyRecordClicked(menuSlot_); });
  entryPasteAction = entryMenu->addAction(QStringLiteral("&Paste Record"),
                                          [this] { onPasteRecordClicked(menuSlot_); });
  entryDeleteAction = entryMenu->addAction(QStringLiteral("&Delete Record"),
                                           [this] { onDeleteRecordClicked(menuSlot_); });
  entryPrintAction = entryMenu->addAction(QStringLiteral("P&rint Record"),
                                          [this] { onPrintRecordClicked(menuSlot_); });
  entryMenu->addSeparator();
  entryHelpAction =
      entryMenu->addAction(QStringLiteral("&Help"), [] { showHelpTopic(kEntryHelpContext); });
}

// ---------------------------------------------------------------- layout and colours

void BookView::applyLayout() {
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

void BookView::positionPanels() {
  const AppSettings& s = appSettings();
  const bool bars = s.menusAndSpeedBars != 1;
  const QSize client =
      placeBookParts({leftPage, rightSide(), letterColumn, standardBar, advancedBar, speedBarTabs,
                      shape_.pageWidth, shape_.pageHeight, kLetterColumnWidth, kSpeedBarHeight},
                     bars ? kSpeedBarHeight + kTabSetHeight : 0, s.speedBarLocation == 0,
                     s.letterTabsLocation == 1);
  centralWidget()->setFixedSize(client);
  setFixedSize(client.width(),
               client.height() + (menuBar()->isHidden() ? 0 : menuBar()->sizeHint().height()));
}

void BookView::applyColors() {
  for (ContentsEntry* e : entries) {
    e->setBgndColor(elementColor(1));
    e->setTextColor(elementColor(0));
    e->setSelBgndColor(elementColor(3));
    e->setSelTextColor(elementColor(2));
  }
  for (int i = 0; i < 26; ++i) colorLetterTab(i);
  static_cast<BookPage*>(leftPage)->color = elementColor(12);
  applyPageColors();
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

void BookView::onOptionsClicked() {
  AppSettings& s = appSettings();
  const uint16_t tabs = s.letterTabs;
  bool recolour = false;
  {
    OptionsDialog dlg(this);
    dlg.exec();
    recolour = dlg.colorsChanged();
  }
  if (shuttingDown()) return;  // the dialog applied nothing
  // Letter tabs and the book model change through the view's own switches,
  // which save the current record first.
  const int newTabs = s.letterTabs;
  const int newModel = s.bookModel;
  s.letterTabs = tabs;
  s.bookModel = static_cast<uint16_t>(viewBookModel());
  // The columns find their fields by caption: new labels first.
  columnHeader->refreshCaptions();
  updateSortButtonLabels();
  applyRecordOptions();
  if (newTabs != tabs) setLetterTabs(newTabs);
  applyLayout();
  if (recolour) applyColors();
  if (newModel != viewBookModel()) switchBookModel();
}

void saveSessionState() {
  for (const auto& save : runObjects().onViewClose) save();
  saveProgramOptions();
  saveUserOptions();
}
