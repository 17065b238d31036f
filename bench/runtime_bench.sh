#!/usr/bin/env bash
# Costs of the runtime services: TLog::Log from 4 threads (per-call median and p99, 1,000,000
# lines, the destructor's drain time, every line checked in the file) and TMsgThread::Send from a
# worker. Usage: bench/runtime_bench.sh [build dir] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
runs=${2:-3}
bench=$build/bench/runtime/runtime_bench
[[ -x $bench ]] || { echo "build the runtime_bench target in $build first" >&2; exit 1; }
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
for ((run = 1; run <= runs; run++)); do
  echo "--- run $run"
  "$bench" "$folder"
done
