# Shared by the end-to-end scripts (sourced, not run): starts the real viewer on the current X
# display, finds its window and ends it with a key, checking how it ended.
# Expects $viewer; provides $work (a temporary folder removed on exit), $pid and $wid.

work=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# start_viewer: runs the viewer with its output in $work/stdout and $work/stderr, waits for the
# window titled "Class Quillon", moves it to the screen's corner and the pointer over it (keys go
# to the window under the pointer: there is no window manager).
start_viewer() {
    "$viewer" >"$work/stdout" 2>"$work/stderr" &
    pid=$!
    wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Class Quillon$' | head -n1) ||
        fail "no window titled 'Class Quillon' appeared"
    xdotool windowmove "$wid" 0 0
    xdotool mousemove --window "$wid" 240 240
}

# quit_viewer KEY: presses KEY and requires the viewer to exit with status 0 having printed
# nothing on either stream.
quit_viewer() {
    xdotool key "$1"
    timeout 20 tail --pid="$pid" -f /dev/null || fail "the viewer did not exit on $1"
    local status=0
    wait "$pid" || status=$?
    pid=""
    [ "$status" = 0 ] || fail "the viewer exited with status $status on $1: $(head -c 2000 "$work/stderr")"
    [ ! -s "$work/stdout" ] || fail "the viewer printed: $(head -c 2000 "$work/stdout")"
    [ ! -s "$work/stderr" ] || fail "the viewer wrote to stderr: $(head -c 2000 "$work/stderr")"
}
