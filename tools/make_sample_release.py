#!/usr/bin/env python3
"""Makes the sample web release that scripts/demo serves and the end-to-end
tests install: the maker's server list and a download server's files.

    make_sample_release.py WEBROOT [--small N] [--large N] [--large-mb MB] [--tag TEXT] [--update] [--dvd N]

The release ("Demo_900", top folder "Nimbrel") holds the stub simulator
"Nimbrel-i686", the simulator's top folders, N small files in nested
folders, a few large ones, files for other systems only, global-scenery
tiles in a few sectors and a "GONE" line.  Its files lie below /demo/; the
server list names two servers, dl1 at /demo/ and dl2 at /mirror/, which a
web server maps to the same files.  WEBROOT/release.txt lists what a
complete demo install holds.  With --tag, the stub simulator carries TEXT
in a comment, so the release's manifest differs from that of every release
made with another tag.

With --update, the same release is made again and then its successor
("Demo_901"), which the server list now names: 12 files changed (a large
one and a scenery tile among them), 6 added (3 in a new folder), 4 removed
(a whole folder among them), its manifest listing the earlier versions
first.  release.txt then lists what an up-to-date copy holds, and
update.txt each change as "changed", "added" or "removed" and the path.

With --dvd N it makes the same files as a set of N install DVDs of the
release "Nimbrel 9.00" instead: WEBROOT/disk1/ .. WEBROOT/diskN/, the
simulator on the first disk, the scenery tiles on the others.
"""

import argparse
import os
import random
import subprocess
import sys
import tempfile
import zipfile

RELEASE = "Demo_900"
UPDATE = "Demo_901"
DVD_RELEASE = "Nimbrel 9.00"
TOP = "Nimbrel"
# Written by the stub simulator: the test or the demo sees that "Fly" ran it.
SIMULATOR = """#!/bin/sh
# The stub simulator of the sample release: says where it was started.
echo "$0" >> "${HOME:-/tmp}/nimbrel-flown.txt"
"""
OTHER_SYSTEMS = {"Resources/plugins/mac": 1, "Resources/plugins/win": 2}
SCENERY_TILES = ["+40-080/+42-074.dsf", "+40-080/+41-073.dsf", "+50+000/+51+000.dsf",
                 "-40+170/-37+174.dsf"]
GONE = ["Resources/retired/old_panel.png"]
# Besides Resources, the folders that make a folder a copy of the simulator;
# the old manual's folder goes away in the update.
SIM_FOLDERS = ["Airfoils/NACA 2412.afl", "Airfoils/NACA 0012.afl", "Instructions/Readme.txt",
               "Instructions/Manual_old/chapter1.txt", "Instructions/Manual_old/chapter2.txt",
               "Output/situations/default.sit"]


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def payload(rng, size):
    """Bytes that compress about as well as the simulator's data."""
    return bytes(rng.getrandbits(6) + 32 for _ in range(size)) if size < 65536 else \
        (bytes(rng.getrandbits(6) + 32 for _ in range(65536)) * (size // 65536 + 1))[:size]


def make_source(source, small, large, large_mb, tag):
    rng = random.Random(900)
    installed = []

    def add(rel, data, mode=0o644, counted=True):
        write(os.path.join(source, rel), data)
        os.chmod(os.path.join(source, rel), mode)
        if counted:
            installed.append(rel)

    add("Nimbrel-i686", (SIMULATOR + ("# %s\n" % tag if tag else "")).encode(), 0o755)
    for rel in SIM_FOLDERS:
        add(rel, payload(rng, 1000 + len(rel)))
    groups = ["Aircraft/General Aviation/Trainer", "Aircraft/Heavy/Liner", "Resources/sounds/engine",
              "Resources/bitmaps/cockpit/gauges", "Resources/text", "Airports/North"]
    for i in range(small):
        folder = groups[i % len(groups)]
        add("%s/part%02d/file%04d.dat" % (folder, i % 7, i), payload(rng, rng.randint(200, 20000)))
    for i in range(large):
        add("Resources/large/terrain%d.bin" % i, payload(rng, large_mb << 20))
    for folder in OTHER_SYSTEMS:
        for i in range(3):
            add("%s/plugin%d.so" % (folder, i), payload(rng, 3000), counted=False)
    for tile in SCENERY_TILES:
        add("Global Scenery/Terrain/" + tile, payload(rng, 5000), counted=False)
    return installed


def make_update(source, installed):
    """Turns the release's tree into its successor's: the changes as
    (kind, path) pairs, and the new list of installed files."""
    rng = random.Random(901)
    small = [p for p in installed if p.endswith(".dat")]
    large = [p for p in installed if p.startswith("Resources/large/")]
    changes = []

    def write_new(rel, kind):
        # A changed file keeps its size, so the update weighs what it replaces.
        full = os.path.join(source, rel)
        size = os.path.getsize(full) if os.path.exists(full) else rng.randint(300, 9000)
        write(full, payload(rng, size))
        changes.append((kind, rel))

    # Spread over the folders: the small files take turns among six groups.
    changed = large[:1] + small[3::7][:11 - len(large[:1])]
    for rel in changed:
        write_new(rel, "changed")
    tile = "Global Scenery/Terrain/" + SCENERY_TILES[0]
    write_new(tile, "changed")
    removed = ["Instructions/Manual_old/chapter1.txt", "Instructions/Manual_old/chapter2.txt"]
    removed += [p for p in small if p not in changed][:2]
    for rel in removed:
        os.remove(os.path.join(source, rel))
        changes.append(("removed", rel))
    os.rmdir(os.path.join(source, "Instructions/Manual_old"))
    added = ["Resources/sounds/radio/atis%d.wav" % i for i in range(3)]
    added += ["Airfoils/NACA 4415.afl", "Resources/text/checklist.txt", "Aircraft/Heavy/Liner/cargo.acf"]
    for rel in added:
        write_new(rel, "added")
    now_installed = [p for p in installed if p not in removed] + added
    return changes, sorted(now_installed, key=lambda p: p.encode())


def run_release_tool(source, webroot, release, extra):
    tool = os.path.join(os.path.dirname(os.path.abspath(__file__)), "make_release.py")
    command = [sys.executable, tool, source, webroot, "--release", release, "--top", TOP,
               "--server", "dl1.nimbrel.example", "/demo/", "|Download server 1",
               "--server", "dl2.nimbrel.example", "/mirror/", "|Download server 2"]
    for folder, platform in OTHER_SYSTEMS.items():
        command += ["--platform-of", folder, str(platform)]
    subprocess.run(command + extra, check=True)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("webroot")
    ap.add_argument("--small", type=int, default=300)
    ap.add_argument("--large", type=int, default=3)
    ap.add_argument("--large-mb", type=int, default=8)
    ap.add_argument("--tag", default="")
    ap.add_argument("--update", action="store_true", help="also make the release's successor")
    ap.add_argument("--dvd", type=int, default=0, metavar="N", help="make a set of N install DVDs instead")
    args = ap.parse_args()

    with tempfile.TemporaryDirectory(prefix="nimbrel-sample-") as source:
        installed = make_source(source, args.small, args.large, args.large_mb, args.tag)
        gone = [arg for path in GONE for arg in ("--gone", path)]
        if args.dvd:
            run_release_tool(source, args.webroot, DVD_RELEASE, ["--dvd-disks", str(args.dvd)])
        else:
            run_release_tool(source, args.webroot, RELEASE, gone)
        if args.update and not args.dvd:
            changes, installed = make_update(source, installed)
            with tempfile.TemporaryDirectory(prefix="nimbrel-manifest-") as scratch:
                previous = os.path.join(args.webroot, "demo", RELEASE, "directory.txt.zip")
                with zipfile.ZipFile(previous) as z:
                    z.extract("directory.txt", scratch)
                run_release_tool(source, args.webroot, UPDATE,
                                 ["--previous", os.path.join(scratch, "directory.txt")])
            with open(os.path.join(args.webroot, "update.txt"), "w", encoding="utf-8") as f:
                f.write("".join("%s %s\n" % change for change in changes))
    with open(os.path.join(args.webroot, "release.txt"), "w", encoding="utf-8") as f:
        f.write("".join(path + "\n" for path in installed))
    return 0


if __name__ == "__main__":
    sys.exit(main())
