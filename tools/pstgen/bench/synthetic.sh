#!/usr/bin/env bash
# Times pstgen on the 10,000-item synthetic file and a full read of it.
# usage: tools/pstgen/bench/synthetic.sh [BUILD_DIR] [ITEMS]
set -euo pipefail
build=${1:-build}
items=${2:-10000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/time -f 'pstgen: %e s, %M KB peak' "$build/bin/pstgen" --synthetic "$items" --seed 1 "$work/synthetic.pst"
ls -l "$work/synthetic.pst" | awk '{ printf "size: %d MB\n", $5 / 1048576 }'
/usr/bin/time -f 'pffexport: %e s' pffexport -q -m all -f all -t "$work/export" "$work/synthetic.pst" > /dev/null
