# Sourced by the studio's benchmarks: their Release build folder, and a studio
# server on loopback that stops by itself should the benchmark be killed.
#
#   release_build SCRIPT      sets build to OPBAFF_BUILD_DIR, or build-latency,
#                             configured as a Release build; exits 2 if it is not one
#   start_studio SCRIPT DESIGN WORK [NAME] [SECONDS]
#                             runs DESIGN serve --port 0 in the empty folder WORK
#                             (its output in WORK/NAME.out and .err; it stops after
#                             SECONDS, 600 unless given) and sets server, port and url
#   stop_studio               ends the server started last, if it runs

release_build() {
    build="${OPBAFF_BUILD_DIR:-build-latency}"
    if [ ! -f "$build/CMakeCache.txt" ]; then
        cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DOPBAFF_TESTS=OFF >/dev/null
    elif grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$build/CMakeCache.txt"; then
        cmake -S . -B "$build" >/dev/null
    else
        echo "$1: $build is not a Release build" >&2
        exit 2
    fi
}

server=""
start_studio() {
    local script="$1" design="$2" work="$3" name="${4:-serve}" seconds="${5:-600}"
    (cd "$work" && exec "$design" serve --port 0 --stop-after "$seconds" >"$name.out" 2>"$name.err") &
    server=$!
    port=""
    for _ in $(seq 100); do
        port="$(sed -n 's#^opbaff studio: http://127\.0\.0\.1:\([0-9]*\)/$#\1#p' "$work/$name.out")"
        if [ -n "$port" ]; then
            url="http://127.0.0.1:$port/"
            return 0
        fi
        sleep 0.1
    done
    echo "$script: the server did not start: $(cat "$work/$name.err")" >&2
    exit 2
}

stop_studio() {
    if [ -n "$server" ]; then
        kill -TERM "$server" 2>/dev/null || true
        wait "$server" 2>/dev/null || true
        server=""
    fi
}
