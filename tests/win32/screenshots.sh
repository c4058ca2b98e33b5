#!/usr/bin/env bash
# Screenshots of the real windows on the Wine session's display, kept as test artifacts:
# the update window of a running updater, and the standard error box of the tests' window program.
# Usage: screenshots.sh EMULATOR BUILD_DIR WINTOOL UPDATER TEST_FORM ARTIFACTS_DIR
set -euo pipefail
run=("$1") build=$2 wintool=$3 updater=$4 test_form=$5 artifacts=$6
# The display for ImageMagick; the emulator finds the session by the build folder.
# shellcheck disable=SC1091
source "$build/wine/session.env"
export WINE_BUILD_DIR=$build
mkdir -p "$artifacts"

# Grabs the screen area of the window WINDOW_JSON describes into FILE.
shoot() {
  local json=$1 file=$2 rect
  rect=$(sed -n 's/.*"rect":\[\([-0-9]*\),\([-0-9]*\),\([-0-9]*\),\([-0-9]*\)\],"children".*/\1 \2 \3 \4/p' <<<"$json" | head -1)
  read -r left top right bottom <<<"$rect"
  import -window root -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "$file"
  echo "screenshot: $file ($((right - left))x$((bottom - top)) at $left,$top)"
}

"${run[@]}" "$updater" &
updater_pid=$!
window=$("${run[@]}" "$wintool" wait-window --class TfDozevedAzovu --visible --timeout 30)
sleep 0.5  # the first paint
shoot "$window" "$artifacts/update-window.png"
import -window root "$artifacts/update-window-screen.png"
"${run[@]}" "$wintool" close --class TfDozevedAzovu >/dev/null
status=0; wait "$updater_pid" || status=$?
[[ $status -eq 0 ]] || { echo "updater exited with $status after WM_CLOSE" >&2; exit 1; }

"${run[@]}" "$test_form" --fail-in-create &
form_pid=$!
box=$("${run[@]}" "$wintool" wait-window --class '#32770' --visible --timeout 30)
sleep 0.5
shoot "$box" "$artifacts/error-box.png"
"${run[@]}" "$wintool" messagebox
"${run[@]}" "$wintool" press OK >/dev/null
form=$("${run[@]}" "$wintool" wait-window --class TTestForm --visible --timeout 30)
sleep 0.5
shoot "$form" "$artifacts/test-form-after-error.png"
"${run[@]}" "$wintool" close --class TTestForm >/dev/null
status=0; wait "$form_pid" || status=$?
[[ $status -eq 0 ]] || { echo "test form exited with $status after WM_CLOSE" >&2; exit 1; }
