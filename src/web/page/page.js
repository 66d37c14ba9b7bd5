'use strict';

// The room's clock, read-only. Each message from the room is shown as it comes; cut off,
// the page counts on from the last one as the room does, and reconnects by itself after a
// random wait, so that a hall of doors cut off together does not come back in one burst.
(() => {
    // The page reloads itself after a random wait until its script runs: a script refused by
    // a busy room is asked for again. Running, it stops that reload.
    window.stop();

    const Ended = 'タイマーは終了しました';
    const SoundOff = '画面をタップすると音声が鳴ります';
    const SoundOn = '音声オン（タップでオフ）';
    const LastHeard = '最終更新 ';
    const SilentMs = 5000; // the room speaks at least every 2 s: silence this long is a cut
    const ShowLastHeardMs = 10000;

    const element = id => document.getElementById(id);
    const buildId = document.querySelector('meta[name="build"]').content;
    let state = null; // as last shown: the room's, or counted on here
    let counting = null; // the local tick while cut off
    let ended = false;
    let soundOn = false;
    let socket = null;
    let heardAt = 0; // Date.now() of the room's last message
    let quietSince = 0; // of the socket's opening or its last message
    let cutOffAt = 0;
    let failures = 0; // in a row, for the next wait
    const clips = new Map();

    // The first wait in [1, 3] s, then doubling up to [5, 10] s.
    function retryWait() {
        const low = Math.min(1000 * 2 ** failures, 5000);
        const high = Math.min(3000 * 2 ** failures, 10000);
        failures += 1;
        return low + Math.random() * (high - low);
    }

    // The count as the room's window shows it, or as counted here.
    function show(status, shown) {
        element('status').textContent = status;
        element('minutes').textContent = String(shown ? shown[0] : state.minutes);
        element('seconds').textContent = String(shown ? shown[1] : state.seconds);
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

    const twoDigits = n => String(n).padStart(2, '0');

    function cutOffStatus() {
        let text = state.phases[state.phase].status;
        if (state.paused)
            text += '  ' + state.marks.pause;
        text += '  ' + state.marks.noSync;
        if (Date.now() - cutOffAt >= ShowLastHeardMs) {
            const t = new Date(heardAt);
            text += '  ' + LastHeard + [t.getHours(), t.getMinutes(), t.getSeconds()].map(twoDigits).join(':');
        }
        return text;
    }

    // The cue the room plays on this count, from the moments its messages carry.
    function cueNow(s) {
        const left = s.minutes * 60 + s.seconds;
        const moment = s.cues.find(c => c.left === left);
        return moment ? moment.file || s.phases[s.phase].announcement : '';
    }

    function tickHere() {
        if (state.running && !state.paused) {
            if (borrowMinute(state) || enterNextPhaseWithTimeLeft(state))
                state.seconds -= 1;
            play(cueNow(state));
        }
        show(cutOffStatus());
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
            && Number.isInteger(m.tickMs) && m.tickMs > 0 && Array.isArray(m.cues)
            && m.marks && typeof m.build === 'string';
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
        if (m.build !== buildId) { // the room runs other page files: take them
            setTimeout(() => location.reload(), retryWait());
            return;
        }
        heardAt = quietSince = Date.now();
        failures = 0;
        ended = false;
        stopCounting();
        document.body.classList.remove('ended');
        state = m;
        show(m.status, Array.isArray(m.shown) ? m.shown : null);
        play(m.cue);
    }

    function lost(from) {
        if (from !== socket)
            return;
        socket = null;
        if (!ended && state && counting === null) {
            cutOffAt = Date.now();
            show(cutOffStatus());
            counting = setInterval(tickHere, state.tickMs);
        }
        setTimeout(connect, retryWait());
    }

    function connect() {
        const scheme = location.protocol === 'https:' ? 'wss://' : 'ws://';
        const s = new WebSocket(scheme + location.host + '/socket');
        socket = s;
        s.onopen = () => { quietSince = Date.now(); };
        s.onmessage = received;
        s.onclose = () => lost(s);
    }

    // A connection that stays silent is dead, whatever the browser believes.
    function watchSilence() {
        if (socket && socket.readyState === WebSocket.OPEN && Date.now() - quietSince > SilentMs) {
            const s = socket;
            lost(s);
            s.close();
        }
    }

    // A stylesheet refused (a busy room) is asked for again after a wait.
    function loadStyle(link) {
        if (link.sheet)
            return;
        setTimeout(() => {
            const again = document.createElement('link');
            again.rel = 'stylesheet';
            again.href = '/page.css?' + Date.now();
            again.onerror = () => { again.remove(); loadStyle(again); };
            document.head.appendChild(again);
        }, retryWait());
    }

    // A tap lets the page sound (browsers want a gesture first) and fills the screen;
    // another tap silences it.
    function tapped() {
        soundOn = !soundOn;
        document.body.dataset.sound = soundOn ? 'on' : 'off';
        element('sound').textContent = soundOn ? SoundOn : SoundOff;
        if (!soundOn)
            return;
        for (const moment of state ? state.cues : []) {
            if (moment.file)
                clipFor(moment.file);
        }
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
    loadStyle(document.querySelector('link[rel="stylesheet"]'));
    setInterval(watchSilence, 1000);
    connect();
})();
