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
log=$artifacts/screenshots.log
: >"$log"

# Background programs write to the log, never to this script's output: CTest waits for that to close.
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  "${run[@]}" reg delete 'HKCU\SOFTWARE\RAVER' /f >/dev/null 2>&1 || true
}
trap cleanup EXIT

wintool() { "${run[@]}" "$wintool" "$@" 2>>"$log"; }

# Grabs the screen area of the window WINDOW_JSON describes into FILE.
shoot() {
  local json=$1 file=$2 left top right bottom
  read -r left top right bottom < <(sed -n 's/.*"rect":\[\([-0-9]*\),\([-0-9]*\),\([-0-9]*\),\([-0-9]*\)\],"children".*/\1 \2 \3 \4/p' <<<"$json" | head -1)
  import -window root -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "$file"
  echo "screenshot: $file ($((right - left))x$((bottom - top)) at $left,$top)"
}

# Waits for a visible window of CLASS, acknowledging with OK any message box shown on the way.
wait_for_window() {
  local class=$1 deadline=$((SECONDS + 30))
  while ((SECONDS < deadline)); do
    if wintool wait-window --class "$class" --visible --timeout 0.5; then return 0; fi
    wintool press OK --timeout 0.1 >>"$log" || true
  done
  return 1
}

# The update window stays up only after an error left its update run; a program identifier that
# is not a number gives one before anything is touched.
"${run[@]}" reg add 'HKCU\SOFTWARE\RAVER' /v ID_PROGRAM /d notanumber /f >/dev/null 2>>"$log"
"${run[@]}" "$updater" >>"$log" 2>&1 &
pids+=($!)
window=$(wait_for_window TfDozevedAzovu) || { echo "no update window; see $log" >&2; exit 1; }
sleep 0.5  # the first paint
shoot "$window" "$artifacts/update-window.png"
wintool close --class TfDozevedAzovu >/dev/null
status=0; wait "${pids[-1]}" || status=$?
[[ $status -eq 0 ]] || { echo "updater exited with $status after WM_CLOSE" >&2; exit 1; }

"${run[@]}" "$test_form" --fail-in-create >>"$log" 2>&1 &
pids+=($!)
box=$(wintool wait-window --class '#32770' --visible --timeout 30) || { echo "no error box" >&2; exit 1; }
sleep 0.5
shoot "$box" "$artifacts/error-box.png"
wintool messagebox
wintool press OK >/dev/null
form=$(wintool wait-window --class TTestForm --visible --timeout 30) || { echo "no test window" >&2; exit 1; }
sleep 0.5
shoot "$form" "$artifacts/test-form-after-error.png"
wintool close --class TTestForm >/dev/null
status=0; wait "${pids[-1]}" || status=$?
[[ $status -eq 0 ]] || { echo "test form exited with $status after WM_CLOSE" >&2; exit 1; }
