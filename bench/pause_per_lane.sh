#!/usr/bin/env bash
# The pause between requests is each lane's own: with a 100 ms pause, 20 small
# files from loopback nginx by `serifetch-cli go --interval 100`, one file at
# a time and four at once. Four lanes should take about a quarter of the
# time (each lane waits its own pause), never the same (a pause per server).
#
#   bench/pause_per_lane.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
rounds=${2:-5}
cli=$build/bin/serifetch-cli
[[ -x $cli ]] || { echo "missing $cli: build it first" >&2; exit 2; }

. "$here/lib/servers.sh"
. "$here/lib/measure.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/serifetch-pause-bench.XXXXXX")
cleanup() {
  sf_servers_stop_all || true
  rm -rf "$work"
}
trap cleanup EXIT

www=$work/www
"$here/lib/make-files.sh" "$www" 20 1K f bin
web=$(sf_nginx_start "$www")
dest=$work/out
mkdir -p "$dest"
SERIFETCH_HOME=$work/list "$cli" list-up --url "http://127.0.0.1:$web/" --head f --digits 4 \
  --start 1 --end 20 --tail .bin --dir "$dest" >/dev/null

go_lanes() {
  rm -rf "$dest" "$work/home" && mkdir -p "$dest" && cp -r "$work/list" "$work/home"
  SERIFETCH_HOME=$work/home "$cli" go --interval 100 --parallel "$1" >/dev/null
  [[ $(find "$dest" -name 'f*.bin' | wc -l) -eq 20 ]] || { echo "files missing" >&2; exit 1; }
}
one() { go_lanes 1; }
four() { go_lanes 4; }

echo "== 20 files of 1 KiB, --interval 100, $rounds rounds, alternating"
alternate "$rounds" "$work/t_one" one "$work/t_four" four
m1=$(median <"$work/t_one")
m4=$(median <"$work/t_four")
printf '%-28s median %6.3f s\n' "--parallel 1" "$m1" "--parallel 4" "$m4"
printf 'time ratio 4 / 1: %.2f (a pause per lane: about 0.25; per server: 1.0)\n' \
  "$(calc "$m4 / $m1")"
