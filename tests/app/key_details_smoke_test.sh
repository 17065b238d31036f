#!/usr/bin/env bash
# The key details window of the demo recording in a virtual X server: its table shows the demo's
# keys and its screenshot (kept for people to look at) is rendered, not blank.
# Usage: key_details_smoke_test.sh SCREENSHOT_PROGRAM DEMO_FILE SCREENSHOT_PNG EXPECTED_KEYS
set -euo pipefail
program=$1 demo=$2 screenshot=$3 expected=$4
rm -f "$screenshot"
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(dirname "$0")/lsan-third-party.supp"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
keys=$(QT_QPA_PLATFORM=xcb timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" \
  "$program" "$demo" "$screenshot" "$work" 2>"$work/errors") || status=$?
if [[ $status -ne 0 || "$keys" != "$expected" ]]; then
  echo "details window showed '$keys' (exit $status), expected '$expected'; its messages:" >&2
  cat "$work/errors" >&2
  exit 1
fi
[[ -s "$screenshot" ]] || { echo "no screenshot written to $screenshot" >&2; exit 1; }
cat "$work/errors"
echo "details window showed $keys; screenshot in $screenshot"
