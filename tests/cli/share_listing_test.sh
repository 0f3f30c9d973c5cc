#!/usr/bin/env bash
# A listing made through a share that answers late and caches nothing (bench/slow_share)
# equals the listing of the same tree read directly, the Directory field aside: names, sizes,
# times, attributes and order, also for a folder whose reading takes several requests.
#   share_listing_test.sh TOLVANE_LIST SLOW_SHARE
# Exits 77 (CTest's skip) where FUSE cannot be used here.
set -euo pipefail
program="$1"
slow_share="$2"

skip() {
  echo "SKIPPED: $*"
  exit 77
}
if [ -z "$slow_share" ] || [ ! -x "$slow_share" ]; then
  skip "bench/slow_share is not built (no libfuse3)"
fi
[ -e /dev/fuse ] || skip "no /dev/fuse"
command -v fusermount3 >/dev/null || skip "no fusermount3"

scratch=$(mktemp -d)
share="$scratch/share"
mounted=""
# Every way out unmounts (lazily where something still holds the mount), and the removal
# never reaches into a mount that is left.
cleanup() {
  if [ -n "$mounted" ]; then
    fusermount3 -u "$mounted" 2>/dev/null || fusermount3 -u -z "$mounted" 2>/dev/null || true
  fi
  rm -rf --one-file-system "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

tree="$scratch/tree"
mkdir -p "$tree/sub dir/nested" "$tree/.hidden dir" "$tree/empty" "$tree/many" "$share"
printf abc >"$tree/a b.txt"
printf 12345 >"$tree/.hidden"
printf 'read only' >"$tree/Read Only.TXT"
chmod 444 "$tree/Read Only.TXT"
long=$(printf 'n%.0s' $(seq 250))
for name in "ünï cødé.txt" "-dash" 'back\slash' 'star*?.x' "trailing." "noext" "%percent%" \
            "alpha" "_x" "UPPER.JPG" "$long.txt" "sub dir/nested/deep.c" ".hidden dir/inside.md"; do
  printf '%s' "$name" >"$tree/$name"
done
ln -s "a b.txt" "$tree/link to a file"
ln -s "nowhere" "$tree/dangling"
ln -s "sub dir" "$tree/link to a folder"
# 600 names of 200 bytes, more than one reading request holds (the kernel's buffer follows
# the reader's, up to 128 KiB), ten to a time a second apart.
padding=$(printf 'p%.0s' $(seq 180))
for i in $(seq 0 10 599); do
  names=()
  for j in $(seq "$i" $((i + 9))); do names+=("$tree/many/file $j $padding.dat"); done
  touch -d "@$((1500000000 + i))" "${names[@]}"
done
touch -d "2001-02-03 04:05:06" "$tree/noext" "$tree/sub dir/nested/deep.c"
expected_files=$((18 + 600))

mounted="$share"
if ! "$slow_share" --delay-us 50 "$tree" "$share" 2>"$scratch/mount.err"; then
  mounted=""
  if grep -qiE "permission denied|not permitted|failed to open /dev/fuse" "$scratch/mount.err"; then
    skip "FUSE cannot mount here: $(head -n 1 "$scratch/mount.err")"
  fi
  echo "slow_share failed: $(cat "$scratch/mount.err")"
  exit 1
fi
mountpoint -q "$share" || { echo "slow_share returned with nothing mounted"; exit 1; }

list() {
  LC_ALL=C XDG_CONFIG_HOME="$scratch/config" timeout 60 "$program" -q -o "$2" "$1"
}
list "$tree" "$scratch/direct.txt"
list "$share" "$scratch/share.txt"

# The Directory field names the folder each way; the share's must name the mount.
without_directory() { awk -F '\t' -v OFS='\t' '{ $5 = ""; print }' "$1"; }
if [ "$(grep -cF "	$share" "$scratch/share.txt")" != "$expected_files" ] ||
   [ "$(wc -l <"$scratch/direct.txt")" != $((expected_files + 1)) ]; then
  echo "expected $expected_files files each way:"
  cat "$scratch/direct.txt" "$scratch/share.txt"
  exit 1
fi
if ! diff <(without_directory "$scratch/direct.txt") <(without_directory "$scratch/share.txt"); then
  echo "the listing through the share differs from the direct one (< direct, > share)"
  exit 1
fi
echo "$expected_files files listed alike through the share and directly"
