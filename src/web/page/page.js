'use strict';

// The room's clock, read-only. Each message from the room is shown as it comes; cut off,
// the page counts on from the last one as the room does, and reconnects by itself.
(() => {
    const NoSync = '「同期なし」';
    const PauseMark = '(一時停止)';
    const Ended = 'タイマーは終了しました';
    const SoundOff = '画面をタップすると音声が鳴ります';
    const SoundOn = '音声オン（タップでオフ）';
    const WarningCue = 'sec30.wav';
    const ReconnectMs = 2000;

    const element = id => document.getElementById(id);
    let state = null; // as last shown: the room's, or counted on here
    let counting = null; // the local tick while cut off
    let ended = false;
    let soundOn = false;
    const clips = new Map();

    function show(status) {
        element('status').textContent = status;
        element('minutes').textContent = String(state.minutes);
        element('seconds').textContent = String(state.seconds);
        element('bar').style.backgroundColor = state.phases[state.phase].colour;
        const names = [];
        if (state.room)
            names.push('部屋 ' + state.room);
        if (state.circuit)
            names.push('サーキット ' + state.circuit);
        element('names').textContent = names.join('　');
    }

    function clipFor(name) {
        if (!clips.has(name)) {
            const clip = new Audio('/cues/' + name);
            clip.preload = 'auto';
            clips.set(name, clip);
        }
        return clips.get(name);
    }

    function play(cue) {
        if (!soundOn || !/^[a-z0-9]+\.wav$/.test(cue))
            return;
        const clip = clipFor(cue);
        clip.currentTime = 0;
        clip.play().catch(() => {});
        document.body.dataset.played = ((document.body.dataset.played || '') + ' ' + cue).trim();
    }

    // The clock's tick: a minute borrowed, or the next phase with time left entered.
    function borrowMinute(s) {
        if (s.seconds !== 0)
            return true;
        if (s.minutes === 0)
            return false;
        s.minutes -= 1;
        s.seconds = 60;
        return true;
    }

    function enterNextPhaseWithTimeLeft(s) {
        for (let i = 1; i < s.phases.length; ++i) {
            const next = s.phases[s.phase].next;
            if (next === 0)
                break;
            s.phase = next;
            s.minutes = s.lengths[(next - 1) * 2];
            s.seconds = s.lengths[(next - 1) * 2 + 1];
            if (borrowMinute(s))
                return true;
        }
        s.running = false;
        return false;
    }

    function cutOffStatus() {
        let text = state.phases[state.phase].status;
        if (state.paused)
            text += '  ' + PauseMark;
        return text + '  ' + NoSync;
    }

    function tickHere() {
        if (!state.running || state.paused)
            return;
        if (borrowMinute(state) || enterNextPhaseWithTimeLeft(state))
            state.seconds -= 1;
        show(cutOffStatus());
        if (state.minutes === 0 && state.seconds === 30)
            play(WarningCue);
        else if (state.minutes === 0 && state.seconds === 10)
            play(state.phases[state.phase].announcement);
    }

    function stopCounting() {
        if (counting !== null)
            clearInterval(counting);
        counting = null;
    }

    function fits(m) {
        return m && m.v === 1 && Number.isInteger(m.phase) && Array.isArray(m.phases)
            && m.phase >= 0 && m.phase < m.phases.length && Array.isArray(m.lengths)
            && Number.isInteger(m.minutes) && Number.isInteger(m.seconds)
            && Number.isInteger(m.tickMs) && m.tickMs > 0;
    }

    function received(event) {
        let m;
        try {
            m = JSON.parse(event.data);
        } catch (e) {
            return;
        }
        if (m && m.v === 1 && m.end === true) {
            ended = true;
            stopCounting();
            document.body.classList.add('ended');
            element('status').textContent = Ended;
            return;
        }
        if (!fits(m))
            return;
        ended = false;
        stopCounting();
        document.body.classList.remove('ended');
        state = m;
        show(m.status);
        play(m.cue);
    }

    function lost() {
        if (!ended && state && counting === null) {
            show(cutOffStatus());
            counting = setInterval(tickHere, state.tickMs);
        }
        setTimeout(connect, ReconnectMs);
    }

    function connect() {
        const scheme = location.protocol === 'https:' ? 'wss://' : 'ws://';
        const socket = new WebSocket(scheme + location.host + '/socket');
        socket.onmessage = received;
        socket.onclose = lost;
    }

    // A tap lets the page sound (browsers want a gesture first) and fills the screen;
    // another tap silences it.
    function tapped() {
        soundOn = !soundOn;
        document.body.dataset.sound = soundOn ? 'on' : 'off';
        element('sound').textContent = soundOn ? SoundOn : SoundOff;
        if (!soundOn)
            return;
        clipFor(WarningCue);
        for (const phase of state ? state.phases : []) {
            if (phase.announcement)
                clipFor(phase.announcement);
        }
        const root = document.documentElement;
        if (!document.fullscreenElement && root.requestFullscreen)
            root.requestFullscreen().catch(() => {});
    }

    document.addEventListener('click', tapped);
    document.body.dataset.sound = 'off';
    connect();
})();
