#pragma once

#include <QStringList>
#include <functional>
#include <vector>

// Objects that live for the whole run, and the places where subsystems hang
// their own loading and saving into start-up and shutdown.
struct RunObjects {
  QStringList findHistory;

  // Run before the data directories are entered or made, before the login:
  // on the first start of a program directory the sample seeder builds the
  // public data directory.
  std::vector<std::function<void()>> beforeDataDirectories;
  // Run after the user options file was read (or found missing): template lists.
  std::vector<std::function<void()>> afterUserOptions;
  // Run when the main view closes for good, before the options files are saved.
  std::vector<std::function<void()>> onViewClose;
  // The exit handler: run once the message loop has ended and remind.dat is saved.
  std::vector<std::function<void()>> atExit;
};

RunObjects& runObjects();
