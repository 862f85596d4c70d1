# What the benchmarks of the web roads share, sourced by run_demo_road and
# run_update_road: the optimised programs with the end-to-end tests' road
# tool (tests/support/programs/demo_road.cpp), which serves the sample
# release with nginx on loopback and walks the program, a private folder and
# an Xvfb of its own.  After sourcing: $root, $run, $DISPLAY, $road_tool.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-bench -j 4 --target nimbrel-installer nimbrel-updater demo_road >/dev/null
road_tool=$root/build-bench/tests/demo_road

run=$(mktemp -d /tmp/nimbrel-bench-XXXXXX)
cleanup() {
    tests/support/xvfb_fixture stop "$run/xvfb" || true
    rm -rf "$run"
}
trap cleanup EXIT
tests/support/xvfb_fixture start "$run/xvfb"
DISPLAY=$(cat "$run/xvfb/display")
export DISPLAY

# value NAME OUTPUT: the words after "NAME " in the tool's output.
value() { sed -n "s/^$1 //p" <<<"$2"; }
