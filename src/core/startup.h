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

// rename() that fails when `to` exists, even as an empty directory: what is
// built beside its place appears there whole or not at all.
bool moveIntoPlace(const QString& from, const QString& to);

// Where a package puts the shipped files, seen from the program file's directory.
QString installedFilesDir(const QString& appDir);
// The user's own program directory for an installed program (XDG data home).
QString userProgramDir();
// The information shown once the user's program directory has been made.
QString userProgramDirMessage(const QString& dir);

// The program directory of this run. A directory holding the program and its
// template tables that can be written to (a build tree) is used as it is. An
// installed program's files cannot be written to, so its first start copies
// them into userDir, building the copy beside it and moving it into place in
// one step, then says where it is; later starts use userDir and only add the
// shipped files it lacks, never replacing one. Copies a killed start left
// behind are removed. The help is read where it was installed.
QString chooseProgramDir(const QString& appDir, const QString& installedDir,
                         const QString& userDir);

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
