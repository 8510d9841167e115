// The page of lablix --view in headless Chromium (software WebGL): page
// load to the first frame, a hover's answer, a member's highlight, and a
// frame redrawn, each the median of a few tries.
//
//   node bench/view_browser.js PAGE
"use strict";

const path = require("path");
const os = require("os");
const fs = require("fs");
const puppeteer = require(path.join(__dirname, "..", "tests", "browser", "node_modules", "puppeteer-core"));

const median = (values) => values.slice().sort((a, b) => a - b)[Math.floor(values.length / 2)];

(async () => {
  const page = path.resolve(process.argv[2]);
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "lablix-bench-"));
  const browser = await puppeteer.launch({
    executablePath: "/usr/bin/chromium",
    headless: true,
    args: ["--no-sandbox", "--enable-unsafe-swiftshader", "--disable-gpu-sandbox", "--no-first-run", "--user-data-dir=" + profile],
  });
  const loads = [];
  const hovers = [];
  const highlights = [];
  const frames = [];
  for (let k = 0; k < 3; k += 1) {
    const tab = await browser.newPage();
    await tab.setViewport({ width: 1200, height: 800 });
    const start = Date.now();
    await tab.goto(require("url").pathToFileURL(page).href);
    await tab.waitForFunction(() => window.lablixPage && window.lablixPage.ready(), { timeout: 120000, polling: 10 });
    loads.push(Date.now() - start);
    if (k === 0) console.log(JSON.stringify(await tab.evaluate(() => window.lablixPage.timing())));
    frames.push(await tab.evaluate(() => window.lablixPage.drawNow()));
    // A hover: the pointer moved, the pick target drawn and read, the box shown.
    for (let h = 0; h < 3; h += 1) {
      const t0 = Date.now();
      await tab.mouse.move(400 + 37 * h, 300 + 23 * h);
      await tab.evaluate(() => new Promise((done) => requestAnimationFrame(() => done())));
      hovers.push(Date.now() - t0);
      await tab.evaluate(() => window.lablixPage.drawNow());
    }
    // A member's highlight: the click, the others dimmed, the frame drawn.
    const t1 = Date.now();
    await tab.click("#member-list li:nth-child(5)");
    await tab.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(() => done()))));
    highlights.push(Date.now() - t1);
    await tab.close();
  }
  await browser.close();
  fs.rmSync(profile, { recursive: true, force: true });
  console.log(`Chromium (software WebGL): load to first frame ${median(loads)} ms, a frame ${median(frames).toFixed(0)} ms, hover ${median(hovers)} ms, highlight ${median(highlights)} ms`);
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
