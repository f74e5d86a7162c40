#!/usr/bin/env bash
# Makes the files the benchmarks download.
#
#   make-files.sh DIR COUNT SIZE [PREFIX] [EXT]
#       COUNT files DIR/PREFIX0001.EXT ... of SIZE bytes each (defaults: f, bin;
#       four digits, more when COUNT needs them). Random bytes, and each file
#       starts with its own name, so that a mixed-up or shifted copy does not
#       compare equal.
#   make-files.sh --big DIR NAME SIZE
#       One large file made in a moment: sparse, with 1 MiB of random bytes at
#       its start and at its end, so that a truncated copy is caught too.
#
# SIZE takes a K, M or G suffix (powers of 1024): 100K, 1G. Quiet on success,
# except that --big prints the path it made.
set -euo pipefail

usage() {
  sed -n '4,14p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

bytes() {
  local n=$1 mult=1
  case $n in
    *[kK]) mult=1024 n=${n%?} ;;
    *[mM]) mult=$((1024 * 1024)) n=${n%?} ;;
    *[gG]) mult=$((1024 * 1024 * 1024)) n=${n%?} ;;
  esac
  [[ $n =~ ^[0-9]+$ ]] || { echo "make-files.sh: not a size: $1" >&2; exit 2; }
  echo $((n * mult))
}

if [[ ${1:-} == --big ]]; then
  (($# == 4)) || usage
  dir=$2 name=$3
  size=$(bytes "$4")
  mkdir -p "$dir"
  path="$dir/$name"
  rm -f "$path"
  truncate -s "$size" "$path"
  mib=$((1024 * 1024))
  edge=$((size < mib ? size : mib))
  if ((edge > 0)); then
    head -c "$edge" /dev/urandom | dd of="$path" conv=notrunc status=none
    head -c "$edge" /dev/urandom | dd of="$path" conv=notrunc status=none \
      oflag=seek_bytes seek=$((size - edge))
  fi
  echo "$path"
  exit 0
fi

(($# >= 3 && $# <= 5)) || usage
dir=$1 count=$2
size=$(bytes "$3")
prefix=${4:-f} ext=${5:-bin}
[[ $count =~ ^[0-9]+$ ]] || { echo "make-files.sh: not a count: $count" >&2; exit 2; }
mkdir -p "$dir"
width=${#count}
((width < 4)) && width=4

# One random block, stamped per file in a single process: a thousand files
# take a fraction of a second instead of a thousand `head` runs.
head -c "$size" /dev/urandom |
  perl -e '
    my ($dir, $count, $width, $prefix, $ext, $size) = @ARGV;
    binmode STDIN;
    local $/;
    my $block = <STDIN> // "";
    die "make-files.sh: short read from /dev/urandom\n" if length($block) != $size;
    for my $i (1 .. $count) {
        my $name = sprintf("%s%0*d.%s", $prefix, $width, $i, $ext);
        my $data = $block;
        my $stamp = substr("$name\n", 0, $size);
        substr($data, 0, length $stamp) = $stamp;
        open(my $out, ">:raw", "$dir/$name") or die "make-files.sh: $dir/$name: $!\n";
        print $out $data or die "make-files.sh: $dir/$name: $!\n";
        close $out or die "make-files.sh: $dir/$name: $!\n";
    }' "$dir" "$count" "$width" "$prefix" "$ext" "$size"
