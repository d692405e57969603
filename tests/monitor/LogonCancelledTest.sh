#!/usr/bin/env bash
# pipewatch as a user starts it: on a real X server (Xvfb), with no UserId, the logon dialog
# opens; Escape cancels it, and the program ends by itself without showing its window.
# Usage: LogonCancelledTest.sh PIPEWATCH CLIENT_LIBRARY
set -u
pipewatch=$1
library=$2
for tool in Xvfb xdotool; do
  command -v "$tool" > /dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done

# Under the leak checker, leaks of the system libraries behind the X platform are not ours.
export LSAN_OPTIONS="suppressions=$(dirname "$0")/SystemLibraryLeaks.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

work=$(mktemp -d)
cleanup() {
  [ -n "${app:-}" ] && kill -9 "$app" 2> /dev/null
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2> /dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number to the descriptor given.
exec 3> "$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb=$!
exec 3>&-
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAILED: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"

VEK_REGISTRY_DIR="$work" QT_QPA_PLATFORM=xcb "$pipewatch" "OCIDLL=$library" > "$work/out.log" 2>&1 &
app=$!

dialog=$(timeout 30 xdotool search --sync --onlyvisible --name '^Oracle Logon$' | head -n 1)
[ -n "$dialog" ] || { echo "FAILED: no logon dialog appeared"; cat "$work/out.log"; exit 1; }
xdotool windowfocus --sync "$dialog" 2> /dev/null || true
xdotool key Escape

for _ in $(seq 1 100); do kill -0 "$app" 2> /dev/null || break; sleep 0.1; done
if kill -0 "$app" 2> /dev/null; then
  echo "FAILED: pipewatch still runs after the logon was cancelled"
  xdotool search --name 'VEK - Tracescope' > /dev/null && echo "and its window is shown"
  exit 1
fi
wait "$app"
status=$?
app=
[ "$status" -eq 0 ] || { echo "FAILED: pipewatch ended with status $status"; cat "$work/out.log"; exit 1; }
echo "PASSED: the logon was cancelled and pipewatch ended without its window"
