#!/bin/sh
# Builds the Debian package, checks what it holds and depends on, installs it
# on this machine and runs the installed program in a network namespace of its
# own, adding a share and starting it again; then removes it again.
set -eu
build=$1
work=$(mktemp -d /tmp/qmpkg-XXXXXX)
cleanup() {
  dpkg -r quillmere >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

if [ "$(id -u)" -ne 0 ]; then
  [ "${CI:-}" = true ] && fail "installing the package needs root"
  echo "SKIP: installing the package needs root"; exit 77
fi

(cd "$work" && cpack --config "$build/CPackConfig.cmake" >cpack.log 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/quillmere_*.deb)
dpkg-deb -c "$deb" >"$work/contents"
sizes="16 22 24 32 48 64 128 256"
for f in ./usr/lib/quillmere/quillmere ./usr/lib/quillmere/Vellicor ./usr/lib/quillmere/libvellicor-window.so \
         ./usr/bin/quillmere ./usr/lib/quillmere/quillmere-cli ./usr/bin/quillmere-cli ./usr/lib/systemd/user/quillmere.service \
         ./usr/share/applications/quillmere.desktop ./usr/share/icons/hicolor/scalable/apps/quillmere.svg \
         ./usr/share/doc/quillmere/copyright ./usr/share/metainfo/org.example.quillmere.metainfo.xml \
         $(for s in $sizes; do echo ./usr/share/icons/hicolor/${s}x$s/apps/quillmere.png; done); do
  grep -Eq " $f( -> |\$)" "$work/contents" || fail "package lacks $f"
done
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# Qt's Korean texts, a Korean font and xdg-open are only loaded or started at
# run time, so they are named; installing the package needs them all here.
for p in libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins qt6-translations-l10n \
         'fonts-nanum | fonts-noto-cjk' xdg-utils; do
  echo "$depends" | grep -q -F "$p" || fail "no dependency on $p"
done
echo "$depends" | grep -q -- '-dev' && fail "depends on a development package"

dpkg-deb -x "$deb" "$work/root"
for b in quillmere quillmere-cli Vellicor libvellicor-window.so; do
  readelf -S "$work/root/usr/lib/quillmere/$b" | grep -q -e '\.symtab' -e '\.debug_' && fail "$b is not stripped"
done
# Each icon is as large as its folder says (the width and height of the PNG header).
for s in $sizes; do
  dims=$(od -An -tu1 -j16 -N8 "$work/root/usr/share/icons/hicolor/${s}x$s/apps/quillmere.png" |
         awk '{print $3*256+$4 "x" $7*256+$8}')
  [ "$dims" = "${s}x$s" ] || fail "the ${s}x$s icon is $dims"
done
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.example.quillmere.metainfo.xml" ||
  fail "the AppStream file does not validate"

dpkg -i "$deb" >/dev/null || fail "dpkg -i"
command -v quillmere >/dev/null || fail "quillmere is not on the PATH"
home="$work/home"
chmod 755 "$work"
mkdir -p "$home"
chown nobody "$home"
# The installed copy runs as an ordinary user, keeps its share list in the
# user's configuration folder, and must keep its files out of the
# installation folder.
unshare -n sh "$(dirname "$0")/share_roundtrip.sh" "$home" || fail "the share list of the installed program"
# The headless program edits the same list, as an ordinary user without a display.
pub="$work/pub"
mkdir -p "$pub"
echo x >"$pub/x.txt"
chmod -R a+rX "$pub"
env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_CONFIG_HOME="$home/.config" \
  unshare -n setpriv --reuid=nobody --regid=nogroup --clear-groups \
  quillmere-cli share add "$pub" --comment 서버 >/dev/null || fail "quillmere-cli share add"
iconv -f CP949 -t UTF-8 "$home/.config/Quillmere/Quillmere.ini" | grep -q -F ";$pub;;서버;D" ||
  fail "quillmere-cli share add did not reach the installed program's list"
extra=$(ls /usr/lib/quillmere | grep -v -x -e quillmere -e quillmere-cli -e Vellicor -e libvellicor-window.so || true)
[ -z "$extra" ] || fail "the program wrote into its installation folder: $extra"
dpkg -r quillmere >/dev/null || fail "dpkg -r"
[ ! -e /usr/lib/quillmere ] || fail "dpkg -r left /usr/lib/quillmere"
echo ok
