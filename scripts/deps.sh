#!/bin/sh
# Installs the Debian packages the build and the tests need, when missing.
set -e
PKGS="cmake ninja-build g++ qt6-base-dev libqt6test6 iproute2 util-linux python3 fonts-nanum procps dpkg-dev qt6-translations-l10n librsvg2-bin appstream xdg-utils"
[ -n "$QM_EXTRA_PKGS" ] && PKGS="$PKGS $QM_EXTRA_PKGS"
missing=""
for p in $PKGS; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends $missing
