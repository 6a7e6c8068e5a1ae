#!/usr/bin/env bash
# FTP throughput and memory of the kvrupload command against curl on the same vsftpd, in
# active mode and binary type: GetFile and PutFile of a large file (alternating, ROUNDS
# rounds, medians), and a listing of 32,767 names. Not part of the test suite.
#   bench/ftp_bench.sh [KVRUPLOAD] [SIZE_MIB] [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-${KVR_CLI:-$root/build/bin/kvrupload}}
size_mib=${2:-1024}
rounds=${3:-3}
[ -x "$cli" ] || { echo "kvrupload not found at $cli (build it first)" >&2; exit 2; }

work=$(mktemp -d /tmp/kvr-ftp-bench.XXXXXX)
chmod 755 "$work" # the server runs as the test user
trap 'bash "$root/tests/servers/ftp_stop.sh" "$work/server" >/dev/null 2>&1; rm -rf "$work"' EXIT
bash "$root/tests/servers/ftp_start.sh" "$work/server" >/dev/null
# shellcheck disable=SC1091
. "$work/server/ftp.env"
host="127.0.0.1:$KVR_FTP_PORT"
url="ftp://$host"
auth="$KVR_FTP_USER:$KVR_FTP_PASSWORD"
home=$KVR_FTP_HOME
mkdir -p "$work/local"

echo "== preparing a ${size_mib} MiB random file and 32,767 names"
head -c "$((size_mib * 1024 * 1024))" /dev/urandom >"$home/big.bin"
cp "$home/big.bin" "$work/local/source.bin"
mkdir -p "$home/many"
python3 - "$home/many" <<'PY'
import os, sys
d = sys.argv[1]
for i in range(32767):
    open(os.path.join(d, "n%05d.txt" % i), "w").close()
PY
chmod -R a+rwX "$home"
cat "$home/big.bin" "$work/local/source.bin" >/dev/null # both in the page cache

# run NAME CMD...: appends "seconds peak_kib" to $work/NAME.
run() {
  local name=$1
  shift
  local t0 t1
  t0=$(date +%s.%N)
  /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null
  t1=$(date +%s.%N)
  local rss
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
  echo "$(awk -v a="$t1" -v b="$t0" 'BEGIN {print a - b}') $rss" >>"$work/$name"
}

for round in $(seq 1 "$rounds"); do
  echo "== round $round"
  run get_kvr "$cli" ftp "$host" --user "$KVR_FTP_USER" --password "$KVR_FTP_PASSWORD" \
    get big.bin "$work/local/got_kvr.bin" --type binary
  run get_curl curl -sS --ftp-port - -u "$auth" "$url/big.bin" -o "$work/local/got_curl.bin"
  cmp -s "$home/big.bin" "$work/local/got_kvr.bin" || { echo "get: bytes differ" >&2; exit 1; }
  run put_kvr "$cli" ftp "$host" --user "$KVR_FTP_USER" --password "$KVR_FTP_PASSWORD" \
    put "$work/local/source.bin" up_kvr.bin --type binary
  run put_curl curl -sS --ftp-port - -u "$auth" -T "$work/local/source.bin" "$url/up_curl.bin"
  cmp -s "$work/local/source.bin" "$home/up_kvr.bin" || { echo "put: bytes differ" >&2; exit 1; }
  run list_kvr "$cli" ftp "$host" --user "$KVR_FTP_USER" --password "$KVR_FTP_PASSWORD" \
    --dir many list
  run list_curl curl -sS --ftp-port - -u "$auth" --list-only "$url/many/"
  rm -f "$work/local/got_kvr.bin" "$work/local/got_curl.bin"
done

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
col() { awk -v c="$2" '{print $c}' "$work/$1"; }

printf '\n%-6s %12s %12s %8s %14s %14s\n' op kvr_s curl_s ratio kvr_rss_MiB curl_rss_MiB
for op in get put list; do
  k=$(col "${op}_kvr" 1 | median)
  c=$(col "${op}_curl" 1 | median)
  kr=$(col "${op}_kvr" 2 | sort -n | tail -1)
  cr=$(col "${op}_curl" 2 | sort -n | tail -1)
  if [ "$op" = list ]; then
    ratio=$(awk -v a="$k" -v b="$c" 'BEGIN {print a / b}') # time ratio: kvr / curl
  else
    ratio=$(awk -v a="$c" -v b="$k" 'BEGIN {print a / b}') # throughput ratio: kvr / curl
  fi
  printf '%-6s %12.3f %12.3f %8.2f %14.1f %14.1f\n' "$op" "$k" "$c" "$ratio" \
    "$(awk -v a="$kr" 'BEGIN {print a / 1024}')" "$(awk -v a="$cr" 'BEGIN {print a / 1024}')"
done
echo "(get/put ratio = kvrupload throughput / curl throughput; list ratio = kvrupload time / curl time;"
echo " ${size_mib} MiB file, medians of $rounds rounds, peak RSS = the largest of the rounds)"
