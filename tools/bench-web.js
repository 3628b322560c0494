// The browser half of tools/bench-web.sh: renders the whole show in headless Chromium
// (?render=1) and prints one JSON line: the render's seconds from the page's load to its end, the
// frame count, and the median milliseconds per frame of each section of the show, measured as
// bench_show measures them natively (from the first frame after the loading pass).
// The render's frames.txt is written to FRAMES_OUT.
//   node tools/bench-web.js SITE_URL FRAMES_OUT
'use strict';
const fs = require('fs');
const puppeteer = require('puppeteer-core');

const kSectionStarts = [0, 10000, 30000, 50000, 70000, 85000, 97000, 117000, 153000, 181000];
const median = (v) => {
  if (!v.length) return 0;
  const s = [...v].sort((a, b) => a - b);
  return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
};

(async () => {
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--disable-dev-shm-usage'],
  });
  const page = await browser.newPage();
  const began = Date.now();
  await page.goto(`${process.argv[2]}?render=1`);
  await page.waitForFunction(() => window.tarvon.phase === 'over' || window.tarvon.phase === 'error',
                             {timeout: 900000, polling: 500});
  const seconds = (Date.now() - began) / 1000;
  const s = await page.evaluate(() => ({times: window.tarvon.renderTimes, status: window.tarvon.exitStatus,
                                        framesTxt: window.tarvon.framesTxt || ''}));
  fs.writeFileSync(process.argv[3], s.framesTxt);
  s.lines = s.framesTxt.split('\n').length - 1;
  await browser.close();
  // The clock restarts when loading is done: the show's frames are those after its reading drops.
  const t = s.times;
  let first = 1;
  for (let i = 3; i < t.length; i += 2) if (t[i] < t[i - 2]) { first = (i + 1) / 2; break; }
  const sections = kSectionStarts.map(() => []);
  for (let f = first + 1; f < t.length / 2; f++) {
    let k = kSectionStarts.length - 1;
    while (k > 0 && t[2 * f + 1] < kSectionStarts[k]) k--;
    sections[k].push(t[2 * f] - t[2 * f - 2]);
  }
  console.log(JSON.stringify({status: s.status, seconds, frames: s.lines, medians: sections.map(median)}));
})().catch((e) => { console.log(JSON.stringify({error: e.message})); process.exit(1); });
