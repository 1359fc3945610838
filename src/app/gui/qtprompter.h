#pragma once

#include "prompt.h"

// Answers prompts with the platform's dialogs.
class TQtPrompter : public TPrompter {
 public:
  MsgResult message(MsgKind kind, MsgButtons buttons, const QString& text, int helpTopic) override;
  std::optional<QString> input(const QString& caption, const QString& prompt, const QString& value,
                               bool password) override;
  QString openFile(const TFileFilter& request) override;
  QString saveFile(const TFileFilter& request) override;
  QString directory(const QString& caption, const QString& start) override;
};

// Opens the help page of a topic when the help file is installed.
void ShowHelpTopic(int topic);
