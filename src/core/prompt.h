#pragma once

#include <QString>
#include <optional>

// Every message box, input box and file chooser of the program goes through
// one Prompter, so tests can answer them and read their exact texts.

enum class MsgKind { Error, Warning, Information, Confirmation };
enum class MsgButtons { Ok, OkHelp, YesNo, YesNoCancel, OkCancel };
enum class MsgResult { Ok, Yes, No, Cancel };

QString toString(MsgKind kind);
QString toString(MsgButtons buttons);
QString toString(MsgResult result);

struct FileFilter {
  QString caption;  // dialog title
  QString directory;
  QString fileName;  // initial name
  QString filter;    // "Text files (*.txt);;All files (*)"
};

class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual MsgResult message(MsgKind kind, MsgButtons buttons, const QString& text,
                            int helpTopic) = 0;
  // Nothing when the user cancels.
  virtual std::optional<QString> input(const QString& caption, const QString& prompt,
                                       const QString& value, bool password) = 0;
  // Empty when the user cancels.
  virtual QString openFile(const FileFilter& request) = 0;
  virtual QString saveFile(const FileFilter& request) = 0;
  virtual QString directory(const QString& caption, const QString& start) = 0;
};

// The prompter in use; not owned. Installing nullptr restores the default one.
Prompter& prompter();
void setPrompter(Prompter* prompter);
// Made by the program at start: the default when none is installed.
void setDefaultPrompter(Prompter* prompter);

// Set once the program is ending (a signal, the end of the session): boxes
// are then answered at once, Cancel or No where there is a choice.
void setShuttingDown(bool on = true);
bool shuttingDown();

MsgResult showMessage(MsgKind kind, const QString& text, MsgButtons buttons = MsgButtons::Ok,
                      int helpTopic = 0);
inline bool askYesNo(MsgKind kind, const QString& text, int helpTopic = 0) {
  return showMessage(kind, text, MsgButtons::YesNo, helpTopic) == MsgResult::Yes;
}
