#!/usr/bin/env bash
# With --report-keys the window is driven by a script and must never wait for a user: a file that
# cannot be opened is reported on standard error with exit status 1, a settings folder that is not
# a folder with exit status 2. A file whose name is not UTF-8 opens from the command line.
# Usage: gui_report_errors_test.sh TONESENTRY_GUI DEMO_FILE DEMO_KEYS
set -uo pipefail
gui=$1 demo=$2 keys=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(dirname "$0")/lsan-third-party.supp"
failed=0

expect() {
  local status=$1 text=$2
  shift 2
  QT_QPA_PLATFORM=offscreen timeout 60 "$gui" "$@" >"$work/out" 2>"$work/err"
  local actual=$?
  if [[ $actual -ne $status ]] || { [[ -n $text ]] && ! grep -qF -- "$text" "$work/err"; }; then
    echo "tonesentry-gui $*: exit $actual (expected $status), standard error:" >&2
    cat "$work/err" >&2
    echo "(expected it to contain: $text)" >&2
    failed=1
  fi
}

expect 1 "tonesentry-gui: Cannot open \"$work/missing.wav\": no such file" --report-keys "$work/missing.wav"
expect 2 "$work/nowhere" --settings-dir "$work/nowhere" --report-keys "$work/missing.wav"
odd_name="$work/$(printf 'demo\377.ogg')"
cp "$demo" "$odd_name"
expect 0 "" --report-keys "$odd_name"
if [[ "$(cat "$work/out")" != "$keys" ]]; then
  echo "a file name that is not UTF-8 showed '$(cat "$work/out")', expected '$keys'" >&2
  failed=1
fi
exit $failed
