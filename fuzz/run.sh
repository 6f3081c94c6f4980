#!/bin/sh
# Builds the fuzz targets with clang (ASan + UBSan) into build-fuzz and runs
# each for the given number of seconds (default 30), two at a time, inside a
# network namespace with loopback only. Fails on any crash, hang, leak or
# sanitizer report. Findings and logs land in build-fuzz/findings/.
set -e
cd "$(dirname "$0")/.."
seconds=${1:-30}
QM_EXTRA_PKGS="clang libclang-rt-14-dev" sh scripts/deps.sh
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_FUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" >/dev/null
targets=$(cd fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')
cmake --build build-fuzz --target $targets

out=build-fuzz/findings
rm -rf "$out"
mkdir -p "$out"
# Any UBSan report ends the run like a crash; leaks of Qt's one-time set-up are not ours.
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0

run() {
  target=$1
  corpus=$(mktemp -d /tmp/qmfuzz-XXXXXX)
  [ -d "fuzz/corpus/$target" ] && cp -r "fuzz/corpus/$target/." "$corpus/"
  if unshare -n sh -c 'ip link set lo up && exec "$@"' fuzz \
      build-fuzz/fuzz/$target "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len=8192 -print_final_stats=1 -artifact_prefix="$out/$target-" >"$out/$target.log" 2>&1; then
    echo "== $target: $(grep -E '^#[0-9]+.*(DONE|cov:)' "$out/$target.log" | tail -1)"
  else
    echo "== $target FAILED"
    tail -60 "$out/$target.log"
    touch "$out/$target.failed"
  fi
  rm -rf "$corpus"
}

set -- $targets
while [ $# -gt 0 ]; do
  run "$1" &
  [ $# -gt 1 ] && run "$2" &
  wait
  shift
  [ $# -gt 0 ] && shift
done
! ls "$out"/*.failed >/dev/null 2>&1
