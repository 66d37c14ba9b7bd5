#!/usr/bin/env bash
# Prints the timer's figures: start-up, tick accuracy and handler cost, footprint while
# counting, cue latency, and the rooms of a circuit (200 followers; a flood of messages). Starts its own PulseAudio (a null sink that suspends after
# one idle second, like a desktop's) and its own Xvfb; touches nothing else.
#   bench/run-benchmarks.sh            full run (about 35 minutes; cue latency is most of it)
#   QUICK=1 bench/run-benchmarks.sh    a few minutes, fewer samples
#   BEFORE=<git rev> ...               also measures that revision's footprint, in the same run
#                                      (BEFORE_BIN=<its zentrel-timer> when already built)
#   FOOTPRINT_SECONDS=, CUES=          override the footprint time and bench_cuelatency's arguments
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
ZENTREL_EXTRA_PACKAGES="pulseaudio pulseaudio-utils xdotool" "$root/scripts/setup.sh"
"$root/scripts/build.sh"
bin="$root/build"

work=$(mktemp -d)
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cleanup() {
    pulseaudio --kill 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
pulseaudio -n --daemonize=yes --exit-idle-time=-1 --log-target=file:"$work/pulse.log" \
    -L "module-null-sink sink_name=bench rate=48000" -L "module-native-protocol-unix" \
    -L "module-suspend-on-idle timeout=1" 2>/dev/null
sleep 1
pactl set-default-sink bench

# Complete settings files, so start-up shows no notice: the designed lengths, and 0:35
# phases (a cue mark every 17.5 s).
settings() { # minutes and seconds of the four phases
    printf '"Setting DATA\r\n 999:interval of one second\r\n'
    for label in moving reading examination feedback; do
        printf '%2s:%s minutes\r\n%2s:%s seconds\r\n' "$1" "$label" "$2" "$label"
        shift 2
    done
    printf 'end\r\n\r\n"\r\n'
}
settings 1 0 1 0 5 0 1 0 > "$work/setting.txt"
settings 0 35 0 35 0 35 0 35 > "$work/short.txt"
cp "$work/setting.txt" "$work/designed.txt"
cd "$work"

# The revision to compare with, built from a copy of its files (the repository is untouched).
before="${BEFORE_BIN:-}"
if [[ -n "${BEFORE:-}" && -z "$before" ]]; then
    mkdir -p "$work/before-src"
    git -C "$root" archive "$BEFORE" | tar -x -C "$work/before-src"
    cmake -S "$work/before-src" -B "$work/before-build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$work/before-build" --target zentrel-timer >/dev/null
    before=$(find "$work/before-build" -name zentrel-timer -type f -perm -u+x | head -1)
fi

if [[ -n "${QUICK:-}" ]]; then ticks="100 10"; cues="3 0.5 5 -10"; footprint=20; rounds=2; else ticks="600 60"; cues=""; footprint=60; rounds=5; fi
footprint=${FOOTPRINT_SECONDS:-$footprint}; cues=${CUES:-$cues}

xvfb-run -a -s "-screen 0 1024x768x24" bash -s "$bin" "$ticks" "$footprint" "$before" <<'INNER'
bin=$1; ticks=$2; seconds=$3; before=$4
times=()
for i in $(seq 10); do
    times+=("$("$bin/bench/bench_startup" "$(date +%s%N)" 2>/dev/null | tail -1)")
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
echo "start-up to first paint (10 runs, complete settings file): median $(echo "$sorted" | sed -n 5p) ms," \
     "fastest $(echo "$sorted" | head -1) ms, slowest $(echo "$sorted" | tail -1) ms"

"$bin/bench/bench_ticks" $ticks 2>/dev/null

# CPU of all the program's threads while counting, started from the given settings file.
footprint() { # label program settings-file
    cp "$3" setting.txt
    "$2" 2>/dev/null &
    app=$!
    wid=$(xdotool search --sync --name "Zentrel Timer")
    xdotool mousemove --window "$wid" 76 36 click 1 # START
    sleep 5
    cpu() { cat /proc/$app/task/*/schedstat | awk '{ns += $1} END {print ns}'; } # in ns
    local start=$(cpu)
    sleep "$seconds"
    local end=$(cpu)
    local rss=$(awk '/VmHWM/ {print $2}' "/proc/$app/status")
    awk -v ns=$((end - start)) -v s="$seconds" -v rss="$rss" -v what="$1" 'BEGIN {
        printf "footprint, %s, counting for %d s at 999 ms: CPU %.3f %% of a core (%.2f ms a second), peak RSS %.1f MB\n",
            what, s, ns / 1e7 / s, ns / 1e6 / s, rss / 1024 }'
    kill "$app"
    wait "$app" 2>/dev/null || true
}
for lengths in designed short; do
    [[ -n "$before" ]] && footprint "before, $lengths lengths" "$before" "$lengths.txt"
    footprint "$lengths lengths" "$bin/src/app/zentrel-timer" "$lengths.txt"
done
cp designed.txt setting.txt
INNER

# Full screen at 1920 x 1080: the switch, and the huge digits redrawn while counting.
xvfb-run -a -s "-screen 0 1920x1080x24" bash -s "$bin" "$footprint" <<'INNER'
bin=$1; seconds=$2
"$bin/bench/bench_ticks" 20 3 2>/dev/null | grep "full screen switch"
"$bin/src/app/zentrel-timer" --fullscreen --log-dir "$PWD/log" 2>/dev/null &
app=$!
sleep 3
xdotool mousemove 300 70 click 1 # START, scaled
sleep 5
cpu() { cat /proc/$app/task/*/schedstat | awk '{ns += $1} END {print ns}'; }
before=$(cpu)
sleep "$seconds"
after=$(cpu)
awk -v ns=$((after - before)) -v s="$seconds" 'BEGIN {
    printf "full screen 1920x1080 while counting for %d s: CPU %.3f %% of a core (%.2f ms a second)\n",
        s, ns / 1e7 / s, ns / 1e6 / s }'
kill "$app"
INNER

ZENTREL_MONITOR_SOURCE=bench.monitor "$bin/bench/bench_cuelatency" $cues 2>/dev/null
# A 1.5 s tone as the cue while every core spins: the gaps heard inside it.
ZENTREL_MONITOR_SOURCE=bench.monitor "$bin/bench/bench_cuelatency" --busy "$([[ -n "${QUICK:-}" ]] && echo 3 || echo 10)" 2>/dev/null
"$bin/bench/bench_examlog" ${QUICK:+5000}
if [[ -n "${QUICK:-}" ]]; then rooms="100 10"; else rooms="300 30"; fi
"$bin/bench/bench_rooms" $rooms 2>/dev/null
"$bin/bench/bench_recovery" "$rounds" 2>/dev/null
# A follower behind the hall's Wi-Fi (300 ms ± 200 ms a chunk) for 10 minutes.
QT_QPA_PLATFORM=offscreen "$bin/bench/bench_network" "$([[ -n "${QUICK:-}" ]] && echo 60 || echo 600)" 2>/dev/null
# The same through whole programs: the leader's read-out to each follower window's.
"$bin/bench/bench_room_windows" $rooms 2>/dev/null
# 200 follower windows in 10 processes of 20, ticking every 100 ms and every 999 ms; then a
# leader's and a follower's ticks, quiet and under 10,000 messages a second, and their memory
# after 60 s of it.
if [[ -n "${QUICK:-}" ]]; then many="100 20"; quiet=20; else many="300 60"; quiet=60; fi
read -r fast slow <<< "$many"
"$bin/bench/bench_room_windows" --processes 10 20 "$fast" 100 2>/dev/null
"$bin/bench/bench_room_windows" --processes 10 20 "$slow" 999 2>/dev/null
"$bin/bench/bench_room_windows" --flood 60 "$quiet" 2>/dev/null
"$bin/bench/bench_room_windows" --probe-flood 60 "$quiet" 2>/dev/null
# The station-door page: ticks with 0 and 100 sockets, read-out to socket, memory after a
# while with 10 sockets that never read (ticks at 100 ms, sockets, seconds, never reading).
if [[ -n "${QUICK:-}" ]]; then web="300 100 60 10"; else web="600 100 60 10"; fi
"$bin/bench/bench_webdoors" $web 2>/dev/null
# A hall's Wi-Fi drop: 40 real pages cut off together for 10 s, and when each is back.
"$bin/bench/bench_webdoors" --reconnect 40 10 2>/dev/null
