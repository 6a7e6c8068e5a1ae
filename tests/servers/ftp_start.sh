#!/usr/bin/env bash
# Starts vsftpd on a free loopback port for the tests: its own config under DIR, a local test
# user whose FTP root is DIR/home, active mode allowed. Writes DIR/ftp.env.
set -euo pipefail
dir=$(mkdir -p "${1:?usage: ftp_start.sh DIR}" && cd "$1" && pwd)
user=${KVR_FTP_TEST_USER:-kvrftp}
password=${KVR_FTP_TEST_PASSWORD:-kvr-ftp-pass}

bash "$(dirname "$0")/ftp_stop.sh" "$dir" || true

# The test user (idempotent); PAM wants a shell listed in /etc/shells.
id "$user" >/dev/null 2>&1 || useradd -m -d "/home/$user" -s /bin/bash "$user"
echo "$user:$password" | chpasswd

home="$dir/home"
mkdir -p "$home" "$dir/empty"
chown root:root "$dir/empty" && chmod 755 "$dir/empty"
# Tests prepare files as root; the server, as the user, must still rename and delete them.
chown "$user:$user" "$home" && chmod 777 "$home"

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat >"$dir/vsftpd.conf" <<CONF
listen=YES
listen_address=127.0.0.1
listen_port=$port
background=NO
anonymous_enable=NO
local_enable=YES
write_enable=YES
local_umask=022
local_root=$home
port_enable=YES
pasv_enable=YES
pam_service_name=vsftpd
secure_chroot_dir=$dir/empty
seccomp_sandbox=NO
vsftpd_log_file=$dir/vsftpd.log
CONF

setsid /usr/sbin/vsftpd "$dir/vsftpd.conf" </dev/null >"$dir/vsftpd.out" 2>&1 &
echo $! >"$dir/vsftpd.pid"

for _ in $(seq 1 100); do
  if ! kill -0 "$(cat "$dir/vsftpd.pid")" 2>/dev/null; then
    echo "vsftpd exited at start-up (config $dir/vsftpd.conf):" >&2
    cat "$dir/vsftpd.out" >&2 || true
    exit 1
  fi
  if timeout 1 bash -c "exec 3<>/dev/tcp/127.0.0.1/$port" 2>/dev/null; then
    printf 'KVR_FTP_PORT=%s\nKVR_FTP_USER=%s\nKVR_FTP_PASSWORD=%s\nKVR_FTP_HOME=%s\n' \
        "$port" "$user" "$password" "$home" >"$dir/ftp.env"
    echo "vsftpd on 127.0.0.1:$port, root $home"
    exit 0
  fi
  sleep 0.1
done
echo "vsftpd did not answer on 127.0.0.1:$port" >&2
exit 1
