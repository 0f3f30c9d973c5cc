#!/usr/bin/env bash
# tolvane-list on a tree with parts an unprivileged user cannot read: the listing holds
# every readable file, one message per unreadable part, exit status 1; and a process with
# 16 descriptors lists the whole tree. Usage: unreadable_parts_test.sh TOLVANE_LIST
set -euo pipefail
program=$1
scratch=$(mktemp -d)
trap 'chmod -R u+rwx "$scratch" 2>/dev/null; rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
tree=$scratch/T
for folder in A/sub B C D E; do
  mkdir -p "$tree/$folder"
  echo x > "$tree/$folder/f1"
done
echo x > "$tree/f1"
echo x > "$tree/E/f2"
for i in $(seq 1 40); do mkdir -p "$tree/W/w$i/v"; echo x > "$tree/W/w$i/v/f"; done
chmod 777 "$scratch"

list() {  # list AS OUTPUT [prefix...]: runs tolvane-list, prints its exit status
  local output=$1; shift
  set +e
  "$@" "$program" -q -o "$output" "$tree" 2> "$output.err"
  echo $?
  set -e
}
names() { cut -f5,1 "$1" | tail -n +2 | sort; }

[ "$(list "$scratch/whole.txt")" = 0 ]

# Run as nobody where root's rights would hide the failures: C cannot be read at all, E
# (mode 644) can be read but not entered.
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null; then
  as_nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups)
elif [ "$(id -u)" -ne 0 ]; then
  as_nobody=()
else
  echo "skipped the unprivileged part: no setpriv"; as_nobody=(skip)
fi
if [ "${as_nobody[0]:-}" != skip ]; then
  chmod 000 "$tree/C"
  chmod 644 "$tree/E"
  status=$(list "$scratch/part.txt" "${as_nobody[@]}")
  chmod 755 "$tree/C" "$tree/E"
  [ "$status" = 1 ] || { echo "exit status $status, not 1"; exit 1; }
  diff <(names "$scratch/whole.txt" | grep -v -E "/T/(C|E)$") <(names "$scratch/part.txt")
  # One message for C, one for each entry of E.
  [ "$(grep -c '^Error in ListDirectory' "$scratch/part.txt.err")" = 3 ] ||
    { cat "$scratch/part.txt.err"; exit 1; }
fi

# Out of descriptors is no failure: the whole tree, exit status 0.
status=$(list "$scratch/few.txt" bash -c 'ulimit -n 16; exec "$@"' -)
[ "$status" = 0 ] || { echo "with 16 descriptors: exit status $status"; cat "$scratch/few.txt.err"; exit 1; }
diff <(names "$scratch/whole.txt") <(names "$scratch/few.txt")
echo "unreadable parts: 3 passed, 0 failed"
