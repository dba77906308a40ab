#!/usr/bin/env bash
# Runs the culling measurement on a short camera path and checks what it wrote: well-formed CSV
# files, counts that add up, a sane ground truth for the viewer's initial view (the boxes behind
# the front slab hidden, the front corner box visible) and no false cull under the conservative
# and depth-map rules or the occlusion queries, on the demo scene and on a random one.
# Usage: measure_smoke.sh <measure_culling>
set -euo pipefail

program=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# The initial view first; then a quarter turn, a raised view, the top view, a view from inside the
# ring of slabs and a view from behind.
"$here/../../scripts/with-display" "$program" --quiet \
    --camera -90,0,-5 --camera -90,90,-5 --camera -60,45,-1 --camera 0,0,-5 \
    --camera -30,200,7 --camera -90,180,3,20,-10 \
    --csv "$work/views.csv" --objects "$work/objects.csv" --false-culls "$work/false.csv" \
    >"$work/summary.txt" || fail "the program exited with status $?"

views=6
grid_boxes=225

for heading in "Frame time per method" "Culling effectiveness" "Culling stages" \
    "each method's frames one after another" "Peak resident memory" "False culls:"; do
    grep -q "$heading" "$work/summary.txt" || fail "the summary lacks \"$heading\""
done
# The overheads, as the methods' frames alternate and in sequence: every method's, each a time
# above zero, hom's ratio to itself 1.
awk '
    /^Culling stages/ { stages = 1; next }
    stages && NF == 0 { stages = 0 }
    stages && $1 != "method" {
        ++stageRows
        if (!($20 > 0) || !($24 > 0)) { print "bad stages row: " $0; bad = 1 }
        if ($1 == "hom" && $24 != "1.000") { print "hom over itself: " $24; bad = 1 }
    }
    /one after another/ { on = 1; next }
    on && NF == 0 { on = 0 }
    on {
        ++rows
        if (!($2 > 0) || $3 != "/" || !($4 >= $2) || !($5 > 0)) { print "bad row: " $0; bad = 1 }
        if ($1 == "hom" && $5 != "1.000") { print "hom over itself: " $5; bad = 1 }
    }
    END { if (rows != 4 || stageRows != 4) { print rows " and " stageRows " rows"; bad = 1 } exit bad }
' "$work/summary.txt" || fail "the overheads are not consistent"

# views.csv: the header, one row per view, every field a number.
expected_header="view,rotX,rotZ,zoom,panX,panY,objects,visible,hidden,hom_culled,hom_false,hom_missed,cons_culled,cons_false,cons_missed,dmap_culled,dmap_false,dmap_missed,raster_culled,raster_false,raster_missed,queries_drawn,queries_false"
header=$(head -n1 "$work/views.csv")
[[ $header == "$expected_header",* ]] || fail "unexpected CSV header: $header"
rows=$(($(wc -l <"$work/views.csv") - 1))
[ "$rows" -eq "$views" ] || fail "$rows CSV rows for $views views"

awk -F, -v boxes="$grid_boxes" '
    NR == 1 { for (k = 1; k <= NF; ++k) col[$k] = k; fields = NF; next }
    function v(name) { return $(col[name]) }
    {
        if (NF != fields) { print "row " NR - 1 ": " NF " fields, header has " fields; bad = 1 }
        for (k = 1; k <= NF; ++k) {
            if ($k !~ /^-?[0-9]+(\.[0-9]+)?(e[-+]?[0-9]+)?$/) {
                print "row " NR - 1 ": field " k " is not a number: " $k; bad = 1
            }
        }
        if (v("view") != NR - 2) { print "row " NR - 1 ": view " v("view"); bad = 1 }
        if (v("objects") != boxes || v("visible") + v("hidden") != boxes) {
            print "row " NR - 1 ": visible + hidden != objects"; bad = 1
        }
        split("hom cons dmap raster", rules, " ")
        for (r = 1; r <= 4; ++r) {
            culled = v(rules[r] "_culled"); wrong = v(rules[r] "_false"); missed = v(rules[r] "_missed")
            # Every hidden object is either culled correctly or missed.
            if (culled - wrong + missed != v("hidden") || wrong > v("visible") || culled > boxes) {
                print "row " NR - 1 ": " rules[r] " counts do not add up"; bad = 1
            }
            if (v(rules[r] "_ms") <= 0 || v(rules[r] "_sequence_overhead_ms") <= 0) {
                print "row " NR - 1 ": no " rules[r] " time"; bad = 1
            }
        }
        if (v("cons_false") != 0) { print "row " NR - 1 ": conservative false culls"; bad = 1 }
        if (v("dmap_false") != 0) { print "row " NR - 1 ": depth-map false culls"; bad = 1 }
        if (v("raster_false") != 0) { print "row " NR - 1 ": raster false culls"; bad = 1 }
        if (v("queries_false") != 0) { print "row " NR - 1 ": query false culls"; bad = 1 }
        if (v("queries_drawn") < v("visible")) { print "row " NR - 1 ": queries drew too few"; bad = 1 }
        if (v("none_ms") <= 0 || v("oracle_ms") <= 0 || v("queries_ms") <= 0) {
            print "row " NR - 1 ": missing frame times"; bad = 1
        }
    }
    END { exit bad }
' "$work/views.csv" || fail "views.csv is not consistent"

# objects.csv: one row per view and grid box, agreeing with views.csv.
[ "$(head -n1 "$work/objects.csv")" = "view,object,visible_pixels,hom_culled,cons_culled,dmap_culled,raster_culled,queries_drawn" ] ||
    fail "unexpected objects.csv header"
awk -F, -v boxes="$grid_boxes" -v views="$views" '
    FNR == 1 { next }
    FILENAME ~ /views/ { visible[$1] = $8; next }
    {
        ++rows
        if ($3 > 0) ++seen[$1]
        if ($3 > 0 && $5 == 1) { print "view " $1 " object " $2 ": visible but culled (conservative)"; bad = 1 }
        if ($3 > 0 && $6 == 1) { print "view " $1 " object " $2 ": visible but culled (depth map)"; bad = 1 }
        if ($3 > 0 && $7 == 1) { print "view " $1 " object " $2 ": visible but culled (raster)"; bad = 1 }
        if ($3 > 0 && $8 == 0) { print "view " $1 " object " $2 ": visible but not drawn (queries)"; bad = 1 }
        # Initial view: the column of boxes through the grid centre (cell 7, j) lies behind the
        # front slab, the near corner box (cell 0, 0) beside it.
        if ($1 == 0 && $2 >= 105 && $2 <= 119 && $3 != 0) { print "object " $2 " visible in the initial view"; bad = 1 }
        if ($1 == 0 && $2 == 0 && $3 == 0) { print "object 0 hidden in the initial view"; bad = 1 }
    }
    END {
        if (rows != boxes * views) { print rows " object rows"; bad = 1 }
        for (view in visible) {
            if (seen[view] + 0 != visible[view]) { print "view " view ": visible counts differ"; bad = 1 }
        }
        exit bad
    }
' "$work/views.csv" "$work/objects.csv" || fail "objects.csv is not consistent"

# false.csv lists exactly the false culls counted in views.csv.
listed=$(($(wc -l <"$work/false.csv") - 1))
counted=$(awk -F, 'NR > 1 { n += $11 + $14 + $17 + $20 } END { print n + 0 }' "$work/views.csv")
[ "$listed" -eq "$counted" ] || fail "false.csv lists $listed false culls, views.csv counts $counted"
if grep -q -e ',hom-conservative,' -e ',hom-depthmap,' -e ',raster,' "$work/false.csv"; then
    fail "false culls of a sound rule listed"
fi

# Every visible pixel of a false cull is explained: no occluder there, or one behind it.
awk -F, 'NR > 1 && $10 + $11 != $9 { print "false cull row " NR - 1 ": causes do not add up"; bad = 1 }
    END { exit bad }' "$work/false.csv" || fail "false.csv causes are not consistent"

# A random scene, with pictures: one well-formed 480x480 PNG per method.
"$here/../../scripts/with-display" "$program" --quiet --scene random --seed 3 \
    --camera -60,30,-3 --shots "$work/shots" --csv "$work/random.csv" >"$work/random.txt" ||
    fail "the random-scene run exited with status $?"
grep -q "^Scene: random (seed 3, 6 occluders, 300 objects)" "$work/random.txt" ||
    fail "the random run's summary does not name its scene"
for method in hom hom-conservative hom-depthmap raster; do
    shot=$work/shots/view-0000-$method.png
    [ "$(head -c 8 "$shot" | od -An -tx1 | tr -d ' ')" = "89504e470d0a1a0a" ] ||
        fail "$shot is not a PNG file"
    [ "$(/usr/bin/identify -format %wx%h "$shot")" = "480x480" ] || fail "$shot is not 480x480"
done

echo "measurement smoke test passed: $views views, and a random scene with pictures"
