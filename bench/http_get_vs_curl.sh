#!/usr/bin/env bash
# serifetch-cli against curl on loopback nginx, side by side in one run.
#
#   bench/http_get_vs_curl.sh [BUILD_DIR] [ROUNDS] [BIG_SIZE]
#
# 1. One large file (default 1G): `serifetch-cli get URL -o FILE` and
#    `curl -s -o FILE URL`, alternating which goes first in each round;
#    median seconds, MB/s and the throughput ratio (serifetch / curl, more is
#    better). Peak RSS of serifetch-cli for the large file and for a 10 KiB
#    one, to show it does not grow with the file.
# 2. 1,000 files of 10 KiB: one process of http_many_gets_bench (one client,
#    1,000 GETs) against one globbing `curl --http1.0` over the same URLs;
#    median time per request and the ratio (serifetch / curl, less is better).
# 3. The same with keep-alive: http_many_gets_bench --keep-alive against
#    curl's HTTP/1.1 glob, which keeps its connection.
#
# Absolute times on a shared machine swing between runs; compare the ratios.
# BUILD_DIR should be a Release build with serifetch-cli and the benchmarks.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
rounds=${2:-5}
big_size=${3:-1G}
cli=$build/bin/serifetch-cli
many=$build/bench/http_many_gets_bench
for tool in "$cli" "$many"; do
  [[ -x $tool ]] || { echo "missing $tool: build it first" >&2; exit 2; }
done
command -v curl >/dev/null || { echo "curl is not installed" >&2; exit 2; }

. "$here/lib/servers.sh"
. "$here/lib/measure.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/serifetch-http-bench.XXXXXX")
cleanup() {
  sf_servers_stop_all || true
  rm -rf "$work"
}
trap cleanup EXIT

www=$work/www
big=$("$here/lib/make-files.sh" --big "$www" big.bin "$big_size")
"$here/lib/make-files.sh" "$www" 1000 10K f bin
cat "$big" >/dev/null # into the page cache before the first round
web=$(sf_nginx_start "$www")
base=http://127.0.0.1:$web


get_cli() { "$cli" get "$base/big.bin" -o "$work/cli.bin" >/dev/null; }
get_curl() { curl -s -o "$work/curl.bin" "$base/big.bin"; }

echo "== one file of $big_size, $rounds rounds, alternating"
: >"$work/t_cli" && : >"$work/t_curl"
for ((r = 1; r <= rounds; r++)); do
  rm -f "$work/cli.bin" "$work/curl.bin"
  if ((r % 2)); then
    timed "$work/t_cli" get_cli
    timed "$work/t_curl" get_curl
  else
    timed "$work/t_curl" get_curl
    timed "$work/t_cli" get_cli
  fi
done
cmp -s "$big" "$work/cli.bin" || { echo "serifetch-cli's copy differs from the served file" >&2; exit 1; }
cmp -s "$big" "$work/curl.bin" || { echo "curl's copy differs from the served file" >&2; exit 1; }
size=$(stat -c %s "$big")
m_cli=$(median <"$work/t_cli")
m_curl=$(median <"$work/t_curl")
printf 'serifetch-cli  median %.3f s  %7.1f MB/s   (all: %s)\n' "$m_cli" \
  "$(calc "$size / $m_cli / 1000000")" "$(tr '\n' ' ' <"$work/t_cli")"
printf 'curl           median %.3f s  %7.1f MB/s   (all: %s)\n' "$m_curl" \
  "$(calc "$size / $m_curl / 1000000")" "$(tr '\n' ' ' <"$work/t_curl")"
printf 'throughput ratio serifetch-cli / curl: %.2f (target >= 1.0)\n' \
  "$(calc "$m_curl / $m_cli")"

rm -f "$work/cli.bin" "$work/curl.bin"
rss_big=$(/usr/bin/time -f %M "$cli" get "$base/big.bin" -o "$work/cli.bin" 2>&1 >/dev/null | tail -1)
rss_small=$(/usr/bin/time -f %M "$cli" get "$base/f0001.bin" -o "$work/small.bin" 2>&1 >/dev/null | tail -1)
rm -f "$work/cli.bin"
printf 'peak RSS serifetch-cli: %.1f MB for %s, %.1f MB for 10 KiB (target < 30 MB)\n' \
  "$(calc "$rss_big / 1024")" "$big_size" "$(calc "$rss_small / 1024")"

# many_files TITLE TARGET SERIFETCH_FLAGS CURL_FLAGS: 1,000 files of 10 KiB by one
# http_many_gets_bench process and by one globbing curl, alternating; prints
# both medians and the ratio against TARGET.
many_files() {
  local title=$1 target=$2 flags=$3 curl_flags=$4
  echo "== 1,000 files of 10 KiB$title, $rounds rounds, alternating"
  # shellcheck disable=SC2086 # the flags are words
  many_cli() {
    rm -rf "$work/many" && mkdir "$work/many"
    "$many" $flags "$base/f" 1000 4 .bin "$work/many" >/dev/null
  }
  # shellcheck disable=SC2086
  many_curl() {
    rm -rf "$work/many" && mkdir "$work/many"
    curl $curl_flags -s "$base/f[0001-1000].bin" -o "$work/many/f#1.bin"
  }
  alternate "$rounds" "$work/m_cli" many_cli "$work/m_curl" many_curl
  many_cli
  same_files "$www" "$work/many" "f????.bin" || exit 1
  local m_cli m_curl
  m_cli=$(median <"$work/m_cli")
  m_curl=$(median <"$work/m_curl")
  printf 'serifetch %-16s median %.3f s  %.3f ms/request\n' "${flags:-(one process)}" "$m_cli" \
    "$(calc "$m_cli * 1000 / 1000")"
  printf 'curl %-21s median %.3f s  %.3f ms/request\n' "${curl_flags:-(HTTP/1.1 glob)}" "$m_curl" \
    "$(calc "$m_curl * 1000 / 1000")"
  printf 'time per request ratio serifetch / curl: %.2f (target <= %s)\n' \
    "$(calc "$m_cli / $m_curl")" "$target"
}
many_files "" 1.2 "" --http1.0
many_files " with keep-alive" 1.0 --keep-alive ""
