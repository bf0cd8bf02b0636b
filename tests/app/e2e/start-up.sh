#!/usr/bin/env bash
# The program's start, end to end: the real veltrane in a virtual display, driven with xdotool,
# against the private MariaDB (VELTRANE_TEST_*), with a local web site for the update check.
#   start-up.sh <veltrane> <screenshot tool> <folder for screenshots>
# Cancelling the dialog ends the program without a window or a web request; a wrong password keeps
# the dialog open with the server's 1045 message; the right one opens the main window.
set -euo pipefail
program=$1 camera=$2 shots=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../../scripts/lib/connection-registry.sh"

# The program needs the real display, whatever the test suites use.
unset QT_QPA_PLATFORM
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
# Without a test server it skips (status 77), unless in CI, where it must run.
if [ -z "${VELTRANE_TEST_PORT:-}" ]; then
  echo "no test server (run scripts/test-server start)" >&2
  [ "${CI:-}" = true ] && exit 1
  exit 77
fi

mkdir -p "$shots"
work=$(mktemp -d)
pids=()
mysql() { mariadb --no-defaults -h127.0.0.1 -P"$VELTRANE_TEST_PORT" -u"$VELTRANE_TEST_USER" -p"$VELTRANE_TEST_PASSWORD" "$@"; }
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  mysql -e "SET GLOBAL general_log = 0" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  "$camera" "$shots/failure.png" || true
  echo "--- trace:" >&2; cat "$work/trace" >&2 2>/dev/null || true
  exit 1
}

# The web site: a reply naming the program's own version, and a log of the requests.
mkdir -p "$work/site"
echo "0.0.0.0" >"$work/site/latest_version_info"
site_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server --bind 127.0.0.1 --directory "$work/site" "$site_port" 2>"$work/site.log" >/dev/null &
pids+=($!)
export VELTRANE_SITE_HOST=127.0.0.1:$site_port
export VELTRANE_REGISTRY=$work/registry
export VELTRANE_TRACE=$work/trace
# Leaks at exit are the sanitizer suites' business, not this scenario's.
export ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0

# Waits for a visible window whose name matches, and prints its id.
window() {
  timeout "${2:-30}" xdotool search --sync --onlyvisible --name "$1" | head -1
}
# Types keys into the window that has the focus.
keys() {
  xdotool windowfocus --sync "$1"
  shift
  xdotool "$@"
}
wait_for() {
  for _ in $(seq 1 150); do
    grep -q "$1" "$2" 2>/dev/null && return 0
    sleep 0.2
  done
  fail "\"$1\" never appeared in $2"
}

fill_connection_dialog "$VELTRANE_REGISTRY" 127.0.0.1 "$VELTRANE_TEST_PORT" "$VELTRANE_TEST_USER" \
  "$VELTRANE_TEST_DATABASE"

echo "1. Cancel ends the program with no window and no web request"
"$program" &
pid=$!
pids+=($pid)
dialog=$(window '^Connection$') || fail "no connection dialog"
"$camera" "$shots/connection-dialog.png"
keys "$dialog" key Escape
for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the program did not end after Cancel"
wait "$pid" || fail "the program ended with status $?"
grep -q "latest_version_info" "$work/site.log" && fail "Cancel made a web request"
[ ! -s "$work/trace" ] || fail "Cancel showed something: $(cat "$work/trace")"

echo "2. A wrong password shows the server's 1045 message and keeps the dialog"
mysql -e "SET GLOBAL general_log_file = '$work/general.log'; SET GLOBAL general_log = 1"
"$program" &
pid=$!
pids+=($pid)
dialog=$(window '^Connection$') || fail "no connection dialog"
keys "$dialog" key Return
wait_for "Error code: 1045, SQLState: 28000, Message: Access denied for user '$VELTRANE_TEST_USER'" "$work/trace"
window '^Connection$' 5 >/dev/null || fail "the dialog closed after a wrong password"

echo "3. The right password connects and opens the main window"
keys "$dialog" key shift+Tab
keys "$dialog" type --delay 20 "$VELTRANE_TEST_PASSWORD"
keys "$dialog" key Return
main=$(window ' - Veltrane$') || fail "no main window"
sleep 0.5
"$camera" "$shots/main-window.png"
name=$(xdotool getwindowname "$main")
[ "$name" = "$VELTRANE_TEST_DATABASE at 127.0.0.1 - Veltrane" ] || fail "main window caption: $name"
wait_for "GET /latest_version_info?" "$work/site.log"
wait_for "SHOW VARIABLES LIKE 'version'" "$work/general.log"
# The fields were kept, the password only scrambled into hexadecimal.
wait_for "edDatabase_Text=s:$VELTRANE_TEST_DATABASE" "$VELTRANE_REGISTRY"
stored=$(sed -n 's/^Password=s://p' "$VELTRANE_REGISTRY")
[[ "$stored" =~ ^[0-9A-F]+$ ]] || fail "the stored password is not hexadecimal: $stored"
[ "$stored" != "$VELTRANE_TEST_PASSWORD" ] || fail "the password was stored as typed"
[ "$(stat -c %a "$VELTRANE_REGISTRY")" = 600 ] || fail "the settings file is readable by others"
[ "$(grep -c . "$work/trace")" = 1 ] || fail "more than the one error was shown: $(cat "$work/trace")"
echo "main window: $name"
kill "$pid"
echo "PASS"
