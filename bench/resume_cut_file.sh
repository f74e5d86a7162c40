#!/usr/bin/env bash
# A 1 GiB file from a loopback nginx (paced at 200 MB/s so that a cut lands
# where it is meant to): a whole `get`; a `get` killed with SIGKILL once half
# of the file has arrived; then the `get` that resumes it. Prints the bytes
# nginx sent and the seconds of the resumed run against the whole one
# (targets: at most 52 % of the bytes and 55 % of the time).
#
#   bench/resume_cut_file.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
cli=$build/bin/serifetch-cli
[[ -x $cli ]] || { echo "missing $cli: build it first" >&2; exit 2; }

. "$here/lib/measure.sh"
. "$here/lib/servers.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/serifetch-resume.XXXXXX")
cleanup() {
  sf_servers_stop_all
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/www/slow" "$work/home"
size=$((1 << 30))
head -c "$size" /dev/urandom >"$work/www/slow/big.bin"
port=$(sf_nginx_start "$work/www" "location /slow/ { limit_rate 200m; }")
url="http://127.0.0.1:$port/slow/big.bin"
log=$(sf_server_dir "$port")/access.log

sent() { tail -n 1 "$log" | awk -F'"' '{ split($3, a, " "); print a[2] }'; }
get() { # seconds of one get into big.bin
  local start
  start=$(now)
  SERIFETCH_HOME=$work/home "$cli" get "$url" -o "$work/big.bin" >/dev/null
  calc "$(now) - $start"
}

whole=$(get)
whole_bytes=$(sent)
cmp -s "$work/www/slow/big.bin" "$work/big.bin" || { echo "the whole file came wrong" >&2; exit 1; }
rm -f "$work/big.bin"

SERIFETCH_HOME=$work/home "$cli" get "$url" -o "$work/big.bin" >/dev/null &
pid=$!
while [[ $(stat -c %s "$work/big.bin.part" 2>/dev/null || echo 0) -lt $((size / 2)) ]]; do
  sleep 0.01
done
kill -KILL "$pid"
wait "$pid" 2>/dev/null || true
had=$(stat -c %s "$work/big.bin.part")

resumed=$(get)
resumed_bytes=$(sent)
cmp -s "$work/www/slow/big.bin" "$work/big.bin" || { echo "the resumed file came wrong" >&2; exit 1; }

printf 'part left by the kill: %d bytes (%.1f %%)\n' "$had" "$(calc "100 * $had / $size")"
printf '%-10s %14s %10s\n' run "bytes sent" seconds
printf '%-10s %14d %10.3f\n' whole "$whole_bytes" "$whole"
printf '%-10s %14d %10.3f\n' resumed "$resumed_bytes" "$resumed"
printf 'resumed / whole: %.1f %% of the bytes (target 52 %%), %.1f %% of the time (target 55 %%)\n' \
  "$(calc "100 * $resumed_bytes / $whole_bytes")" "$(calc "100 * $resumed / $whole")"
