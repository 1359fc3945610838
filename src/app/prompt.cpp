#include "prompt.h"

#include <stdexcept>

namespace {

TPrompter* g_default = nullptr;
TPrompter* g_current = nullptr;
bool g_shuttingDown = false;

}  // namespace

QString ToString(MsgKind kind) {
  switch (kind) {
    case MsgKind::Error: return QStringLiteral("Error");
    case MsgKind::Warning: return QStringLiteral("Warning");
    case MsgKind::Information: return QStringLiteral("Information");
    case MsgKind::Confirmation: return QStringLiteral("Confirm");
  }
  return {};
}

QString ToString(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok: return QStringLiteral("OK");
    case MsgButtons::OkHelp: return QStringLiteral("OK/Help");
    case MsgButtons::YesNo: return QStringLiteral("Yes/No");
    case MsgButtons::YesNoCancel: return QStringLiteral("Yes/No/Cancel");
    case MsgButtons::OkCancel: return QStringLiteral("OK/Cancel");
  }
  return {};
}

QString ToString(MsgResult result) {
  switch (result) {
    case MsgResult::Ok: return QStringLiteral("OK");
    case MsgResult::Yes: return QStringLiteral("Yes");
    case MsgResult::No: return QStringLiteral("No");
    case MsgResult::Cancel: return QStringLiteral("Cancel");
  }
  return {};
}

TPrompter& Prompter() {
  TPrompter* p = g_current ? g_current : g_default;
  if (!p) throw std::logic_error("no prompter installed");
  return *p;
}

void SetPrompter(TPrompter* prompter) { g_current = prompter; }
void SetDefaultPrompter(TPrompter* prompter) { g_default = prompter; }

void SetShuttingDown() { g_shuttingDown = true; }
bool ShuttingDown() { return g_shuttingDown; }

MsgResult ShowMessage(MsgKind kind, const QString& text, MsgButtons buttons, int helpTopic) {
  return Prompter().message(kind, buttons, text, helpTopic);
}
