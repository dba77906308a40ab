#!/usr/bin/env bash
# Input storm: thousands of random X input events (drags with every button combination, wheel
# bursts, random keys, window resizes down to 1 by 1) sent to the real viewer, then "q". The
# viewer must survive all of it, exit with status 0 and print nothing.
#
# Usage: input_storm.sh VIEWER [EVENTS] [SEED]
set -euo pipefail

viewer=$1
events=${2:-3000}
RANDOM=${3:-20261208}
# shellcheck source=viewer-driver.sh
source "$(dirname "$0")/viewer-driver.sh"

start_viewer

keys=(1 2 3 4 5 6 7 8 9 0 a g A G Q x space Return Tab BackSpace F1 Left Up)
sizes=("1 1" "9 9" "19 19" "20 20" "21 37" "480 480" "640 480" "333 777" "100 20" "20 100")

# Builds the storm as xdotool command chains of about 200 events each, so that the events arrive
# in bursts the viewer has to absorb between frames.
sent=0
chain=()
flush() {
    if [ ${#chain[@]} -gt 0 ]; then
        xdotool "${chain[@]}" >"$work/xdotool.log" 2>&1 ||
            fail "xdotool rejected a chain: $(head -c 500 "$work/xdotool.log")"
        chain=()
    fi
    kill -0 "$pid" 2>/dev/null || fail "the viewer died after $sent events: $(cat "$work/stderr")"
}
while [ "$sent" -lt "$events" ]; do
    x=$((RANDOM % 480))
    y=$((RANDOM % 480))
    case $((RANDOM % 5)) in
        0 | 1)  # a drag with a random set of buttons held
            buttons=()
            for b in 1 2 3; do
                [ $((RANDOM % 2)) -eq 0 ] && buttons+=("$b")
            done
            [ ${#buttons[@]} -eq 0 ] && buttons=(1)
            chain+=(mousemove --window "$wid" "$x" "$y")
            for b in "${buttons[@]}"; do chain+=(mousedown "$b"); done
            for _ in 1 2 3 4 5; do
                # Beyond the window's right and bottom edges too.
                chain+=(mousemove --window "$wid" $((RANDOM % 600)) $((RANDOM % 600)))
            done
            for b in "${buttons[@]}"; do chain+=(mouseup "$b"); done
            sent=$((sent + 6 + 2 * ${#buttons[@]}))
            ;;
        2)  # a wheel burst
            n=$((RANDOM % 12 + 1))
            chain+=(mousemove --window "$wid" "$x" "$y" click --repeat "$n" --delay 0 $((4 + RANDOM % 2)))
            sent=$((sent + 1 + 2 * n))
            ;;
        3)  # a key
            chain+=(key --delay 0 "${keys[$((RANDOM % ${#keys[@]}))]}")
            sent=$((sent + 2))
            ;;
        4)  # a resize
            # shellcheck disable=SC2206
            size=(${sizes[$((RANDOM % ${#sizes[@]}))]})
            chain+=(windowsize "$wid" "${size[0]}" "${size[1]}")
            sent=$((sent + 1))
            ;;
    esac
    [ ${#chain[@]} -gt 400 ] && flush
done
flush

# Back to a usable size, then quit.
xdotool windowsize "$wid" 480 480 mousemove --window "$wid" 240 240
sleep 0.5
kill -0 "$pid" 2>/dev/null || fail "the viewer died: $(cat "$work/stderr")"
quit_viewer q
echo "stormed the viewer with $sent input events; it quit cleanly"
