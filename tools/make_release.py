#!/usr/bin/env python3
"""Turns a folder into a web release of Nimbrel, as a download server holds it.

    make_release.py SOURCE WEBROOT --release NAME [options]

SOURCE holds the release's top folder's contents.  WEBROOT receives:

  serverlist9.txt                       the server list (one row per --server)
  PREFIX/NAME/directory.txt.zip         the zipped manifest of the release
  PREFIX/NAME/TOP/path/file.ext.zip     one zip per file, holding the file
                                        under its own name

With --dvd-disks N it writes a set of N install DVDs instead:

  WEBROOT/diskK/dvd_version.txt          names the release (K = 1 .. N)
  WEBROOT/diskK/NAME/directory.txt.zip   the manifest, the same on every disk
  WEBROOT/diskK/NAME/TOP/path/file.zip   the files the manifest puts on disk K,
                                         ".7z" (LZMA with BCJ2) for global scenery

The simulator goes on the first disk and the global-scenery tiles, sector by
sector, on the others, so that each carries about as much.

PREFIX is the path of the first server row.  Manifest paths are TOP (--top)
followed by the file's path below SOURCE; sizes are kilobytes rounded up,
signatures lower-case MD5.  --previous takes the manifest of an earlier
release: files it lists that SOURCE no longer holds get a "GONE" line after
their last version, so an update deletes them, and files SOURCE changed
keep their earlier versions before the current one, so an update tells an
older version from a file the user changed; --gone adds "GONE" lines by
hand.
"""

import argparse
import hashlib
import io
import os
import struct
import subprocess
import sys
import zlib

# Every entry is dated 2024-01-01 00:00, so a release made twice is the same.
ZIP_DOS_DATE = (2024 - 1980) << 9 | 1 << 5 | 1
ZIP_DOS_TIME = 0
ZIP32_MAX = 0xFFFFFFFF


def kilobytes(size):
    return (size + 1023) // 1024


def md5_of(path):
    digest = hashlib.md5()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def refuse_entry(what):
    sys.exit("make_release: %s is too large for a zip entry without zip64 fields (4 GiB - 1 bytes at most)" % what)


def zip_one(archive, member_name, source=None, data=None, level=6):
    """Deflates the file `source` (or the bytes `data`) into `archive` as its
    one entry `member_name`.

    Written here rather than with zipfile, which gives every entry over
    2 GiB zip64 fields.  The installer reads a zip64 size or offset only
    where its value fits in 32 bits, as the minizip it reads with takes no
    other, so sizes and offsets stay in their 32-bit fields here, as the zip
    command writes them up to 4 GiB - 1: every file the installer can read
    is released, and a larger one is refused here rather than on a user's
    machine."""
    what = source or member_name
    if (os.path.getsize(source) if source is not None else len(data)) > ZIP32_MAX:
        refuse_entry(what)
    os.makedirs(os.path.dirname(archive), exist_ok=True)
    name = member_name.encode()
    flags = 0 if member_name.isascii() else 0x800  # the name is UTF-8
    mode = os.stat(source).st_mode & 0o777 if source is not None else 0o644
    deflate = zlib.compressobj(level, zlib.DEFLATED, -15)
    crc = size = 0
    with open(archive, "wb") as out:
        out.write(bytes(30 + len(name)))  # the local header, once the sizes are known
        with open(source, "rb") if source is not None else io.BytesIO(data) as src:
            for block in iter(lambda: src.read(1 << 20), b""):
                crc = zlib.crc32(block, crc)
                size += len(block)
                out.write(deflate.compress(block))
        out.write(deflate.flush())
        central = out.tell()
        # A file that grew meanwhile, or one that deflate could not shrink.
        if size > ZIP32_MAX or central > ZIP32_MAX:
            out.close()
            os.unlink(archive)
            refuse_entry(what)
        fields = (20, flags, 8, ZIP_DOS_TIME, ZIP_DOS_DATE, crc, central - 30 - len(name), size, len(name), 0)
        out.write(struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 0x0314, *fields, 0, 0, 0, mode << 16, 0) + name)
        out.write(struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 1, 1, out.tell() - central, central, 0))
        out.seek(0)
        out.write(struct.pack("<IHHHHHIIIHH", 0x04034B50, *fields) + name)


def source_files(source):
    """Relative paths of every regular file below SOURCE, in byte order."""
    found = []
    for folder, dirs, files in os.walk(source):
        dirs.sort()
        for name in files:
            full = os.path.join(folder, name)
            if os.path.isfile(full) and not os.path.islink(full):
                found.append(os.path.relpath(full, source).replace(os.sep, "/"))
    return sorted(found, key=lambda p: p.encode())


# -- Install DVDs ---

DVD_VERSION = "I\n900 version\nDVD\n\nVERSION %s\n"


def is_scenery(path):
    return "Global Scenery" in path


def sector_of(path):
    """The 10-degree sector of a tile named like "+40-074.dsf", as the
    installer reads it (bands truncated toward zero); None for other names."""
    name = path.rsplit("/", 1)[-1]
    try:
        lat, lon = int(name[0:3]), int(name[3:7])
    except ValueError:
        return None
    return int((lon + 180) / 10), int((lat + 90) / 10)


def seven_zip(source, archive):
    """The file alone, under its own name, in a 7z archive with the x86
    filter the installer's releases use."""
    os.makedirs(os.path.dirname(archive), exist_ok=True)
    if os.path.exists(archive):
        os.unlink(archive)
    subprocess.run(["7zz", "a", "-t7z", "-bso0", "-bsp0",
                    "-m0=BCJ2", "-m1=LZMA:d25", "-m2=LZMA:d19", "-m3=LZMA:d19",
                    "-mb0:1", "-mb0s1:2", "-mb0s2:3", "--", os.path.abspath(archive), os.path.basename(source)],
                   cwd=os.path.dirname(source), check=True)


def dvd_disks(source, files, disks, disk_of=()):
    """[(disk, rel)] in manifest order: the simulator on disk 0, the tiles by
    sector on disks 1 .. disks-1 in shares of about equal size; files below
    a prefix of `disk_of` on the disk it names (counted from 1)."""
    sim = [rel for rel in files if not is_scenery(rel)]
    tiles = sorted((rel for rel in files if is_scenery(rel)),
                   key=lambda rel: (sector_of(rel) or (99, 99), rel.encode()))
    if disks < 2:
        return with_disks_of([(0, rel) for rel in sim + tiles], disk_of)
    sectors = []
    for rel in tiles:
        key = sector_of(rel) or rel
        if not sectors or sectors[-1][0] != key:
            sectors.append((key, []))
        sectors[-1][1].append(rel)
    total = sum(os.path.getsize(os.path.join(source, rel)) for rel in tiles) or 1
    placed, before = [(0, rel) for rel in sim], 0
    for _, members in sectors:
        disk = 1 + min(disks - 2, before * (disks - 1) // total)
        placed += [(disk, rel) for rel in members]
        before += sum(os.path.getsize(os.path.join(source, rel)) for rel in members)
    return with_disks_of(placed, disk_of)


def with_disks_of(placed, disk_of):
    """The files below a prefix moved to the disk it names, the manifest
    kept in disk order."""
    def disk(entry):
        for prefix, number in disk_of:
            if entry[1].startswith(prefix.strip("/") + "/"):
                return int(number) - 1
        return entry[0]
    return sorted(((disk(entry), entry[1]) for entry in placed), key=lambda entry: entry[0])


def write_dvd_set(args):
    disks = args.dvd_disks
    lines = []
    last_disk = None
    for disk, rel in dvd_disks(args.source, source_files(args.source), disks, args.dvd_disk_of):
        full = os.path.join(args.source, rel)
        path = args.top + "/" + rel
        archive = os.path.join(args.webroot, "disk%d" % (disk + 1), args.release, path)
        if is_scenery(path):
            archive += ".7z"
            seven_zip(full, archive)
        else:
            archive += ".zip"
            zip_one(archive, os.path.basename(rel), source=full, level=args.level)
        if disk != last_disk:
            lines.append("DISK %d" % disk)
            last_disk = disk
        lines.append("FILE 1 %d 0 %d %d %s %s" % (platform_of(args, rel), kilobytes(os.path.getsize(archive)),
                                                  kilobytes(os.path.getsize(full)), md5_of(full), path))
    manifest = "I\n900 version\nINSTALLER\n\n" + "".join(line + "\n" for line in lines)
    for disk in range(disks):
        folder = os.path.join(args.webroot, "disk%d" % (disk + 1))
        zip_one(os.path.join(folder, args.release, "directory.txt.zip"), "directory.txt", data=manifest.encode())
        with open(os.path.join(folder, "dvd_version.txt"), "w", encoding="utf-8") as f:
            f.write(DVD_VERSION % args.release)
        why = why_installer_refuses(folder)
        if why:
            print("make_release: the installer will not take %s for a DVD: %s" % (folder, why), file=sys.stderr)
    return 0


def group_is_users_alone(gid, me):
    """Whether the group has no member but the user `me` (a uid): no other
    account has it as its primary group, and its member list names no one
    else; the installer's rule, as Debian's OpenSSH judges a home."""
    import grp
    import pwd
    try:
        members = grp.getgrgid(gid).gr_mem
    except KeyError:
        return False
    try:
        name = pwd.getpwuid(me).pw_name
    except KeyError:
        name = None
    return all(member == name for member in members) and \
        all(entry.pw_uid == me for entry in pwd.getpwall() if entry.pw_gid == gid)


def why_installer_refuses(disk):
    """Why the installer would refuse the disk folder `disk` as it finds
    it on a file system that records owners and modes (not one read-only
    as a whole): every folder from the root down, and its version file, is
    the running user's or root's, and no one else may write it but where a
    sticky folder lies on the way; None when it would take it."""
    import stat
    me = os.geteuid()
    path = os.path.realpath(disk)
    parts = [p for p in path.split("/") if p]
    places = ["/" + "/".join(parts[:i]) for i in range(len(parts) + 1)] + [os.path.join(path, "dvd_version.txt")]
    for i, place in enumerate(places):
        st = os.lstat(place)
        if st.st_uid not in (0, me):
            return "%s belongs to user %d" % (place, st.st_uid)
        others = st.st_mode & stat.S_IWOTH or (st.st_mode & stat.S_IWGRP and not group_is_users_alone(st.st_gid, me))
        sticky_on_the_way = st.st_mode & stat.S_ISVTX and i + 2 < len(places)
        if others and not sticky_on_the_way:
            return "%s may be written by others (its group's other members or anyone)" % place
    return None


def platform_of(args, rel):
    platform = args.platform
    for prefix, number in args.platform_of:
        if rel.startswith(prefix.strip("/") + "/"):
            platform = int(number)
    return platform


def previous_histories(manifest):
    """path -> list of FILE lines of an earlier manifest, in order."""
    histories = {}
    with open(manifest, encoding="utf-8", errors="surrogateescape") as f:
        for line in f:
            line = line.rstrip("\r\n")
            words = line.split(" ", 7)
            if len(words) == 8 and words[0] == "FILE":
                histories.setdefault(words[7], []).append(line)
    return histories


def earlier_versions(history, signature):
    """The lines of a file's earlier history that come before its line in
    this release: all of them, less the last when this release keeps it."""
    if history and history[-1].split(" ")[6] == signature:
        return history[:-1]
    return history


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("source")
    ap.add_argument("webroot")
    ap.add_argument("--release", required=True, help="release name, as the FINAL line gives it")
    ap.add_argument("--top", default="Nimbrel", help="first component of every manifest path")
    ap.add_argument("--server", nargs=3, action="append", metavar=("HOST", "PATH", "DESCRIPTION"),
                    help="a server row (PATH begins and ends with '/'); repeat for more")
    ap.add_argument("--previous", help="manifest of the release this one replaces")
    ap.add_argument("--gone", action="append", default=[], help="a path below SOURCE to mark as removed")
    ap.add_argument("--platform", type=int, default=0)
    ap.add_argument("--platform-of", nargs=2, action="append", default=[], metavar=("PREFIX", "PLATFORM"),
                    help="files below SOURCE/PREFIX are for that platform only; repeat for more")
    ap.add_argument("--level", type=int, default=6, help="deflate level of the file archives")
    ap.add_argument("--beta", help="a beta release name for the BETA line")
    ap.add_argument("--installer-version", type=int, default=20502)
    ap.add_argument("--dvd-disks", type=int, default=0, metavar="N",
                    help="write a set of N install DVDs into WEBROOT instead of a web release")
    ap.add_argument("--dvd-disk-of", nargs=2, action="append", default=[], metavar=("PREFIX", "DISK"),
                    help="files below SOURCE/PREFIX go on DVD number DISK (1 is the first); repeat for more")
    args = ap.parse_args()
    if args.dvd_disks > 0:
        return write_dvd_set(args)

    servers = args.server or [["files.nimbrel.com", "/", "Nimbrel download server"]]
    for host, path, _ in servers:
        if not path.startswith("/") or not path.endswith("/"):
            sys.exit("make_release: a server path must begin and end with '/': " + path)
    release_root = os.path.join(args.webroot, servers[0][1].lstrip("/"), args.release)

    lines = []
    present = set()
    earlier = previous_histories(args.previous) if args.previous else {}
    for rel in source_files(args.source):
        full = os.path.join(args.source, rel)
        path = args.top + "/" + rel
        archive = os.path.join(release_root, path + ".zip")
        zip_one(archive, os.path.basename(rel), source=full, level=args.level)
        size = os.path.getsize(full)
        signature = md5_of(full)
        lines.extend(earlier_versions(earlier.get(path, []), signature))
        lines.append("FILE 1 %d 0 %d %d %s %s" % (platform_of(args, rel), kilobytes(os.path.getsize(archive)),
                                                  kilobytes(size), signature, path))
        present.add(path)

    gone = [args.top + "/" + g.strip("/") for g in args.gone]
    # A history is a run of lines with one path: the "GONE" line of a file
    # removed now follows its earlier versions, or it would be a history of
    # its own, and the earlier one would keep the file.
    for path, history in earlier.items():
        if path in present:
            continue
        lines.extend(history)
        if history[-1].split(" ")[6] != "GONE":  # removed now, not long ago
            lines.append("FILE 1 %d 0 0 0 GONE %s" % (args.platform, path))
        gone = [g for g in gone if g != path]
    for path in gone:
        lines.append("FILE 1 %d 0 0 0 GONE %s" % (args.platform, path))

    manifest = "I\n900 version\nINSTALLER\n\n" + "".join(line + "\n" for line in lines)
    zip_one(os.path.join(release_root, "directory.txt.zip"), "directory.txt", data=manifest.encode())

    serverlist = ["I", "820 version", "SERVERS", "", "FINAL " + args.release]
    if args.beta:
        serverlist.append("BETA " + args.beta)
    serverlist.append("INS_VERSION %d x http://www.nimbrel.com/installer/" % args.installer_version)
    for host, path, desc in servers:
        serverlist += ["", "SERVER " + host, path, desc]
    serverlist += ["", "ENDOFLIST", ""]
    with open(os.path.join(args.webroot, "serverlist9.txt"), "w", encoding="utf-8") as f:
        f.write("\n".join(serverlist))
    return 0


if __name__ == "__main__":
    sys.exit(main())
