#!/usr/bin/env bash
# HTTPS: serifetch against curl on loopback nginx with TLS, side by side in one
# run, both trusting a CA made for the run.
#
#   bench/https_vs_curl.sh [BUILD_DIR] [ROUNDS] [BIG_SIZE]
#
# 1. One large file (default 1G): `serifetch-cli get --cacert` and
#    `curl --cacert`, alternating which goes first; median seconds, MB/s and
#    the throughput ratio (serifetch / curl, more is better; target >= 0.9).
# 2. 1,000 files of 10 KiB, one connection each: one http_many_gets_bench
#    process against one globbing `curl --http1.1 -H 'Connection: close'`;
#    files per second and the ratio (serifetch / curl, target >= 0.9).
# 3. Peak RSS of `serifetch-cli get` over HTTPS, large and small file
#    (target < 30 MB).
#
# Absolute times on a shared machine swing between runs; compare the ratios.
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
for tool in curl openssl; do
  command -v $tool >/dev/null || { echo "$tool is not installed" >&2; exit 2; }
done

. "$here/lib/servers.sh"
. "$here/lib/measure.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/serifetch-https-bench.XXXXXX")
cleanup() {
  sf_servers_stop_all || true
  rm -rf "$work"
}
trap cleanup EXIT

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
big=$("$here/lib/make-files.sh" --big "$www" big.bin "$big_size")
"$here/lib/make-files.sh" "$www" 1000 10K f bin
cat "$big" >/dev/null # into the page cache before the first round
tls=$(sf_free_port)
sf_nginx_start "$www" "listen 127.0.0.1:$tls ssl;
ssl_certificate \"$pki/server.pem\";
ssl_certificate_key \"$pki/server.key\";" >/dev/null
base=https://127.0.0.1:$tls
curl -s --cacert "$ca" -o /dev/null "$base/f0001.bin" || { echo "nginx does not answer over TLS" >&2; exit 1; }

get_cli() { "$cli" get "$base/big.bin" --cacert "$ca" -o "$work/cli.bin" >/dev/null; }
get_curl() { curl -s --cacert "$ca" -o "$work/curl.bin" "$base/big.bin"; }

echo "== one file of $big_size over HTTPS, $rounds rounds, alternating"
alternate "$rounds" "$work/t_cli" get_cli "$work/t_curl" get_curl
cmp -s "$big" "$work/cli.bin" || { echo "serifetch-cli's copy differs from the served file" >&2; exit 1; }
cmp -s "$big" "$work/curl.bin" || { echo "curl's copy differs from the served file" >&2; exit 1; }
size=$(stat -c %s "$big")
m_cli=$(median <"$work/t_cli")
m_curl=$(median <"$work/t_curl")
printf 'serifetch-cli  median %.3f s  %7.1f MB/s   (all: %s)\n' "$m_cli" \
  "$(calc "$size / $m_cli / 1000000")" "$(tr '\n' ' ' <"$work/t_cli")"
printf 'curl           median %.3f s  %7.1f MB/s   (all: %s)\n' "$m_curl" \
  "$(calc "$size / $m_curl / 1000000")" "$(tr '\n' ' ' <"$work/t_curl")"
printf 'throughput ratio serifetch-cli / curl: %.2f (target >= 0.9)\n' "$(calc "$m_curl / $m_cli")"

rm -f "$work/cli.bin" "$work/curl.bin"
rss_big=$(/usr/bin/time -f %M "$cli" get "$base/big.bin" --cacert "$ca" -o "$work/cli.bin" 2>&1 >/dev/null | tail -1)
rss_small=$(/usr/bin/time -f %M "$cli" get "$base/f0001.bin" --cacert "$ca" -o "$work/small.bin" 2>&1 >/dev/null | tail -1)
rm -f "$work/cli.bin"

echo "== 1,000 files of 10 KiB over HTTPS, one connection each, $rounds rounds, alternating"
many_cli() {
  rm -rf "$work/many" && mkdir "$work/many"
  "$many" "$base/f" 1000 4 .bin "$work/many" "$ca" >/dev/null
}
many_curl() {
  rm -rf "$work/many" && mkdir "$work/many"
  curl --http1.1 -H 'Connection: close' -s --cacert "$ca" "$base/f[0001-1000].bin" -o "$work/many/f#1.bin"
}
alternate "$rounds" "$work/m_cli" many_cli "$work/m_curl" many_curl
many_cli
same_files "$www" "$work/many" "f????.bin" || exit 1
m_cli=$(median <"$work/m_cli")
m_curl=$(median <"$work/m_curl")
printf 'serifetch (one process)       median %.3f s  %6.0f files/s\n' "$m_cli" "$(calc "1000 / $m_cli")"
printf 'curl --http1.1, close (glob)  median %.3f s  %6.0f files/s\n' "$m_curl" "$(calc "1000 / $m_curl")"
printf 'files per second ratio serifetch / curl: %.2f (target >= 0.9)\n' "$(calc "$m_curl / $m_cli")"

echo "== peak RSS of serifetch-cli get over HTTPS"
printf 'peak RSS serifetch-cli: %.1f MB for %s, %.1f MB for 10 KiB (target < 30 MB)\n' \
  "$(calc "$rss_big / 1024")" "$big_size" "$(calc "$rss_small / 1024")"
