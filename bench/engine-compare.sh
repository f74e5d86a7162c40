#!/usr/bin/env bash
# Two builds of serifetch-cli side by side on the same loopback nginx, in
# the three ways a run fetches: a connection per file, --keep-alive, and
# --parallel 8. Each round runs both builds in each way, the order of the
# two swapped every round, and the script prints the medians and the ratio
# of the new build's time to the old one's. It asserts nothing.
#
#   bench/engine-compare.sh NEW_BUILD_DIR OLD_BUILD_DIR [ROUNDS] [FILES]
#       *_BUILD_DIR  hold bin/serifetch-cli (Release builds)
#       ROUNDS       rounds per way (default 9)
#       FILES        files of 10 KiB per run (default 500)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
new=$(realpath "${1:?new build dir}/bin/serifetch-cli")
old=$(realpath "${2:?old build dir}/bin/serifetch-cli")
rounds=${3:-9}
files=${4:-500}
for program in "$new" "$old"; do
  [[ -x $program ]] || { echo "engine-compare.sh: no $program; build it first" >&2; exit 2; }
done

# shellcheck source=lib/servers.sh
. "$here/lib/servers.sh"
. "$here/lib/measure.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/serifetch-engine-compare.XXXXXX")
cleanup() { sf_servers_stop_all; rm -rf "$work"; }
trap cleanup EXIT

"$here/lib/make-files.sh" "$work/www" "$files" 10K s bin
port=$(sf_nginx_start "$work/www")
base="http://127.0.0.1:$port/"

# run PROGRAM ARGS...: one run of every file into a fresh folder and profile.
run() {
  local program=$1
  shift
  rm -rf "$work/out" "$work/home" && mkdir -p "$work/out"
  SERIFETCH_HOME=$work/home "$program" list-up --url "$base" --head s --digits 4 --start 1 \
    --end "$files" --tail .bin --dir "$work/out" >/dev/null
  SERIFETCH_HOME=$work/home "$program" go --interval 0 "$@" >/dev/null
  local got
  got=$(find "$work/out" -type f -name 's*.bin' | wc -l)
  ((got == files)) || echo "engine-compare.sh: $program $*: $got of $files files" >&2
}

way=()
run_new() { run "$new" "${way[@]}"; }
run_old() { run "$old" "${way[@]}"; }

printf '\nloopback nginx, %d files of 10 KiB, %d rounds, medians\n\n' "$files" "$rounds"
printf '%-22s %10s %10s %10s\n' way new_s old_s new/old
for name in "a connection per file" "--keep-alive" "--parallel 8"; do
  case $name in
    --keep-alive) way=(--keep-alive) ;;
    --parallel*) way=(--parallel 8) ;;
    *) way=() ;;
  esac
  alternate "$rounds" "$work/new.t" run_new "$work/old.t" run_old
  n=$(median <"$work/new.t")
  o=$(median <"$work/old.t")
  printf '%-22s %10.3f %10.3f %10.2f\n' "$name" "$n" "$o" "$(calc "$n / $o")"
done
