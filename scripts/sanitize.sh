#!/bin/sh
# Builds Quillmere with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# the whole suite there, then with ThreadSanitizer and runs the tests whose work
# crosses threads. Every test runs inside a fresh network namespace (loopback
# only). Any sanitizer report, in a test or in a program a test started, fails.
set -e
cd "$(dirname "$0")/.."
root=$(pwd)
QM_EXTRA_PKGS="xvfb xauth xdotool dbus-daemon" sh scripts/deps.sh
export CCACHE_NOHASHDIR=1
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo

# The tests that run work on worker threads: browse answers and search answers
# (the broadcast worker), presence from broadcast workers, registry snapshots,
# file-server starts, the ping worker, the socket's reader thread and its
# queue; and the test LAN runs of the same.
TSAN_TESTS="tst_dispatcher tst_startup tst_peertree tst_shareregistry tst_sharelist tst_listingcommands tst_serving tst_pingrun tst_pingform tst_receiveburst"
TSAN_LAN_TESTS="lan_presence lan_listing lan_serving"
TSAN_TARGETS="$TSAN_TESTS quillmere quillmere-cli Vellicor lanprobe_presence lanprobe_listing"

# Reports go to files as well as failing the process: programs that tests start
# in the background have their output thrown away, and their exit status may
# never be looked at.
logs=$(mktemp -d /tmp/qmsan-XXXXXX)
trap 'rm -rf "$logs"' EXIT

elapsed() { echo $(( $(date +%s) - $1 ))s; }

# Prints the reports of one stage and fails when there are any.
check_reports() {
  set -- "$logs"/*
  [ -e "$1" ] || return 0
  for f; do echo "== $f"; cat "$f"; done
  echo "sanitizer reports in $# files"
  return 1
}

# ctest in a network namespace of its own, with the sanitizer options set below.
run_ctest() {
  $SUDO env ASAN_OPTIONS="$ASAN_OPTIONS" LSAN_OPTIONS="$LSAN_OPTIONS" UBSAN_OPTIONS="$UBSAN_OPTIONS" \
    TSAN_OPTIONS="$TSAN_OPTIONS" CI="${CI:-}" \
    unshare -n sh -c 'ip link set lo up && exec ctest "$@"' ctest "$@"
}

t=$(date +%s)
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_SANITIZE=address,undefined >/dev/null
cmake --build build-asan
echo "asan build: $(elapsed $t)"
t=$(date +%s)
status=0
# UndefinedBehaviorSanitizer reports end the process (nothing recovers), so the
# test's exit status shows them.
ASAN_OPTIONS="detect_stack_use_after_return=1:check_initialization_order=1:log_path=$logs/asan"
LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
TSAN_OPTIONS=""
run_ctest --test-dir build-asan -j2 --output-on-failure || status=1
echo "asan tests: $(elapsed $t)"
check_reports || status=1
rm -f "$logs"/*

t=$(date +%s)
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_SANITIZE=thread >/dev/null
cmake --build build-tsan --target $TSAN_TARGETS
echo "tsan build: $(elapsed $t)"
t=$(date +%s)
regex="^($(echo $TSAN_TESTS $TSAN_LAN_TESTS | tr ' ' '|'))\$"
# Qt is not built with ThreadSanitizer: what Qt's own code touches is left out
# (ignore_noninstrumented_modules), our code in every thread is checked.
ASAN_OPTIONS=""
LSAN_OPTIONS=""
UBSAN_OPTIONS=""
TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1:suppressions=$root/scripts/tsan.supp:log_path=$logs/tsan"
run_ctest --test-dir build-tsan -j2 --output-on-failure -R "$regex" || status=1
echo "tsan tests: $(elapsed $t)"
check_reports || status=1
exit $status
