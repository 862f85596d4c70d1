# What the benchmarks of the web roads share, sourced by run_demo_road and
# run_update_road: the optimised programs, a private folder and Xvfb, a
# release served by nginx on loopback, and curl with unzip as the standard
# to measure against.  After sourcing: $root, $run, $DISPLAY, now, seconds,
# serve, curl_and_unzip.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-bench -j 4 --target nimbrel-installer nimbrel-updater >/dev/null

run=$(mktemp -d /tmp/nimbrel-bench-XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$run"
}
trap cleanup EXIT
now() { date +%s.%N; }
seconds() { python3 -c "print('%.2f' % ($2 - $1))"; }

Xvfb -displayfd 3 -screen 0 1024x768x24 -noreset -nolisten tcp +extension GLX 3>"$run/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$run/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$run/display")

serve() {  # webroot -> port, nginx_pid
    local www=$1 conf=$run/nginx/nginx.conf
    mkdir -p "$run/nginx"
    port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    {
        echo "daemon off; worker_processes 4;"
        [ "$(id -u)" = 0 ] && echo "user root;"
        echo "pid $run/nginx/nginx.pid; error_log $run/nginx/error.log;"
        echo "events { worker_connections 256; }"
        echo "http { access_log off; default_type application/octet-stream; sendfile on;"
        for kind in client_body proxy fastcgi uwsgi scgi; do echo "  ${kind}_temp_path $run/nginx/$kind;"; done
        echo "  server { listen 127.0.0.1:$port; root $www; location /mirror/ { alias $www/demo/; } }"
        echo "}"
    } >"$conf"
    /usr/sbin/nginx -p "$run/nginx" -c "$conf" -e "$run/nginx/error.log" &
    nginx_pid=$!
    pids+=("$nginx_pid")
    sleep 0.3
}

# curl_and_unzip WEBROOT RELEASE LIST -> "curl seconds" "unzip seconds": the
# archives of the files LIST names (paths below the top folder, one a line)
# fetched four at a time through the proxy, then each unpacked into its
# folder, one after the other.
curl_and_unzip() {
    local www=$1 release=$2 list=$3 out=$run/curl
    rm -rf "$out"; mkdir -p "$out"
    while IFS= read -r path; do
        echo "url = \"http://dl1.nimbrel.example/demo/$release/Nimbrel/${path// /%20}.zip\""
        echo "output = \"$out/$path.zip\""
    done <"$list" >"$run/curl.cfg"
    local start mid
    start=$(now)
    curl -s --parallel --parallel-max 4 --create-dirs --proxy "127.0.0.1:$port" -K "$run/curl.cfg" >/dev/null 2>&1
    mid=$(now)
    find "$out" -name '*.zip' -print0 | while IFS= read -r -d '' z; do unzip -qo "$z" -d "$(dirname "$z")"; done
    echo "$(seconds "$start" "$mid") $(seconds "$mid" "$(now)")"
}
