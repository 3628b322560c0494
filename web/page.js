// The page around the show: the click to start (browsers allow sound only after a gesture), the
// download of data.qvx with its progress, the program's run (tarvon3.js, made with TarvonModule),
// the keys, the log panel, error messages and the end screen.
//
// Query: ?start=MS&to=MS&effect=NAME as on the command line; ?render=1 renders with the virtual
// clock as fast as it can and offers frames.txt and show.wav (with &fps=N); ?autostart=1 skips the click.
// window.tarvon holds the page's state for the browser tests.
'use strict';
(() => {
  const $ = (id) => document.getElementById(id);
  const show = (id, on) => $(id).classList.toggle('hidden', !on);
  const query = new URLSearchParams(location.search);
  const rendering = query.get('render') === '1';
  const state = window.tarvon = {
    phase: 'start', frames: 0, showMs: 0, firstFrameAt: 0, lastFrameAt: 0, audio: null, message: '',
    exitStatus: null, framesTxt: null, log: '', stderr: [], frameTimes: [],   // [page ms, show ms] per frame
  };
  const keys = [];      // characters typed, taken by the program once per frame
  let data = null;      // the bytes of data.qvx, kept for playing again
  let audio = null;     // {context, node}, made on the first click
  let program = null;   // the running module

  function layout() {
    const w = Math.min(innerWidth, innerHeight * 4 / 3), h = w * 3 / 4;
    for (const id of ['screen', 'cover']) {
      $(id).style.width = `${Math.floor(w)}px`;
      $(id).style.height = `${Math.floor(h)}px`;
    }
  }
  addEventListener('resize', layout);
  layout();

  function message(text) {
    state.message = text;
    $('message').textContent = text;
    show('message', true);
  }

  function programArgs() {
    const a = [];
    for (const name of ['start', 'to', 'effect', 'fps'])
      if (query.has(name)) a.push(`--${name}`, query.get(name));
    if (rendering) a.push('--render', '/render', '--no-video');
    return a;
  }

  async function startAudio() {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) throw new Error('this browser has no WebAudio');
    const context = new Context({sampleRate: 44100});
    if (!context.audioWorklet) throw new Error('this browser has no AudioWorklet');
    await context.audioWorklet.addModule('audio-worklet.js');
    const node = new AudioWorkletNode(context, 'tarvon-output', {outputChannelCount: [2]});
    node.connect(context.destination);
    node.port.onmessage = (e) => { state.audio = e.data; };
    await context.resume();
    return {context, node};
  }

  async function download() {
    show('progress', true);
    let response;
    try {
      response = await fetch('data.qvx');
    } catch (e) {
      throw new Error(`Cannot fetch data.qvx: ${e.message}`);
    }
    if (!response.ok) throw new Error(`Cannot fetch data.qvx: the server answered ${response.status} ${response.statusText}`);
    const total = Number(response.headers.get('Content-Length')) || 0;
    const reader = response.body.getReader();
    const parts = [];
    let got = 0;
    for (;;) {
      const {done, value} = await reader.read();
      if (done) break;
      parts.push(value);
      got += value.length;
      if (total) $('fill').style.width = `${Math.min(100, 100 * got / total)}%`;
    }
    const bytes = new Uint8Array(got);
    let at = 0;
    for (const p of parts) { bytes.set(p, at); at += p.length; }
    return bytes;
  }

  function readFile(path) {
    try { return program.FS.readFile(path, {encoding: 'utf8'}); } catch (e) { return null; }
  }

  function refreshLog() {
    if (!program) return;
    const text = readFile('/log.txt');
    if (text !== null) state.log = text;
    if (!$('log').classList.contains('hidden')) {
      $('log').textContent = state.log;
      $('log').scrollTop = $('log').scrollHeight;
    }
  }
  setInterval(refreshLog, 500);

  function finish(status) {
    state.exitStatus = status;
    refreshLog();
    const fatal = state.log.split('\n').find((l) => l.startsWith('FATAL ERROR'));
    if (rendering) {
      state.framesTxt = readFile('/render/frames.txt');
      if (state.framesTxt) {
        const link = $('download');
        link.href = URL.createObjectURL(new Blob([state.framesTxt], {type: 'text/plain'}));
        show('download', true);
      }
      // The music as the render's sound output wrote it, offered beside frames.txt.
      let wav = null;
      try { wav = program.FS.readFile('/render/show.wav'); } catch (e) { /* a render without music */ }
      if (wav) {
        $('wav').href = URL.createObjectURL(new Blob([wav], {type: 'audio/wav'}));
        show('wav', true);
      }
    }
    if (fatal) message(`The show stopped: ${fatal}`);
    else if (status !== 0) message(state.stderr.join('\n') || `The program ended with status ${status}`);
    $('overText').textContent = rendering
      ? `The render is done: ${state.framesTxt ? state.framesTxt.split('\n').length - 1 : 0} frames.`
      : 'The show is over.';
    show('start', false);
    show('over', true);
    state.phase = 'over';
  }

  async function run() {
    show('over', false);
    show('message', false);
    state.phase = 'loading';
    state.frames = 0;
    state.frameTimes = [];
    state.renderTimes = [];   // rendering: page ms and show ms of every frame, one after the other
    state.stderr = [];
    keys.length = 0;
    $('what').textContent = rendering ? 'Rendering' : 'Loading';
    program = await TarvonModule({
      tarvonCanvas: $('screen'),
      tarvonKeys: keys,
      tarvonFrameTimes: rendering ? state.renderTimes : null,
      tarvonAudio: audio,
      tarvonMessage: (title, text) => message(`${title}: ${text}`),
      tarvonFrameShown: (showMs) => {
        const now = performance.now();
        state.showMs = showMs;
        if (state.frameTimes.length < 100000) state.frameTimes.push([now, showMs]);
        if (state.frames++ === 0) {
          state.firstFrameAt = now;
          show('cover', false);
          show('start', false);
          state.phase = 'playing';
        }
        state.lastFrameAt = now;
      },
      tarvonProgress: (timer, showMs) => { $('what').textContent = `Rendering: ${(showMs / 1000).toFixed(1)} s of the show`; },
      print: () => {},   // the log, printed again at the end; the panel reads log.txt
      printErr: (line) => { state.stderr.push(line); console.warn(line); },
      onExit: (status) => { if (state.phase !== 'over') finish(status); },
      onAbort: (what) => { state.phase = 'over'; message(`The program stopped: ${what}`); },
    });
    program.FS.writeFile('/data.qvx', data);
    // main runs through asyncify: ccall's promise settles when main has really returned, after
    // every frame's turn given to the browser (callMain would report the first such turn).
    const args = ['tarvon3', ...programArgs()];
    const argv = program._malloc(4 * (args.length + 1));
    args.forEach((a, i) => {
      const size = program.lengthBytesUTF8(a) + 1;
      const p = program._malloc(size);
      program.stringToUTF8(a, p, size);
      program.HEAP32[(argv >> 2) + i] = p;
    });
    program.HEAP32[(argv >> 2) + args.length] = 0;
    program.ccall('main', 'number', ['number', 'number'], [args.length, argv], {async: true})
      .then((status) => { if (state.phase !== 'over') finish(status); },
            (e) => { if (state.phase !== 'over' && !(e && e.name === 'ExitStatus')) { state.phase = 'over'; message(`The program stopped: ${e}`); } });
  }

  async function start() {
    if (state.phase !== 'start') return;
    state.phase = 'loading';
    show('play', false);
    if (!rendering) {
      try {
        audio = await startAudio();
      } catch (e) {
        audio = null;
        message(`No sound: ${e.message}. The show plays without it.`);
      }
    }
    try {
      data = await download();
    } catch (e) {
      state.phase = 'error';
      show('start', false);
      message(e.message);
      return;
    }
    await run();
  }

  function toggleFullScreen() {
    if (document.fullscreenElement) document.exitFullscreen();
    else $('stage').requestFullscreen().catch((e) => message(`Full screen refused: ${e.message}`));
  }

  addEventListener('keydown', (e) => {
    if (e.ctrlKey || e.metaKey || e.altKey) return;
    if (e.key === 'f' || e.key === 'F') toggleFullScreen();
    else if (e.key === 'l' || e.key === 'L') { show('log', $('log').classList.contains('hidden')); refreshLog(); }
    else if (' */+-'.includes(e.key) && e.key.length === 1) {
      if (state.phase === 'playing') keys.push(e.key.charCodeAt(0));
      else if (e.key === ' ' && state.phase === 'start') start();
    } else return;
    e.preventDefault();
  });
  $('play').addEventListener('click', start);
  $('again').addEventListener('click', () => { if (state.phase === 'over' && data) run(); });
  $('full').addEventListener('click', toggleFullScreen);
  if (rendering || query.get('autostart') === '1') start();
})();
