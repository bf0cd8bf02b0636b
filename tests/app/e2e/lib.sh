# What the end-to-end scenarios share: the virtual display, the test server, a work folder that goes
# at the end, and helpers that wait for windows and drive them with xdotool.
# Sourced by a scenario after it set: program, camera, shots (and "$@" for the re-run under Xvfb).

. "$(dirname "${BASH_SOURCE[0]}")/../../../scripts/lib/connection-registry.sh"

# The program needs the real display, whatever the test suites use.
unset QT_QPA_PLATFORM
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$program" "$camera" "$shots"
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
# Leaks at exit are the sanitizer suites' business, not this scenario's; the X keyboard library's
# keymap loading hands strndup a buffer without an end, which is not ours to report.
export ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0:intercept_strndup=0

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


# Starts the program on the test server's database and connects with the password: sets `program_pid`
# and `main`, the main window's id.
connect() {
  fill_connection_dialog "$VELTRANE_REGISTRY" 127.0.0.1 "$VELTRANE_TEST_PORT" "$VELTRANE_TEST_USER" \
    "$VELTRANE_TEST_DATABASE"
  "$program" >>"$work/program.log" 2>&1 &
  program_pid=$!
  pids+=($program_pid)
  local dialog
  dialog=$(window '^Connection$') || fail "no connection dialog"
  keys "$dialog" key shift+Tab
  keys "$dialog" type --delay 20 "$VELTRANE_TEST_PASSWORD"
  keys "$dialog" key Return
  main=$(window ' - Veltrane$') || fail "no main window"
}
