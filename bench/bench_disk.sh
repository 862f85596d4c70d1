# Sourced by the bench scripts that make many files: $work, a private folder
# under /tmp removed at exit (with `cleanup`), and BENCH_DIR, where the
# benches make their files.  As root, an ext4 file system with a journal of
# its own in a file of $work, mounted there: on a shared ext4 without one
# (these build machines) every file made skips the inodes that anybody freed
# in the last minutes, and the figures would follow the other programs.
# Users' ext4 has a journal.  Elsewhere /tmp.
work=$(mktemp -d /tmp/nimbrel-bench-XXXXXX)
disk=
cleanup() {
    [ -n "$disk" ] && umount -l "$disk"
    rm -rf "$work"
}
trap cleanup EXIT
if [ "$(id -u)" = 0 ] && command -v mkfs.ext4 >/dev/null && truncate -s 3G "$work/disk.img" &&
    mkfs.ext4 -q -F "$work/disk.img" && mkdir "$work/disk" && mount -o loop "$work/disk.img" "$work/disk"; then
    disk=$work/disk
fi
export BENCH_DIR=${disk:-/tmp}
