#include "query/find/finddialog.h"

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

#include "core/prompt.h"
#include "ui/qtprompter.h"
#include "core/runobjects.h"

namespace {

// The open window; set while it exists and has not been closed.
FindDialog* g_instance = nullptr;

// How often a running search lets pending events run and shows its counter.
constexpr qint64 kPumpIntervalMs = 20;

const QString kProgressCaption = QStringLiteral("Searching - Please Wait...");

QPushButton* button(QWidget* parent, const char* name, const QString& text, const QString& hint,
                    int x, int y) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QLatin1String(name));
  b->setToolTip(hint);
  b->setGeometry(x, y, 92, 27);
  b->setAutoDefault(false);
  return b;
}

QLabel* label(QWidget* parent, const QString& text, int x, int y, int w = 180) {
  auto* l = new QLabel(text, parent);
  l->setGeometry(x, y, w, 16);
  return l;
}

}  // namespace

FindDialog* FindDialog::instance() { return g_instance; }

FindDialog* FindDialog::openFor(QWidget* view, DbTable& table, const FindHooks& hooks) {
  if (g_instance) {
    g_instance->raise();
    g_instance->activateWindow();
    return g_instance;
  }
  auto* dlg = new FindDialog(view, table);
  g_instance = dlg;
  QRect screen(0, 0, 1024, 768);
  if (const QScreen* s = view ? view->screen() : QGuiApplication::primaryScreen())
    screen = s->availableGeometry();
  const QRect viewRect = view ? view->frameGeometry() : QRect(screen.topLeft(), QSize(0, 0));
  dlg->move(placement(viewRect, dlg->frameGeometry().size(), screen));
  dlg->setHooks(hooks);
  dlg->show();
  return dlg;
}

void FindDialog::viewClosing(const QWidget* view) {
  if (!g_instance || g_instance->view_ != view) return;
  FindDialog* dlg = g_instance;
  dlg->setHooks({});
  dlg->view_ = nullptr;
  dlg->close();
}

QPoint FindDialog::placement(const QRect& view, const QSize& window, const QRect& screen) {
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

FindDialog::FindDialog(QWidget* view, DbTable& table)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      search_(std::make_unique<FindSearch>(table)),
      view_(view) {
  setObjectName(QStringLiteral("FindDlg"));
  setWindowTitle(QStringLiteral("Search"));
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  build();
  search_->busy = [this](bool on) { setBusy(on); };
  search_->pump = [this] { pumpEvents(); };
  formCreate();
}

FindDialog::~FindDialog() {
  if (g_instance == this) g_instance = nullptr;
}

void FindDialog::build() {
  label(this, QStringLiteral("Fields To Be Searched:"), 8, 8);
  comboBox1 = new QComboBox(this);
  comboBox1->setObjectName(QStringLiteral("comboBox1"));
  comboBox1->setToolTip(QStringLiteral("Select Which Fields Should Be Searched"));
  comboBox1->setGeometry(8, 26, 200, 24);
  comboBox1->addItems(findFieldChoices());
  connect(comboBox1, &QComboBox::activated, this, &FindDialog::comboBox1Change);

  checkBox1 = new QCheckBox(QStringLiteral("Don't Search Multiline Fields"), this);
  checkBox1->setObjectName(QStringLiteral("checkBox1"));
  checkBox1->setToolTip(QStringLiteral("Search is Faster if Checked"));
  checkBox1->setGeometry(8, 56, 210, 20);
  checkBox2 = new QCheckBox(QStringLiteral("Non-Stop Search Mode"), this);
  checkBox2->setObjectName(QStringLiteral("checkBox2"));
  checkBox2->setToolTip(QStringLiteral("Search Through Entire Database In One Pass"));
  checkBox2->setGeometry(8, 78, 210, 20);
  connect(checkBox2, &QCheckBox::clicked, this, &FindDialog::checkBox2Click);

  radioGroup1 = new QGroupBox(QStringLiteral("Start From"), this);
  radioGroup1->setObjectName(QStringLiteral("radioGroup1"));
  radioGroup1->setToolTip(QStringLiteral("Determines Search Direction"));
  radioGroup1->setGeometry(228, 8, 164, 70);
  radioBeginning = new QRadioButton(QStringLiteral("Beginning"), radioGroup1);
  radioEnd = new QRadioButton(QStringLiteral("End"), radioGroup1);
  radioBeginning->setGeometry(12, 22, 140, 20);
  radioEnd->setGeometry(12, 44, 140, 20);

  label(this, QStringLiteral("Text To Search For:"), 8, 106);
  edit1 = new QComboBox(this);
  edit1->setObjectName(QStringLiteral("edit1"));
  edit1->setEditable(true);
  edit1->setInsertPolicy(QComboBox::NoInsert);
  edit1->lineEdit()->setMaxLength(kMaxTextLength);
  edit1->setToolTip(QStringLiteral("Enter Text You Want To Search For"));
  edit1->setGeometry(8, 124, 384, 24);
  connect(edit1, &QComboBox::editTextChanged, this, &FindDialog::edit1Change);

  label(this, QStringLiteral("Current Record:"), 8, 156, 100);
  label4 = label(this, QString(), 110, 156, 80);
  label4->setObjectName(QStringLiteral("label4"));
  label5 = label(this, QString(), 196, 156, 30);
  label5->setObjectName(QStringLiteral("label5"));

  bitBtn1 = button(this, "BitBtn1", QStringLiteral("&Find"),
                   QStringLiteral("Start Search From Beginning or End of File"), 8, 182);
  bitBtn2 = button(this, "BitBtn2", QStringLiteral("Find &Next"),
                   QStringLiteral("Find Next Record"), 104, 182);
  bitBtn3 = button(this, "BitBtn3", QStringLiteral("Find &Previous"),
                   QStringLiteral("Find Previous Record"), 200, 182);
  bitBtn4 =
      button(this, "BitBtn4", QStringLiteral("&Stop"), QStringLiteral("Stop Searching"), 296, 182);
  okBtn = button(this, "OKBtn", QStringLiteral("&Close"), QStringLiteral("Close Search Window"),
                 200, 214);
  bitBtn5 = button(this, "BitBtn5", QStringLiteral("&Help"), QStringLiteral("Display Help Window"),
                   296, 214);
  bitBtn1->setDefault(true);
  connect(bitBtn1, &QPushButton::clicked, this, &FindDialog::bitBtn1Click);
  connect(bitBtn2, &QPushButton::clicked, this, &FindDialog::bitBtn2Click);
  connect(bitBtn3, &QPushButton::clicked, this, &FindDialog::bitBtn3Click);
  connect(bitBtn4, &QPushButton::clicked, this, &FindDialog::bitBtn4Click);
  connect(okBtn, &QPushButton::clicked, this, &QWidget::close);
  connect(bitBtn5, &QPushButton::clicked, this, [] { showHelpTopic(kHelpContext); });
  setFixedSize(400, 250);
}

void FindDialog::formCreate() {
  const FindMemory& memory = findMemory();
  (memory.startFrom == 1 ? radioEnd : radioBeginning)->setChecked(true);
  const int field = memory.fieldIndex < comboBox1->count() ? memory.fieldIndex : 0;
  comboBox1->setCurrentIndex(field);
  edit1->addItems(runObjects().findHistory);
  edit1->setEditText(memory.lastText);
  bitBtn2->setEnabled(false);
  bitBtn3->setEnabled(false);
  bitBtn4->setEnabled(false);
  clearCounter();
  checkBox2->setChecked(false);
  // The restored field choice sets the multiline box as a choice would.
  comboBox1Change(field);
}

void FindDialog::closeEvent(QCloseEvent* event) {
  if (search_->running()) {
    // The search loop still runs on this window: it stops, then the window closes.
    search_->requestStop();
    closePending_ = true;
    event->ignore();
    return;
  }
  FindMemory& memory = findMemory();
  memory.lastText = edit1->currentText();
  QStringList history;
  for (int i = 0; i < edit1->count(); ++i) history << edit1->itemText(i);
  runObjects().findHistory = history;
  memory.fieldIndex = comboBox1->currentIndex();
  memory.startFrom = radioEnd->isChecked() ? 1 : 0;
  search_->reset();
  setHooks({});
  if (g_instance == this) g_instance = nullptr;
  // Not QDialog's closeEvent: it would reject(), which closes again here.
  event->accept();
}

void FindDialog::reject() { close(); }

void FindDialog::setHooks(const FindHooks& hooks) { search_->hooks = hooks; }

void FindDialog::reset() {
  search_->reset();
  bitBtn2->setEnabled(false);
  bitBtn3->setEnabled(false);
}

void FindDialog::setCurrentLetter(char letter) {
  search_->setCurrentLetter(letter);
  label5->setText(letter ? QString(QLatin1Char(letter)) : QString());
}

bool FindDialog::nonStop() const { return checkBox2->isChecked(); }

// ---------------------------------------------------------------- choices

void FindDialog::comboBox1Change(int index) {
  const bool all = index <= 0;
  checkBox1->setChecked(all);
  checkBox1->setEnabled(all);
}

void FindDialog::checkBox2Click(bool checked) {
  if (checked) {
    bitBtn2->setEnabled(false);
    bitBtn3->setEnabled(false);
    radioGroup1->setEnabled(false);
    radioBeginning->setChecked(true);
  } else {
    radioGroup1->setEnabled(true);
  }
}

void FindDialog::edit1Change() {
  bitBtn2->setEnabled(false);
  bitBtn3->setEnabled(false);
}

void FindDialog::takeChoices() {
  search_->text = edit1->currentText();
  search_->field = findFieldOfChoice(comboBox1->currentText());
  search_->searchMemos = !checkBox1->isChecked();
}

// ---------------------------------------------------------------- searching

void FindDialog::bitBtn1Click() {
  const QString text = edit1->currentText();
  if (text.isEmpty()) {
    showMessage(MsgKind::Information, QStringLiteral("You have to enter Text!"));
    return;
  }
  findMemory().lastText = text;
  QStringList& history = runObjects().findHistory;
  rememberSearchText(history, text);
  {
    const QSignalBlocker block(edit1);
    edit1->clear();
    edit1->addItems(history);
    edit1->setEditText(text);
  }
  takeChoices();
  if (checkBox2->isChecked())
    markAll();
  else
    stepSearch(radioBeginning->isChecked(), false);
}

void FindDialog::bitBtn2Click() { stepSearch(true, true); }

void FindDialog::bitBtn3Click() { stepSearch(false, true); }

void FindDialog::bitBtn4Click() { search_->requestStop(); }

void FindDialog::stepSearch(bool forward, bool again) {
  if (again) takeChoices();
  const FindSearch::Outcome outcome = again ? search_->findAgain(forward) : search_->find(forward);
  if (closePending() || outcome == FindSearch::Outcome::Cancelled) return;
  if (outcome == FindSearch::Outcome::Found) {
    showCounter();
    (forward ? bitBtn2 : bitBtn3)->setEnabled(true);
    if (again) (forward ? bitBtn3 : bitBtn2)->setEnabled(true);
    return;
  }
  if (!search_->lastError().empty())
    showMessage(MsgKind::Error, QString::fromStdString(search_->lastError()));
  clearCounter();
  (forward ? bitBtn2 : bitBtn3)->setEnabled(false);
  showMessage(MsgKind::Information, QStringLiteral("Text Not Found!"));
}

void FindDialog::markAll() {
  if (search_->hooks.beforeMarkAll && !search_->hooks.beforeMarkAll()) return;
  clearCounter();
  const MarkResult result = search_->markAll(kProgressCaption);
  showCounter();
  if (closePending_) {
    // Closed during the pass: it was stopped, so there is nothing to report.
  } else if (!result.error.empty()) {
    showMessage(MsgKind::Error, QString::fromStdString(result.error));
  } else if (!result.stopped) {
    if (result.found > 0)
      showMessage(MsgKind::Information,
                  QString::number(result.found) +
                      QStringLiteral(" Record(s) Found!\rTo return later to All-Record-Display "
                                     "set Filter to All Records."));
    else
      showMessage(MsgKind::Information, QStringLiteral("No Records Found!"));
  }
  if (search_->hooks.afterMarkAll) search_->hooks.afterMarkAll();
  closePending();
}

bool FindDialog::closePending() {
  if (!closePending_) return false;
  closePending_ = false;
  close();
  return true;
}

void FindDialog::setBusy(bool busy) {
  if (busy) {
    disabled_.clear();
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (w == bitBtn4 || !w->isEnabled()) continue;
      w->setEnabled(false);
      disabled_.push_back(w);
    }
    bitBtn4->setEnabled(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    sincePump_.start();
    return;
  }
  for (QWidget* w : disabled_) w->setEnabled(true);
  disabled_.clear();
  bitBtn4->setEnabled(false);
  QApplication::restoreOverrideCursor();
}

void FindDialog::pumpEvents() {
  // Events run between records, but only every few milliseconds: a pass over
  // a million records would otherwise spend its time in the event loop.
  if (sincePump_.isValid() && sincePump_.elapsed() < kPumpIntervalMs) return;
  showCounter();
  QApplication::processEvents();
  sincePump_.start();
}

void FindDialog::showCounter() {
  label4->setText(QString::number(search_->counter() + 1));
  const char letter = search_->currentLetter();
  label5->setText(letter ? QString(QLatin1Char(letter)) : QString());
}

void FindDialog::clearCounter() {
  label4->clear();
  label5->clear();
}
