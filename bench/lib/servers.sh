# shellcheck shell=bash
# Real nginx, tinyproxy and squid for the benchmark scripts, each on a free
# port of 127.0.0.1, from its own folder (config, logs, pid file), run in the
# foreground as a child in its own process group, and stopped by PID.
#
#   . bench/lib/servers.sh
#   trap sf_servers_stop_all EXIT                  # nothing outlives the script
#   web=$(sf_nginx_start /path/to/files)          # prints the port
#   proxy=$(sf_squid_start)                       # or sf_tinyproxy_start
#   curl -x "http://127.0.0.1:$proxy" "http://127.0.0.1:$web/f0001.bin"
#   sf_server_stop "$proxy"; sf_server_stop "$web"  # or sf_servers_stop_all
#
# A start prints the port on stdout and returns 0, or prints the reason and the
# server's log on stderr and returns 1. Servers live in $SF_SERVERS_DIR (one
# folder per port), a fresh folder per sourcing shell unless set beforehand.
#
# As root: nginx runs its worker as root (so it reads any document root),
# tinyproxy stays root, squid (which refuses root) switches to the user
# 'proxy' and gets its folder handed over.
#
# Replies through either proxy carry an HTTP/1.1 status line. tinyproxy closes
# the client connection after each reply; squid keeps it for an HTTP/1.0 client
# that sent "Proxy-Connection: Keep-Alive". An unreachable origin gives 500 from
# tinyproxy and 503 from squid.

: "${SF_SERVERS_DIR:=${TMPDIR:-/tmp}/serifetch-servers.$$}"

sf__root() {
  if [[ ! -d $SF_SERVERS_DIR ]]; then
    mkdir -p "$SF_SERVERS_DIR" || return 1
    # Squid, running as 'proxy', must reach its folder below this one.
    chmod 755 "$SF_SERVERS_DIR"
  fi
  printf '%s\n' "$SF_SERVERS_DIR"
}

sf__program() {
  local p
  p=$(PATH="$PATH:/usr/sbin:/sbin" command -v "$1") || {
    echo "servers.sh: $1 is not installed (scripts/install-deps installs it)" >&2
    return 1
  }
  printf '%s\n' "$p"
}

# A port on 127.0.0.1 that was free a moment ago: bound with port 0, released.
sf_free_port() {
  perl -MIO::Socket::INET -e '
    my $s = IO::Socket::INET->new(LocalAddr => "127.0.0.1", LocalPort => 0,
                                  Proto => "tcp", Listen => 1) or die "no free port: $!\n";
    print $s->sockport, "\n";'
}

# Whether 127.0.0.1:PORT accepts a connection right now.
sf__accepts() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

# Whether PID still runs; a zombie nobody reaps counts as gone.
sf__alive() {
  local state
  [[ -r /proc/$1/stat ]] || return 1
  state=$(cut -d' ' -f3 <"/proc/$1/stat" 2>/dev/null) || return 1
  [[ -n $state && $state != Z ]]
}

sf__now_ms() { local t=${EPOCHREALTIME/./}; echo $((t / 1000)); }

sf__logs() {
  local dir=$1 f
  for f in "$dir"/*.log; do
    [[ -s $f ]] || continue
    echo "--- ${f##*/} ---"
    tail -n 20 "$f"
  done
}

# sf__start KIND GRACE_MS READY_MS WRITER [ARGS...]: WRITER DIR PORT ARGS...
# writes the config into DIR and sets SF__CMD to the command line. Retries on a
# fresh port when the server exits before it is ready (its port was taken).
sf__start() {
  local kind=$1 grace=$2 ready=$3 writer=$4
  shift 4
  local root try port dir pid deadline
  root=$(sf__root) || return 1
  for try in 1 2 3; do
    port=$(sf_free_port) || return 1
    dir="$root/$port"
    rm -rf "$dir" && mkdir -p "$dir" || return 1
    SF__CMD=()
    "$writer" "$dir" "$port" "$@" || return 1
    printf '%s\n' "$kind" >"$dir/kind"
    printf '%s\n' "$grace" >"$dir/grace"
    # perl makes the server the leader of its own process group without a
    # fork, so that $! is the server itself and its workers share its group.
    perl -e 'setpgrp(0, 0); exec { $ARGV[0] } @ARGV or die "cannot run $ARGV[0]: $!\n"' \
      "${SF__CMD[@]}" </dev/null >"$dir/output.log" 2>&1 &
    pid=$!
    printf '%s\n' "$pid" >"$dir/child.pid"
    deadline=$(($(sf__now_ms) + ready))
    while sf__alive "$pid"; do
      if sf__accepts "$port"; then
        printf '%s\n' "$port"
        return 0
      fi
      if (($(sf__now_ms) > deadline)); then
        echo "servers.sh: $kind did not accept connections on port $port within $ready ms" >&2
        sf__logs "$dir" >&2
        sf_server_stop "$port"
        return 1
      fi
      sleep 0.02
    done
    if ((try == 3)); then
      echo "servers.sh: $kind exited before it accepted connections on port $port" >&2
      sf__logs "$dir" >&2
    fi
    rm -rf "$dir"
  done
  return 1
}

# The configs are the tests' own (tests/support/conf), so the benchmarks run
# the same servers.
SF__CONF_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../tests/support/conf" && pwd)

# sf__fill TEMPLATE OUTPUT KEY=VALUE...: the template with every @KEY@ replaced.
sf__fill() {
  local template=$1 out=$2 pair text restore
  shift 2
  text=$(<"$SF__CONF_DIR/$template") || return 1
  # Bash 5.2 would otherwise read "&" in a replacement as the matched text.
  restore=$(shopt -p patsub_replacement 2>/dev/null)
  shopt -u patsub_replacement 2>/dev/null
  for pair in "$@"; do
    text=${text//"@${pair%%=*}@"/"${pair#*=}"}
  done
  eval "$restore"
  printf '%s\n' "$text" >"$out"
}

sf__nginx_config() {
  local dir=$1 port=$2 root=$3 extra=${4:-} program user=
  program=$(sf__program nginx) || return 1
  [[ $(id -u) -eq 0 ]] && user='user root;'
  sf__fill nginx.conf "$dir/nginx.conf" "USER=$user" "MAIN=" "DIR=$dir" "PORT=$port" \
    "ROOT=$root" "SERVER=$extra" || return 1
  SF__CMD=("$program" -p "$dir/" -e "$dir/error.log" -c "$dir/nginx.conf" -g 'daemon off;')
}

sf__tinyproxy_config() {
  local dir=$1 port=$2 program
  program=$(sf__program tinyproxy) || return 1
  sf__fill tinyproxy.conf "$dir/tinyproxy.conf" "DIR=$dir" "PORT=$port" || return 1
  SF__CMD=("$program" -d -c "$dir/tinyproxy.conf")
}

sf__squid_config() {
  local dir=$1 port=$2 program run_as=
  program=$(sf__program squid) || return 1
  # Squid names its shared-memory segments after the service name.
  printf 'sfbench%s\n' "$port" >"$dir/service"
  if [[ $(id -u) -eq 0 ]]; then
    run_as=$'cache_effective_user proxy\ncache_effective_group proxy'
    chown proxy:proxy "$dir" || return 1
  fi
  sf__fill squid.conf "$dir/squid.conf" "DIR=$dir" "PORT=$port" "RUN_AS=$run_as" || return 1
  SF__CMD=("$program" -N -n "sfbench$port" -f "$dir/squid.conf")
}

# sf_nginx_start DOCROOT [EXTRA_SERVER_CONFIG]: nginx serving DOCROOT; the
# extra lines go inside its server block. Prints the port.
sf_nginx_start() {
  local root
  root=$(realpath -- "${1:?usage: sf_nginx_start DOCROOT [EXTRA_SERVER_CONFIG]}") || return 1
  sf__start nginx 5000 10000 sf__nginx_config "$root" "${2:-}"
}

# sf_tinyproxy_start: tinyproxy for clients on 127.0.0.1, to any port. Prints the port.
sf_tinyproxy_start() { sf__start tinyproxy 5000 10000 sf__tinyproxy_config; }

# sf_squid_start: squid without a cache, for 127.0.0.1 to 127.0.0.0/8. Its
# orderly shutdown takes about 2 s for nothing worth saving, so it is killed
# after a short grace. Prints the port.
sf_squid_start() { sf__start squid 300 15000 sf__squid_config; }

# sf_server_pid PORT: the PID of the server started on PORT.
sf_server_pid() { cat "$SF_SERVERS_DIR/$1/child.pid" 2>/dev/null; }

# sf_server_dir PORT: the folder with its config and logs.
sf_server_dir() { printf '%s\n' "$SF_SERVERS_DIR/$1"; }

# sf_server_stop PORT: SIGTERM, SIGKILL to its process group after the grace,
# then removes its folder (and a killed squid's shared memory).
sf_server_stop() {
  local port=${1:?usage: sf_server_stop PORT} dir pid grace deadline service
  dir="$SF_SERVERS_DIR/$port"
  pid=$(cat "$dir/child.pid" 2>/dev/null) || return 0
  grace=$(cat "$dir/grace" 2>/dev/null || echo 5000)
  if sf__alive "$pid"; then
    kill -TERM "$pid" 2>/dev/null
    deadline=$(($(sf__now_ms) + grace))
    while sf__alive "$pid" && (($(sf__now_ms) <= deadline)); do
      sleep 0.02
    done
  fi
  kill -KILL -- "-$pid" 2>/dev/null
  deadline=$(($(sf__now_ms) + 5000))
  while sf__alive "$pid" && (($(sf__now_ms) <= deadline)); do
    sleep 0.02
  done
  if [[ -f $dir/service ]]; then
    service=$(cat "$dir/service")
    rm -f /dev/shm/"$service"-*
  fi
  rm -rf "$dir"
}

# sf_servers_stop_all: stops every server started from this shell's folder.
sf_servers_stop_all() {
  local d
  [[ -d $SF_SERVERS_DIR ]] || return 0
  for d in "$SF_SERVERS_DIR"/*/; do
    [[ -f $d/child.pid ]] && sf_server_stop "$(basename "$d")"
  done
  rmdir "$SF_SERVERS_DIR" 2>/dev/null
  return 0
}
