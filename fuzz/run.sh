#!/bin/sh
# Builds the fuzz targets with clang (ASan + UBSan) and runs each for the given
# number of seconds (default 30) inside a network namespace with loopback only.
# Fails on any crash, hang, leak or sanitizer report.
set -e
cd "$(dirname "$0")/.."
seconds=${1:-30}
QM_EXTRA_PKGS="clang libclang-rt-14-dev" sh scripts/deps.sh
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz --target $(cd fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//' | tr '\n' ' ')
status=0
for target in $(cd fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//'); do
  corpus=$(mktemp -d /tmp/qmfuzz-XXXXXX)
  [ -d "fuzz/corpus/$target" ] && cp -r "fuzz/corpus/$target/." "$corpus/"
  echo "== $target ($seconds s)"
  if ! unshare -n sh -c 'ip link set lo up && exec "$@"' fuzz \
      build-fuzz/fuzz/$target "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
      -max_len=4200 -print_final_stats=1 -artifact_prefix="build-fuzz/$target-" 2>"build-fuzz/$target.log"; then
    tail -40 "build-fuzz/$target.log"
    status=1
  else
    grep -E 'stat::number_of_executed_units|cov:' "build-fuzz/$target.log" | tail -2
  fi
  rm -rf "$corpus"
done
exit $status
