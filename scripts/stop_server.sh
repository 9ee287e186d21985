# Sourced by the scripts that run a test server. stop_server PIDFILE NAME SECONDS: asks the
# process in PIDFILE to end, waits up to SECONDS, kills it if it has not gone, removes PIDFILE.
stop_server() {
  local pid_file=$1 name=$2 seconds=$3 pid i
  [ -f "$pid_file" ] || return 0
  pid=$(cat "$pid_file")
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    for i in $(seq 1 $((seconds * 10))); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
      echo "$0: $name $pid did not stop; killing it" >&2
      kill -9 "$pid" 2>/dev/null || true
    fi
  fi
  rm -f "$pid_file"
}
