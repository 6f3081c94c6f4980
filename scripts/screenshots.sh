#!/bin/sh
# Takes the user's guide pictures (docs/screenshots) from real windows under
# Xvfb, on a test LAN of network namespaces (needs root or sudo).
set -e
cd "$(dirname "$0")/.."
QM_EXTRA_PKGS="xvfb xauth" sh scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target quillmere Vellicor guideshots
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
exec $SUDO python3 tests/guide/take_screenshots.py --build build --out docs/screenshots
