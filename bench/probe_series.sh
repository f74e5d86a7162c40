#!/usr/bin/env bash
# serifetch-cli probe over series of 10, 1,000 and 100,000 files, each pasted
# at its seventh file, from a server that answers by number: the requests it
# made and its time, beside the requests a guessed full range would cost
# (fetching 1 to 99,999 to be sure of a series of unknown length costs
# 99,999 requests, whatever its length).
#
#   bench/probe_series.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
cli=$build/bin/serifetch-cli
[[ -x $cli ]] || { echo "missing $cli: build it first" >&2; exit 2; }
command -v python3 >/dev/null || { echo "python3 is not installed" >&2; exit 2; }

. "$here/lib/measure.sh"
home=$(mktemp -d "${TMPDIR:-/tmp}/serifetch-probe-bench.XXXXXX")
server_pid=
cleanup() {
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$home"
}
trap cleanup EXIT

printf '%-10s %-6s %-9s %-7s %-8s %-8s %s\n' files width requests misses bound time \
  "full-range guess"
for case in 10:2 1000:4 100000:1; do
  last=${case%%:*} width=${case##*:}
  coproc server { exec python3 "$here/lib/number_server.py" "$last" "$width"; }
  server_pid=$server_PID
  read -r port <&"${server[0]}"
  pasted=$(printf "img_%0${width}d.jpg" 7)
  start=$(now)
  result=$(SERIFETCH_HOME=$home "$cli" probe "http://127.0.0.1:$port/$pasted" --interval 0)
  seconds=$(calc "$(now) - $start")
  requests=$(printf '%s\n' "$result" | head -1 | sed -n 's/.*found with \([0-9]*\) requests.*/\1/p')
  misses=$(printf '%s\n' "$result" | head -1 | sed -n 's/.*(\([0-9]*\) misses met).*/\1/p')
  printf '%s\n' "$result" | tail -1 | grep -q "img_\[0*1-$last\]\.jpg" ||
    { echo "wrong series for $last: $result" >&2; exit 1; }
  # The bound: 2·log2(last) + 12, plus Misses − 1 (2) for each miss met.
  printf '%-10s %-6s %-9s %-7s %-8.1f %-8.3f %s\n' "$last" "$width" "$requests" "$misses" \
    "$(calc "2 * log($last) / log(2) + 12 + 2 * $misses")" "$seconds" 99999
  kill "$server_pid"; wait "$server_pid" 2>/dev/null || true; server_pid=
done
