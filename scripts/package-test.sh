#!/usr/bin/env bash
# Builds the Debian package from build/, installs it with dpkg, starts the
# installed program from its desktop entry under Xvfb twice for a fresh user
# (the first start sets up the user's folder and its sample database, the
# second reopens it), backs the database up with the installed tometool, and
# removes the package again: the user's data must outlive it. dpkg needs root.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -ne 0 ]; then
  echo "package test skipped: installing a package needs root"
  exit 0
fi
if dpkg-query -W -f='${Status}' tomekeeper 2>/dev/null | grep -q 'install ok installed'; then
  echo "package test skipped: a tomekeeper package is installed on this machine already"
  exit 0
fi

fail() {
  echo "package test FAILED: $*" >&2
  [ -s "${log:-/dev/null}" ] && sed 's/^/  program: /' "$log" >&2
  exit 1
}

work=$(mktemp -d)
xvfb=""
program=""
installed=""
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  [ -n "$installed" ] && dpkg -r tomekeeper >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

# The package.
(cd build && cpack -G DEB -B "$work/deb") >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack did not build the package"; }
deb=$(ls "$work"/deb/tomekeeper_*.deb)
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
dpkg-deb -f "$deb" Depends | sed 's/^/depends: /'
dpkg -i "$deb" >/dev/null
installed=1
desktop=/usr/share/applications/tomekeeper.desktop
[ -f "$desktop" ] || fail "no desktop entry"
[ -f /usr/share/icons/hicolor/scalable/apps/tomekeeper.svg ] || fail "no icon"
command=$(sed -n 's/^Exec=//p' "$desktop" | sed 's/ *%[fFuUdDnNickvm]//g')
echo "installed; the desktop entry starts: $command"

# A fresh user and a display of its own, as a desktop session gives them.
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_CACHE_HOME="$work/home/.cache"
export XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"
user_dir="$XDG_DATA_HOME/tomekeeper"
table="$user_dir/DATA/data.dbf"

# Waits for a visible window whose name matches $1; prints its id.
wait_window() {
  timeout 60 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -1
}

# Starts the desktop entry's command; waits for the book view on a database.
start_program() {
  log="$work/run$1.log"
  sh -c "exec $command" 2>"$log" &
  program=$!
}
book_view() {
  local w
  w=$(wait_window ' - Database: ') || true
  [ -n "$w" ] || fail "no book view on a database"
  xdotool getwindowname "$w"
}
stop_program() {
  kill -TERM "$program"
  local status=0
  wait "$program" || status=$?
  program=""
  [ "$status" -eq 0 ] || fail "the program ended with status $status on SIGTERM"
}

# First start: the user's folder is set up and said so, the sample database made.
start_program 1
box=$(wait_window '^Information$') || true
[ -n "$box" ] || fail "no information box on the first start"
xdotool windowfocus --sync "$box" key Return
title=$(book_view)
echo "first start: $title"
grep -q "Information (OK): Your own Tomekeeper folder has been set up in" "$log" ||
  fail "the first start did not say where the user's folder is"
grep -q "^$user_dir\$" "$log" || fail "the first start named another folder"
ls -l "/proc/$program/fd" | grep -q "$table" || fail "the program does not have $table open"
stop_program
for f in data.dbf master.dbf list.dbf; do [ -f "$user_dir/$f" ] || fail "$f missing in $user_dir"; done
[ -f "$table" ] || fail "no database in $user_dir/DATA"
records=$(tometool list "$table" | tail -n +2 | wc -l)
[ "$records" -gt 0 ] || fail "the sample database is empty"
tometool check "$table" >/dev/null || fail "tometool check found problems"
echo "database: $table with $records records, checked"
tometool backup "$table" >/dev/null || fail "tometool backup failed"
[ -f "$user_dir/DATA/BACKUP/data.dbf" ] || fail "no backup in DATA/BACKUP"
echo "backup: $user_dir/DATA/BACKUP/data.dbf"

# Second start: no box, the same database.
start_program 2
again=$(book_view)
echo "second start: $again"
[ "$again" = "$title" ] || fail "the second start opened another database"
ls -l "/proc/$program/fd" | grep -q "$table" || fail "the second start does not have $table open"
stop_program
grep -q "Information (OK)" "$log" && fail "the second start set the user's folder up again"
fingerprint() { (cd "$user_dir" && find . -type f -print0 | sort -z | xargs -0 sha256sum); }
before=$(fingerprint)

# Removing the package leaves the user's data as it was.
dpkg -r tomekeeper >/dev/null
installed=""
[ ! -e /usr/bin/tomekeeper ] || fail "/usr/bin/tomekeeper is still there after dpkg -r"
[ "$before" = "$(fingerprint)" ] || fail "the user's files changed"
echo "removed; $(cd "$user_dir" && find . -type f | wc -l) files of the user remain in $user_dir"
echo "package test passed"
