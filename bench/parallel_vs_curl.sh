#!/usr/bin/env bash
# serifetch-cli go with kept connections and several files at once, against
# curl and aria2c doing the same, side by side in one run.
#
#   bench/parallel_vs_curl.sh [BUILD_DIR] [ROUNDS]
#
# 1. Loopback nginx, 1,000 files of 10 KiB, interval 0:
#    `go --keep-alive` against curl's HTTP/1.1 glob (which keeps its
#    connection), and `go --parallel 8 --keep-alive` against
#    `curl --parallel --parallel-max 8`; medians and ratios (less is better).
# 2. A wide-area link: bench/lib/delay_relay.py in front of nginx delays each
#    direction by 25 ms and a new connection's first bytes by one more round
#    trip. 200 files of 10 KiB by `go --parallel 8 --keep-alive`, by
#    `curl --parallel --parallel-max 8`, by `aria2c -j8`, and (one round) by
#    the plain `go --interval 0`, one file and one connection at a time.
#
# Every run's files are compared with the served ones. Absolute times on a
# shared machine swing between runs; compare the ratios.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
rounds=${2:-5}
cli=$build/bin/serifetch-cli
[[ -x $cli ]] || { echo "missing $cli: build it first" >&2; exit 2; }
for tool in curl aria2c python3; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 2; }
done

. "$here/lib/servers.sh"
. "$here/lib/measure.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/serifetch-parallel-bench.XXXXXX")
relay_pid=
cleanup() {
  [[ -n $relay_pid ]] && kill "$relay_pid" 2>/dev/null || true
  sf_servers_stop_all || true
  rm -rf "$work"
}
trap cleanup EXIT

www=$work/www
"$here/lib/make-files.sh" "$www" 1000 10K f bin
web=$(sf_nginx_start "$www")
base=http://127.0.0.1:$web/
dest=$work/out

# go_files BASE COUNT FLAGS...: a fresh list of COUNT files f0001.bin... from
# BASE, fetched by one `serifetch-cli go --interval 0 FLAGS`. The list is made
# once and copied, so that only the run is timed.
go_files() {
  local from=$1 count=$2 list
  list=$work/list-$count-${from//[^0-9]/}
  shift 2
  if [[ ! -d $list ]]; then
    mkdir -p "$dest"
    SERIFETCH_HOME=$list "$cli" list-up --url "$from" --head f --digits 4 --start 1 \
      --end "$count" --tail .bin --dir "$dest" >/dev/null
  fi
  rm -rf "$dest" "$work/home" && mkdir -p "$dest" && cp -r "$list" "$work/home"
  SERIFETCH_HOME=$work/home "$cli" go --interval 0 "$@" >/dev/null
}
curl_files() {
  local from=$1 count=$2
  shift 2
  rm -rf "$dest" && mkdir -p "$dest"
  # --parallel draws its meter even when silent.
  curl -s "$@" "${from}f[0001-$(printf '%04d' "$count")].bin" -o "$dest/f#1.bin" 2>/dev/null
}
aria_files() {
  local from=$1 count=$2 i
  rm -rf "$dest" && mkdir -p "$dest"
  for ((i = 1; i <= count; i++)); do printf '%sf%04d.bin\n' "$from" "$i"; done >"$work/urls"
  aria2c -q -j8 --allow-overwrite=true --auto-file-renaming=false -d "$dest" -i "$work/urls"
}
check_files() {
  local n
  n=$(find "$dest" -name 'f*.bin' | wc -l)
  ((n == $1)) || { echo "$2: $n files of $1" >&2; exit 1; }
  same_files "$dest" "$www" "f*.bin" || { echo "$2: a file differs" >&2; exit 1; }
}

# compare TITLE TARGET A_LABEL A_CMD B_LABEL B_CMD COUNT: alternating rounds,
# both medians and the ratio A / B of the times (less is better).
compare() {
  local title=$1 target=$2 la=$3 a=$4 lb=$5 b=$6 count=$7
  echo "== $title, $rounds rounds, alternating"
  alternate "$rounds" "$work/t_a" "$a" "$work/t_b" "$b"
  "$a" && check_files "$count" "$la"
  "$b" && check_files "$count" "$lb"
  local ma mb
  ma=$(median <"$work/t_a")
  mb=$(median <"$work/t_b")
  printf '%-44s median %7.3f s  %7.1f files/s\n' "$la" "$ma" "$(calc "$count / $ma")"
  printf '%-44s median %7.3f s  %7.1f files/s\n' "$lb" "$mb" "$(calc "$count / $mb")"
  printf 'time ratio %s / %s: %.2f (target <= %s)\n' "${la%% *}" "${lb%% *}" \
    "$(calc "$ma / $mb")" "$target"
}

keep_go() { go_files "$base" 1000 --keep-alive; }
keep_curl() { curl_files "$base" 1000; }
compare "1,000 files of 10 KiB on loopback, kept connection" 1.0 \
  "serifetch go --keep-alive" keep_go "curl (HTTP/1.1 glob)" keep_curl 1000

par_go() { go_files "$base" 1000 --parallel 8 --keep-alive; }
par_curl() { curl_files "$base" 1000 --parallel --parallel-max 8; }
compare "1,000 files of 10 KiB on loopback, 8 at once" 1.0 \
  "serifetch go --parallel 8 --keep-alive" par_go "curl --parallel --parallel-max 8" par_curl 1000

coproc relay { exec python3 "$here/lib/delay_relay.py" "$web" 25 2>/dev/null; }
relay_pid=$relay_PID
read -r relay_port <&"${relay[0]}"
far=http://127.0.0.1:$relay_port/

far_go() { go_files "$far" 200 --parallel 8 --keep-alive; }
far_curl() { curl_files "$far" 200 --parallel --parallel-max 8; }
far_aria() { aria_files "$far" 200; }
compare "200 files of 10 KiB over a 50 ms round trip, 8 at once" 1.0 \
  "serifetch go --parallel 8 --keep-alive" far_go "curl --parallel --parallel-max 8" far_curl 200
m_far=$(median <"$work/t_a")
echo "== the same through aria2c -j8, $rounds rounds"
: >"$work/t_aria"
for ((r = 1; r <= rounds; r++)); do timed "$work/t_aria" far_aria; done
check_files 200 aria2c
m_aria=$(median <"$work/t_aria")
printf '%-44s median %7.3f s  %7.1f files/s\n' "aria2c -j8" "$m_aria" "$(calc "200 / $m_aria")"
printf 'time ratio serifetch / aria2c: %.2f (target <= 1.0)\n' "$(calc "$m_far / $m_aria")"

echo "== the same one file at a time, a connection each (go --interval 0), one round"
: >"$work/t_plain"
plain_go() { go_files "$far" 200; }
timed "$work/t_plain" plain_go
check_files 200 "go --interval 0"
m_plain=$(median <"$work/t_plain")
printf '%-44s %7.3f s  %7.1f files/s\n' "serifetch go --interval 0" "$m_plain" \
  "$(calc "200 / $m_plain")"
printf 'speed-up of --parallel 8 --keep-alive over it: %.1fx (target >= 10)\n' \
  "$(calc "$m_plain / $m_far")"
