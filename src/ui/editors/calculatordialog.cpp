#include "ui/editors/calculatordialog.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>

namespace {

struct KeyDesign {
  const char* name;
  const char* caption;
  char key;
  const char* hint;
  int row, column;
};

// clang-format off
constexpr KeyDesign kKeys[] = {
    {"cButton", "C", 'C', "Clear", 0, 0},
    {"deleteButton", "<-", '\b', "Backspace", 0, 1},
    {"signButton", "+/-", '_', "Switch Sign", 0, 2},
    {"divideButton", "/", '/', "Divide", 0, 3},
    {"digit7Button", "7", '7', nullptr, 1, 0},
    {"digit8Button", "8", '8', nullptr, 1, 1},
    {"digit9Button", "9", '9', nullptr, 1, 2},
    {"multiplyButton", "*", '*', "Multiply", 1, 3},
    {"digit4Button", "4", '4', nullptr, 2, 0},
    {"digit5Button", "5", '5', nullptr, 2, 1},
    {"digit6Button", "6", '6', nullptr, 2, 2},
    {"subtractButton", "-", '-', "Subtract", 2, 3},
    {"digit1Button", "1", '1', nullptr, 3, 0},
    {"digit2Button", "2", '2', nullptr, 3, 1},
    {"digit3Button", "3", '3', nullptr, 3, 2},
    {"addButton", "+", '+', "Add", 3, 3},
    {"digit0Button", "0", '0', nullptr, 4, 0},
    {"pointButton", ".", '.', "Decimal Point", 4, 1},
    {"percentButton", "%", '%', "Percent", 4, 2},
    {"equalsButton", "=", '=', "Equals", 4, 3},
};
// clang-format on

constexpr int kKeyWidth = 30;
constexpr int kKeyHeight = 24;
constexpr int kGap = 3;
constexpr int kMargin = 6;

}  // namespace

CalculatorDialog::CalculatorDialog(QLineEdit* edit) : QDialog(edit), edit_(edit) {
  setObjectName(QStringLiteral("calculatorDialog"));
  setWindowTitle(QStringLiteral("Calculator"));
  Qt::WindowFlags flags = Qt::Dialog | Qt::FramelessWindowHint;
  if (edit->window()->windowFlags() & Qt::WindowStaysOnTopHint) flags |= Qt::WindowStaysOnTopHint;
  setWindowFlags(flags);
  setModal(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(192, 192, 192));
  setPalette(pal);

  auto place = [](QWidget* w, int row, int column, int span = 1) {
    w->setGeometry(kMargin + column * (kKeyWidth + kGap), kMargin + row * (kKeyHeight + kGap),
                   span * kKeyWidth + (span - 1) * kGap, kKeyHeight);
  };
  for (const KeyDesign& k : kKeys) {
    auto* b = new QPushButton(QString::fromLatin1(k.caption), this);
    b->setObjectName(QLatin1String(k.name));
    if (k.hint) b->setToolTip(QLatin1String(k.hint));
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoDefault(false);
    place(b, k.row, k.column);
    const QChar c = QLatin1Char(k.key);
    connect(b, &QPushButton::clicked, this, [this, c] { key(c); });
    // After a click Enter confirms.
    connect(b, &QPushButton::released, this, [this] { okButton->setFocus(); });
    keyButtons.push_back(b);
  }
  okButton = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QString(), this);
  okButton->setObjectName(QStringLiteral("okButton"));
  okButton->setToolTip(QStringLiteral("Close and Update the edit field"));
  okButton->setDefault(true);
  place(okButton, 5, 0, 2);
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
  okButton->installEventFilter(this);  // its Enter completes the sum first
  cancelButton =
      new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QString(), this);
  cancelButton->setObjectName(QStringLiteral("cancelButton"));
  cancelButton->setToolTip(QStringLiteral("Close and don't Update the edit field"));
  cancelButton->setFocusPolicy(Qt::NoFocus);
  cancelButton->setAutoDefault(false);
  place(cancelButton, 5, 2, 2);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  setFixedSize(2 * kMargin + 4 * kKeyWidth + 3 * kGap, 2 * kMargin + 6 * kKeyHeight + 5 * kGap);

  key(u'C');  // the edit shows "0" as soon as the calculator opens
}

void CalculatorDialog::key(QChar c) {
  model_.key(c);
  edit_->setText(model_.display());
}

void CalculatorDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      reject();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      key(u'\r');  // completes the sum, then confirms
      accept();
      return;
    case Qt::Key_Backspace:
      key(u'\b');
      return;
    default:
      break;
  }
  const QString text = event->text();
  if (text.size() == 1 && text[0].isPrint())
    key(text[0]);
  else
    QDialog::keyPressEvent(event);
}

bool CalculatorDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == okButton && event->type() == QEvent::KeyPress) {
    auto* press = static_cast<QKeyEvent*>(event);
    if (press->key() == Qt::Key_Return || press->key() == Qt::Key_Enter) {
      keyPressEvent(press);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void CalculatorDialog::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int w = width(), h = height();
  p.fillRect(rect(), QColor(192, 192, 192));
  p.setPen(Qt::black);
  p.drawRect(0, 0, w - 1, h - 1);
  p.setPen(Qt::white);
  p.drawLine(1, 1, w - 2, 1);
  p.drawLine(1, 1, 1, h - 2);
  p.setPen(QColor(128, 128, 128));
  p.drawLine(w - 2, 1, w - 2, h - 2);
  p.drawLine(1, h - 2, w - 2, h - 2);
}
