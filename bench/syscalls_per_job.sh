#!/usr/bin/env bash
# System calls per job of `serifetch-cli go` at --interval 0 against one
# globbing `curl --http1.0` over the same 1,000 files of 10 KiB on loopback
# nginx, counted by `strace -f -c`: the total per job, and the socket reads
# and path lookups (stat family) per job, which the reply header and the
# per-job checks cost.
#
#   bench/syscalls_per_job.sh [BUILD_DIR] [COUNT]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
count=${2:-1000}
cli=$build/bin/serifetch-cli
[[ -x $cli ]] || { echo "missing $cli: build it first" >&2; exit 2; }
for tool in curl strace; do
  command -v $tool >/dev/null || { echo "$tool is not installed" >&2; exit 2; }
done

. "$here/lib/servers.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/serifetch-syscalls.XXXXXX")
cleanup() {
  sf_servers_stop_all || true
  rm -rf "$work"
}
trap cleanup EXIT
"$here/lib/make-files.sh" "$work/www" "$count" 10K f bin >/dev/null
web=$(sf_nginx_start "$work/www")
base=http://127.0.0.1:$web
digits=${#count}
((digits < 4)) && digits=4
last=$(printf "%0${digits}d" "$count")

# Calls per job from a `strace -c` summary: all of them, the socket reads,
# and the stat family (path and descriptor stats).
summarise() {
  awk -v jobs="$count" -v who="$2" '
    $NF == "total" { total = $(NF - 2) }
    $NF ~ /^(statx|newfstatat|stat|lstat|fstatat64)$/ { stats += $4 }
    $NF == "recvfrom" || $NF == "recvmsg" { sock += $4 }
    END {
      printf "%-28s %6.1f calls/job   %5.1f socket reads/job   %5.1f stat calls/job\n",
        who, total / jobs, sock / jobs, stats / jobs
    }' "$1"
}

mkdir -p "$work/out" "$work/curl"
export SERIFETCH_HOME=$work/home
"$cli" list-up --url "$base/" --head f --digits "$digits" --start 1 --end "$count" \
  --tail .bin -d "$work/out" >/dev/null
strace -f -c -o "$work/cli.txt" "$cli" go --interval 0 -q >/dev/null
(cd "$work/curl" && strace -f -c -o "$work/curl.txt" \
  curl --http1.0 -s "$base/f[$(printf "%0${digits}d" 1)-$last].bin" -o "f#1.bin")
echo "== system calls per job, $count files of 10 KiB, strace -f -c"
summarise "$work/cli.txt" "serifetch-cli go"
summarise "$work/curl.txt" "curl --http1.0 (glob)"

# The same with the connection kept: go --keep-alive against curl's HTTP/1.1
# glob, which keeps its connection too.
rm -rf "$work/out" "$work/curl" "$SERIFETCH_HOME" && mkdir -p "$work/out" "$work/curl"
"$cli" list-up --url "$base/" --head f --digits "$digits" --start 1 --end "$count" \
  --tail .bin -d "$work/out" >/dev/null
strace -f -c -o "$work/cli-keep.txt" "$cli" go --interval 0 --keep-alive -q >/dev/null
(cd "$work/curl" && strace -f -c -o "$work/curl-keep.txt" \
  curl -s "$base/f[$(printf "%0${digits}d" 1)-$last].bin" -o "f#1.bin")
summarise "$work/cli-keep.txt" "serifetch-cli go --keep-alive"
summarise "$work/curl-keep.txt" "curl (HTTP/1.1 glob)"
