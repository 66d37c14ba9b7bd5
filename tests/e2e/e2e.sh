#!/usr/bin/env bash
# The real program under Xvfb and a window manager, driven with real X input:
#   START; SHIFT+Ctrl release on "5sec >>" (the phase ends early: the bar turns yellow);
#   pause; SHIFT release on RESET (the bar goes back to the window colour);
#   SHIFT+Ctrl release on "++"; close through the window manager and confirm.
# Then the settings file must hold the trimmed interval and the boxes' lengths.
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
openbox >/dev/null 2>&1 &
sleep 1
"$app" 2>app.err &
pid=$!
wid=$(xdotool search --sync --onlyvisible --name "^Zentrel Timer")
sleep 0.5
colour() { import -window "$wid" png:- | convert - -format "%[pixel:p{$1,$2}]" info:; }
click() { xdotool mousemove --window "$wid" "$1" "$2" click 1; }
release_with() { # keys x y
    xdotool keydown $1 mousemove --window "$wid" "$2" "$3" click 1 keyup $1
}
expect_bar() { # what when
    local got
    got=$(colour 400 160)
    [[ "$got" == "$1" ]] || fail "$2: bar is $got, expected $1"
    echo "e2e: $2: bar $got"
}
face=$(colour 796 300) # the window's own colour, right of the bar

expect_bar "$face" "idle"
click 76 36                            # START
sleep 0.2
expect_bar "srgb(0,255,255)" "START, Moving"
release_with "shift ctrl" 228 488      # 5sec >>: 0:06 becomes 0:01
sleep 1.6                              # 0:00 at +0.5 s, Reading at +1.0 s; Moving would last to +3.3 s
expect_bar "srgb(255,255,0)" "after 5sec >>, Reading"
click 220 36                           # pause
release_with "shift" 724 20            # RESET
sleep 0.3
expect_bar "$face" "after RESET"
release_with "shift ctrl" 500 488      # ++: 500 becomes 510
click 724 20                           # a plain click on RESET does nothing
sleep 0.3

wmctrl -c "Zentrel Timer"              # close through the window manager
question=$(xdotool search --sync --onlyvisible --name "^Zentrel_Timer$")
xdotool key --window "$question" shift+Tab space   # Cancel is the default: choose OK
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the window did not close"
wait "$pid" || true
echo "e2e: closed after confirmation"
INNER

xvfb-run -a -s "-screen 0 1024x768x24" bash inner.sh "$app"
grep -q $'^ 510:interval of one second\r$' setting.txt || { echo "e2e: interval not saved:"; cat -A setting.txt; exit 1; }
grep -q $'^ 6:moving seconds\r$' setting.txt || { echo "e2e: lengths not saved"; exit 1; }
[[ $(stat -c %s setting.txt) -eq 222 ]] || { echo "e2e: setting.txt is $(stat -c %s setting.txt) bytes"; exit 1; }
echo "e2e: setting.txt saved with the trimmed interval"
echo "1 passed, 0 failed"
