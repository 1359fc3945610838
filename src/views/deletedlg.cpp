#include "deletedlg.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>

#include "prompt.h"

TDeleteDlg::TDeleteDlg(QWidget* parent) : TDeleteDlg1(parent) {
  setObjectName(QStringLiteral("DeleteDlg"));
  Label1->setText(QStringLiteral("If you want to Delete the above Record please"));
  auto* group = new QGroupBox(QStringLiteral("Delete Record"), this);
  LeftPage = new QRadioButton(QStringLiteral("Left Page"), group);
  RightPage = new QRadioButton(QStringLiteral("Right Page"), group);
  auto* choice = new QHBoxLayout(group);
  choice->addWidget(LeftPage);
  choice->addWidget(RightPage);
  LeftPage->setChecked(true);
  InsertAboveButtons(group);
}

void TDeleteDlg::SetPage(int page) { (page == 1 ? RightPage : LeftPage)->setChecked(true); }

int TDeleteDlg::Page() const { return RightPage->isChecked() ? 1 : 0; }

std::optional<int> TDeleteDlg::Ask(QWidget* parent, int page) {
  if (ShuttingDown()) return std::nullopt;
  TDeleteDlg dlg(parent);
  dlg.SetPage(page);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    dlg.adjustSize();
    dlg.move(screen->geometry().center() - dlg.rect().center());
  }
  if (dlg.exec() != QDialog::Accepted) return std::nullopt;
  return dlg.Page();
}
