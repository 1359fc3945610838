#!/usr/bin/env bash
# Pictures of the three book views on the sample collection, of the calendar
# and calculator pop-ups over the combined view, of the filter dialogs and of
# the help window, from a built tree, into docs/screenshots (or the directory
# given); the help pages' pictures into help/images.
set -euo pipefail
cd "$(dirname "$0")/.."
QT_QPA_PLATFORM=offscreen build/bin/shots build/bin "${1:-docs/screenshots}" help/images
