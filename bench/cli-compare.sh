#!/usr/bin/env bash
# serifetch-cli go next to curl, wget and aria2c, fetching the same files from
# the same loopback nginx, in one run, and prints one table of medians.
#
#   bench/cli-compare.sh [BUILD_DIR] [ROUNDS] [BASELINE_BUILD_DIR]
#       BUILD_DIR  holds bin/serifetch-cli (default: build); use a Release build
#       ROUNDS     rounds per set (default 5)
#       BASELINE_BUILD_DIR  another build (of an older commit, say) run as one
#                  more client, "baseline", in the same rounds: a change's cost
#                  shows as the difference of the two ratios to curl
#
# Two sets: 1,000 files of 10 KiB and 100 files of 1 MiB. Each round runs
# every client once on the set, in an order that rotates from round to round,
# so that no client always goes first (cold) or last. Each run starts with an
# empty output folder; serifetch gets a fresh profile with the list already
# made (list-up is not timed). Wall time, CPU time (user + system) and peak
# RSS come from GNU time. Every run's files are counted and sized afterwards.
#
# How the clients fetch: serifetch-cli and curl --http1.0 open one connection
# per file; wget and aria2c keep the connection alive between files, which is
# theirs to do. Targets: serifetch at least 0.8 of curl's rate on the small
# files, at least 1.0 on the large ones, peak RSS under 30 MB. The script
# prints the figures; it asserts nothing.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
rounds=${2:-5}
baseline_build=${3:-}
cli=$(realpath "$build/bin/serifetch-cli")
[[ -x $cli ]] || { echo "cli-compare.sh: no $build/bin/serifetch-cli; build it first" >&2; exit 2; }
baseline_cli=
if [[ -n $baseline_build ]]; then
  baseline_cli=$(realpath "$baseline_build/bin/serifetch-cli")
  [[ -x $baseline_cli ]] || { echo "cli-compare.sh: no $baseline_build/bin/serifetch-cli" >&2; exit 2; }
fi
for tool in curl wget aria2c /usr/bin/time; do
  command -v "$tool" >/dev/null || {
    echo "cli-compare.sh: $tool is missing (scripts/install-deps --bench installs it)" >&2
    exit 2
  }
done

# shellcheck source=lib/servers.sh
. "$here/lib/servers.sh"
. "$here/lib/measure.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/serifetch-cli-compare.XXXXXX")
cleanup() { sf_servers_stop_all; rm -rf "$work"; }
trap cleanup EXIT

"$here/lib/make-files.sh" "$work/www" 1000 10K s bin
"$here/lib/make-files.sh" "$work/www" 100 1M l bin
port=$(sf_nginx_start "$work/www")
base="http://127.0.0.1:$port/"

# set name -> prefix, count, size in bytes
declare -A prefix=([small]=s [large]=l) count=([small]=1000 [large]=100)
declare -A bytes=([small]=$((10 * 1024)) [large]=$((1024 * 1024)))
for set in small large; do
  for ((i = 1; i <= count[$set]; i++)); do
    printf '%s%s%04d.bin\n' "$base" "${prefix[$set]}" "$i"
  done >"$work/$set.urls"
done

clients=(serifetch curl wget aria2c)
[[ -n $baseline_cli ]] && clients+=(baseline)
out=$work/out

# run_client CLIENT SET: one timed run into $out; GNU time's line to stdout.
run_client() {
  local client=$1 set=$2 p n home
  p=${prefix[$set]} n=${count[$set]}
  rm -rf "$out" && mkdir -p "$out"
  local timing=$work/time.txt
  case $client in
    serifetch | baseline)
      local program=$cli
      [[ $client == baseline ]] && program=$baseline_cli
      home=$work/home
      rm -rf "$home"
      SERIFETCH_HOME=$home "$program" list-up --url "$base" --head "$p" --digits 4 --start 1 \
        --end "$n" --tail .bin --dir "$out" >/dev/null
      SERIFETCH_HOME=$home /usr/bin/time -f '%e %U %S %M' -o "$timing" \
        "$program" go --interval 0 >/dev/null || true
      ;;
    curl)
      /usr/bin/time -f '%e %U %S %M' -o "$timing" \
        curl --http1.0 -s -o "$out/$p#1.bin" "${base}${p}[0001-$(printf '%04d' "$n")].bin" || true
      ;;
    wget)
      /usr/bin/time -f '%e %U %S %M' -o "$timing" wget -q -i "$work/$set.urls" -P "$out" || true
      ;;
    aria2c)
      /usr/bin/time -f '%e %U %S %M' -o "$timing" \
        aria2c -q -j1 --allow-overwrite=true --auto-file-renaming=false -d "$out" \
        -i "$work/$set.urls" || true
      ;;
  esac
  local files total
  files=$(find "$out" -type f -name "$p*.bin" | wc -l)
  total=$(find "$out" -type f -name "$p*.bin" -printf '%s\n' | awk '{s += $1} END {print s + 0}')
  if ((files != n || total != n * bytes[$set])); then
    echo "cli-compare.sh: $client on $set: $files files, $total bytes (expected $n, $((n * bytes[$set])))" >&2
  fi
  tail -n 1 "$timing"
}

declare -A wall cpu rss
for set in small large; do
  for ((r = 0; r < rounds; r++)); do
    for ((k = 0; k < ${#clients[@]}; k++)); do
      client=${clients[$(((k + r) % ${#clients[@]}))]}
      read -r e u s m < <(run_client "$client" "$set")
      wall[$client.$set]+="$e "
      cpu[$client.$set]+="$(awk -v u="$u" -v s="$s" 'BEGIN {print u + s}') "
      rss[$client.$set]+="$m "
    done
  done
done

printf '\nloopback nginx, %d rounds, medians (rate relative to curl --http1.0)\n\n' "$rounds"
printf '%-24s %-10s %9s %12s %9s %10s %10s\n' set client wall_s rate cpu_s peak_MB vs_curl
for set in small large; do
  label="${count[$set]} x $((bytes[$set] / 1024)) KiB"
  curl_wall=$(tr ' ' '\n' <<<"${wall[curl.$set]}" | grep . | median)
  for client in "${clients[@]}"; do
    w=$(tr ' ' '\n' <<<"${wall[$client.$set]}" | grep . | median)
    c=$(tr ' ' '\n' <<<"${cpu[$client.$set]}" | grep . | median)
    m=$(tr ' ' '\n' <<<"${rss[$client.$set]}" | grep . | median)
    awk -v set="$label" -v client="$client" -v w="$w" -v c="$c" -v m="$m" -v cw="$curl_wall" \
      -v n="${count[$set]}" -v b="${bytes[$set]}" 'BEGIN {
        rate = "-"
        if (w > 0)
          rate = (b < 1048576) ? sprintf("%.0f files/s", n / w) : sprintf("%.1f MiB/s", n * b / 1048576 / w)
        printf "%-24s %-10s %9.2f %12s %9.2f %10.1f %10s\n", set, client, w, rate, c, m / 1024,
               (w > 0 ? sprintf("%.2f", cw / w) : "-")
      }'
  done
done
