#!/usr/bin/env bash
# HTTP/2 over TLS: serifetch-cli against curl on nginx with `listen ... ssl
# http2`, side by side in one run, both trusting a CA made for the run.
#
#   bench/http2_vs_curl.sh [BUILD_DIR] [ROUNDS] [BIG_SIZE]
#
# 1. A wide-area link (bench/lib/delay_relay.py in front of nginx, 25 ms each
#    way), 200 files of 10 KiB: `go --interval 0 --parallel 50` (HTTP/2)
#    against `curl --parallel --parallel-max 50` (HTTP/2) and against the
#    HTTP/1.1 way, `go --interval 0 --parallel 16 --keep-alive --no-http2`;
#    rounds rotate which of the three goes first. Medians, the connections
#    each run opened (from nginx's log) and the ratios go / curl (target
#    <= 1.0) and HTTP/2 / HTTP/1.1 (target <= 0.4).
# 2. Loopback, 5,000 files of 10 KiB: `go --interval 0 --parallel 16` against
#    `curl --parallel --parallel-max 16`, both HTTP/2 (target <= 1.0).
# 3. One file of BIG_SIZE (default 1G) on loopback over HTTP/2: `get` against
#    `curl -o` (target <= 1.1).
#
# Times are seconds, ratios serifetch / curl (less is better). Every run's
# files are compared with the served ones; what came wrong is printed at the
# end. Absolute times on a shared machine swing between runs; compare the
# ratios. Everything, the fetched files too, lives under TMPDIR: with
# TMPDIR=/dev/shm the figures leave out what the disk costs per file.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
rounds=${2:-3}
big_size=${3:-1G}
cli=$build/bin/serifetch-cli
[[ -x $cli ]] || { echo "missing $cli: build it first" >&2; exit 2; }
for tool in curl openssl python3; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 2; }
done
curl -V | grep -qw HTTP2 || { echo "this curl has no HTTP/2" >&2; exit 2; }

. "$here/lib/servers.sh"
. "$here/lib/measure.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/serifetch-http2-bench.XXXXXX")
relay_pid=
cleanup() {
  [[ -n $relay_pid ]] && kill "$relay_pid" 2>/dev/null || true
  sf_servers_stop_all || true
  rm -rf "$work"
}
trap cleanup EXIT

# Two copies of the big file land next to the served one (which is sparse).
big_bytes=$(numfmt --from=iec "$big_size")
free_kib=$(df -Pk "$work" | awk 'NR == 2 { print $4 }')
if ((free_kib < 2 * big_bytes / 1024 + 512 * 1024)); then
  echo "not enough room in $work for two copies of $big_size: $((free_kib / 1024)) MiB free" >&2
  exit 2
fi

# A CA and a certificate for 127.0.0.1, as the tests make them.
pki=$work/pki
mkdir "$pki"
key=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes)
openssl req -x509 "${key[@]}" -keyout "$pki/ca.key" -out "$pki/ca.pem" -days 2 \
  -subj "/CN=Serifetch bench CA" -addext "basicConstraints=critical,CA:TRUE" \
  -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
openssl req -new "${key[@]}" -keyout "$pki/server.key" -out "$pki/server.csr" \
  -subj "/CN=127.0.0.1" 2>/dev/null
printf 'subjectAltName=IP:127.0.0.1\nextendedKeyUsage=serverAuth\n' >"$pki/server.ext"
openssl x509 -req -in "$pki/server.csr" -CA "$pki/ca.pem" -CAkey "$pki/ca.key" \
  -CAcreateserial -out "$pki/server.pem" -days 2 -extfile "$pki/server.ext" 2>/dev/null
ca=$pki/ca.pem

www=$work/www
"$here/lib/make-files.sh" "$www" 5000 10K f bin
conn_log=$work/connections.log
tls=$(sf_free_port)
# nginx 1.22 leaves TLS 1.3 off unless asked, and ends a connection after
# 1,000 requests; with the limit out of the way, a second connection is the
# client's doing.
sf_nginx_start "$www" "listen 127.0.0.1:$tls ssl http2;
ssl_certificate \"$pki/server.pem\";
ssl_certificate_key \"$pki/server.key\";
ssl_protocols TLSv1.2 TLSv1.3;
keepalive_requests 1000000;
access_log \"$conn_log\" connections;" >/dev/null
base=https://127.0.0.1:$tls/
proto=$(curl -s --cacert "$ca" -o /dev/null -w '%{http_version}' "${base}f0001.bin") ||
  { echo "nginx does not answer over TLS" >&2; exit 1; }
[[ $proto == 2 ]] || { echo "nginx answers in HTTP/$proto, not HTTP/2" >&2; exit 1; }

problems=$work/problems
: >"$problems"
problem() { echo "$*" >>"$problems"; }

# Each client writes into its own folder out-TAG, so that the last round's
# files of every one of them are still there to be compared after the rounds.

# make_list TAG BASE COUNT: a job list of COUNT files f0001.bin... from BASE
# into out-TAG, made before the rounds so that only the runs are timed.
make_list() {
  SERIFETCH_HOME=$work/list-$1 "$cli" list-up --url "$2" --head f --digits 4 --start 1 \
    --end "$3" --tail .bin --dir "$work/out-$1" >/dev/null
}
# go_files TAG FLAGS...: TAG's list fetched by one
# `serifetch-cli go --interval 0 FLAGS` in a fresh SERIFETCH_HOME, a copy of
# the list, so that the job list starts as made.
go_files() {
  local tag=$1 status=0
  local dest=$work/out-$tag home=$work/home-$tag
  shift
  rm -rf "$dest" "$home" && mkdir -p "$dest" && cp -r "$work/list-$tag" "$home"
  : >"$conn_log"
  SERIFETCH_HOME=$home "$cli" go --interval 0 --cacert "$ca" "$@" >"$work/go-$tag.out" 2>&1 ||
    status=$?
  ((status == 0)) || problem "$tag: serifetch-cli go $* exited with $status; its last lines:" \
    "$(tail -n 3 "$work/go-$tag.out")"
  count_connections "$tag"
}
curl_files() {
  local tag=$1 from=$2 count=$3 status=0
  local dest=$work/out-$tag
  shift 3
  rm -rf "$dest" && mkdir -p "$dest"
  : >"$conn_log"
  # --parallel draws its meter even when silent.
  curl -s --http2 --cacert "$ca" "$@" "${from}f[0001-$(printf '%04d' "$count")].bin" \
    -o "$dest/f#1.bin" 2>/dev/null || status=$?
  ((status == 0)) || problem "$tag: curl exited with $status"
  count_connections "$tag"
}

# count_connections TAG: the connections and protocols in nginx's log since it
# was last emptied, one line per run into $work/c-TAG ("3 HTTP/1.1"). It runs
# inside the timed part, for every client alike: a few milliseconds.
count_connections() {
  awk '!seen[$1]++ { n++ } !p[$2]++ { ps = ps (ps ? "," : "") $2 }
       END { print n + 0, (ps ? ps : "-") }' "$conn_log" >>"$work/c-$1"
}
connections() {
  local all
  all=$(awk '{ print $1 }' "$work/c-$1" | tr '\n' ' ')
  printf '%s connection(s), %s; all rounds: %s' "$(tail -n 1 "$work/c-$1" | cut -d' ' -f1)" \
    "$(tail -n 1 "$work/c-$1" | cut -d' ' -f2)" "${all% }"
}

check_files() {
  local tag=$1 count=$2 n dest=$work/out-$1
  n=$(find "$dest" -name 'f*.bin' | wc -l)
  ((n == count)) || problem "$tag: $n files of $count"
  same_files "$dest" "$www" "f*.bin" 2>>"$problems" || problem "$tag: a file differs from the served one"
}

# rotate ROUNDS FA A FB B FC C: as alternate, for three; each round starts
# with the next of them.
rotate() {
  local rounds=$1 r i
  local -a files=("$2" "$4" "$6") cmds=("$3" "$5" "$7")
  : >"$2" && : >"$4" && : >"$6"
  for ((r = 0; r < rounds; r++)); do
    for i in 0 1 2; do
      timed "${files[(r + i) % 3]}" "${cmds[(r + i) % 3]}"
    done
  done
}

line() { # LABEL TIMES_FILE COUNT TAG
  local m
  m=$(median <"$2")
  printf '%-50s median %7.3f s  %7.1f files/s  %s\n' "$1" "$m" "$(calc "$3 / $m")" \
    "$(connections "$4")"
}

coproc relay { exec python3 "$here/lib/delay_relay.py" "$tls" 25 2>/dev/null; }
relay_pid=$relay_PID
read -r relay_port <&"${relay[0]}"
far=https://127.0.0.1:$relay_port/

make_list far-h2 "$far" 200
make_list far-h1 "$far" 200
far_h2() { go_files far-h2 --parallel 50; }
far_curl() { curl_files far-curl "$far" 200 --parallel --parallel-max 50; }
far_h1() { go_files far-h1 --parallel 16 --keep-alive --no-http2; }
echo "== 200 files of 10 KiB over a 50 ms round trip, HTTPS, $rounds rounds, rotating"
rotate "$rounds" "$work/t_h2" far_h2 "$work/t_curl" far_curl "$work/t_h1" far_h1
check_files far-h2 200
check_files far-curl 200
check_files far-h1 200
line "serifetch go --parallel 50 (HTTP/2)" "$work/t_h2" 200 far-h2
line "curl --parallel --parallel-max 50 (HTTP/2)" "$work/t_curl" 200 far-curl
line "serifetch go --parallel 16 --keep-alive --no-http2" "$work/t_h1" 200 far-h1
m_h2=$(median <"$work/t_h2")
printf 'time ratio serifetch / curl: %.2f (target <= 1.0)\n' "$(calc "$m_h2 / $(median <"$work/t_curl")")"
printf 'time ratio HTTP/2 / HTTP/1.1 --parallel 16: %.2f (target <= 0.4)\n' \
  "$(calc "$m_h2 / $(median <"$work/t_h1")")"
kill "$relay_pid" 2>/dev/null || true
wait "$relay_pid" 2>/dev/null || true
relay_pid=
rm -rf "$work"/out-far-*

make_list loop-go "$base" 5000
loop_go() { go_files loop-go --parallel 16; }
loop_curl() { curl_files loop-curl "$base" 5000 --parallel --parallel-max 16; }
echo "== 5,000 files of 10 KiB on loopback, HTTPS, HTTP/2, $rounds rounds, alternating"
alternate "$rounds" "$work/t_go" loop_go "$work/t_curl" loop_curl
check_files loop-go 5000
check_files loop-curl 5000
line "serifetch go --parallel 16" "$work/t_go" 5000 loop-go
line "curl --parallel --parallel-max 16" "$work/t_curl" 5000 loop-curl
printf 'time ratio serifetch / curl: %.2f (target <= 1.0)\n' \
  "$(calc "$(median <"$work/t_go") / $(median <"$work/t_curl")")"
rm -rf "$work"/out-loop-* "$work"/home-* "$work"/list-*

big=$("$here/lib/make-files.sh" --big "$www" big.bin "$big_size")
cat "$big" >/dev/null # into the page cache before the first round
get_cli() {
  local status=0
  rm -f "$work/cli.bin"
  : >"$conn_log"
  "$cli" get "${base}big.bin" --cacert "$ca" -o "$work/cli.bin" >/dev/null 2>"$work/get.err" || status=$?
  ((status == 0)) || problem "get: serifetch-cli get exited with $status: $(tail -n 1 "$work/get.err")"
  count_connections big-cli
}
get_curl() {
  local status=0
  rm -f "$work/curl.bin"
  : >"$conn_log"
  curl -s --http2 --cacert "$ca" -o "$work/curl.bin" "${base}big.bin" || status=$?
  ((status == 0)) || problem "get: curl exited with $status"
  count_connections big-curl
}
echo "== one file of $big_size on loopback, HTTPS, HTTP/2, $rounds rounds, alternating"
alternate "$rounds" "$work/t_cli" get_cli "$work/t_curl" get_curl
cmp -s "$big" "$work/cli.bin" || problem "get: serifetch-cli's copy differs from the served file"
cmp -s "$big" "$work/curl.bin" || problem "get: curl's copy differs from the served file"
rm -f "$work/cli.bin" "$work/curl.bin" "$big"
m_cli=$(median <"$work/t_cli")
m_curl=$(median <"$work/t_curl")
printf '%-50s median %7.3f s  %7.1f MB/s  %s\n' "serifetch-cli get" "$m_cli" \
  "$(calc "$big_bytes / $m_cli / 1000000")" "$(connections big-cli)"
printf '%-50s median %7.3f s  %7.1f MB/s  %s\n' "curl -o" "$m_curl" \
  "$(calc "$big_bytes / $m_curl / 1000000")" "$(connections big-curl)"
printf 'time ratio serifetch / curl: %.2f (target <= 1.1)\n' "$(calc "$m_cli / $m_curl")"

if [[ -s $problems ]]; then
  echo "== what came wrong"
  cat "$problems"
fi
