# Writes the connection dialog's fields into the settings store "$1" (the file VELTRANE_REGISTRY
# names), replacing what the dialog kept there: host, port, login and database; the password empty.
#   fill_connection_dialog registry host port login database
fill_connection_dialog() {
  local registry=$1 key='[Software\\veltrane\\Connection]'
  mkdir -p "$(dirname "$registry")"
  touch "$registry"
  KEY=$key awk '$0 == ENVIRON["KEY"] { skip = 1; next } /^\[/ { skip = 0 } !skip' "$registry" >"$registry.new"
  printf '%s\nFormVersion=s:0\nPassword=s:\nedDatabase_Text=s:%s\nedHost_Text=s:%s\nedLogin_Text=s:%s\nedPort_Text=s:%s\n' \
    "$key" "$5" "$2" "$4" "$3" >>"$registry.new"
  chmod 600 "$registry.new"
  mv "$registry.new" "$registry"
}
