#!/usr/bin/env bash
# The rate `serifetch-cli get --limit-rate 200k` reaches on a 1 MB file from a
# loopback nginx, beside the cap (200 × 1024 bytes a second) and the rate of
# the same get without a cap; then `go --limit-rate 200k --parallel 4` over
# four such files, which must share the one cap. The cap holds at most one
# second's worth in hand, so a run of N seconds may take N + 1 seconds' bytes:
# 1 MB at 200k is expected at about 1.25 times the cap over its 3.9 s.
#
#   bench/limit_rate.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
cli=$build/bin/serifetch-cli
[[ -x $cli ]] || { echo "missing $cli: build it first" >&2; exit 2; }

. "$here/lib/measure.sh"
. "$here/lib/servers.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/serifetch-limit-rate.XXXXXX")
cleanup() {
  sf_servers_stop_all
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/www" "$work/out" "$work/home"
bytes=$((1000 * 1000))
for n in 1 2 3 4; do
  head -c "$bytes" /dev/urandom >"$work/www/f$n.bin"
done
port=$(sf_nginx_start "$work/www")
cap=$((200 * 1024))

get() { # OPTIONS...: seconds taken by one get of f1.bin
  local start
  start=$(now)
  SERIFETCH_HOME=$work/home "$cli" get "http://127.0.0.1:$port/f1.bin" -o "$work/single.bin" \
    "$@" >/dev/null
  cmp -s "$work/www/f1.bin" "$work/single.bin" || { echo "the file came wrong" >&2; exit 1; }
  calc "$(now) - $start"
}

printf '%-34s %10s %14s %12s\n' run seconds "bytes/s" "of the cap"
free=$(get)
printf '%-34s %10.3f %14.0f %12s\n' "get, no cap" "$free" "$(calc "$bytes / $free")" -
capped=$(get --limit-rate 200k)
printf '%-34s %10.3f %14.0f %11.2fx\n' "get --limit-rate 200k" "$capped" \
  "$(calc "$bytes / $capped")" "$(calc "$bytes / $capped / $cap")"

SERIFETCH_HOME=$work/home "$cli" list-up --url "http://127.0.0.1:$port/" --head f --digits 1 \
  --start 1 --end 4 --tail .bin --dir "$work/out" >/dev/null
start=$(now)
SERIFETCH_HOME=$work/home "$cli" go -q --interval 0 --parallel 4 --limit-rate 200k >/dev/null
seconds=$(calc "$(now) - $start")
printf '%-34s %10.3f %14.0f %11.2fx\n' "go --parallel 4 --limit-rate 200k" "$seconds" \
  "$(calc "4 * $bytes / $seconds")" "$(calc "4 * $bytes / $seconds / $cap")"
