#!/usr/bin/env bash
# The real program ended by signals, offscreen. One row per case: the signals sent, the log
# folder (a plain one; one whose file is a FIFO nobody reads, so that the log's thread never
# stops and the orderly end hangs; or a plain one beside a complete setting.txt, so that no
# start-up notice is open and the main loop itself runs), the exit status expected. Every
# row: the program ends within the bound and writes no setting.txt. An orderly end exits 0;
# the watchdog's and a second signal's end exit 128 + the number of the signal that ended
# it, as a shell reports it.
#   signals.sh path/to/zentrel-timer
set -euo pipefail
app=$(realpath "$1")
work=$(mktemp -d)
pid=
trap '[[ -n "$pid" ]] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen TZ=UTC LC_ALL=C.UTF-8 HOME="$work"
export PULSE_SERVER=unix:/nonexistent DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent
failed=0

# Waits up to $1 tenths of a second for the command after it to succeed.
within() { local n=$1; shift; for _ in $(seq "$n"); do "$@" && return 0; sleep 0.1; done; "$@"; }
blocks_term() { # the ending signals wait for the program's own thread to take them
    local mask
    mask=$(awk '/^SigBlk:/ { print $2 }' "/proc/$pid/status" 2>/dev/null) || return 1
    [[ -n "$mask" ]] && (( (0x$mask >> (15 - 1)) & 1 ))
}
started() { grep -q ',起動,' "$1"/zentrel-timer-*.csv 2>/dev/null; }
ended() { ! kill -0 "$pid" 2>/dev/null; }

# A clock kept 3 s ago in this boot at 試験中 4:27, and a complete setting.txt: the question
# after an abnormal end opens instead of the start-up notice.
kept() { # exam-folder log-folder
    local hash now boot
    hash=$(printf '%s' "$(realpath "$1")" | sha256sum | cut -c1-16)
    now=$(( $(date +%s%3N) - 3000 ))
    boot=$(awk '{ printf "%d", $1 * 1000 - 3000 }' /proc/uptime)
    printf '{"v":1,"leader":"kept","seq":0,"phase":3,"paused":0,"minutes":4,"seconds":27,"lengths":[0,1,0,0,4,28,1,0],"interval":999,"running":true,"utc":%s,"boot":%s,"bootId":"%s"}' \
        "$now" "$boot" "$(cat /proc/sys/kernel/random/boot_id)" > "$2/restart-$hash.json"
    printf '"Setting DATA\r\n 999:x\r\n 1:x\r\n 0:x\r\n 1:x\r\n 0:x\r\n 5:x\r\n 0:x\r\n 1:x\r\n 0:x\r\nend\r\n\r\n"\r\n' > "$1/setting.txt"
}

row() { # name signals log expected-status [kept]
    local name=$1 signals=$2 log=$3 expected=$4
    local dir="$work/$log-$RANDOM" status
    mkdir -p "$dir/exam" "$dir/log"
    if [[ $log == settled ]]; then
        printf '"Setting DATA\r\n 999:i\r\n 1:m\r\n 0:s\r\n 1:m\r\n 0:s\r\n 5:m\r\n 0:s\r\n 1:m\r\n 0:s\r\nend\r\n' >"$dir/exam/setting.txt"
        cp "$dir/exam/setting.txt" "$dir/settings-before"
    fi
    [[ -z "${5:-}" ]] || kept "$dir/exam" "$dir/log"
    if [[ $log == hung ]]; then
        for day in "$(date +%F)" "$(date -d tomorrow +%F)"; do
            mkfifo "$dir/log/zentrel-timer-$day.csv"
        done
    fi
    (cd "$dir/exam" && exec "$app" --log-dir "$dir/log" 2>"$dir/stderr") &
    pid=$!
    if ! within 100 blocks_term; then
        echo "FAIL: $name: the program did not start"; failed=1; return
    fi
    # The start-up notice opens right after the start-up row.
    [[ $log == hung ]] || within 100 started "$dir/log" || echo "$name: no start-up row"
    # Without the notice the signal meets the main loop, or the check made before it.
    for s in $signals; do kill "-$s" "$pid" 2>/dev/null || true; done
    if ! within 100 ended; then
        echo "FAIL: $name: still running"; kill -KILL "$pid"; wait "$pid" || true
        pid=; failed=1; return
    fi
    status=0
    wait "$pid" || status=$?
    pid=
    local problems=()
    [[ $status -eq $expected ]] || problems+=("exit status $status, expected $expected")
    if [[ -n "${5:-}" ]]; then
        ls "$dir"/log/restart-*.json >/dev/null 2>&1 || problems+=("the kept clock removed")
    elif [[ $log == settled ]]; then
        cmp -s "$dir/settings-before" "$dir/exam/setting.txt" || problems+=("setting.txt written")
    else
        [[ ! -e "$dir/exam/setting.txt" ]] || problems+=("setting.txt written")
    fi
    if [[ $log != hung ]] && ! grep -q ',終了,' "$dir"/log/zentrel-timer-*.csv; then
        problems+=("no end row in the log: the program did not unwind")
    fi
    if [[ ${#problems[@]} -gt 0 ]]; then
        echo "FAIL: $name: ${problems[*]}"; cat "$dir/stderr"; failed=1
    else
        echo "PASS: $name"
    fi
}

row "SIGTERM under the start-up notice: an orderly end" TERM plain 0
row "SIGHUP under the start-up notice: an orderly end" HUP plain 0
row "SIGINT under the start-up notice: an orderly end" INT plain 0
row "SIGTERM while the main loop runs: an orderly end" TERM settled 0
row "SIGTERM under the question after a crash: the kept clock stays" TERM plain 0 kept
row "the orderly end hangs: ended by the watchdog" TERM hung $((128 + 15))
# One thread takes the signals in turn, so the second one sent (SIGTERM) ends the program,
# and the status tells that end from the watchdog's (SIGINT's).
row "a second signal ends at once: Ctrl+C, then kill" "INT TERM" hung $((128 + 15))
exit $failed
