#include "book/recordpages/confirmpagedialog.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>

#include "core/prompt.h"

ConfirmPageDialog::ConfirmPageDialog(QWidget* parent) : ConfirmDialog(parent) {
  setObjectName(QStringLiteral("DeleteDlg"));
  label1->setText(QStringLiteral("If you want to Delete the above Record please"));
  auto* group = new QGroupBox(QStringLiteral("Delete Record"), this);
  leftPage = new QRadioButton(QStringLiteral("Left Page"), group);
  rightPage = new QRadioButton(QStringLiteral("Right Page"), group);
  auto* choice = new QHBoxLayout(group);
  choice->addWidget(leftPage);
  choice->addWidget(rightPage);
  leftPage->setChecked(true);
  insertAboveButtons(group);
}

void ConfirmPageDialog::setPage(int page) { (page == 1 ? rightPage : leftPage)->setChecked(true); }

int ConfirmPageDialog::page() const { return rightPage->isChecked() ? 1 : 0; }

std::optional<int> ConfirmPageDialog::Ask(QWidget* parent, int page) {
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
