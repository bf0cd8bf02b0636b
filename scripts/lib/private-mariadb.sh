# A private MariaDB: its own data folder, socket, pid file and loopback port, all under "$dir".
# Sourced by scripts/test-server and scripts/run, which set "$dir" first.
PATH=$PATH:/usr/sbin

mariadb_running() {
  [ -f "$dir/pid" ] && kill -0 "$(cat "$dir/pid")" 2>/dev/null
}

mariadb_free_port() {
  local port
  for port in $(seq $((20000 + $(id -u) % 5000)) 65000); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
  done
  echo "no free port for MariaDB" >&2
  exit 1
}

mariadb_root_sql() {
  mariadb --no-defaults --socket="$dir/socket" -uroot -e "$1"
}

# A fresh data folder with the system tables; root logs in through the socket without a password.
mariadb_install() {
  mkdir -p "$dir/data" "$dir/tmp"
  mariadb-install-db --no-defaults --datadir="$dir/data" --user="$(id -un)" \
    --auth-root-authentication-method=normal --skip-test-db >"$dir/install.log" 2>&1 ||
    { cat "$dir/install.log" >&2; exit 1; }
}

# Starts the server on a free port (written to "$dir/port") with the extra options given, and waits
# until it answers.
mariadb_start() {
  mariadb_free_port >"$dir/port"
  mariadbd --no-defaults --user="$(id -un)" --datadir="$dir/data" --tmpdir="$dir/tmp" \
    --socket="$dir/socket" --pid-file="$dir/pid" --port="$(cat "$dir/port")" --bind-address=127.0.0.1 \
    --log-error="$dir/error.log" --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci \
    --innodb-buffer-pool-size=64M --innodb-log-file-size=16M --skip-name-resolve "$@" >/dev/null 2>&1 &
  for _ in $(seq 1 120); do
    mariadb-admin --no-defaults --socket="$dir/socket" -uroot ping >/dev/null 2>&1 && return
    sleep 0.5
  done
  echo "the private MariaDB did not answer; its log:" >&2
  cat "$dir/error.log" >&2
  exit 1
}

mariadb_stop() {
  if mariadb_running; then
    local pid
    pid=$(cat "$dir/pid")
    kill "$pid"
    for _ in $(seq 1 120); do kill -0 "$pid" 2>/dev/null || break; sleep 0.5; done
    kill -9 "$pid" 2>/dev/null || true
  fi
}
