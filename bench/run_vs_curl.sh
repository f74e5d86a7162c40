#!/usr/bin/env bash
# The download run against curl on loopback nginx, side by side in one run.
#
#   bench/run_vs_curl.sh [BUILD_DIR] [ROUNDS]
#
# 1. 1,000 files of 10 KiB with the tick at 0 ms: one process of run_bench
#    (one DownloadRun over 1,000 jobs) against one globbing `curl --http1.0`
#    over the same URLs, alternating which goes first; median jobs per second
#    and the ratio (run / curl, more is better; target >= 0.8).
# 2. 100 files of 1 MiB with the window's 200 ms tick: wall time and the CPU
#    time of the process over the run, in the real main window (offscreen)
#    and headless. The ticks are waits; they should cost next to nothing, so
#    the CPU time should be near that of moving 100 MiB (curl's, printed too).
# 3. Resume of 10,000 jobs that are all done, at the window's tick: the run
#    passes over them without waiting (headless and in the window).
#
# Absolute times on a shared machine swing between runs; compare the ratios.
# BUILD_DIR should be a Release build with bench/run_bench built.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
rounds=${2:-5}
runner=$build/bench/run_bench
[[ -x $runner ]] || { echo "missing $runner: build it first" >&2; exit 2; }
command -v curl >/dev/null || { echo "curl is not installed" >&2; exit 2; }

. "$here/lib/servers.sh"
. "$here/lib/measure.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/serifetch-run-bench.XXXXXX")
cleanup() {
  sf_servers_stop_all || true
  rm -rf "$work"
}
trap cleanup EXIT

www=$work/www
# The window mode needs a private runtime folder when run without a session.
mkdir -m 0700 "$work/runtime"
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$work/runtime}
"$here/lib/make-files.sh" "$www" 1000 10K f bin
"$here/lib/make-files.sh" "$www" 100 1M m bin
web=$(sf_nginx_start "$www")
base=http://127.0.0.1:$web


echo "== 1,000 files of 10 KiB, tick 0 ms, $rounds rounds, alternating"
run_many() {
  rm -rf "$work/many" && mkdir "$work/many"
  "$runner" "$base/f" 1000 4 .bin "$work/many" 0 >/dev/null
}
curl_many() {
  rm -rf "$work/many" && mkdir "$work/many"
  curl --http1.0 -s "$base/f[0001-1000].bin" -o "$work/many/f#1.bin"
}
alternate "$rounds" "$work/t_run" run_many "$work/t_curl" curl_many
run_many
same_files "$www" "$work/many" "f????.bin" || exit 1
m_run=$(median <"$work/t_run")
m_curl=$(median <"$work/t_curl")
printf 'download run (one process)  median %.3f s  %6.0f jobs/s   (all: %s)\n' "$m_run" \
  "$(calc "1000 / $m_run")" "$(tr '\n' ' ' <"$work/t_run")"
printf 'curl --http1.0 (glob)       median %.3f s  %6.0f jobs/s   (all: %s)\n' "$m_curl" \
  "$(calc "1000 / $m_curl")" "$(tr '\n' ' ' <"$work/t_curl")"
printf 'jobs per second ratio run / curl: %.2f (target >= 0.8)\n' "$(calc "$m_curl / $m_run")"

echo "== 100 files of 1 MiB, tick 200 ms"
for mode in --window ""; do
  rm -rf "$work/big" && mkdir "$work/big"
  "$runner" "$base/m" 100 4 .bin "$work/big" 200 $mode
  for f in "$www"/m????.bin; do
    cmp -s "$f" "$work/big/${f##*/}" || { echo "${f##*/} differs" >&2; exit 1; }
  done
done
rm -rf "$work/big" && mkdir "$work/big"
echo "curl over the same files, for the cost of moving the bytes:"
/usr/bin/time -f 'curl cpu_s %U user + %S sys, %e s wall' \
  curl --http1.0 -s "$base/m[0001-0100].bin" -o "$work/big/m#1.bin"

echo "== resume of 10,000 done jobs, window tick 200 ms (nothing is requested)"
for mode in "" --window; do
  rm -rf "$work/resume" && mkdir "$work/resume"
  "$runner" "$base/r" 10000 5 .bin "$work/resume" 200 $mode --resume
done
