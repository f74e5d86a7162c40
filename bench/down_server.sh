#!/usr/bin/env bash
# A series on a server that is down: 12 jobs to a loopback port where nothing
# listens, fetched by `serifetch-cli go` with the default retries (2) and
# without (0), beside curl over the same URLs. Prints the wall time of each and
# the marks the run left; the run should give up on the address after three
# refused connections instead of trying every job.
#
#   bench/down_server.sh [BUILD_DIR]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
cli=$build/bin/serifetch-cli
[[ -x $cli ]] || { echo "missing $cli: build it first" >&2; exit 2; }
work=$(mktemp -d "${TMPDIR:-/tmp}/serifetch-down-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# A port that was free a moment ago: nothing listens there.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
base=http://127.0.0.1:$port/

seconds() { python3 -c 'import sys, time; print(f"{time.monotonic():.3f}")'; }

for retries in 2 0; do
  export SERIFETCH_HOME=$work/home-$retries
  mkdir -p "$work/out-$retries"
  "$cli" list-up --url "$base" --head p --digits 2 --start 1 --end 12 --tail .jpg \
    --dir "$work/out-$retries/" >/dev/null
  start=$(seconds)
  "$cli" go --retries "$retries" -q >/dev/null 2>&1 || true
  end=$(seconds)
  marks=$("$cli" show 2>/dev/null | tail -n 1)
  printf 'serifetch-cli go --retries %s  %6.2f s   %s\n' "$retries" \
    "$(python3 -c "print($end - $start)")" "$marks"
done
if command -v curl >/dev/null; then
  start=$(seconds)
  curl --http1.0 -s "${base}p[01-12].jpg" -o "$work/curl-#1.jpg" || true
  end=$(seconds)
  printf 'curl (no retries)                %6.2f s\n' "$(python3 -c "print($end - $start)")"
fi
