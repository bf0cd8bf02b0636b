#!/usr/bin/env bash
# A debugging session end to end: the real veltrane connects, the user writes a main block, runs to
# the cursor inside a loop, steps and runs to the end; the server receives the block's SQL and nothing
# is reported as an error; File > Exit ends it cleanly.
#   debugging.sh <veltrane> <screenshot tool> <folder for screenshots>
set -euo pipefail
program=$1 camera=$2 shots=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

mysql -e "SET GLOBAL general_log_file = '$work/general.log'; SET GLOBAL general_log = 1"
connect
sleep 0.5

echo "1. The main block is typed into tab 0"
keys "$main" key ctrl+a Delete
lines=("BEGIN" "  DECLARE i INT DEFAULT 0;" "  WHILE i < 3 DO" "    SET i = i + 1;" "  END WHILE;"
       "  SELECT i * 10 AS tenfold;" "END")
for index in "${!lines[@]}"; do
  # The editor indents a new line by itself: what it put there goes before the line is typed.
  [ "$index" -gt 0 ] && keys "$main" key Return Home shift+End Delete
  keys "$main" type --delay 5 "${lines[$index]}"
done
"$camera" "$shots/typed.png"

echo "2. Run to cursor stops inside the loop; stepping goes on; Run ends the session"
keys "$main" key ctrl+Home Down Down Down F4
sleep 1.5
"$camera" "$shots/paused.png"
keys "$main" key F7
sleep 0.5
keys "$main" key F8
sleep 0.5
keys "$main" key F9
wait_for "i \* 10 AS tenfold\|AS tenfold" "$work/general.log"
sleep 1
"$camera" "$shots/ended.png"
[ ! -s "$work/trace" ] || fail "an error was shown: $(cat "$work/trace")"

echo "3. File > Exit saves the session and ends the program cleanly"
keys "$main" key alt+f x
for _ in $(seq 1 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program_pid" 2>/dev/null && fail "the program did not end after File > Exit"
wait "$program_pid" || fail "the program ended with status $?: $(tail -20 "$work/program.log")"
grep -q "Layout" "$VELTRANE_REGISTRY" || fail "the desktop layout was not saved"

echo "PASS"
