#!/usr/bin/env bash
# Requests a second of `serifetch-cli refresh` over a finished list of N small
# files that have not changed on a loopback nginx (every answer a 304), beside
# curl -z over the same files (one curl for them all, a --next per file, so it
# reuses its connection as --keep-alive does). Each run is checked to have
# written nothing; nginx's log is counted for its 304s.
#
#   bench/refresh_vs_curl.sh [BUILD_DIR] [N]     (N: 10000)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
files=${2:-10000}
cli=$build/bin/serifetch-cli
[[ -x $cli ]] || { echo "missing $cli: build it first" >&2; exit 2; }
command -v curl >/dev/null || { echo "curl is not installed" >&2; exit 2; }

. "$here/lib/measure.sh"
. "$here/lib/servers.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/serifetch-refresh.XXXXXX")
cleanup() {
  sf_servers_stop_all
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/www" "$work/out" "$work/home"
for ((n = 1; n <= files; n++)); do
  printf 'file %d\n' "$n" >"$work/www/f$(printf %05d "$n").bin"
done
port=$(sf_nginx_start "$work/www")
base=http://127.0.0.1:$port

SERIFETCH_HOME=$work/home "$cli" fetch "$base/f[00001-$(printf %05d "$files")].bin" \
  -d "$work/out" --interval 0 -q --keep-alive >/dev/null
# The saved files get the server's times, so that curl's -z date (a file's
# time) is answered with a 304 too: nginx compares it exactly.
(cd "$work/www" && for f in f*.bin; do touch -r "$f" "$work/out/$f"; done)
config=$work/curl.config
for ((n = 1; n <= files; n++)); do
  f=f$(printf %05d "$n").bin
  ((n == 1)) || echo next # a --next between two files, none after the last
  printf 'url = "%s/%s"\noutput = "%s"\ntime-cond = "%s"\nsilent\n' \
    "$base" "$f" "$work/out/$f" "$work/out/$f"
done >"$config"

stamp() { find "$work/out" -type f -printf '%T@ %s %p\n' | sort; }
before=$(stamp)
unchanged() { [[ $(stamp) == "$before" ]] || { echo "$1 wrote to the files" >&2; exit 1; }; }

printf '%-32s %10s %14s\n' run seconds "requests/s"
run() { # NAME cmd...: one timed run over the list
  local name=$1 start seconds
  shift
  start=$(now)
  "$@" >/dev/null
  seconds=$(calc "$(now) - $start")
  unchanged "$name"
  local answered
  answered=$(grep -c '" 304 ' "$SF_SERVERS_DIR/$port/access.log" || true)
  printf '%-32s %10.3f %14.0f   (%d × 304 so far)\n' "$name" "$seconds" \
    "$(calc "$files / $seconds")" "$answered"
}
run "refresh" env SERIFETCH_HOME="$work/home" "$cli" refresh --interval 0
run "refresh --keep-alive" env SERIFETCH_HOME="$work/home" "$cli" refresh --interval 0 --keep-alive
run "curl -z (one process, --next)" curl --config "$config"
