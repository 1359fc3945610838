#pragma once

#include <QString>
#include <deque>
#include <optional>
#include <stdexcept>
#include <vector>

#include "core/prompt.h"

// Records every box the code shows and answers from a script. A box that
// finds no scripted answer gets the default (Ok / No / cancel) and is still
// recorded, so a test sees unexpected questions in `shown`.
class ScriptedPrompter : public Prompter {
 public:
  struct Shown {
    MsgKind kind;
    MsgButtons buttons;
    QString text;
    int helpTopic;
  };
  struct Asked {
    QString caption;
    QString prompt;
    QString value;
    bool password;
  };

  ScriptedPrompter() { setPrompter(this); }
  ~ScriptedPrompter() override { setPrompter(nullptr); }
  ScriptedPrompter(const ScriptedPrompter&) = delete;
  ScriptedPrompter& operator=(const ScriptedPrompter&) = delete;

  std::vector<Shown> shown;
  std::vector<Asked> asked;
  std::vector<FileFilter> fileRequests;
  std::deque<MsgResult> answers;
  std::deque<std::optional<QString>> inputs;
  std::deque<QString> files;

  MsgResult message(MsgKind kind, MsgButtons buttons, const QString& text, int helpTopic) override {
    shown.push_back({kind, buttons, text, helpTopic});
    if (!answers.empty()) {
      const MsgResult r = answers.front();
      answers.pop_front();
      return r;
    }
    switch (buttons) {
      case MsgButtons::YesNo:
      case MsgButtons::YesNoCancel:
        return MsgResult::No;
      case MsgButtons::OkCancel:
        return MsgResult::Cancel;
      default:
        return MsgResult::Ok;
    }
  }
  std::optional<QString> input(const QString& caption, const QString& prompt, const QString& value,
                               bool password) override {
    asked.push_back({caption, prompt, value, password});
    if (inputs.empty()) return std::nullopt;
    const bool given = inputs.front().has_value();
    QString text = given ? *inputs.front() : QString();
    inputs.pop_front();
    if (!given) return std::nullopt;
    return text;
  }
  QString openFile(const FileFilter& request) override { return nextFile(request); }
  QString saveFile(const FileFilter& request) override { return nextFile(request); }
  QString directory(const QString& caption, const QString& start) override {
    return nextFile({caption, start, {}, {}});
  }

  QStringList texts() const {
    QStringList out;
    for (const auto& s : shown) out << s.text;
    return out;
  }

 private:
  QString nextFile(const FileFilter& request) {
    fileRequests.push_back(request);
    if (files.empty()) return {};
    QString f = files.front();
    files.pop_front();
    return f;
  }
};
