#!/usr/bin/env bash
# A private Dovecot POP3 server for the tests and benchmarks, independent of any system service.
#   scripts/dovecot.sh start <dir> <pop3-port> <pop3s-port>
#       write <dir>/dovecot.conf, make a test certificate authority and a server certificate for
#       127.0.0.1 and localhost, start Dovecot with POP3 on 127.0.0.1:<pop3-port> and implicit TLS
#       on 127.0.0.1:<pop3s-port>, print the CA certificate's path (last line)
#   scripts/dovecot.sh stop <dir>     stop the server started in <dir>
#
# Layout under <dir>: users/<user> (one passwd-file per user: "user:{PLAIN.b64}<base64>::::::"),
# mail/<user>/Maildir (new/ is where tests deliver), ca.crt, server.crt/.key, logs in log/.
# panel/passwd and panel/mail are for the hosting panel simulator (--dovecot-passwd
# <dir>/panel/passwd --maildir <dir>/panel/mail): the mailboxes it creates are served as well.
# Users and messages are added by the tests (tests/common/dovecot_box.h). A file per user, because
# Dovecot looks at a changed passwd-file only once a second, and tests add users faster.
set -euo pipefail
. "$(dirname "$0")/stop_server.sh"

usage() {
  echo "usage: $0 start <dir> <pop3-port> <pop3s-port> | stop <dir>" >&2
  exit 2
}

find_bin() {
  local name
  for name in "$@"; do
    if command -v "$name" >/dev/null 2>&1; then command -v "$name"; return 0; fi
    if [ -x "/usr/sbin/$name" ]; then echo "/usr/sbin/$name"; return 0; fi
  done
  echo "$0: none of $* found (are dovecot-core and dovecot-pop3d installed?)" >&2
  exit 1
}

pid_file() { echo "$dir/run/master.pid"; }

running() {
  [ -f "$(pid_file)" ] && kill -0 "$(cat "$(pid_file)")" 2>/dev/null
}

make_certificates() {
  [ -s "$dir/ca.crt" ] && [ -s "$dir/server.crt" ] && [ -s "$dir/server.key" ] && return 0
  local tmp="$dir/certs.tmp"
  rm -rf "$tmp"
  mkdir -p "$tmp"
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Kestrel test mail CA" \
    -keyout "$tmp/ca.key" -out "$tmp/ca.crt" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    >"$tmp/openssl.log" 2>&1 || { cat "$tmp/openssl.log" >&2; exit 1; }
  openssl req -newkey rsa:2048 -nodes -subj "/CN=localhost" -keyout "$tmp/server.key" -out "$tmp/server.csr" \
    >>"$tmp/openssl.log" 2>&1 || { cat "$tmp/openssl.log" >&2; exit 1; }
  printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' \
    >"$tmp/server.ext"
  openssl x509 -req -in "$tmp/server.csr" -CA "$tmp/ca.crt" -CAkey "$tmp/ca.key" -CAcreateserial \
    -days 3650 -extfile "$tmp/server.ext" -out "$tmp/server.crt" \
    >>"$tmp/openssl.log" 2>&1 || { cat "$tmp/openssl.log" >&2; exit 1; }
  chmod 600 "$tmp/server.key" "$tmp/ca.key"
  mv "$tmp/server.key" "$tmp/server.crt" "$tmp/ca.crt" "$dir/"
  rm -rf "$tmp"
}

# Dovecot refuses mail access as root: when started by root the mail belongs to the system's
# "mail" user, and the tests hand what they deliver to the owner of <dir>/mail.
mail_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    echo "$(id -u mail):$(id -g mail)"
  else
    echo "$(id -u):$(id -g)"
  fi
}

write_config() {
  local uid gid auth_user=""
  uid=$(mail_owner | cut -d: -f1)
  gid=$(mail_owner | cut -d: -f2)
  # The panel's passwd-file is its owner's alone; the login lookups read it as root.
  if [ "$(id -u)" -eq 0 ]; then auth_user=$'service auth {\n  user = root\n}'; fi
  cat >"$1" <<CONF
# Written by scripts/dovecot.sh; a test server only.
instance_name = kestrel-test-$pop3_port
base_dir = $dir/run
state_dir = $dir/state
log_path = $dir/log/dovecot.log
info_log_path = $dir/log/info.log
debug_log_path = $dir/log/debug.log
protocols = pop3
listen = 127.0.0.1
shutdown_clients = yes

ssl = yes
ssl_cert = <$dir/server.crt
ssl_key = <$dir/server.key
ssl_dh = </usr/share/dovecot/dh.pem
ssl_min_protocol = TLSv1.2

disable_plaintext_auth = no
auth_mechanisms = plain login
auth_verbose = yes
# The tests refuse logins on purpose: no delay after a failure and no growing penalty for the
# address they come from.
auth_failure_delay = 0
login_trusted_networks = 127.0.0.0/8
passdb {
  driver = passwd-file
  args = username_format=%u $dir/users/%u
}
passdb {
  driver = passwd-file
  args = $dir/panel/passwd
}
# The panel's lines name the Maildir as the home; the mail belongs to the mail owner.
userdb {
  driver = passwd-file
  args = $dir/panel/passwd
  override_fields = uid=$uid gid=$gid mail=maildir:~
}
userdb {
  driver = static
  args = uid=$uid gid=$gid home=$dir/mail/%u
}
first_valid_uid = $uid
first_valid_gid = $gid
mail_location = maildir:~/Maildir
pop3_uidl_format = %08Xu%08Xv

default_internal_user = dovecot
default_internal_group = dovecot
default_login_user = dovenull

service pop3-login {
  inet_listener pop3 {
    address = 127.0.0.1
    port = $pop3_port
  }
  inet_listener pop3s {
    address = 127.0.0.1
    port = $pop3s_port
    ssl = yes
  }
}
service imap-login {
  inet_listener imap {
    port = 0
  }
  inet_listener imaps {
    port = 0
  }
}
service anvil {
  chroot =
}
$auth_user
CONF
}

start() {
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  mkdir -p "$dir/run" "$dir/state" "$dir/log" "$dir/mail" "$dir/panel/mail"
  mkdir -p "$dir/users"
  [ -e "$dir/panel/passwd" ] || : >"$dir/panel/passwd"
  chmod 600 "$dir/panel/passwd"
  chown -R "$(mail_owner)" "$dir/mail" "$dir/panel/mail"
  make_certificates
  write_config "$dir/dovecot.conf.new"
  if running; then
    if cmp -s "$dir/dovecot.conf.new" "$dir/dovecot.conf"; then
      rm -f "$dir/dovecot.conf.new"
      echo "$dir/ca.crt"
      return 0
    fi
    stop  # started earlier with other ports
  fi
  mv "$dir/dovecot.conf.new" "$dir/dovecot.conf"
  "$(find_bin dovecot)" -c "$dir/dovecot.conf" >"$dir/log/start.log" 2>&1 ||
    { cat "$dir/log/start.log" "$dir/log/dovecot.log" >&2 2>/dev/null; exit 1; }
  local i
  for i in $(seq 1 100); do
    if running && (exec 3<>"/dev/tcp/127.0.0.1/$pop3_port") 2>/dev/null &&
       (exec 3<>"/dev/tcp/127.0.0.1/$pop3s_port") 2>/dev/null; then
      echo "$dir/ca.crt"
      return 0
    fi
    sleep 0.1
  done
  echo "$0: Dovecot in $dir did not listen on ports $pop3_port and $pop3s_port within 10 s" >&2
  tail -n 20 "$dir/log/dovecot.log" >&2 2>/dev/null || true
  exit 1
}

stop() {
  [ -d "$dir" ] || return 0
  stop_server "$(pid_file)" Dovecot 10
}

[ $# -ge 2 ] || usage
cmd=$1
dir=$2
case "$cmd" in
  start)
    [ $# -eq 4 ] || usage
    pop3_port=$3
    pop3s_port=$4
    start
    ;;
  stop) stop ;;
  *) usage ;;
esac
