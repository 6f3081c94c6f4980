#!/bin/sh
# Runs one test in a fresh network namespace with only loopback up, from a
# fresh program folder of its own (a copy of the test with Vellicor and its
# window module beside it), so that parallel tests never share a Quillmere.ini or a down folder.
set -e
test_binary="$1"
shift
dir=$(mktemp -d /tmp/qmtest-XXXXXX)
trap 'rm -rf "$dir"' EXIT
cp "$test_binary" "$dir/"
for f in Vellicor libvellicor-window.so; do
  [ -e "$QM_BUILD_DIR/bin/$f" ] && cp "$QM_BUILD_DIR/bin/$f" "$dir/"
done
mkdir -p "$dir/home"
chmod 700 "$dir/home"
export HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/.config" XDG_RUNTIME_DIR="$dir/home"
unshare -n sh -c 'ip link set lo up && cd "$0" && exec "$@"' "$dir" "$dir/$(basename "$test_binary")" "$@"
