# Timing helpers shared by the comparison scripts; source it.
#
#   timed FILE cmd...          run cmd, append its wall seconds to FILE
#   alternate ROUNDS FA A FB B run A and B ROUNDS times each, swapping which
#                              goes first every round, timings into FA and FB
#   median < numbers           the median of one number per line
#   calc EXPR                  evaluate an arithmetic expression (awk)
#   same_files DIR_A DIR_B GLOB  fail loudly when a file of DIR_A differs in DIR_B

now() { date +%s.%N; }
calc() { awk "BEGIN { print $1 }"; }
median() { sort -g | awk '{ v[NR] = $1 } END { m = int((NR + 1) / 2); print (NR % 2) ? v[m] : (v[m] + v[m + 1]) / 2 }'; }

timed() {
  local out=$1 t0 t1
  shift
  t0=$(now)
  "$@"
  t1=$(now)
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f\n", b - a }' >>"$out"
}

# Alternating the order cancels the advantage of going second (warm caches,
# a server that has just woken up).
alternate() {
  local rounds=$1 fa=$2 a=$3 fb=$4 b=$5 r
  : >"$fa" && : >"$fb"
  for ((r = 1; r <= rounds; r++)); do
    if ((r % 2)); then
      timed "$fa" "$a"
      timed "$fb" "$b"
    else
      timed "$fb" "$b"
      timed "$fa" "$a"
    fi
  done
}

same_files() {
  local f
  for f in "$1"/$3; do
    cmp -s "$f" "$2/${f##*/}" || { echo "${f##*/} differs" >&2; return 1; }
  done
}
