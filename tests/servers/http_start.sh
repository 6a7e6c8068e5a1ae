#!/usr/bin/env bash
# Starts nginx for the HTTP tests: one plain and one TLS server on free loopback ports, both
# serving DIR/www for GET and taking PUT under /upload into DIR/upload. Everything nginx
# writes (pid, logs, temp files, the certificate) stays under DIR. When both ports answer,
# DIR/http.env gets the settings the tests read. Needs root (workers run as nobody).
set -euo pipefail
dir=$(realpath -m "${1:?usage: http_start.sh DIR}")
bash "$(dirname "$0")/http_stop.sh" "$dir" >/dev/null 2>&1 || true # one left from a past run
rm -rf "$dir"
mkdir -p "$dir"/{www,upload,logs,tls} "$dir"/temp/{client,proxy,fastcgi,uwsgi,scgi}
# Workers run as nobody: they read www, and write the temp folders and the upload folder.
chmod 0755 "$dir" "$dir/www" "$dir/temp"
chown -R nobody:nogroup "$dir/upload" "$dir/temp"
chmod 0777 "$dir/upload"
# Every folder above DIR must let nobody through, or every GET is a 403.
p=$dir
while [ "$p" != / ]; do
    p=$(dirname "$p")
    setpriv --reuid=nobody --regid=nogroup --clear-groups test -x "$p" 2>/dev/null ||
        { echo "http_start: $p cannot be searched by nobody (nginx workers); chmod o+x it" >&2; exit 1; }
done
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$dir/tls/key.pem" -out "$dir/tls/cert.pem" \
    -days 30 -subj "/CN=127.0.0.1" -addext "subjectAltName=IP:127.0.0.1,DNS:localhost" \
    >"$dir/logs/openssl.out" 2>&1
chmod 0644 "$dir/tls/cert.pem"

answers() { # URL: true once the server gives any HTTP answer
    [[ $(curl -s -o /dev/null -w '%{http_code}' --max-time 2 --cacert "$dir/tls/cert.pem" "$1") =~ ^[1-5] ]]
}
locations="root $dir/www;
        # The same files at a pace a window can be watched (and closed) during a download.
        location /slow/ {
            alias $dir/www/;
            limit_rate 512k;
        }
        location /upload/ {
            alias $dir/upload/;
            dav_methods PUT DELETE;
            create_full_put_path on;
            dav_access user:rw group:rw all:r;
        }"
for attempt in 1 2 3 4 5; do # a port taken meanwhile: new ones
    read -r http_port https_port < <(python3 -c 'import socket; s = [socket.socket() for _ in "ab"]
print(*(x.bind(("127.0.0.1", 0)) or x.getsockname()[1] for x in s))')
    cat >"$dir/nginx.conf" <<EOF
daemon off;
user nobody nogroup;
pid $dir/nginx.pid;
error_log $dir/logs/error.log warn;
events { worker_connections 256; }
http {
    types { text/html html; text/plain txt; }
    default_type application/octet-stream;
    access_log $dir/logs/access.log;
    client_body_temp_path $dir/temp/client;
$(for t in proxy fastcgi uwsgi scgi; do echo "    ${t}_temp_path $dir/temp/$t;"; done)
    client_max_body_size 0;
    sendfile on;
    server {
        listen 127.0.0.1:$http_port;
        $locations
    }
    server {
        listen 127.0.0.1:$https_port ssl;
        ssl_certificate $dir/tls/cert.pem;
        ssl_certificate_key $dir/tls/key.pem;
        location /to-http/ { return 302 http://127.0.0.1:$http_port/; }
        $locations
    }
}
EOF
    # Own session and no inherited output: CTest waits for nobody holding its stdout.
    setsid nginx -p "$dir/" -c "$dir/nginx.conf" -e "$dir/logs/error.log" \
        </dev/null >>"$dir/logs/nginx.out" 2>&1 &
    pid=$!
    echo "$pid" >"$dir/master.pid"
    for _ in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || break
        if answers "http://127.0.0.1:$http_port/" && answers "https://127.0.0.1:$https_port/"; then
            cat >"$dir/http.env.tmp" <<EOF
KVR_HTTP_PORT=$http_port
KVR_HTTPS_PORT=$https_port
KVR_HTTP_ROOT=$dir/www
KVR_HTTP_PUT_ROOT=$dir/upload
KVR_HTTP_PUT_PREFIX=/upload
KVR_CA_FILE=$dir/tls/cert.pem
EOF
            mv "$dir/http.env.tmp" "$dir/http.env"
            echo "http: nginx $pid on 127.0.0.1:$http_port (HTTP) and 127.0.0.1:$https_port (HTTPS)"
            exit 0
        fi
        sleep 0.1
    done
    { kill "$pid"; wait "$pid"; } 2>/dev/null || true
    echo "http_start: attempt $attempt failed:" >&2
    tail -n 5 "$dir/logs/error.log" "$dir/logs/nginx.out" >&2 2>/dev/null || true
done
echo "http_start: nginx did not start" >&2
exit 1
