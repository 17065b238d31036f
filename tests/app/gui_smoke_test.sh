#!/usr/bin/env bash
# Runs the real tonesentry-gui in a virtual X server: opens the demo recording from the command
# line, reads the keys from the window and saves a screenshot for people to look at.
# Usage: gui_smoke_test.sh TONESENTRY_GUI DEMO_FILE SCREENSHOT_PNG EXPECTED_KEYS
set -euo pipefail
gui=$1 demo=$2 screenshot=$3 expected=$4
rm -f "$screenshot"
keys=$(QT_QPA_PLATFORM=xcb timeout 120 xvfb-run -a -s "-screen 0 800x600x24" \
  "$gui" --report-keys --screenshot "$screenshot" "$demo" 2>/dev/null)
if [[ "$keys" != "$expected" ]]; then
  echo "window showed '$keys', expected '$expected'" >&2
  exit 1
fi
if [[ ! -s "$screenshot" ]]; then
  echo "no screenshot written to $screenshot" >&2
  exit 1
fi
echo "window showed $keys; screenshot in $screenshot"
