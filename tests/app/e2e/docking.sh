#!/usr/bin/env bash
# Moving a panel end to end: the real veltrane, a real pointer dragging the "Output" panel by its
# caption onto the outer bottom guide of the docking site; the panel then spans the site's bottom
# edge, and the layout saved at exit brings it back there at the next start.
#   docking.sh <veltrane> <screenshot tool> <folder for screenshots>
set -euo pipefail
program=$1 camera=$2 shots=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

# The saved layout of the main site's tree, one control a line, depth first:
#   <depth> <caption or -> <left> <top> <right> <bottom>   (screen rectangle, right and bottom exclusive)
layout() {
  python3 - "$VELTRANE_REGISTRY" <<'EOF'
import struct, sys
section, hexed = None, None
for line in open(sys.argv[1]):
    line = line.rstrip("\n")
    if line.startswith("["):
        section = line
    elif section == r"[Software\\Veltrane\\Desktop\\Layout]" and line.startswith("Docking=b:"):
        hexed = line[len("Docking=b:"):]
if hexed is None:
    sys.exit("no saved layout")
data = bytes.fromhex(hexed)
assert data[:6] == b"VZDOCK", "not a layout"
at = 10 + 50 + 4  # header, form placement, the first site's length
def integer(offset):
    return struct.unpack_from("<i", data, offset)[0]
def control(at, depth):
    # Length; type id, key, screen rectangle, normal size, panel state, caption; 96 bytes of
    # alignment, auto-hide and placement fields; children.
    end = at + 4 + integer(at)
    left, top, right, bottom = struct.unpack_from("<4i", data, at + 4 + 4 + 16)
    at += 4 + 4 + 16 + 16 + 8 + 1
    size = integer(at)
    caption = data[at + 4:at + 4 + max(size, 0)].decode("latin-1") or "-"
    at += 4 + max(size, 0) + 96
    print(depth, caption.replace(" ", "_"), left, top, right, bottom)
    children, at = integer(at), at + 4
    for _ in range(children):
        at = control(at, depth + 1)
    return end
assert integer(at) == 0, "the first site is not the docking site"
if data[at + 4 + 16]:
    control(at + 4 + 16 + 1, 0)
EOF
}
# A field of the line of `caption` in the saved layout.
field() { layout | awk -v c="$1" -v f="$2" '$2 == c { print $f; exit }'; }
stop() {
  keys "$main" key alt+f x
  for _ in $(seq 1 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$program_pid" 2>/dev/null && fail "the program did not end after File > Exit"
  wait "$program_pid" || fail "the program ended with status $?: $(tail -20 "$work/program.log")"
}

echo "1. The first run saves the default layout: Output beside the debugging views"
connect
sleep 0.5
stop
layout
[ "$(field Output 1)" = 2 ] || fail "Output does not start in the bottom row: $(layout)"
read -r _ _ left top right bottom < <(layout | head -1)
read -r _ _ oleft otop oright _ < <(layout | awk '$2 == "Output"')
[ "$oleft" -gt "$left" ] || fail "Output starts at the site's left edge already"

echo "2. Output dragged by its caption onto the site's outer bottom guide"
connect
sleep 0.5
"$camera" "$shots/before.png"
xdotool mousemove --sync $((oleft + 40)) $((otop + 8))
xdotool mousedown 1
# Past the drag threshold, across the window, to the middle of the guide at the bottom edge.
guide_x=$(((left + right) / 2)) guide_y=$((bottom - 20))
for step in 1 2 3 4 5 6 7 8; do
  xdotool mousemove --sync $((oleft + 40 + (guide_x - oleft - 40) * step / 8)) \
    $((otop + 8 + (guide_y - otop - 8) * step / 8))
  sleep 0.1
done
xdotool mousemove --sync $((guide_x + 1)) "$guide_y"
sleep 0.6
"$camera" "$shots/drag-on-bottom-guide.png"
xdotool mouseup 1
sleep 0.5
"$camera" "$shots/docked-at-the-bottom.png"
[ ! -s "$work/trace" ] || fail "an error was shown: $(cat "$work/trace")"
stop
layout
read -r depth _ oleft otop oright obottom < <(layout | awk '$2 == "Output"')
[ "$depth" = 1 ] || fail "Output is not a row of the site's own column: $(layout)"
read -r _ _ left top right bottom < <(layout | head -1)
[ "$oleft $oright $obottom" = "$left $right $bottom" ] ||
  fail "Output ($oleft $otop $oright $obottom) does not span the site's bottom ($left $top $right $bottom)"

echo "3. The next start brings Output back at the bottom"
saved=$(layout)
connect
sleep 0.5
"$camera" "$shots/after-restart.png"
stop
[ "$(layout)" = "$saved" ] || fail "the layout changed over a restart: $(layout)"
echo "PASS"
