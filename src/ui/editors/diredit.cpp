#include "ui/editors/diredit.h"

#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>

#include "core/prompt.h"

DirEdit::DirEdit(QWidget* parent) : ButtonEdit(parent) {
  setAutoSelect(false);
  helpContext = kHelpContext;
  button()->setToolTip(QStringLiteral("Click here to select a directory"));
  // Paths keep their case: directory names differ by case here.
}

bool DirEdit::isEnterable(const QString& path) {
  if (path.isEmpty()) return false;
  const QString before = QDir::currentPath();
  const bool entered = QDir::setCurrent(path);
  if (entered) QDir::setCurrent(before);
  return entered;
}

void DirEdit::chooseDirectory() {
  const QString before = QDir::currentPath();
  const QString chosen = prompter().directory(QString(), text());
  if (!chosen.isEmpty()) setText(QDir::toNativeSeparators(chosen));
  QDir::setCurrent(before);
}

void DirEdit::focusOutEvent(QFocusEvent* event) {
  ButtonEdit::focusOutEvent(event);
  if (checking_ || !leftForAnotherControl(event->reason()) || !isEnabled() || !isVisible()) return;
  if (isEnterable(text())) return;
  checking_ = true;
  showMessage(MsgKind::Error, QStringLiteral("Invalid directory!"));
  checking_ = false;
  setFocus(Qt::OtherFocusReason);
}
