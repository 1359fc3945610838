#pragma once

#include <QString>
#include <functional>

// Start-up steps that need no window: directories, options, login, labels.

enum class TLoginResult { Passed, Failed, AccountDisabled };
using TLoginGate = std::function<TLoginResult()>;

// The accounts subsystem installs its login dialog here; until then the gate
// passes.
void SetLoginGate(TLoginGate gate);
// Whether the gate asks anything: a multi-user system, or a supervisor password
// that is required.
bool LoginGateNeeded();
TLoginResult RunLoginGate();
QString LoginFailureMessage(TLoginResult result);

extern const QString kDataDirWarning;  // "Could not Create Data Directory!"

// ProgramDir from the program file's directory, DataRootDir with it, and the
// current directory there.
void SetProgramDir(const QString& dir);
// Enters the public data directory and its BACKUP folder; creates them when
// that fails, with one warning when BACKUP cannot be made.
void PrepareDataDirectories();

struct TStartupOutcome {
  bool programOptionsRead = false;
  TLoginResult login = TLoginResult::Passed;
};

// Edition values, program options, data directories, login gate, user options
// and labels, in that order. Stops after a failed login, having shown its box.
TStartupOutcome RunStartupSteps(const QString& programDir);
