#!/usr/bin/env bash
# The real program under Xvfb and a window manager, driven with real X input:
#   START; SHIFT+Ctrl release on "5sec >>" (the phase ends early: the bar turns yellow);
#   pause; SHIFT release on RESET (the bar goes back to the window colour);
#   SHIFT+Ctrl release on "++"; close through the window manager and confirm.
# Then the settings file must hold the trimmed interval. Last, --screen NAME alone starts
# full screen on that screen (a wrong name is refused with the list of names).
#   e2e.sh path/to/zentrel-timer
set -euo pipefail
app=$(realpath "$1")
for tool in xvfb-run xdotool import convert openbox wmctrl; do
    command -v "$tool" >/dev/null || { echo "e2e: $tool is missing"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# Ticks of 500 ms; Moving 0:06 lasts three seconds unless skipped.
printf '"Setting DATA\r\n 500:interval of one second\r\n 0:moving minutes\r\n 6:moving seconds\r\n 0:reading minutes\r\n30:reading seconds\r\n 5:examination minutes\r\n 0:examination seconds\r\n 1:feedback minutes\r\n 0:feedback seconds\r\nend\r\n\r\n"\r\n' > setting.txt

cat > inner.sh <<'INNER'
set -euo pipefail
app=$1
fail() { echo "e2e: $*"; exit 1; }
# Every process started here is stopped on the way out, whatever happens.
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
# Waits up to $1 tenths of a second for the command after it to succeed.
within() { local n=$1; shift; for _ in $(seq "$n"); do "$@" && return 0; sleep 0.1; done; "$@"; }
openbox >/dev/null 2>&1 &
pids+=($!)
within 50 wmctrl -m >/dev/null 2>&1 || fail "no window manager"
"$app" 2>app.err &
pid=$!
pids+=($pid)
wid=$(timeout 20 xdotool search --sync --onlyvisible --name "^Zentrel Timer") || fail "no window"
colour() { import -window "$wid" png:- | convert - -format "%[pixel:p{$1,$2}]" info:; }
click() { xdotool mousemove --window "$wid" "$1" "$2" click 1; }
release_with() { # keys x y
    xdotool keydown $1 mousemove --window "$wid" "$2" "$3" click 1 keyup $1
}
bar_is() { [[ "$(colour 400 160)" == "$1" ]]; }
expect_bar() { # colour what [tenths of a second to wait]
    within "${3:-30}" bar_is "$1" || fail "$2: bar is $(colour 400 160), expected $1"
    echo "e2e: $2: bar $1"
}
within 30 bash -c "[[ -n \"\$(import -window $wid png:- 2>/dev/null | head -c1)\" ]]"
face=$(colour 796 300) # the window's own colour, right of the bar

expect_bar "$face" "idle"
click 76 36                            # START
expect_bar "srgb(0,255,255)" "START, Moving"
release_with "shift ctrl" 228 488      # 5sec >>: 0:06 becomes 0:01
# Reading within 2.5 s: without the skip, Moving would last 3.3 s.
expect_bar "srgb(255,255,0)" "after 5sec >>, Reading" 25
click 220 36                           # pause
release_with "shift" 724 20            # RESET
expect_bar "$face" "after RESET"
release_with "shift ctrl" 500 488      # ++: 500 becomes 510

wmctrl -c "Zentrel Timer"              # close through the window manager
question=$(timeout 20 xdotool search --sync --onlyvisible --name "^Zentrel_Timer$") \
    || fail "no exit question"
xdotool key --window "$question" shift+Tab space   # Cancel is the default: choose OK
within 50 bash -c "! kill -0 $pid 2>/dev/null" || fail "the window did not close"
wait "$pid" || true
echo "e2e: closed after confirmation"

name=$({ "$app" --screen nosuch 2>&1 || true; } | sed -n 's/.*screens: \(.*\) (0).*/\1/p')
[[ -n "$name" ]] || fail "a wrong --screen named no screens"
"$app" --screen "$name" 2>app.err &
pid=$!
pids+=($pid)
wid=$(timeout 20 xdotool search --sync --onlyvisible --name "^Zentrel Timer") || fail "no window"
full() { [[ "$(xdotool getwindowgeometry "$wid" | grep -o '[0-9]*x[0-9]*$')" == 1024x768 ]]; }
within 50 full || fail "--screen $name: $(xdotool getwindowgeometry "$wid")"
kill -TERM "$pid"
wait "$pid" || fail "--screen $name: no orderly end"
echo "e2e: --screen $name: full screen"
INNER

xvfb-run -a -s "-screen 0 1024x768x24" bash inner.sh "$app"
grep -q $'^ 510:interval of one second\r$' setting.txt || { echo "e2e: interval not saved:"; cat -A setting.txt; exit 1; }
echo "e2e: setting.txt saved with the trimmed interval"
echo "1 passed, 0 failed"
