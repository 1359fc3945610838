#include "finddlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "prompt.h"
#include "qtprompter.h"
#include "runtime.h"

namespace {

// The open window; set while it exists and has not been closed.
TFindDlg* g_instance = nullptr;

// How often a running search lets pending events run and shows its counter.
constexpr qint64 kPumpIntervalMs = 20;

const QString kProgressCaption = QStringLiteral("Searching - Please Wait...");

QPushButton* Button(QWidget* parent, const char* name, const QString& text, const QString& hint,
                    int x, int y) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QLatin1String(name));
  b->setToolTip(hint);
  b->setGeometry(x, y, 92, 27);
  b->setAutoDefault(false);
  return b;
}

QLabel* Label(QWidget* parent, const QString& text, int x, int y, int w = 180) {
  auto* l = new QLabel(text, parent);
  l->setGeometry(x, y, w, 16);
  return l;
}

}  // namespace

TFindDlg* TFindDlg::Instance() { return g_instance; }

TFindDlg* TFindDlg::Open(QWidget* view, TDbTable& table, const TFindHooks& hooks) {
  if (g_instance) {
    g_instance->raise();
    g_instance->activateWindow();
    return g_instance;
  }
  auto* dlg = new TFindDlg(view, table);
  g_instance = dlg;
  QRect screen(0, 0, 1024, 768);
  if (const QScreen* s = view ? view->screen() : QGuiApplication::primaryScreen())
    screen = s->availableGeometry();
  const QRect viewRect = view ? view->frameGeometry() : QRect(screen.topLeft(), QSize(0, 0));
  dlg->move(Placement(viewRect, dlg->frameGeometry().size(), screen));
  dlg->SetHooks(hooks);
  dlg->show();
  return dlg;
}

void TFindDlg::ViewClosing(const QWidget* view) {
  if (!g_instance || g_instance->view_ != view) return;
  TFindDlg* dlg = g_instance;
  dlg->SetHooks({});
  dlg->view_ = nullptr;
  dlg->close();
}

QPoint TFindDlg::Placement(const QRect& view, const QSize& window, const QRect& screen) {
  int top = view.top();
  top = std::min(top, screen.bottom() + 1 - window.height());
  top = std::max(top, screen.top());
  int left = 0;
  if (view.center().x() > screen.center().x())
    left = std::max(view.left() - window.width(), screen.left());
  else
    left = std::min(view.right() + 1, screen.right() + 1 - window.width());
  return {left, top};
}

TFindDlg::TFindDlg(QWidget* view, TDbTable& table)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      search_(std::make_unique<TFindSearch>(table)),
      view_(view) {
  setObjectName(QStringLiteral("FindDlg"));
  setWindowTitle(QStringLiteral("Search"));
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  Build();
  search_->busy = [this](bool on) { SetBusy(on); };
  search_->pump = [this] { PumpEvents(); };
  FormCreate();
}

TFindDlg::~TFindDlg() {
  if (g_instance == this) g_instance = nullptr;
}

void TFindDlg::Build() {
  Label(this, QStringLiteral("Fields To Be Searched:"), 8, 8);
  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setToolTip(QStringLiteral("Select Which Fields Should Be Searched"));
  ComboBox1->setGeometry(8, 26, 200, 24);
  ComboBox1->addItems(FindFieldChoices());
  connect(ComboBox1, &QComboBox::activated, this, &TFindDlg::ComboBox1Change);

  CheckBox1 = new QCheckBox(QStringLiteral("Don't Search Multiline Fields"), this);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setToolTip(QStringLiteral("Search is Faster if Checked"));
  CheckBox1->setGeometry(8, 56, 210, 20);
  CheckBox2 = new QCheckBox(QStringLiteral("Non-Stop Search Mode"), this);
  CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
  CheckBox2->setToolTip(QStringLiteral("Search Through Entire Database In One Pass"));
  CheckBox2->setGeometry(8, 78, 210, 20);
  connect(CheckBox2, &QCheckBox::clicked, this, &TFindDlg::CheckBox2Click);

  RadioGroup1 = new QGroupBox(QStringLiteral("Start From"), this);
  RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
  RadioGroup1->setToolTip(QStringLiteral("Determines Search Direction"));
  RadioGroup1->setGeometry(228, 8, 164, 70);
  RadioBeginning = new QRadioButton(QStringLiteral("Beginning"), RadioGroup1);
  RadioEnd = new QRadioButton(QStringLiteral("End"), RadioGroup1);
  RadioBeginning->setGeometry(12, 22, 140, 20);
  RadioEnd->setGeometry(12, 44, 140, 20);

  Label(this, QStringLiteral("Text To Search For:"), 8, 106);
  Edit1 = new QComboBox(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setEditable(true);
  Edit1->setInsertPolicy(QComboBox::NoInsert);
  Edit1->lineEdit()->setMaxLength(kMaxTextLength);
  Edit1->setToolTip(QStringLiteral("Enter Text You Want To Search For"));
  Edit1->setGeometry(8, 124, 384, 24);
  connect(Edit1, &QComboBox::editTextChanged, this, &TFindDlg::Edit1Change);

  Label(this, QStringLiteral("Current Record:"), 8, 156, 100);
  Label4 = Label(this, QString(), 110, 156, 80);
  Label4->setObjectName(QStringLiteral("Label4"));
  Label5 = Label(this, QString(), 196, 156, 30);
  Label5->setObjectName(QStringLiteral("Label5"));

  BitBtn1 = Button(this, "BitBtn1", QStringLiteral("&Find"),
                   QStringLiteral("Start Search From Beginning or End of File"), 8, 182);
  BitBtn2 = Button(this, "BitBtn2", QStringLiteral("Find &Next"),
                   QStringLiteral("Find Next Record"), 104, 182);
  BitBtn3 = Button(this, "BitBtn3", QStringLiteral("Find &Previous"),
                   QStringLiteral("Find Previous Record"), 200, 182);
  BitBtn4 =
      Button(this, "BitBtn4", QStringLiteral("&Stop"), QStringLiteral("Stop Searching"), 296, 182);
  OKBtn = Button(this, "OKBtn", QStringLiteral("&Close"), QStringLiteral("Close Search Window"),
                 200, 214);
  BitBtn5 = Button(this, "BitBtn5", QStringLiteral("&Help"), QStringLiteral("Display Help Window"),
                   296, 214);
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &TFindDlg::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TFindDlg::BitBtn2Click);
  connect(BitBtn3, &QPushButton::clicked, this, &TFindDlg::BitBtn3Click);
  connect(BitBtn4, &QPushButton::clicked, this, &TFindDlg::BitBtn4Click);
  connect(OKBtn, &QPushButton::clicked, this, &QWidget::close);
  connect(BitBtn5, &QPushButton::clicked, this, [] { ShowHelpTopic(kHelpContext); });
  setFixedSize(400, 250);
}

void TFindDlg::FormCreate() {
  const TFindMemory& memory = FindMemory();
  (memory.startFrom == 1 ? RadioEnd : RadioBeginning)->setChecked(true);
  const int field = memory.fieldIndex < ComboBox1->count() ? memory.fieldIndex : 0;
  ComboBox1->setCurrentIndex(field);
  Edit1->addItems(RunObjects().FindHistory);
  Edit1->setEditText(memory.lastText);
  BitBtn2->setEnabled(false);
  BitBtn3->setEnabled(false);
  BitBtn4->setEnabled(false);
  ClearCounter();
  CheckBox2->setChecked(false);
  // The restored field choice sets the multiline box as a choice would.
  ComboBox1Change(field);
}

void TFindDlg::closeEvent(QCloseEvent* event) {
  if (search_->Running()) {
    // The search loop still runs on this window: it stops, then the window closes.
    search_->RequestStop();
    closePending_ = true;
    event->ignore();
    return;
  }
  TFindMemory& memory = FindMemory();
  memory.lastText = Edit1->currentText();
  QStringList history;
  for (int i = 0; i < Edit1->count(); ++i) history << Edit1->itemText(i);
  RunObjects().FindHistory = history;
  memory.fieldIndex = ComboBox1->currentIndex();
  memory.startFrom = RadioEnd->isChecked() ? 1 : 0;
  search_->Reset();
  SetHooks({});
  if (g_instance == this) g_instance = nullptr;
  // Not QDialog's closeEvent: it would reject(), which closes again here.
  event->accept();
}

void TFindDlg::reject() { close(); }

void TFindDlg::SetHooks(const TFindHooks& hooks) { search_->hooks = hooks; }

void TFindDlg::Reset() {
  search_->Reset();
  BitBtn2->setEnabled(false);
  BitBtn3->setEnabled(false);
}

void TFindDlg::SetCurrentLetter(char letter) {
  search_->SetCurrentLetter(letter);
  Label5->setText(letter ? QString(QLatin1Char(letter)) : QString());
}

bool TFindDlg::NonStop() const { return CheckBox2->isChecked(); }

// ---------------------------------------------------------------- choices

void TFindDlg::ComboBox1Change(int index) {
  const bool all = index <= 0;
  CheckBox1->setChecked(all);
  CheckBox1->setEnabled(all);
}

void TFindDlg::CheckBox2Click(bool checked) {
  if (checked) {
    BitBtn2->setEnabled(false);
    BitBtn3->setEnabled(false);
    RadioGroup1->setEnabled(false);
    RadioBeginning->setChecked(true);
  } else {
    RadioGroup1->setEnabled(true);
  }
}

void TFindDlg::Edit1Change() {
  BitBtn2->setEnabled(false);
  BitBtn3->setEnabled(false);
}

void TFindDlg::TakeChoices() {
  search_->text = Edit1->currentText();
  search_->field = FindFieldOfChoice(ComboBox1->currentText());
  search_->searchMemos = !CheckBox1->isChecked();
}

// ---------------------------------------------------------------- searching

void TFindDlg::BitBtn1Click() {
  const QString text = Edit1->currentText();
  if (text.isEmpty()) {
    ShowMessage(MsgKind::Information, QStringLiteral("You have to enter Text!"));
    return;
  }
  FindMemory().lastText = text;
  QStringList& history = RunObjects().FindHistory;
  RememberSearchText(history, text);
  {
    const QSignalBlocker block(Edit1);
    Edit1->clear();
    Edit1->addItems(history);
    Edit1->setEditText(text);
  }
  TakeChoices();
  if (CheckBox2->isChecked())
    MarkAll();
  else
    StepSearch(RadioBeginning->isChecked(), false);
}

void TFindDlg::BitBtn2Click() { StepSearch(true, true); }

void TFindDlg::BitBtn3Click() { StepSearch(false, true); }

void TFindDlg::BitBtn4Click() { search_->RequestStop(); }

void TFindDlg::StepSearch(bool forward, bool again) {
  if (again) TakeChoices();
  const TFindSearch::Outcome outcome = again ? search_->FindAgain(forward) : search_->Find(forward);
  if (ClosePending() || outcome == TFindSearch::Outcome::Cancelled) return;
  if (outcome == TFindSearch::Outcome::Found) {
    ShowCounter();
    (forward ? BitBtn2 : BitBtn3)->setEnabled(true);
    if (again) (forward ? BitBtn3 : BitBtn2)->setEnabled(true);
    return;
  }
  if (!search_->LastError().empty())
    ShowMessage(MsgKind::Error, QString::fromStdString(search_->LastError()));
  ClearCounter();
  (forward ? BitBtn2 : BitBtn3)->setEnabled(false);
  ShowMessage(MsgKind::Information, QStringLiteral("Text Not Found!"));
}

void TFindDlg::MarkAll() {
  if (search_->hooks.BeforeMarkAll && !search_->hooks.BeforeMarkAll()) return;
  ClearCounter();
  const TMarkResult result = search_->MarkAll(kProgressCaption);
  ShowCounter();
  if (closePending_) {
    // Closed during the pass: it was stopped, so there is nothing to report.
  } else if (!result.error.empty()) {
    ShowMessage(MsgKind::Error, QString::fromStdString(result.error));
  } else if (!result.stopped) {
    if (result.found > 0)
      ShowMessage(MsgKind::Information,
                  QString::number(result.found) +
                      QStringLiteral(" Record(s) Found!\rTo return later to All-Record-Display "
                                     "set Filter to All Records."));
    else
      ShowMessage(MsgKind::Information, QStringLiteral("No Records Found!"));
  }
  if (search_->hooks.AfterMarkAll) search_->hooks.AfterMarkAll();
  ClosePending();
}

bool TFindDlg::ClosePending() {
  if (!closePending_) return false;
  closePending_ = false;
  close();
  return true;
}

void TFindDlg::SetBusy(bool busy) {
  if (busy) {
    disabled_.clear();
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (w == BitBtn4 || !w->isEnabled()) continue;
      w->setEnabled(false);
      disabled_.push_back(w);
    }
    BitBtn4->setEnabled(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    sincePump_.start();
    return;
  }
  for (QWidget* w : disabled_) w->setEnabled(true);
  disabled_.clear();
  BitBtn4->setEnabled(false);
  QApplication::restoreOverrideCursor();
}

void TFindDlg::PumpEvents() {
  // Events run between records, but only every few milliseconds: a pass over
  // a million records would otherwise spend its time in the event loop.
  if (sincePump_.isValid() && sincePump_.elapsed() < kPumpIntervalMs) return;
  ShowCounter();
  QApplication::processEvents();
  sincePump_.start();
}

void TFindDlg::ShowCounter() {
  Label4->setText(QString::number(search_->Counter() + 1));
  const char letter = search_->CurrentLetter();
  Label5->setText(letter ? QString(QLatin1Char(letter)) : QString());
}

void TFindDlg::ClearCounter() {
  Label4->clear();
  Label5->clear();
}
