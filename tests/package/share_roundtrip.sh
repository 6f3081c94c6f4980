#!/bin/sh
# Inside a network namespace of its own: the installed program, run as user
# nobody with a fresh home, gets a shared folder the way a user adds one (the
# share page's add-folder command and the folder picker, on a virtual display),
# closes, and must find the folder again at its next start.
set -eu
home=$1
ip link set lo up
ini="$home/.config/Quillmere/Quillmere.ini"
shared="$home/pub"
mkdir -p "$shared" "$home/run"
chown nobody "$shared" "$home/run"
chmod 700 "$home/run"

fail() { echo "FAIL: $*"; exit 1; }
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || fail "needs Xvfb and xdotool (scripts/deps.sh)"

# Runs what follows as nobody in the fresh home (no blanks in these paths).
as_user="env HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home/run
  setpriv --reuid=nobody --regid=nogroup --clear-groups"

# Starts the installed program with the given Qt platform; sets pid.
start() {
  $as_user env QT_QPA_PLATFORM="$1" quillmere &
  pid=$!
}

# Ends the program as the desktop session would and waits for its close
# sequence; a program that hangs there (an error box) is a failure.
stop() {
  kill -0 "$pid" 2>/dev/null || fail "the installed program ended by itself"
  kill -TERM "$pid"
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid" || true; return 0; }
    sleep 0.1
  done
  kill -KILL "$pid"
  fail "the installed program did not close on SIGTERM"
}

Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$home/display" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$home/display" ] && break; sleep 0.1; done
[ -s "$home/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$home/display")"

start xcb
main=$(timeout 20 xdotool search --sync --onlyvisible --name Quillmere | head -1)
[ -n "$main" ] || fail "no main window"
sleep 2 # start-up runs once the window is shown
# Once this copy holds the port, a second start hands over to it and ends by
# itself with status 0; a message box would keep it open until the timeout.
for _ in $(seq 200); do ss -Hlun 'sport = :8765' | grep -q . && break; sleep 0.1; done
$as_user env QT_QPA_PLATFORM=xcb timeout 20 quillmere || fail "a second start did not end quietly"
# The share settings page, its list, and the list's add-folder command.
xdotool windowfocus --sync "$main" key ctrl+Tab
sleep 0.5
xdotool mousemove --window "$main" 370 250 click 1
sleep 0.5
xdotool key ctrl+Insert
picker=$(timeout 10 xdotool search --sync --onlyvisible --name '공유할 폴더' | head -1)
[ -n "$picker" ] || fail "the folder picker did not open"
xdotool windowfocus --sync "$picker" type --delay 20 "$shared"
xdotool key Return
sleep 1
stop
grep -q -x "0=;$shared;;;D" "$ini" 2>/dev/null || fail "the share is not in $ini: $(cat "$ini" 2>&1)"

# The next start loads it and the next close saves it again.
start offscreen
sleep 3
stop
grep -q -x "0=;$shared;;;D" "$ini" || fail "the share did not survive a restart: $(cat "$ini")"
