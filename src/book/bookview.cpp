#include "book/bookview.h"

#include <QCloseEvent>
#include <QAction>
#include <QFrame>
#include <QMenu>
#include <QTabBar>
#include <QToolButton>

#include "book/bookpage.h"
#include "book/contents/contentsview.h"
#include "book/combined/combinedview.h"
#include "book/viewhost.h"
#include "core/runobjects.h"
#include "store/dbtable.h"
#include "ui/columnheader.h"
#include "ui/qtprompter.h"
#include "store/recordtable.h"
#include "store/recordtext.h"
#include "core/settings.h"

BookView::BookView(QWidget* parent) : QMainWindow(parent, Qt::Window) {
  setAttribute(Qt::WA_DeleteOnClose);
  resize(800, 600);
  applyCaption();
}

void BookView::applyCaption() {
  QString caption = appSettings().appTitle;
  if (isReadOnlyDatabase()) caption += QStringLiteral(" [Read Only Mode]");
  setWindowTitle(caption);
}

void BookView::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  setCurrentView(this);
  applyCaption();
}

void BookView::closeEvent(QCloseEvent* event) {
  event->accept();
  if (switchingModel) return;
  saveViewState();
  saveSessionState();
  if (mainDlg()) mainDlg()->close();
}

void BookView::buildSpeedBars(QWidget* parent, int barHeight, int standardWidth,
                               int advancedWidth) {
  standardBar = new QFrame(parent);
  advancedBar = new QFrame(parent);
  standardBar->setObjectName(QStringLiteral("standardBar"));
  advancedBar->setObjectName(QStringLiteral("advancedBar"));
  for (QFrame* bar : {standardBar, advancedBar}) {
    bar->setFrameShape(QFrame::StyledPanel);
    bar->setAutoFillBackground(true);
  }
  searchButton = speedBarButton(standardBar, "searchButton", "Find Text", QStyle::SP_FileDialogContentsView, "Find");
  optionsButton = speedBarButton(standardBar, "optionsButton", "Set Options", QStyle::SP_FileDialogDetailedView, "Options");
  printButton = speedBarButton(standardBar, "printButton", "Create and Print Reports", QStyle::SP_DialogSaveButton, "Print");
  newButton = speedBarButton(standardBar, "newButton", "Add New Record", QStyle::SP_FileIcon, "New");
  loadButton = speedBarButton(standardBar, "loadButton", "Load Another Database", QStyle::SP_DialogOpenButton, "Load");
  aboutButton = speedBarButton(standardBar, "aboutButton", "Display Information About Authors", QStyle::SP_MessageBoxInformation, "About");
  helpButton = speedBarButton(standardBar, "helpButton", "Display Help Window", QStyle::SP_DialogHelpButton, "Help");
  exitButton = speedBarButton(standardBar, "exitButton", "Program Shutdown [Alt+F4]", QStyle::SP_DialogCloseButton, "Exit");
  exportButton = speedBarButton(advancedBar, "exportButton", "Export Data to Text File", QStyle::SP_ArrowRight, "Export");
  importButton = speedBarButton(advancedBar, "importButton", "Import Data from Text File", QStyle::SP_ArrowLeft, "Import");
  passwordButton = speedBarButton(advancedBar, "passwordButton", "Change Password", QStyle::SP_DialogYesButton, "Password");
  maintenanceButton = speedBarButton(advancedBar, "maintenanceButton", "Database Maintenance Functions", QStyle::SP_BrowserReload, "Maintenance");
  filterButton = speedBarButton(advancedBar, "filterButton", "Define Filter", QStyle::SP_FileDialogListView, "Filter");
  sortButton = speedBarButton(advancedBar, "sortButton", "Sort Data", QStyle::SP_ArrowDown, "Sort");
  summaryButton = speedBarButton(advancedBar, "summaryButton", "Display Summary", QStyle::SP_FileDialogInfoView, "Summary");
  int x = 4;
  for (QToolButton* b : {searchButton, optionsButton, printButton, newButton, loadButton, aboutButton, helpButton, exitButton}) {
    b->setGeometry(x, 2, standardWidth, barHeight - 4);
    x += standardWidth + 2;
  }
  x = 4;
  for (QToolButton* b : {exportButton, importButton, passwordButton, maintenanceButton, filterButton, sortButton, summaryButton}) {
    b->setGeometry(x, 2, advancedWidth, barHeight - 4);
    x += advancedWidth + 2;
  }
  connect(newButton, &QToolButton::clicked, this, [this] { onNewClicked(); });
  connect(aboutButton, &QToolButton::clicked, this, [this] { onAboutClicked(); });
  connect(helpButton, &QToolButton::clicked, this, [] { showHelpTopic(1); });
  connect(exitButton, &QToolButton::clicked, this, &QWidget::close);
  connect(sortButton, &QToolButton::clicked, this, [this] { onSortClicked(); });
  connect(searchButton, &QToolButton::clicked, this, [this] { onSearchClicked(); });
  // Their dialogs come with their own subsystems; until then they stay off.
  for (QToolButton* b : {optionsButton, printButton, loadButton, exportButton, importButton, passwordButton, maintenanceButton,
                         filterButton, summaryButton})
    b->setEnabled(false);
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
    hintItems[static_cast<size_t>(i)] = hints->addAction(QString::fromLatin1(hintTexts[i]), [this, i] {
      appSettings().hintMessages = static_cast<uint16_t>(i);
      hintsOn_ = i == 0;
    });
  QMenu* del = formMenu->addMenu(QStringLiteral("&Record Delete Mode"));
  const char* delTexts[] = {"Ask User To Confirm", "Immediate Delete"};
  for (int i = 0; i < 2; ++i)
    deleteModeItems[static_cast<size_t>(i)] = del->addAction(
        QString::fromLatin1(delTexts[i]), [i] { appSettings().deleteMode = static_cast<uint16_t>(i); });
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

void saveSessionState() {
  for (const auto& save : runObjects().onViewClose) save();
  saveProgramOptions();
  saveUserOptions();
}

BookView* createMainView(int bookModel, QWidget* owner) {
  BookView* view = nullptr;
  if (bookModel == 1)
    view = new ContentsView(owner);
  else
    view = new CombinedView(owner);
  setCurrentView(view);
  return view;
}

QString databaseCaption(const DbTable& catalogue) {
  QString name;
  try {
    if (catalogue.active() && !catalogue.engine().eof())
      name = fromTableText(catalogue.engine().asString(1));
  } catch (const std::exception&) {
    name.clear();
  }
  QString caption = (appSettings().appTitle + QStringLiteral(" - Database: ")).left(53) + name;
  if (isReadOnlyDatabase()) caption += QStringLiteral(" [Read Only Mode]");
  return caption;
}

void saveSortAndHeader(ColumnHeader& header) {
  saveSortState();
  try {
    header.saveToFile(joinPath(appSettings().homeDir, QStringLiteral("header.dat")));
  } catch (const std::exception&) {
    // An unwritable home keeps the old layout; the rest is still saved.
  }
}
