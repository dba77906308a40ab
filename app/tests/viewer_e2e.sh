#!/usr/bin/env bash
# End-to-end test of the viewer as a person uses it: starts the real binary on the current X
# display, drives it with real X input events and compares screenshots of its window with frames
# that the libraries render for the same camera state.
#
# Usage: viewer_e2e.sh VIEWER FRAME_CAPTURE
set -euo pipefail

viewer=$1
capture=$2
# shellcheck source=viewer-driver.sh
source "$(dirname "$0")/viewer-driver.sh"

shot() {  # shot FILE: a screenshot of the viewer window
    /usr/bin/import -window "$wid" "$1"
}

differing_pixels() {  # differing_pixels A B: number of pixels that differ
    /usr/bin/compare -metric AE "$1" "$2" null: 2>&1 || true
}

# wait_for_frame EXPECTED OUT: waits until the window shows exactly EXPECTED; the last screenshot
# is left in OUT.
wait_for_frame() {
    local n
    for _ in $(seq 1 50); do
        shot "$2"
        n=$(differing_pixels "$1" "$2")
        [ "$n" = "0" ] && return 0
        sleep 0.2
    done
    fail "window differs from $1 in $n pixels (last screenshot $2)"
}

# expect CAMERA... : renders the expected frame for a camera state (rotX rotZ panX panY zoom).
expect() {
    local out=$work/expected-$(echo "$*" | tr ' ' '_').ppm
    "$capture" "$out" "$@" >"$work/status" || fail "frame_capture failed for $*"
    echo "$out"
}

is_dark() {  # is_dark FILE X Y: the pixel at (X, Y), top-left origin, is darker than mid grey
    local v
    v=$(/usr/bin/convert "$1" -format "%[fx:int(255*intensity)]" -crop "1x1+$2+$3" info:)
    [ "$v" -lt 128 ]
}

start_viewer

# The window and its first frame: the demo scene as the libraries render it.
geometry=$(xdotool getwindowgeometry "$wid" | sed -n 's/.*Geometry: //p')
[ "$geometry" = "480x480" ] || fail "window is $geometry, not 480x480"
initial=$(expect -90 0 0 0 -5)
echo "initial view: $(cat "$work/status")"
wait_for_frame "$initial" "$work/shot0.png"

# Status line at the bottom left (text from x = 10, baseline 10 pixels up) and the pictures of the
# pyramid level 0 (x 2 to 49, y 2 to 49) and of the depth grid (x 2 to 25, y 53 to 76).
dark_status=0
for x in $(seq 10 2 120); do
    for y in $(seq 455 2 469); do
        is_dark "$work/shot0.png" "$x" "$y" && dark_status=1 && break 2
    done
done
[ "$dark_status" = 1 ] || fail "no status text at the bottom left"
is_dark "$work/shot0.png" 3 3 || fail "level 0 of the pyramid is not drawn at the top left"

# A left drag turns the scene: 40 pixels right, 20 down.
xdotool mousemove --window "$wid" 200 200 mousedown 1
for step in 1 2 3 4; do
    xdotool mousemove --window "$wid" $((200 + 10 * step)) $((200 + 5 * step))
done
xdotool mouseup 1
dragged=$(expect -70 40 0 0 -5)
wait_for_frame "$dragged" "$work/shot1.png"
[ "$(differing_pixels "$work/shot0.png" "$work/shot1.png")" != "0" ] || fail "the drag changed nothing"

# One wheel step up is a button-3 press and release: two zoom steps.
xdotool click 4
zoomed=$(expect -70 40 0 0 -3)
wait_for_frame "$zoomed" "$work/shot2.png"

# A right drag moves the scene: 30 pixels right, 10 up.
xdotool mousemove --window "$wid" 300 300 mousedown 3
xdotool mousemove --window "$wid" 315 295 mousemove --window "$wid" 330 290
xdotool mouseup 3
moved=$(expect -70 40 30 -10 -3)
wait_for_frame "$moved" "$work/shot3.png"
echo "after drags and zoom: $(cat "$work/status")"

# A digit rebuilds the identical scene; the view stays.
xdotool key 5
sleep 0.5
wait_for_frame "$moved" "$work/shot4.png"

# "g" steps through the depth rules, each named above the status line, and wraps around.
xdotool key g
conservative=$(expect -70 40 30 -10 -3 conservative)
wait_for_frame "$conservative" "$work/shot5.png"
echo "conservative depth test: $(cat "$work/status")"
xdotool key g
depth_map=$(expect -70 40 30 -10 -3 "depth map")
wait_for_frame "$depth_map" "$work/shot5b.png"
echo "depth-map depth test: $(cat "$work/status")"
xdotool key g
raster=$(expect -70 40 30 -10 -3 raster)
wait_for_frame "$raster" "$work/shot5c.png"
echo "raster depth test: $(cat "$work/status")"
xdotool key g
wait_for_frame "$moved" "$work/shot6.png"

# Keys that are not bound change nothing.
xdotool key Q key 0 key G
sleep 0.5
wait_for_frame "$moved" "$work/shot7.png"

# q ends the process with status 0, having printed nothing.
quit_viewer q

# So does Escape.
start_viewer
wait_for_frame "$initial" "$work/shot8.png"
quit_viewer Escape
