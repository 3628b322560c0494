// The browser checks of the web build, in headless Chromium driven by puppeteer-core:
//   node tools/check-web.js SITE_URL NODATA_URL NATIVE_FRAMES [--only NAME,...]
// SITE_URL serves build-web/site, NODATA_URL the same site without data.qvx, NATIVE_FRAMES is the
// native render's frames.txt of the first 30 s. Each check prints one line; the exit code is the
// number of failed checks. Run it through tools/check-web.sh, which sets all of that up.
'use strict';
const fs = require('fs');
const puppeteer = require('puppeteer-core');

const [siteUrl, noDataUrl, nativeFramesPath, ...rest] = process.argv.slice(2);
const only = rest[0] === '--only' ? rest[1].split(',') : null;
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
let failed = 0;

function report(name, ok, detail) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${name}: ${detail}`);
  if (!ok) failed++;
}

async function waitFor(page, test, ms) {
  const until = Date.now() + ms;
  for (;;) {
    const state = await page.evaluate(() => window.tarvon);
    if (test(state) || Date.now() > until) return state;
    await sleep(100);
  }
}

async function open(browser, url) {
  const page = await browser.newPage();
  await page.setViewport({width: 960, height: 720});
  page.on('pageerror', (e) => console.log(`  page error: ${e.message}`));
  await page.goto(url);
  return page;
}

function badLines(log) { return log.split('\n').filter((l) => /^(ERROR|FATAL ERROR)/.test(l)); }

const checks = {
  // 10 s of the show in real time: frames per second, sound with no underrun, a clean log.
  async realtime(browser) {
    const page = await open(browser, `${siteUrl}?autostart=1&to=10000`);
    const s = await waitFor(page, (t) => t.phase === 'over' || t.phase === 'error', 60000);
    await page.close();
    // Frames per second over the show proper, from its first second on (loading runs before).
    const shown = s.frameTimes.filter(([, show]) => show >= 1000);
    const seconds = shown.length > 1 ? (shown[shown.length - 1][0] - shown[0][0]) / 1000 : 0;
    const fps = seconds > 0 ? (shown.length - 1) / seconds : 0;
    const log = s.log.trimEnd().split('\n');
    const audio = s.audio || {played: 0, underruns: -1};
    const clean = s.exitStatus === 0 && badLines(s.log).length === 0 && log.includes('Info: Main() left') &&
                  log[log.length - 1] === 'Info: FreeMp3()';
    report('realtime fps', fps >= 55, `${shown.length} frames in ${seconds.toFixed(2)} s of the show: ${fps.toFixed(1)} per second`);
    report('realtime audio', audio.played >= 44100 * 9 && audio.underruns === 0,
           `${(audio.played / 44100).toFixed(2)} s of sound played, ${audio.underruns} underruns`);
    report('realtime log', clean, clean ? `${log.length} lines, ends with FreeMp3()` :
           `status ${s.exitStatus}, ${badLines(s.log).slice(0, 3).join(' | ') || 'last: ' + log[log.length - 1]}`);
  },

  // The render mode's frames.txt and show.wav against the native render of the same 30 s.
  async render(browser) {
    const started = Date.now();
    const page = await open(browser, `${siteUrl}?render=1&to=30000`);
    const s = await waitFor(page, (t) => t.phase === 'over' || t.phase === 'error', 300000);
    const offered = await page.evaluate(async () => {   // the show.wav the page offers, as base64
      const link = document.getElementById('wav');
      if (link.classList.contains('hidden')) return '';
      const bytes = new Uint8Array(await (await fetch(link.href)).arrayBuffer());
      let text = '';
      for (let i = 0; i < bytes.length; i += 8192) text += String.fromCharCode(...bytes.subarray(i, i + 8192));
      return btoa(text);
    });
    await page.close();
    const web = (s.framesTxt || '').split('\n').filter(Boolean);
    const native = fs.readFileSync(nativeFramesPath, 'utf8').split('\n').filter(Boolean);
    let differ = 0;
    for (let i = 0; i < Math.max(web.length, native.length); i++) if (web[i] !== native[i]) differ++;
    report('render frames', web.length > 0 && differ === 0,
           `${web.length} frames in the browser, ${native.length} native, ${differ} differ (${((Date.now() - started) / 1000).toFixed(1)} s)`);
    // The music: the same header and length; the samples may differ by the last bit, where the
    // browser's floating point rounds otherwise.
    const wav = Buffer.from(offered, 'base64');
    const ref = fs.readFileSync(require('path').join(require('path').dirname(nativeFramesPath), 'show.wav'));
    let off = 0, worst = 0;
    for (let i = 44; i + 1 < Math.min(wav.length, ref.length); i += 2) {
      const d = Math.abs(wav.readInt16LE(i) - ref.readInt16LE(i));
      if (d) off++;
      worst = Math.max(worst, d);
    }
    report('render show.wav', wav.length === ref.length && wav.subarray(0, 44).equals(ref.subarray(0, 44)) && worst <= 1,
           `${wav.length} bytes in the browser, ${ref.length} native; ${off} samples differ, by at most ${worst}`);
  },

  // Space ends the show; * moves the clock 5 s on.
  async keys(browser) {
    const page = await open(browser, `${siteUrl}?autostart=1`);
    let s = await waitFor(page, (t) => t.phase === 'playing' && t.showMs > 1000, 60000);
    const before = s.showMs, wallBefore = Date.now();
    await page.keyboard.type('*');
    s = await waitFor(page, (t) => t.showMs >= before + 5000, 3000);
    const moved = s.showMs - before - (Date.now() - wallBefore);
    report('key *', moved >= 4900 && moved <= 5100, `the clock moved ${moved} ms beyond real time`);
    await page.keyboard.press('Space');
    s = await waitFor(page, (t) => t.phase === 'over', 5000);
    await page.close();
    report('key space', s.phase === 'over' && s.exitStatus === 0 && s.showMs < 20000,
           `phase ${s.phase}, status ${s.exitStatus}, at ${s.showMs} ms of the show`);
  },

  // Without data.qvx the page says so.
  async nodata(browser) {
    const page = await open(browser, `${noDataUrl}?autostart=1`);
    const s = await waitFor(page, (t) => t.phase === 'error', 10000);
    const shown = await page.evaluate(() => !document.getElementById('message').classList.contains('hidden'));
    await page.close();
    report('missing data', s.phase === 'error' && shown && /data\.qvx/.test(s.message), `"${s.message}"`);
  },
};

(async () => {
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--autoplay-policy=no-user-gesture-required', '--disable-dev-shm-usage'],
  });
  try {
    for (const [name, check] of Object.entries(checks)) {
      if (only && !only.includes(name)) continue;
      try {
        await check(browser);
      } catch (e) {
        report(name, false, e.message);
      }
    }
  } finally {
    await browser.close();
  }
  process.exit(failed);
})();
