#include "book/recordpages/confirmpagedialog.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>

#include "core/prompt.h"

ConfirmPageDialog::ConfirmPageDialog(QWidget* parent) : ConfirmDialog(parent) {
  setObjectName(QStringLiteral("ConfirmPageDialog"));
  firstLineLabel->setText(QStringLiteral("If you want to Delete the above Record please"));
  auto* group = new QGroupBox(QStringLiteral("Delete Record"), this);
  leftPageRadio = new QRadioButton(QStringLiteral("Left Page"), group);
  rightPageRadio = new QRadioButton(QStringLiteral("Right Page"), group);
  leftPageRadio->setObjectName(QStringLiteral("leftPageRadio"));
  rightPageRadio->setObjectName(QStringLiteral("rightPageRadio"));
  auto* choice = new QHBoxLayout(group);
  choice->addWidget(leftPageRadio);
  choice->addWidget(rightPageRadio);
  leftPageRadio->setChecked(true);
  insertAboveButtons(group);
}

void ConfirmPageDialog::setPage(int page) {
  (page == 1 ? rightPageRadio : leftPageRadio)->setChecked(true);
}

int ConfirmPageDialog::page() const { return rightPageRadio->isChecked() ? 1 : 0; }

std::optional<int> ConfirmPageDialog::ask(QWidget* parent, int page) {
  if (shuttingDown()) return std::nullopt;
  ConfirmPageDialog dlg(parent);
  dlg.setPage(page);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    dlg.adjustSize();
    dlg.move(screen->geometry().center() - dlg.rect().center());
  }
  if (dlg.exec() != QDialog::Accepted) return std::nullopt;
  return dlg.page();
}
