#pragma once

#include "core/prompt.h"

class QWidget;

// Answers prompts with the platform's dialogs.
class QtPrompter : public Prompter {
 public:
  MsgResult message(MsgKind kind, MsgButtons buttons, const QString& text, int helpTopic) override;
  std::optional<QString> input(const QString& caption, const QString& prompt, const QString& value,
                               bool password) override;
  QString openFile(const FileFilter& request) override;
  QString saveFile(const FileFilter& request) override;
  QString directory(const QString& caption, const QString& start) override;
};

// A dialog opened while another window stays on top of the rest (the search
// window) stays on top too, so it never opens beneath that window.
void keepAboveStayOnTopWindows(QWidget* dialog);

// Opens the help window at the page of a topic, above `owner` (by default the
// modal window open at the time).
void showHelpTopic(int topic, QWidget* owner = nullptr);
// F1 opens the help of the focused editor or window (once, at start).
void installHelpKey();
