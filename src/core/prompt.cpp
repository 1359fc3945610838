#include "core/prompt.h"

#include <stdexcept>

namespace {

Prompter* g_default = nullptr;
Prompter* g_current = nullptr;
bool g_shuttingDown = false;

}  // namespace

QString toString(MsgKind kind) {
  switch (kind) {
    case MsgKind::Error:
      return QStringLiteral("Error");
    case MsgKind::Warning:
      return QStringLiteral("Warning");
    case MsgKind::Information:
      return QStringLiteral("Information");
    case MsgKind::Confirmation:
      return QStringLiteral("Confirm");
  }
  return {};
}

QString toString(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok:
      return QStringLiteral("OK");
    case MsgButtons::OkHelp:
      return QStringLiteral("OK/Help");
    case MsgButtons::YesNo:
      return QStringLiteral("Yes/No");
    case MsgButtons::YesNoCancel:
      return QStringLiteral("Yes/No/Cancel");
    case MsgButtons::OkCancel:
      return QStringLiteral("OK/Cancel");
  }
  return {};
}

QString toString(MsgResult result) {
  switch (result) {
    case MsgResult::Ok:
      return QStringLiteral("OK");
    case MsgResult::Yes:
      return QStringLiteral("Yes");
    case MsgResult::No:
      return QStringLiteral("No");
    case MsgResult::Cancel:
      return QStringLiteral("Cancel");
  }
  return {};
}

Prompter& prompter() {
  Prompter* p = g_current ? g_current : g_default;
  if (!p) throw std::logic_error("no prompter installed");
  return *p;
}

void setPrompter(Prompter* prompter) { g_current = prompter; }
void setDefaultPrompter(Prompter* prompter) { g_default = prompter; }

void setShuttingDown(bool on) { g_shuttingDown = on; }
bool shuttingDown() { return g_shuttingDown; }

MsgResult showMessage(MsgKind kind, const QString& text, MsgButtons buttons, int helpTopic) {
  return prompter().message(kind, buttons, text, helpTopic);
}
