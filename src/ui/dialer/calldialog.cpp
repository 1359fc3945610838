#include "ui/dialer/calldialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialer/modemport.h"

CallDialog::CallDialog(QWidget* parent)
    : CallDialog(parent, std::make_unique<SerialModemPort>(), settingsDialSetup()) {}

CallDialog::CallDialog(QWidget* parent, std::unique_ptr<ModemPort> port, DialSetup setup)
    : QDialog(parent),
      port_(std::move(port)),
      dialer_(std::make_unique<Dialer>(*port_, static_cast<DialTimers&>(*this), std::move(setup))) {
  setWindowTitle(QStringLiteral("Dial"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
  timer1_.setSingleShot(true);
  timer2_.setSingleShot(true);
  connect(&timer1_, &QTimer::timeout, this, [this] { dialer_->stepTimer(); });
  connect(&timer2_, &QTimer::timeout, this, [this] { dialer_->pollTimer(); });

  label1_ = new QLabel(QStringLiteral("Phone Number to Dial:"), this);
  label1_->setObjectName(QStringLiteral("Label1"));
  edit1_ = new QLineEdit(this);
  edit1_->setObjectName(QStringLiteral("Edit1"));
  edit1_->setToolTip(QStringLiteral("Phone Number to Dial - can be modified"));
  label1_->setBuddy(edit1_);
  label2_ = new QLabel(this);
  label2_->setObjectName(QStringLiteral("Label2"));
  label2_->setMinimumWidth(220);
  dialButton_ = new QPushButton(QStringLiteral("&Dial"), this);
  dialButton_->setObjectName(QStringLiteral("DialBtn"));
  dialButton_->setToolTip(QStringLiteral("Click here to Dial the Phone Number"));
  dialButton_->setDefault(true);
  cancelButton_ = new QPushButton(QStringLiteral("&Cancel"), this);
  cancelButton_->setObjectName(QStringLiteral("CancelBtn"));
  cancelButton_->setToolTip(QStringLiteral("Click here to Cancel dialing"));
  cancelButton_->hide();
  closeButton_ = new QPushButton(QStringLiteral("C&lose"), this);
  closeButton_->setObjectName(QStringLiteral("CloseBtn"));
  closeButton_->setToolTip(QStringLiteral("Click here to Close the Dial dialog box"));

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(dialButton_);
  buttons->addWidget(cancelButton_);
  buttons->addWidget(closeButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label1_);
  layout->addWidget(edit1_);
  layout->addWidget(label2_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(dialButton_, &QPushButton::clicked, this, [this] {
    dialer_->number = edit1_->text();
    dialer_->dial();
  });
  connect(cancelButton_, &QPushButton::clicked, this, [this] { dialer_->cancel(); });
  connect(closeButton_, &QPushButton::clicked, this, &QDialog::accept);
  dialer_->changed = [this] { showState(); };
}

CallDialog::~CallDialog() {
  dialer_->changed = nullptr;
  dialer_->finish();
}

void CallDialog::setNumber(const QString& number) { edit1_->setText(number); }

void CallDialog::keyPressEvent(QKeyEvent* event) {
  // Escape is the Cancel button's key: it cancels a dial and leaves the dialog open.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    if (cancelButton_->isVisible()) cancelButton_->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CallDialog::done(int result) {
  dialer_->finish();
  showState();
  QDialog::done(result);
}

void CallDialog::start(Timer timer, int ms) {
  QTimer& t = timer == Step ? timer1_ : timer2_;
  t.start(ms);
}

void CallDialog::stop(Timer timer) { (timer == Step ? timer1_ : timer2_).stop(); }

void CallDialog::showState() {
  label2_->setText(dialer_->status());
  const bool busy = dialer_->busy();
  dialButton_->setVisible(!busy);
  cancelButton_->setVisible(busy);
}
