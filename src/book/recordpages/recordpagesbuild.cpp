// Building the record pages' widgets, their layout and colours.
#include "book/recordpages/recordpagesview.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QToolButton>

#include "book/bookpage.h"
#include "book/recordpage.h"
#include "book/viewhost.h"
#include "core/labels.h"
#include "core/prompt.h"
#include "core/settings.h"
#include "ui/colorbutton.h"
#include "ui/editormenu.h"
#include "ui/elementcolors.h"
#include "ui/pageeditors.h"
#include "ui/qtprompter.h"

namespace {

constexpr int kSpeedBarHeight = 46;
constexpr int kTabSetHeight = 22;
constexpr int kStatusTop = 6;
constexpr int kPartsTop = 30;
constexpr int kPartsHeight = 318;
constexpr int kBarTop = 378;

const QString kReadWrite = QStringLiteral("Read/Write Access");

}  // namespace

void RecordPagesView::buildPages() {
  leftPage = new BookPage(centralWidget(), true);
  rightPage = new BookPage(centralWidget(), false);
  leftPage->setObjectName(QStringLiteral("leftPage"));
  rightPage->setObjectName(QStringLiteral("rightPage"));
  for (QFrame* p : {leftPage, rightPage}) p->resize(kPageWidth, kPageHeight);
  buildPage(0);
  buildPage(1);
}

void RecordPagesView::buildPage(int page) {
  const bool left = page == 0;
  QFrame* panel = left ? leftPage : rightPage;
  const int inner = left ? 8 : 26;  // clear of the binding shade
  const int width = kPageWidth - 34;
  QLabel*& status = left ? leftStatus : rightStatus;
  status = new QLabel(kReadWrite, panel);
  status->setObjectName(left ? QStringLiteral("LStatus") : QStringLiteral("RStatus"));
  status->setAlignment(Qt::AlignCenter);
  status->setFrameShape(QFrame::Panel);
  status->setFrameShadow(QFrame::Sunken);
  status->setGeometry(inner, kStatusTop, width, 20);

  QStackedWidget*& parts = left ? leftParts : rightParts;
  parts = new QStackedWidget(panel);
  parts->setGeometry(inner, kPartsTop, width, kPartsHeight);
  auto& editors = left ? leftEditors : rightEditors;
  auto& labels = left ? leftLabels : RightLabels;
  const QString prefix = left ? QStringLiteral("L") : QStringLiteral("R");
  buildPageParts(
      parts, prefix, width, kPartsHeight, 92, editMenu,
      {&editors, &labels, &DateEditors, left ? &partEditorCounts : nullptr, &lookupLists_});

  QTabBar*& tabs = left ? leftPartTabs : rightPartTabs;
  tabs = new QTabBar(panel);
  tabs->setObjectName(left ? QStringLiteral("leftPartTabs") : QStringLiteral("rightPartTabs"));
  for (int part = 1; part <= kPageParts; ++part) tabs->addTab(QStringLiteral("Part %1").arg(part));
  tabs->setShape(QTabBar::TriangularSouth);
  tabs->setDrawBase(false);
  tabs->setFocusPolicy(Qt::NoFocus);
  tabs->setToolTip(left ? QStringLiteral("Select Part of the Record [Ctrl+#]")
                        : QStringLiteral("Select Part of the Record [Alt+#]"));
  tabs->setGeometry(inner, kPartsTop + kPartsHeight + 2, width, 24);
  connect(tabs, &QTabBar::currentChanged, parts, &QStackedWidget::setCurrentIndex);

  buildPageBar(page, panel, inner, width);

  QFont numberFont(QStringLiteral("Arial"));
  numberFont.setPixelSize(11);
  numberFont.setItalic(true);
  QLabel*& number = left ? leftPageNumber : rightPageNumber;
  number = new QLabel(QStringLiteral("999999"), panel);
  number->setObjectName(left ? QStringLiteral("leftPageNumber")
                             : QStringLiteral("rightPageNumber"));
  number->setFont(numberFont);
  number->setGeometry(left ? 10 : kPageWidth - 70, kPageHeight - 18, 60, 14);
  number->setAlignment((left ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);

  buildPopup(page);
  panel->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(panel, &QWidget::customContextMenuRequested, this, [this, page, panel](const QPoint& at) {
    (page == 0 ? leftPageMenu : rightPageMenu)->popup(panel->mapToGlobal(at));
  });
}

void RecordPagesView::buildPageBar(int page, QFrame* panel, int inner, int width) {
  const bool left = page == 0;
  QFrame*& bar = left ? leftPageBar : rightPageBar;
  bar = new QFrame(panel);
  bar->setObjectName(left ? QStringLiteral("leftPageBar") : QStringLiteral("rightPageBar"));
  bar->setGeometry(inner, kBarTop, width, 34);
  std::vector<QToolButton*> buttons;
  if (left) {
    firstButton = speedBarButton(bar, "firstButton", "GoTo First Page [Ctrl+Home]",
                                 QStyle::SP_MediaSkipBackward);
    pageUpButton = speedBarButton(bar, "pageUpButton", "GoTo Previous Page [Ctrl+PgUp]",
                                  QStyle::SP_MediaSeekBackward);
    leftUndoButton = speedBarButton(bar, "leftUndoButton", "Undo Changes To Left Record [Ctrl+U]",
                                    QStyle::SP_DialogResetButton);
    leftPasteButton =
        speedBarButton(bar, "leftPasteButton", "Paste From Copy Buffer To Left Record [Ctrl+P]",
                       QStyle::SP_DialogApplyButton);
    leftCopyButton =
        speedBarButton(bar, "leftCopyButton", "Copy Left Record To Copy Buffer [Ctrl+O]",
                       QStyle::SP_FileDialogNewFolder);
    leftDeleteButton = speedBarButton(bar, "leftDeleteButton", "Delete Left Record [Ctrl+Delete]",
                                      QStyle::SP_TrashIcon);
    leftPrintButton = speedBarButton(bar, "leftPrintButton", "Print Left Record [Ctrl+R]",
                                     QStyle::SP_DialogSaveButton);
    buttons = {firstButton,    pageUpButton,     leftUndoButton, leftPasteButton,
               leftCopyButton, leftDeleteButton, leftPrintButton};
  } else {
    rightPrintButton = speedBarButton(bar, "rightPrintButton", "Print Right Record [Alt+R]",
                                      QStyle::SP_DialogSaveButton);
    rightDeleteButton = speedBarButton(bar, "rightDeleteButton", "Delete Right Record [Alt+Delete]",
                                       QStyle::SP_TrashIcon);
    rightCopyButton =
        speedBarButton(bar, "rightCopyButton", "Copy Right Record To Copy Buffer [Alt+O]",
                       QStyle::SP_FileDialogNewFolder);
    rightPasteButton =
        speedBarButton(bar, "rightPasteButton", "Paste From Copy Buffer To Right Record [Alt+P]",
                       QStyle::SP_DialogApplyButton);
    rightUndoButton = speedBarButton(bar, "rightUndoButton", "Undo Changes To Right Record [Alt+U]",
                                     QStyle::SP_DialogResetButton);
    pageDownButton = speedBarButton(bar, "pageDownButton", "GoTo Next Page [Ctrl+PgDn]",
                                    QStyle::SP_MediaSeekForward);
    lastButton =
        speedBarButton(bar, "lastButton", "GoTo Last Page [Ctrl+End]", QStyle::SP_MediaSkipForward);
    buttons = {rightPrintButton, rightDeleteButton, rightCopyButton, rightPasteButton,
               rightUndoButton,  pageDownButton,    lastButton};
  }
  const int step = width / 7;
  for (size_t i = 0; i < buttons.size(); ++i)
    buttons[i]->setGeometry(static_cast<int>(i) * step + 1, 2, step - 2, 30);
  if (left) {
    connect(firstButton, &QToolButton::clicked, this, &RecordPagesView::onFirstClicked);
    connect(pageUpButton, &QToolButton::clicked, this, &RecordPagesView::onPageUpClicked);
  } else {
    connect(pageDownButton, &QToolButton::clicked, this, &RecordPagesView::onPageDownClicked);
    connect(lastButton, &QToolButton::clicked, this, &RecordPagesView::onLastClicked);
  }
  connect(left ? leftUndoButton : rightUndoButton, &QToolButton::clicked, this,
          [this, page] { onUndoClicked(page); });
  connect(left ? leftPasteButton : rightPasteButton, &QToolButton::clicked, this,
          [this, page] { onPasteClicked(page); });
  connect(left ? leftCopyButton : rightCopyButton, &QToolButton::clicked, this,
          [this, page] { onCopyClicked(page); });
  connect(left ? leftDeleteButton : rightDeleteButton, &QToolButton::clicked, this,
          [this, page] { onDeleteClicked(page); });
  connect(left ? leftPrintButton : rightPrintButton, &QToolButton::clicked, this,
          [this, page] { onPrintClicked(page); });
}

void RecordPagesView::buildPopup(int page) {
  QMenu*& menu = page == 0 ? leftPageMenu : rightPageMenu;
  menu = new QMenu(this);
  menu->setObjectName(page == 0 ? QStringLiteral("leftPageMenu") : QStringLiteral("rightPageMenu"));
  QAction* title = menu->addAction(page == 0 ? QStringLiteral("Left Record:")
                                             : QStringLiteral("Right Record :"));
  title->setEnabled(false);
  menu->addSeparator();
  viewCopyBuffer[static_cast<size_t>(page)] = menu->addMenu(QStringLiteral("&View Copy Buffer"));
  menu->addSeparator();
  PopupItems& items = popup[static_cast<size_t>(page)];
  items.paste =
      menu->addAction(QStringLiteral("&Paste Record"), [this, page] { onPasteClicked(page); });
  items.copy =
      menu->addAction(QStringLiteral("C&opy Record"), [this, page] { onCopyClicked(page); });
  items.undo =
      menu->addAction(QStringLiteral("&Undo Changes"), [this, page] { onUndoClicked(page); });
  items.del =
      menu->addAction(QStringLiteral("&Delete Record"), [this, page] { onDeleteClicked(page); });
  items.print =
      menu->addAction(QStringLiteral("P&rint Record"), [this, page] { onPrintClicked(page); });
  menu->addSeparator();
  menu->addAction(QStringLiteral("&Help"), [] { showHelpTopic(31); });
  connect(menu, &QMenu::aboutToShow, this, [this, page] { preparePageMenu(page); });
}

void RecordPagesView::buildLetterColumn() {
  letterColumn = ::buildLetterColumn(centralWidget(), kLetterColumnWidth, kPageHeight,
                                     (kPageHeight - 26 * 16) / 2, 16, letterButtons,
                                     [this](int i) { onLetterClicked(i); });
  letterColumn->setAutoFillBackground(true);
}

void RecordPagesView::buildSpeedBar() {
  makeSpeedBars(centralWidget(), standardBar, advancedBar);
  searchButton = speedBarButton(standardBar, "searchButton", "Find Text",
                                QStyle::SP_FileDialogContentsView, "Find");
  contentsButton = speedBarButton(standardBar, "contentsButton", "Return to Table Of Contents",
                                  QStyle::SP_FileDialogListView, "TOC");
  newButton =
      speedBarButton(standardBar, "newButton", "Add New Record", QStyle::SP_FileIcon, "New");
  exitButton = speedBarButton(standardBar, "exitButton", "Program Shutdown",
                              QStyle::SP_DialogCloseButton, "Exit");
  helpButton = speedBarButton(standardBar, "helpButton", "Display Help Window",
                              QStyle::SP_DialogHelpButton, "Help");
  int x = 4;
  for (QToolButton* b : {searchButton, contentsButton, newButton, exitButton, helpButton}) {
    b->setGeometry(x, 2, 68, kSpeedBarHeight - 4);
    x += 70;
  }
  connect(searchButton, &QToolButton::clicked, this, [this] {
    if (onSearch) onSearch();
  });
  connect(contentsButton, &QToolButton::clicked, this, &QWidget::close);
  connect(newButton, &QToolButton::clicked, this, &RecordPagesView::onNewClicked);
  connect(exitButton, &QToolButton::clicked, this, [this] {
    exitRequested = true;
    if (!close()) exitRequested = false;
  });
  connect(helpButton, &QToolButton::clicked, this, [] { showHelpTopic(kHelpContext); });
  advancedBar->hide();

  speedBarTabs = new QTabBar(centralWidget());
  speedBarTabs->setObjectName(QStringLiteral("speedBarTabs"));
  speedBarTabs->addTab(QStringLiteral("Standard"));
  speedBarTabs->addTab(QStringLiteral("Advanced"));
  speedBarTabs->setShape(QTabBar::TriangularSouth);
  speedBarTabs->setToolTip(QStringLiteral("Click on Tabs to select Menu Bar"));
  speedBarTabs->setFocusPolicy(Qt::NoFocus);
  speedBarTabs->setDrawBase(false);
  connect(speedBarTabs, &QTabBar::currentChanged, this, [this](int i) {
    standardBar->setVisible(i == 0);
    advancedBar->setVisible(i == 1);
  });
}

void RecordPagesView::buildMenus() {
  QMenuBar* bar = menuBar();
  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  newRecordAction =
      file->addAction(QStringLiteral("&New Record"), this, &RecordPagesView::onNewClicked);
  printLeftAction =
      file->addAction(QStringLiteral("Print &Left Record"), this, [this] { onPrintClicked(0); });
  printRightAction =
      file->addAction(QStringLiteral("Print &Right Record"), this, [this] { onPrintClicked(1); });
  contentsAction = file->addAction(QStringLiteral("&Table Of Contents"), this, &QWidget::close);
  exitAction = file->addAction(QStringLiteral("E&xit"), this, [this] { exitButton->click(); });
  QMenu* search = bar->addMenu(QStringLiteral("&Search"));
  findAction = search->addAction(QStringLiteral("&Find"), this, [this] {
    if (onSearch) onSearch();
  });
  QMenu* move = bar->addMenu(QStringLiteral("&Move"));
  firstAction = move->addAction(QStringLiteral("&First"), this, &RecordPagesView::onFirstClicked);
  pageUpAction =
      move->addAction(QStringLiteral("Page&Up"), this, &RecordPagesView::onPageUpClicked);
  pageDownAction =
      move->addAction(QStringLiteral("Page&Down"), this, &RecordPagesView::onPageDownClicked);
  lastAction = move->addAction(QStringLiteral("&Last"), this, &RecordPagesView::onLastClicked);
  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  helpContentsAction =
      help->addAction(QStringLiteral("&Help Contents"), [] { showHelpTopic(kHelpContext); });
}

// ---------------------------------------------------------------- layout and colours

void RecordPagesView::applyLayout() {
  const AppSettings& s = appSettings();
  const bool bars = s.menusAndSpeedBars != 1;
  const bool tabs = bars && hasAdvancedBar;
  menuBar()->setVisible(s.menusAndSpeedBars != 2);
  standardBar->setVisible(bars && (!tabs || speedBarTabs->currentIndex() == 0));
  advancedBar->setVisible(tabs && speedBarTabs->currentIndex() == 1);
  speedBarTabs->setVisible(tabs);
  const QSize client =
      placeBookParts({leftPage, rightPage, letterColumn, standardBar, advancedBar, speedBarTabs,
                      kPageWidth, kPageHeight, kLetterColumnWidth, kSpeedBarHeight},
                     bars ? kSpeedBarHeight + (tabs ? kTabSetHeight : 0) : 0,
                     s.speedBarLocation == 0, s.letterTabsLocation == 1);
  centralWidget()->setFixedSize(client);
  setFixedSize(client.width(),
               client.height() + (menuBar()->isHidden() ? 0 : menuBar()->sizeHint().height()));
}

void RecordPagesView::colorEditor(QWidget* editor, bool inUse) {
  const bool memo = qobject_cast<MemoEdit*>(editor) != nullptr;
  if (inUse)
    setEditorColors(editor, QApplication::palette().color(QPalette::Base),
                    QApplication::palette().color(QPalette::Disabled, QPalette::Text), true);
  else
    setEditorColors(editor, elementColor(memo ? 18 : 16), elementColor(memo ? 17 : 15), false);
}

void RecordPagesView::applyColors() {
  for (int page = 0; page < 2; ++page) {
    for (QLabel* l : page == 0 ? leftLabels : RightLabels) {
      QPalette p = l->palette();
      p.setColor(QPalette::WindowText, elementColor(19));
      p.setColor(QPalette::Window, elementColor(20));
      l->setPalette(p);
    }
  }
  static_cast<BookPage*>(leftPage)->color = elementColor(24);
  static_cast<BookPage*>(rightPage)->color = elementColor(24);
  for (QWidget* w : {static_cast<QWidget*>(leftPartTabs), static_cast<QWidget*>(rightPartTabs),
                     static_cast<QWidget*>(leftParts), static_cast<QWidget*>(rightParts)}) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, elementColor(24));
    w->setPalette(p);
  }
  for (QFrame* bar : {standardBar, advancedBar}) {
    QPalette p = bar->palette();
    p.setColor(QPalette::Window, elementColor(25));
    bar->setPalette(p);
  }
  QPalette p = centralWidget()->palette();
  p.setColor(QPalette::Window, elementColor(26));
  centralWidget()->setPalette(p);
  QPalette column = letterColumn->palette();
  column.setColor(QPalette::Window, elementColor(24));
  letterColumn->setPalette(column);
  for (int i = 0; i < 26; ++i) colorLetterTab(i);
  applyAccess();
  update();
}

void RecordPagesView::colorLetterTab(int index) {
  if (index >= 0 && index < 26) colorLetterButton(letterButtons[static_cast<size_t>(index)], index);
}

void RecordPagesView::applyLabels() {
  for (int k = 0; k < kPageFieldCount; ++k) {
    if (k >= labels().size()) break;
    leftLabels[static_cast<size_t>(k)]->setText(labels()[k]);
    RightLabels[static_cast<size_t>(k)]->setText(labels()[k]);
  }
}
