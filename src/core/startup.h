#pragma once

#include <QString>
#include <functional>

// Start-up steps that need no window: directories, options, login, labels.

enum class LoginResult { Passed, Failed, AccountDisabled };
using LoginGate = std::function<LoginResult()>;

// The accounts subsystem installs its login dialog here; until then the gate
// passes.
void setLoginGate(LoginGate gate);
// Whether the gate asks anything: a multi-user system, or a supervisor password
// that is required.
bool loginGateNeeded();
LoginResult runLoginGate();
QString loginFailureMessage(LoginResult result);

extern const QString kDataDirWarning;  // "Could not Create Data Directory!"

// ProgramDir from the program file's directory, DataRootDir with it, and the
// current directory there.
void setProgramDir(const QString& dir);
// Enters the public data directory and its BACKUP folder; creates them when
// that fails, with one warning when BACKUP cannot be made.
void prepareDataDirectories();

struct StartupOutcome {
  bool programOptionsRead = false;
  LoginResult login = LoginResult::Passed;
};

// Edition values, program options, data directories, login gate, user options
// and labels, in that order. Stops after a failed login, having shown its box.
StartupOutcome runStartupSteps(const QString& programDir);
