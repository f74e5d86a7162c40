#!/usr/bin/env bash
# A list of 1,000,000 jobs through serifetch-cli: the time and peak RSS of
# list-up, show and a resume pass (go over a list whose jobs are all "○", at
# --interval 0), and the memory per job they come to; then a run of 10,000
# small files at the end of the big list against the same 10,000 on a list of
# their own, from one loopback nginx, as files per second.
#
#   bench/big_list.sh [BUILD_DIR] [JOBS] [FILES]
#       JOBS   jobs of the big list (default 1000000)
#       FILES  files fetched at its end and on their own (default 10000)
#
# Peak RSS comes from GNU time; bytes per job are the peak over that of the
# same command on an empty list, divided by the jobs. The resume pass and the
# runs leave the small-result check off (--no-min-size): with it, every "○"
# passed over would need its file on disk. A run's rate is taken from the
# modification times of its first and last file, so the load, the pass over
# the done jobs and the save do not count in it. Prints; asserts nothing.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
jobs=${2:-1000000}
files=${3:-10000}
cli=$(realpath "$build/bin/serifetch-cli")
[[ -x $cli ]] || { echo "big_list.sh: no $build/bin/serifetch-cli; build it first" >&2; exit 2; }
command -v /usr/bin/time >/dev/null || {
  echo "big_list.sh: GNU time is missing (scripts/install-deps --bench installs it)" >&2
  exit 2
}

# shellcheck source=lib/servers.sh
. "$here/lib/servers.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/serifetch-big-list.XXXXXX")
cleanup() { sf_servers_stop_all; rm -rf "$work"; }
trap cleanup EXIT
export SERIFETCH_HOME=$work/home

# timed NAME cmd...: runs cmd; sets SECONDS_TAKEN and PEAK_KB.
timed() {
  shift
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >"$work/out" 2>"$work/err" || true
  read -r SECONDS_TAKEN PEAK_KB < <(tail -n 1 "$work/time")
}

# Marks every job of the saved list "○" (the terminator row stays empty).
mark_all_done() {
  perl -i -pe '
    if (/^Status\d+=\r$/) { $s = $_; $_ = ""; next }
    if (defined $s) { $s =~ s/=\r$/=\xE2\x97\x8B\r/ if /^URL\d+=.+\r$/; $_ = $s . $_; undef $s }
  ' "$SERIFETCH_HOME/SeriData.txt"
}

list_up() { # BASE DIGITS END DIR
  "$cli" list-up --url "$1" --head f --digits "$2" --start 1 --end "$3" --tail .bin --dir "$4"
}

report() { # NAME: the last timed command beside the empty list's peak
  awk -v name="$1" -v s="$SECONDS_TAKEN" -v kb="$PEAK_KB" -v base="$base_kb" -v n="$jobs" '
    BEGIN { printf "  %-22s %7.2f s   peak RSS %7.1f MB   %6.1f bytes/job\n",
            name, s, kb / 1024, (kb - base) * 1024 / n }'
}

mkdir -p "$work/big" "$work/www" "$work/alone" "$work/tail"
rm -rf "$SERIFETCH_HOME"
timed empty "$cli" show
base_kb=$PEAK_KB

echo "serifetch-cli over a list of $jobs jobs (an empty list: peak RSS $(awk -v k="$base_kb" 'BEGIN { printf "%.1f", k / 1024 }') MB):"
timed list-up "$cli" list-up --url http://127.0.0.1:9/series/ --head f --digits 7 --start 1 \
  --end "$jobs" --tail .bin --dir "$work/big"
report "list-up"
timed show "$cli" show
report "show"
mark_all_done
timed go-resume "$cli" go --interval 0 --no-min-size -q
report "go (resume, all done)"
grep -q "○ $jobs" "$work/out" || echo "  (the resume pass did not end with every job done)"

"$here/lib/make-files.sh" "$work/www" "$files" 1K
digits=${#files}
((digits < 4)) && digits=4
port=$(sf_nginx_start "$work/www")
base="http://127.0.0.1:$port/"

# rate_of_run DIR: go over the list as it stands, its files going to DIR;
# sets RATE (files per second).
rate_of_run() {
  local dir=$1 first last got
  timed go "$cli" go --interval 0 --no-min-size -q
  find "$dir" -name 'f*.bin' -printf '%T@\n' | sort -n >"$work/times"
  first=$(head -n 1 "$work/times")
  last=$(tail -n 1 "$work/times")
  got=$(wc -l <"$work/times")
  ((got == files)) || echo "  (only $got of $files files arrived)"
  RATE=$(awk -v a="$first" -v b="$last" -v n="$files" 'BEGIN { printf "%.0f", (n - 1) / (b - a) }')
}

# The two lists, made once each and copied in before every run.
rm -rf "$SERIFETCH_HOME"
list_up "$base" "$digits" "$files" "$work/alone" >/dev/null
cp "$SERIFETCH_HOME/SeriData.txt" "$work/alone.txt"
rm -rf "$SERIFETCH_HOME"
list_up http://127.0.0.1:9/series/ 7 "$((jobs - files))" "$work/big" >/dev/null
mark_all_done
list_up "$base" "$digits" "$files" "$work/tail" >/dev/null
cp "$SERIFETCH_HOME/SeriData.txt" "$work/tail.txt"

# Rounds in which the two lists take turns to go first, each run after a
# sync: creating files is most of a run's system time here, and it slows
# down while the last run's files are still being written back.
rounds=5
alone_rates=() at_end_rates=()
for ((round = 1; round <= rounds; round++)); do
  order=(alone tail)
  ((round % 2)) || order=(tail alone)
  for list in "${order[@]}"; do
    rm -rf "${work:?}/$list" && mkdir -p "$work/$list"
    cp "$work/$list.txt" "$SERIFETCH_HOME/SeriData.txt"
    sync
    rate_of_run "$work/$list"
    if [[ $list == alone ]]; then
      alone_rates+=("$RATE")
    else
      at_end_rates+=("$RATE")
      at_end_kb=$PEAK_KB
    fi
  done
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
alone=$(median "${alone_rates[@]}")
at_end=$(median "${at_end_rates[@]}")

echo "go --interval 0 of $files files of 1 KiB from loopback nginx (first to last file; median of $rounds rounds):"
printf '  %-30s %7s files/s   (rounds: %s)\n' "on a list of their own" "$alone" "${alone_rates[*]}"
printf '  %-30s %7s files/s   (rounds: %s; peak RSS %.1f MB)\n' "at the end of $jobs jobs" \
  "$at_end" "${at_end_rates[*]}" "$(awk -v k="$at_end_kb" 'BEGIN { print k / 1024 }')"
awk -v a="$alone" -v b="$at_end" 'BEGIN { printf "  ratio                          %7.3f   (target: at least 0.90)\n", b / a }'
