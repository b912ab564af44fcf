#!/usr/bin/env bash
# The fresh-machine check's dry run: the steps it would take, in an order that works
# and cleans up, without running any of them. Also its one-line refusal without root.
set -u
script="$1"
fail() { echo "FAIL: $*"; echo "--- output:"; echo "$out"; exit 1; }

out=$(FRESH_CHECK_DIR=/nonexistent "$script" --dry-run 2>&1) || fail "the dry run exited non-zero"
[ -e /nonexistent ] && fail "the dry run made its folder"

# Line number of the first line matching a pattern (0 when none).
at() { echo "$out" | grep -n -m1 -E -- "$1" | cut -d: -f1 | grep . || echo 0; }
boot=$(at '^debootstrap --variant=minbase bookworm /nonexistent/toneglass-fresh\.[^ ]*/root [a-z]+://')
proc=$(at '^mount -t proc proc [^ ]*/root/proc$')
dev=$(at '^mount -t tmpfs .* [^ ]*/root/dev$')
pts=$(at '^mount -t devpts .*newinstance.* [^ ]*/root/dev/pts$')
shm=$(at '^mount -t tmpfs .* [^ ]*/root/dev/shm$')
tmp=$(at '^mount -t tmpfs .* [^ ]*/root/tmp$')
null=$(at '^mknod -m 666 [^ ]*/root/dev/null c 1 3$')
clone=$(at '^git clone .* [^ ]*/root/root/toneglass$')
demo=$(at '^chroot [^ ]*/root .*cd\\ /root/toneglass\\ \\&\\&\\ scripts/demo$')
test=$(at '^chroot [^ ]*/root .*cd\\ /root/toneglass\\ \\&\\&\\ scripts/test$')
package=$(at '^chroot [^ ]*/root .*cd\\ /root/toneglass\\ \\&\\&\\ scripts/package$')
# The package goes onto a copy of the root made before anything was built in it.
copy=$(at '^cp -a [^ ]*/root [^ ]*/bare$')
bareproc=$(at '^mount -t proc proc [^ ]*/bare/proc$')
deb=$(at '^cp [^ ]*/root/root/toneglass/build-package/package/toneglass_[^ ]*\.deb [^ ]*/bare/root/toneglass/$')
install=$(at '^chroot [^ ]*/bare .*fresh-check-package\\ toneglass_')
unbare=$(at '^umount [^ ]*/bare/proc$')
untmp=$(at '^umount [^ ]*/root/tmp$')
unpts=$(at '^umount [^ ]*/root/dev/pts$')
undev=$(at '^umount [^ ]*/root/dev$')
unproc=$(at '^umount [^ ]*/root/proc$')
rm=$(at '^rm -rf --one-file-system /nonexistent/toneglass-fresh')
for step in boot copy proc dev pts shm tmp null clone demo test package bareproc deb install unbare untmp unpts undev \
  unproc rm; do
  [ "${!step}" -gt 0 ] || fail "no '$step' step"
done
order=(boot copy proc dev null pts shm tmp clone demo test package bareproc deb install unbare untmp unpts undev unproc rm)
for ((i = 1; i < ${#order[@]}; i++)); do
  a=${order[i - 1]} b=${order[i]}
  [ "${!a}" -lt "${!b}" ] || fail "'$a' should come before '$b'"
done
[ "$(echo "$out" | grep -c '^mount ')" -eq "$(echo "$out" | grep -c '^umount ')" ] ||
  fail "every mount is undone"

# Without root it says so in one line and lets CI go on.
# A copy that the unprivileged user can reach (a clone under /root is private).
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null; then
  copy=$(mktemp -d)
  mkdir "$copy/scripts" && cp "$script" "$copy/scripts/fresh-check" && chmod -R a+rX "$copy"
  out=$(cd / && setpriv --reuid=65534 --regid=65534 --clear-groups "$copy/scripts/fresh-check" 2>&1)
  rc=$?
  rm -rf "$copy"
  [ $rc -eq 0 ] || fail "without root it exited $rc"
  [ "$(echo "$out" | wc -l)" -eq 1 ] || fail "without root it said more than one line"
  echo "$out" | grep -q '^fresh-check: cannot run here: needs root' || fail "without root: no reason given"
fi
echo "1 passed, 0 failed"
