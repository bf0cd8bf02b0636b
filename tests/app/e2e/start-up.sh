#!/usr/bin/env bash
# The program's start, end to end: the real veltrane in a virtual display, driven with xdotool,
# against the private MariaDB (VELTRANE_TEST_*), with a local web site for the update check.
#   start-up.sh <veltrane> <screenshot tool> <folder for screenshots>
# Cancelling the dialog ends the program without a window or a web request; a wrong password keeps
# the dialog open with the server's 1045 message; the right one opens the main window.
set -euo pipefail
program=$1 camera=$2 shots=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

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
