#!/usr/bin/env bash
# Runs the real tonesentry-gui in a virtual X server: opens the demo recording from the command
# line, reads the keys from the window and saves a screenshot for people to look at.
# Usage: gui_smoke_test.sh TONESENTRY_GUI DEMO_FILE SCREENSHOT_PNG EXPECTED_KEYS
set -euo pipefail
gui=$1 demo=$2 screenshot=$3 expected=$4
rm -f "$screenshot"
# In sanitizer builds: D-Bus and fontconfig, loaded by Qt's xcb platform, keep memory at exit.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(dirname "$0")/lsan-third-party.supp"
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
status=0
keys=$(QT_QPA_PLATFORM=xcb timeout 120 xvfb-run -a -s "-screen 0 800x600x24" \
  "$gui" --report-keys --screenshot "$screenshot" "$demo" 2>"$errors") || status=$?
if [[ $status -ne 0 || "$keys" != "$expected" ]]; then
  echo "window showed '$keys' (exit $status), expected '$expected'; its messages:" >&2
  cat "$errors" >&2
  exit 1
fi
if [[ ! -s "$screenshot" ]]; then
  echo "no screenshot written to $screenshot" >&2
  exit 1
fi
echo "window showed $keys; screenshot in $screenshot"
