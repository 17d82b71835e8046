#!/usr/bin/env bash
# Real FTP servers for the tests and the benchmarks.
#
#   ftp-servers.sh fetch               vsftpd from apt; proftpd and pure-ftpd unpacked into the
#                                      cache (they conflict with vsftpd as installed packages);
#                                      the local user the servers log in. Idempotent, needs root.
#   ftp-servers.sh serve NAME ROOT [VARIANT]
#                                      runs NAME (pyftpdlib, vsftpd, proftpd, pure-ftpd) on a free
#                                      127.0.0.1 port serving ROOT, in the foreground, with its own
#                                      configuration; prints the port on the first line of
#                                      standard output. SIGTERM stops it and removes its files.
#                                      VARIANT: plain (the default); tls: explicit TLS required
#                                      for login and data, with a self-signed certificate made
#                                      now for localhost, 127.0.0.1 and ::1, whose file follows
#                                      the port on the first line; ipv6: on ::1 instead.
#                                      TAVIN3_FTPD_UTF8_NAMES=1: vsftpd says its names are UTF-8.
#   ftp-servers.sh user | password     the login every server accepts.
#
# serve exits with 3 when NAME is not there (not fetched, not root), with 1 when it failed.
set -euo pipefail

FTP_USER=tavin3ftp
FTP_PASSWORD=tavin3-ftp-secret
FTP_HOME=/var/lib/tavin3ftp
here="$(cd "$(dirname "$0")" && pwd)"
if [ "$(id -u)" -eq 0 ]; then
  cache=${TAVIN3_FTPD_CACHE:-/var/cache/tavin3-ftpd}
else
  cache=${TAVIN3_FTPD_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tavin3-ftpd}
fi
tree="$cache/root"

die() { echo "ftp-servers: $*" >&2; exit "${2:-1}"; }
missing() { echo "ftp-servers: $1" >&2; exit 3; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

ensure_user() {
  # vsftpd enters the home directory before the configured root, so it must exist.
  [ "$(getent passwd "$FTP_USER" | cut -d: -f6)" = "$FTP_HOME" ] && [ -d "$FTP_HOME" ] && return
  [ "$(id -u)" -eq 0 ] || missing "user $FTP_USER does not exist and only root can make it"
  mkdir -p "$cache"
  (
    flock 9
    if ! id "$FTP_USER" >/dev/null 2>&1; then
      useradd --system --home-dir "$FTP_HOME" --shell /bin/sh "$FTP_USER"
    fi
    usermod --home "$FTP_HOME" "$FTP_USER"
    install -d -o "$FTP_USER" -m 755 "$FTP_HOME"
    echo "$FTP_USER:$FTP_PASSWORD" | chpasswd
  ) 9>"$cache/user.lock"
}

# The library packages a package needs that are not installed, found recursively.
missing_libraries() {
  local queue=("$@") seen=" " p d
  while [ ${#queue[@]} -gt 0 ]; do
    p=${queue[0]}
    queue=("${queue[@]:1}")
    for d in $(apt-cache depends --no-recommends --no-suggests "$p" | sed -n 's/^ *\(Pre\)\{0,1\}Depends: \(lib[^ <]*\)$/\2/p'); do
      case "$seen" in *" $d "*) continue ;; esac
      seen="$seen$d "
      installed "$d" && continue
      echo "$d"
      queue+=("$d")
    done
  done
}

fetch() {
  [ "$(id -u)" -eq 0 ] || die "fetch needs root (apt-get, a system user)"
  installed vsftpd || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends vsftpd >/dev/null
  # The package starts a daemon on port 21; the tests start their own.
  if command -v systemctl >/dev/null && systemctl is-active --quiet vsftpd 2>/dev/null; then
    systemctl disable --now vsftpd >/dev/null 2>&1 || true
  fi
  if [ ! -x "$tree/usr/sbin/proftpd" ] || [ ! -x "$tree/usr/sbin/pure-ftpd" ] || [ ! -f "$tree/usr/lib/proftpd/mod_tls.so" ]; then
    local debs="$cache/debs"
    mkdir -p "$debs" "$tree"
    # apt's sandbox user must be able to write there.
    chown _apt "$debs" 2>/dev/null || true
    apt-cache policy proftpd-core | grep "Candidate: [0-9]" >/dev/null || apt-get update -qq
    # proftpd-mod-crypto brings mod_tls.
    local packages=(proftpd-core proftpd-mod-crypto pure-ftpd)
    mapfile -t libs < <(missing_libraries "${packages[@]}" | sort -u)
    # A fresh machine may not have the package lists yet.
    (cd "$debs" && apt-get download -qq "${packages[@]}" "${libs[@]}") ||
      { apt-get update -qq && (cd "$debs" && apt-get download -qq "${packages[@]}" "${libs[@]}"); }
    for deb in "$debs"/*.deb; do dpkg -x "$deb" "$tree"; done
  fi
  ensure_user
}

library_path() {
  echo "$tree/usr/lib/x86_64-linux-gnu:$tree/lib/x86_64-linux-gnu:$tree/usr/lib/$(uname -m)-linux-gnu"
}

free_port() {  # address
  /usr/bin/python3 - "$1" <<'EOF'
import socket, sys
s = socket.socket(socket.AF_INET6 if ":" in sys.argv[1] else socket.AF_INET)
s.bind((sys.argv[1], 0))
print(s.getsockname()[1])
EOF
}

# True once something answers on address $1, port $2 with a greeting.
answers() {
  /usr/bin/python3 - "$1" "$2" <<'EOF' 2>/dev/null
import socket, sys
s = socket.create_connection((sys.argv[1], int(sys.argv[2])), timeout=2)
s.settimeout(5)
sys.exit(0 if s.recv(4).startswith(b"220") else 1)
EOF
}

make_certificate() {  # dir
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
    -addext "subjectAltName=DNS:localhost,IP:127.0.0.1,IP:::1" \
    -keyout "$1/key.pem" -out "$1/cert.pem" >/dev/null 2>&1 || die "openssl could not make a certificate"
  cat "$1/cert.pem" "$1/key.pem" >"$1/both.pem"
  chmod 600 "$1/key.pem" "$1/both.pem"
  chmod 644 "$1/cert.pem"
}

password_hash() {
  /usr/bin/python3 -W ignore -c 'import crypt, sys; print(crypt.crypt(sys.argv[1], crypt.mksalt(crypt.METHOD_SHA512)))' "$FTP_PASSWORD"
}

write_vsftpd_config() {  # port root dir
  mkdir -p "$3/empty"
  local listen="listen=YES
listen_ipv6=NO
listen_address=$address"
  [ "$variant" = ipv6 ] && listen="listen=NO
listen_ipv6=YES
listen_address6=$address"
  cat >"$3/vsftpd.conf" <<EOF
$listen
listen_port=$1
background=NO
anonymous_enable=NO
local_enable=YES
write_enable=YES
local_umask=022
local_root=$2
chroot_local_user=NO
pasv_enable=YES
port_enable=YES
connect_from_port_20=NO
pam_service_name=vsftpd
secure_chroot_dir=$3/empty
isolate=NO
isolate_network=NO
seccomp_sandbox=NO
xferlog_enable=NO
log_ftp_protocol=NO
dual_log_enable=NO
syslog_enable=NO
vsftpd_log_file=$3/vsftpd.log
use_localtime=YES
idle_session_timeout=${TAVIN3_FTPD_IDLE_TIMEOUT:-300}
EOF
  # TAVIN3_FTPD_UTF8_NAMES=1: the names are said to be UTF-8 (FEAT offers UTF8).
  if [ "${TAVIN3_FTPD_UTF8_NAMES:-}" = 1 ]; then echo "utf8_filesystem=YES" >>"$3/vsftpd.conf"; fi
  if [ "$variant" = tls ]; then
    # Login and data over TLS are required, and data connections must resume the control
    # connection's session (require_ssl_reuse, on by default).
    cat >>"$3/vsftpd.conf" <<EOF
ssl_enable=YES
rsa_cert_file=$3/cert.pem
rsa_private_key_file=$3/key.pem
ssl_ciphers=HIGH
force_local_logins_ssl=YES
force_local_data_ssl=YES
EOF
  else
    echo "ssl_enable=NO" >>"$3/vsftpd.conf"
  fi
}

write_proftpd_config() {  # port root dir
  local uid gid
  uid=$(id -u "$FTP_USER")
  gid=$(id -g "$FTP_USER")
  echo "$FTP_USER:$(password_hash):$uid:$gid::$2:/bin/sh" >"$3/passwd"
  chmod 600 "$3/passwd"
  cat >"$3/proftpd.conf" <<EOF
ServerName "tavin3 test"
ServerType standalone
DefaultServer on
DefaultAddress $address
SocketBindTight on
Port $1
User nobody
Group nogroup
Umask 022
AllowOverwrite on
# Resumed uploads (REST + STOR, APPE), which proftpd refuses by default.
AllowStoreRestart on
UseIPv6 $([ "$variant" = ipv6 ] && echo on || echo off)
UseReverseDNS off
WtmpLog off
RequireValidShell off
AuthOrder mod_auth_file.c
AuthUserFile $3/passwd
PidFile $3/proftpd.pid
ScoreboardFile $3/proftpd.scoreboard
DelayTable none
TimeoutIdle ${TAVIN3_FTPD_IDLE_TIMEOUT:-600}
TransferLog none
SystemLog $3/proftpd.log
ModulePath $tree/usr/lib/proftpd
<IfModule mod_delay.c>
  DelayEngine off
</IfModule>
<IfModule mod_ident.c>
  IdentLookups off
</IfModule>
EOF
  if [ "$variant" = tls ]; then
    # Data connections must resume the control connection's session (mod_tls's default).
    cat >>"$3/proftpd.conf" <<EOF
LoadModule mod_tls.c
<IfModule mod_tls.c>
  TLSEngine on
  TLSRequired on
  TLSProtocol TLSv1.2 TLSv1.3
  TLSRSACertificateFile $3/cert.pem
  TLSRSACertificateKeyFile $3/key.pem
  TLSLog $3/tls.log
</IfModule>
EOF
  fi
}

write_pureftpd_database() {  # root dir
  # A crypt hash: pure-pw's own (argon2) makes every login take seconds.
  echo "$FTP_USER:$(password_hash):$(id -u "$FTP_USER"):$(id -g "$FTP_USER")::$1::::::::::::" >"$2/pureftpd.passwd"
  "$tree/usr/bin/pure-pw" mkdb "$2/pureftpd.pdb" -f "$2/pureftpd.passwd" >/dev/null
}

serve() {
  local name=$1 root=$2
  variant=${3:-plain}
  case "$variant" in
    plain | tls) address=127.0.0.1 ;;
    ipv6) address=::1 ;;
    *) die "unknown variant: $variant (plain, tls, ipv6)" ;;
  esac
  [ -d "$root" ] || die "no such root: $root"
  if [ "$name" = pyftpdlib ] && [ "$variant" = plain ]; then
    [ -x /usr/bin/python3 ] || missing "no /usr/bin/python3"
    # It chooses its own free port and prints it.
    exec /usr/bin/python3 "$here/../tests/fixtures/pyftpd_server.py" "$root" "$FTP_USER" "$FTP_PASSWORD"
  fi
  local dir port pid="" first=""
  dir=$(mktemp -d "${TMPDIR:-/tmp}/tavin3-ftpd-$name-XXXXXX")
  # A stopped server takes its configuration with it.
  # (The group's SIGTERM may have ended the server already: nothing here may stop the removal.)
  trap 'set +e; [ -z "${pid:-}" ] || kill "$pid" 2>/dev/null; wait; rm -rf "$dir"' EXIT
  trap 'exit 0' TERM INT
  case "$name" in
    pyftpdlib)
      [ -x /usr/bin/python3 ] || missing "no /usr/bin/python3"
      if [ "$variant" = tls ]; then
        /usr/bin/python3 -c 'import OpenSSL' 2>/dev/null || missing "python3-openssl is not installed"
      fi
      ;;
    vsftpd)
      [ -x /usr/sbin/vsftpd ] || missing "vsftpd is not installed (run scripts/ftp-servers.sh fetch as root)"
      [ "$(id -u)" -eq 0 ] || missing "vsftpd logs a local user in only when started as root"
      ;;
    proftpd | pure-ftpd)
      [ -x "$tree/usr/sbin/$name" ] || missing "$name is not in $tree (run scripts/ftp-servers.sh fetch as root)"
      [ "$(id -u)" -eq 0 ] || missing "$name logs a local user in only when started as root"
      if [ "$name" = proftpd ] && [ "$variant" = tls ] && [ ! -f "$tree/usr/lib/proftpd/mod_tls.so" ]; then
        missing "proftpd's mod_tls is not in $tree (run scripts/ftp-servers.sh fetch as root)"
      fi
      ;;
    *) die "unknown server: $name (pyftpdlib, vsftpd, proftpd, pure-ftpd)" ;;
  esac
  if [ "$variant" = tls ]; then
    command -v openssl >/dev/null || missing "openssl is not installed"
    make_certificate "$dir"
    first=" $dir/cert.pem"
  fi
  if [ "$name" = pyftpdlib ]; then
    # It chooses its own free port and prints it. (The file exists before the server starts:
    # the background job opens its redirection only once it runs.)
    : >"$dir/port"
    /usr/bin/python3 "$here/../tests/fixtures/pyftpd_variant_server.py" "$root" "$FTP_USER" "$FTP_PASSWORD" \
      "$address" "$([ "$variant" = tls ] && echo "$dir/both.pem")" </dev/null >"$dir/port" 2>"$dir/out.log" &
    pid=$!
    for _ in $(seq 300); do
      kill -0 "$pid" 2>/dev/null || break
      port=$(head -n 1 "$dir/port" 2>/dev/null || true)
      if [ -n "$port" ]; then
        echo "$port$first"
        wait "$pid" || true
        pid=""
        exit 0
      fi
      sleep 0.1
    done
    cat "$dir"/*.log >&2 2>/dev/null || true
    die "$name did not start"
  fi
  ensure_user
  # The servers act as the test user inside the root.
  chown "$FTP_USER" "$root"
  # A port taken between the choice and the bind makes the server stop: choose again.
  for _ in 1 2 3 4 5; do
    port=$(free_port "$address")
    case "$name" in
      vsftpd)
        write_vsftpd_config "$port" "$root" "$dir"
        /usr/sbin/vsftpd "$dir/vsftpd.conf" </dev/null >"$dir/out.log" 2>&1 &
        ;;
      proftpd)
        write_proftpd_config "$port" "$root" "$dir"
        LD_LIBRARY_PATH=$(library_path) "$tree/usr/sbin/proftpd" --nodaemon -c "$dir/proftpd.conf" </dev/null >"$dir/out.log" 2>&1 &
        ;;
      pure-ftpd)
        [ -f "$dir/pureftpd.pdb" ] || write_pureftpd_database "$root" "$dir"
        local tls=() family=-4
        # -Y 2: login and data over TLS only.
        [ "$variant" = tls ] && tls=(-Y 2 -2 "$dir/both.pem")
        [ "$variant" = ipv6 ] && family=-6
        LD_LIBRARY_PATH=$(library_path) "$tree/usr/sbin/pure-ftpd" -S "$address,$port" -l "puredb:$dir/pureftpd.pdb" \
          -u 1 -E -H "$family" -f none "${tls[@]}" </dev/null >"$dir/out.log" 2>&1 &
        ;;
    esac
    pid=$!
    for _ in $(seq 100); do
      kill -0 "$pid" 2>/dev/null || break
      if answers "$address" "$port"; then
        echo "$port$first"
        wait "$pid" || true
        pid=""
        exit 0
      fi
      sleep 0.2
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=""
  done
  cat "$dir"/*.log >&2 2>/dev/null || true
  die "$name did not start"
}

case "${1:-}" in
  fetch) fetch ;;
  serve) [ $# -eq 3 ] || [ $# -eq 4 ] || die "usage: $0 serve NAME ROOT [plain|tls|ipv6]"; serve "$2" "$3" "${4:-plain}" ;;
  user) echo "$FTP_USER" ;;
  password) echo "$FTP_PASSWORD" ;;
  *) die "usage: $0 fetch | serve NAME ROOT [plain|tls|ipv6] | user | password" ;;
esac
