#include "mainview.h"

#include <QCloseEvent>
#include <QAction>
#include <QFrame>
#include <QMenu>
#include <QTabBar>
#include <QToolButton>

#include "bookpage.h"
#include "form1.h"
#include "form3.h"
#include "gui/maindlg.h"
#include "runtime.h"
#include "dbtable.h"
#include "orvantaheader.h"
#include "qtprompter.h"
#include "recordtable.h"
#include "recordtext.h"
#include "settings.h"

TMainView::TMainView(QWidget* parent) : QMainWindow(parent, Qt::Window) {
  setAttribute(Qt::WA_DeleteOnClose);
  resize(800, 600);
  ApplyCaption();
}

void TMainView::ApplyCaption() {
  QString caption = AppSettings().AppTitle;
  if (IsReadOnlyDatabase()) caption += QStringLiteral(" [Read Only Mode]");
  setWindowTitle(caption);
}

void TMainView::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  SetCurrentView(this);
  ApplyCaption();
}

void TMainView::closeEvent(QCloseEvent* event) {
  event->accept();
  if (SwitchingModel) return;
  SaveViewState();
  SaveSessionState();
  if (MainDlg()) MainDlg()->close();
}

void TMainView::BuildSpeedBars(QWidget* parent, int barHeight, int standardWidth,
                               int advancedWidth) {
  Panel3 = new QFrame(parent);
  Panel4 = new QFrame(parent);
  Panel3->setObjectName(QStringLiteral("Panel3"));
  Panel4->setObjectName(QStringLiteral("Panel4"));
  for (QFrame* bar : {Panel3, Panel4}) {
    bar->setFrameShape(QFrame::StyledPanel);
    bar->setAutoFillBackground(true);
  }
  B_Search = SpeedBarButton(Panel3, "B_Search", "Find Text", QStyle::SP_FileDialogContentsView, "Find");
  B_Options = SpeedBarButton(Panel3, "B_Options", "Set Options", QStyle::SP_FileDialogDetailedView, "Options");
  B_Print = SpeedBarButton(Panel3, "B_Print", "Create and Print Reports", QStyle::SP_DialogSaveButton, "Print");
  B_New = SpeedBarButton(Panel3, "B_New", "Add New Record", QStyle::SP_FileIcon, "New");
  B_Load = SpeedBarButton(Panel3, "B_Load", "Load Another Database", QStyle::SP_DialogOpenButton, "Load");
  B_About = SpeedBarButton(Panel3, "B_About", "Display Information About Authors", QStyle::SP_MessageBoxInformation, "About");
  B_Help = SpeedBarButton(Panel3, "B_Help", "Display Help Window", QStyle::SP_DialogHelpButton, "Help");
  B_Exit = SpeedBarButton(Panel3, "B_Exit", "Program Shutdown [Alt+F4]", QStyle::SP_DialogCloseButton, "Exit");
  B_Export = SpeedBarButton(Panel4, "B_Export", "Export Data to Text File", QStyle::SP_ArrowRight, "Export");
  B_Import = SpeedBarButton(Panel4, "B_Import", "Import Data from Text File", QStyle::SP_ArrowLeft, "Import");
  B_Password = SpeedBarButton(Panel4, "B_Password", "Change Password", QStyle::SP_DialogYesButton, "Password");
  B_Maintenance = SpeedBarButton(Panel4, "B_Maintenance", "Database Maintenance Functions", QStyle::SP_BrowserReload, "Maintenance");
  B_Filter = SpeedBarButton(Panel4, "B_Filter", "Define Filter", QStyle::SP_FileDialogListView, "Filter");
  B_Sort = SpeedBarButton(Panel4, "B_Sort", "Sort Data", QStyle::SP_ArrowDown, "Sort");
  B_Summary = SpeedBarButton(Panel4, "B_Summary", "Display Summary", QStyle::SP_FileDialogInfoView, "Summary");
  int x = 4;
  for (QToolButton* b : {B_Search, B_Options, B_Print, B_New, B_Load, B_About, B_Help, B_Exit}) {
    b->setGeometry(x, 2, standardWidth, barHeight - 4);
    x += standardWidth + 2;
  }
  x = 4;
  for (QToolButton* b : {B_Export, B_Import, B_Password, B_Maintenance, B_Filter, B_Sort, B_Summary}) {
    b->setGeometry(x, 2, advancedWidth, barHeight - 4);
    x += advancedWidth + 2;
  }
  connect(B_New, &QToolButton::clicked, this, [this] { B_NewClick(); });
  connect(B_About, &QToolButton::clicked, this, [this] { B_AboutClick(); });
  connect(B_Help, &QToolButton::clicked, this, [] { ShowHelpTopic(1); });
  connect(B_Exit, &QToolButton::clicked, this, &QWidget::close);
  connect(B_Sort, &QToolButton::clicked, this, [this] { B_SortClick(); });
  connect(B_Search, &QToolButton::clicked, this, [this] { B_SearchClick(); });
  // Their dialogs come with their own subsystems; until then they stay off.
  for (QToolButton* b : {B_Options, B_Print, B_Load, B_Export, B_Import, B_Password, B_Maintenance,
                         B_Filter, B_Summary})
    b->setEnabled(false);
  Panel4->hide();

  TabSet1 = new QTabBar(parent);
  TabSet1->setObjectName(QStringLiteral("TabSet1"));
  TabSet1->addTab(QStringLiteral("Standard"));
  TabSet1->addTab(QStringLiteral("Advanced"));
  TabSet1->setShape(QTabBar::TriangularSouth);
  TabSet1->setToolTip(QStringLiteral("Click on Tabs to select Speed Bar pages"));
  TabSet1->setFocusPolicy(Qt::NoFocus);
  TabSet1->setDrawBase(false);
  connect(TabSet1, &QTabBar::currentChanged, this, &TMainView::TabSet1Click);
}

void TMainView::TabSet1Click(int index) {
  if (AppSettings().MenusAndSpeedBars == 1) return;
  Panel3->setVisible(index == 0);
  Panel4->setVisible(index == 1);
}

void TMainView::BuildFormMenu() {
  PopupMenu2 = new QMenu(this);
  PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
  QMenu* model = PopupMenu2->addMenu(QStringLiteral("&Book Model"));
  OneLevel1 = model->addAction(QStringLiteral("1-Level"), [this] {
    if (ViewBookModel() != 0) SwitchBookModel();
  });
  TwoLevel1 = model->addAction(QStringLiteral("2-Level"), [this] {
    if (ViewBookModel() != 1) SwitchBookModel();
  });
  QMenu* bars = PopupMenu2->addMenu(QStringLiteral("&Menus And SpeedBars"));
  const char* menuTexts[] = {"Show Both", "Show Only Menus", "Show Only Speed Bars"};
  for (int i = 0; i < 3; ++i)
    MenusItems[static_cast<size_t>(i)] =
        bars->addAction(QString::fromLatin1(menuTexts[i]), [this, i] { SetMenusAndSpeedBars(i); });
  bars->addSeparator();
  const char* barTexts[] = {"Speed Bar At The Top", "Speed Bar At The Bottom"};
  for (int i = 0; i < 2; ++i)
    SpeedBarItems[static_cast<size_t>(i)] =
        bars->addAction(QString::fromLatin1(barTexts[i]), [this, i] {
          if (AppSettings().SpeedBarLocation == i) return;
          AppSettings().SpeedBarLocation = static_cast<uint16_t>(i);
          ApplyLayout();
        });
  QMenu* tabs = PopupMenu2->addMenu(QStringLiteral("&Letter Tabs"));
  const char* tabTexts[] = {"Enabled", "Disabled"};
  for (int i = 0; i < 2; ++i)
    LetterTabItems[static_cast<size_t>(i)] =
        tabs->addAction(QString::fromLatin1(tabTexts[i]), [this, i] {
          if (AppSettings().LetterTabs != i) SetLetterTabs(i);
        });
  tabs->addSeparator();
  const char* placeTexts[] = {"Display In Center", "Display On Right Side"};
  for (int i = 0; i < 2; ++i)
    LetterPlaceItems[static_cast<size_t>(i)] =
        tabs->addAction(QString::fromLatin1(placeTexts[i]), [this, i] {
          if (AppSettings().LetterTabsLocation == i) return;
          AppSettings().LetterTabsLocation = static_cast<uint16_t>(i);
          ApplyLayout();
        });
  QMenu* hints = PopupMenu2->addMenu(QStringLiteral("H&int Messages"));
  const char* hintTexts[] = {"Show", "Hide"};
  for (int i = 0; i < 2; ++i)
    HintItems[static_cast<size_t>(i)] = hints->addAction(QString::fromLatin1(hintTexts[i]), [this, i] {
      AppSettings().HintMessages = static_cast<uint16_t>(i);
      hintsOn_ = i == 0;
    });
  QMenu* del = PopupMenu2->addMenu(QStringLiteral("&Record Delete Mode"));
  const char* delTexts[] = {"Ask User To Confirm", "Immediate Delete"};
  for (int i = 0; i < 2; ++i)
    DeleteModeItems[static_cast<size_t>(i)] = del->addAction(
        QString::fromLatin1(delTexts[i]), [i] { AppSettings().DeleteMode = static_cast<uint16_t>(i); });
  PopupMenu2->addSeparator();
  PopupMenu2->addAction(QStringLiteral("&Help"), [] { ShowHelpTopic(66); });
  for (QMenu* m : {model, bars, tabs, hints, del})
    for (QAction* a : m->actions())
      if (!a->isSeparator()) a->setCheckable(true);
  connect(PopupMenu2, &QMenu::aboutToShow, this, &TMainView::PopupMenu2Popup);
}

void TMainView::PopupMenu2Popup() {
  const TAppSettings& s = AppSettings();
  OneLevel1->setChecked(ViewBookModel() == 0);
  TwoLevel1->setChecked(ViewBookModel() == 1);
  for (size_t i = 0; i < 3; ++i) MenusItems[i]->setChecked(s.MenusAndSpeedBars == i);
  for (size_t i = 0; i < 2; ++i) {
    SpeedBarItems[i]->setChecked(s.SpeedBarLocation == i);
    LetterTabItems[i]->setChecked(s.LetterTabs == i);
    LetterPlaceItems[i]->setChecked(s.LetterTabsLocation == i);
    HintItems[i]->setChecked(s.HintMessages == i);
    DeleteModeItems[i]->setChecked(s.DeleteMode == i);
  }
}

void TMainView::SetMenusAndSpeedBars(int value) {
  if (AppSettings().MenusAndSpeedBars == value) return;
  AppSettings().MenusAndSpeedBars = static_cast<uint16_t>(value);
  ApplyLayout();
}

void SaveSessionState() {
  for (const auto& save : RunObjects().onViewClose) save();
  SaveProgramOptions();
  SaveUserOptions();
}

TMainView* CreateMainView(int bookModel, QWidget* owner) {
  TMainView* view = nullptr;
  if (bookModel == 1)
    view = new TForm1(owner);
  else
    view = new TForm3(owner);
  SetCurrentView(view);
  return view;
}

QString DatabaseCaption(const TDbTable& catalogue) {
  QString name;
  try {
    if (catalogue.Active() && !catalogue.Engine().eof())
      name = FromTableText(catalogue.Engine().asString(1));
  } catch (const std::exception&) {
    name.clear();
  }
  QString caption = (AppSettings().AppTitle + QStringLiteral(" - Database: ")).left(53) + name;
  if (IsReadOnlyDatabase()) caption += QStringLiteral(" [Read Only Mode]");
  return caption;
}

void SaveSortAndHeader(TOrvantaHeader& header) {
  SaveSortState();
  try {
    header.SaveToFile(JoinPath(AppSettings().HomeDir, QStringLiteral("header.dat")));
  } catch (const std::exception&) {
    // An unwritable home keeps the old layout; the rest is still saved.
  }
}
