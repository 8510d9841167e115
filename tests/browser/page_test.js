// The page of lablix --view in a real browser: Debian's Chromium, headless,
// WebGL on its software renderer, driven by puppeteer-core. For each model:
// the page opens without a script error or a request outside itself, the
// member list holds every member, a hover where the page drew a known
// element shows its label as the label file writes it, the search filters
// the list, hostile names show as text and run nothing, a screenshot shows
// the members' colours, and solids are drawn by their hulls' faces and edges.
//
//   node page_test.js LABLIX SOURCE_DIR REALWORLD_DIR WORK_DIR
//
// Exits 77 (skipped) when Chromium or the npm packages are missing, unless
// LABLIX_BROWSER_REQUIRED=1 (CI), where that fails.
"use strict";

const fs = require("fs");
const os = require("os");
const path = require("path");
const { execFileSync, spawnSync } = require("child_process");
const { pathToFileURL } = require("url");

const kSkip = 77;
const [lablix, sourceDir, realworldDir, workDir] = process.argv.slice(2);
const required = process.env.LABLIX_BROWSER_REQUIRED === "1";
const chromiumPath = process.env.LABLIX_CHROMIUM || "/usr/bin/chromium";

function skip(reason) {
  if (required) {
    console.log("FAIL the browser tests are required: " + reason);
    process.exit(1);
  }
  console.log("skipped: " + reason);
  process.exit(kSkip);
}

let puppeteer;
try {
  puppeteer = require("puppeteer-core");
} catch (error) {
  skip("puppeteer-core is not installed (npm ci in tests/browser)");
}
if (!fs.existsSync(chromiumPath)) skip("no Chromium at " + chromiumPath);

const failures = [];
function check(condition, what) {
  if (!condition) failures.push(what);
  console.log((condition ? "ok   " : "FAIL ") + what);
}

// A model whose names try to become markup or script.
const kHostileNames = [
  "</script><script>window.pwned=1</script>",
  '<img src=x onerror="window.pwned=2">',
  "A&amp;B \"quoted\" 'single'",
];
function hostileModel() {
  const lines = ["GNODE 1 1", "GNODE 2 2", "GNODE 3 3", "GNODE 4 4"];
  lines.push("GCOORD 1 0.0 0.0 0.0", "GCOORD 2 10.0 0.0 0.0", "GCOORD 3 10.0 10.0 0.0", "GCOORD 4 0.0 10.0 5.0");
  lines.push("TDNODE 4 1 1 0", "<b>node</b>");
  // Node 3 named twice: a finding about node 3.
  lines.push("TDNODE 4 3 1 0", "First3", "TDNODE 4 3 1 0", "Second3");
  kHostileNames.forEach((name, i) => {
    const e = i + 1;
    lines.push(`GELMNT1 ${100 + e} ${e} 15 0`, `          ${e} ${e + 1}`);
    lines.push(`TDSCONC 4 ${e} 103 0`, name, `SCONCEPT 8 ${e} 7 0`, `          0 ${e} 0 ${e}`);
  });
  // Member 2 lists element 1 too: a finding about element 1. Member 3's
  // relation holds a text as its second element: a finding about a place
  // in a relation, "element 2 of the relation", which is no element.
  const kRelation = { 2: ["SCONMESH 6 2 1 2", "          2 1 2"], 3: ["SCONMESH 6 3 1 2", "          2 3 X"] };
  kHostileNames.forEach((name, i) => {
    const e = i + 1;
    lines.push(...(kRelation[e] || [`SCONMESH 5 ${e} 1 2`, `          1 ${e}`]));
  });
  return lines.join("\n") + "\n";
}

// A model of solids, each element its own member, each its node list in
// the record's four fields a line: a hexahedron (LHEX), one with midside
// nodes (IHEX), a prism (TPRI), a tetrahedron (TETR), a hexahedron whose
// nodes all lie in one plane, two hexahedra that share a face, and two on
// the same nodes (nodes at one place are one node). With what each is drawn
// as: its hull's triangles and edges (a hexahedron's 6 faces and 12 edges,
// a prism's 5 and 9, a tetrahedron's 4 and 6), the flat one as its outline,
// the pair without the face between them.
const kCube = [[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0], [0, 0, 1], [1, 0, 1], [1, 1, 1], [0, 1, 1]];
const kCubeEdges = [[0, 1], [1, 2], [2, 3], [3, 0], [4, 5], [5, 6], [6, 7], [7, 4], [0, 4], [1, 5], [2, 6], [3, 7]];
const kSolids = [
  // name, ELTYP, nodes, drawn as
  ["Block_LHEX", 21, kCube, { triangles: 12, lines: 12, points: 0 }],
  ["Block_IHEX", 20, [...kCube, ...kCubeEdges.map(([a, b]) => kCube[a].map((v, d) => (v + kCube[b][d]) / 2))], { triangles: 12, lines: 12, points: 0 }],
  ["Wedge_TPRI", 32, [[0, 0, 0], [1, 0, 0], [0, 1, 0], [0, 0, 1], [1, 0, 1], [0, 1, 1]], { triangles: 8, lines: 9, points: 0 }],
  ["Tetra_TETR", 33, [[0, 0, 0], [1, 0, 0], [0, 1, 0], [0, 0, 1]], { triangles: 4, lines: 6, points: 0 }],
  ["Flat_LHEX", 21, kCube.map(([x, y]) => [x, y, 0]), { triangles: 2, lines: 4, points: 0 }],
  ["Pair_LHEX_A", 21, kCube, { triangles: 10, lines: 12, points: 0 }],
  ["Pair_LHEX_B", 21, kCube.map(([x, y, z]) => [x + 1, y, z]), { triangles: 10, lines: 12, points: 0 }],
  // Two on the same nodes, the second over the first: neither is inside
  // the other, both whole.
  ["Twin_LHEX_A", 21, kCube.map(([x, y, z]) => [x, y, z + 2]), { triangles: 12, lines: 12, points: 0 }, "covered"],
  ["Twin_LHEX_B", 21, kCube.map(([x, y, z]) => [x, y, z + 2]), { triangles: 12, lines: 12, points: 0 }],
];
// Solids whose coordinates try to break the hull: huge, tiny, all equal,
// all on a line. Each drawn as what it is, and the page opens.
const kHostileSolids = [
  ["Huge_LHEX", 21, kCube.map((p) => p.map((v) => v * 1e30)), { triangles: 12, lines: 12, points: 0 }, "covered"],
  ["Tiny_LHEX", 21, kCube.map((p) => p.map((v) => v * 1e-30)), { triangles: 12, lines: 12, points: 0 }, "covered"],
  ["Equal_IHEX", 20, Array(20).fill([5, 5, 5]), { triangles: 0, lines: 0, points: 1 }, "covered"],
  ["Line_TPRI", 32, [0, 1, 2, 3, 4, 5].map((k) => [k, 2 * k, 3 * k]), { triangles: 0, lines: 1, points: 0 }, "covered"],
];

// The FEM file of solids: each its own member, 3 m apart along X (the
// pair side by side), or with spread, at the places given.
function solidsModel(solids, spread = true) {
  const lines = [];
  const nodeAt = new Map();
  solids.forEach(([name, eltyp, nodes], i) => {
    const e = i + 1;
    const list = nodes.map(([x, y, z]) => {
      const place = spread ? [x * 2 + 3 * Math.min(i, 5), y * 2, z * 2] : [x, y, z];
      const at = place.map((v) => v.toExponential(8).toUpperCase()).join(" ");
      if (!nodeAt.has(at)) {
        const node = nodeAt.size + 1;
        nodeAt.set(at, node);
        lines.push(`GNODE ${node} ${node}`, `GCOORD ${node} ${at}`);
      }
      return nodeAt.get(at);
    });
    lines.push(`GELMNT1 ${200 + e} ${e} ${eltyp} 0`);
    for (let k = 0; k < list.length; k += 4) lines.push("        " + list.slice(k, k + 4).join(" "));
    lines.push(`TDSCONC 4 ${e} 103 0`, name, `SCONCEPT 8 ${e} 7 0`, `          0 ${e} 0 ${e}`);
    lines.push(`SCONMESH 5 ${e} 1 2`, `          1 ${e}`);
  });
  return lines.join("\n") + "\n";
}

function pageOf(fem, dir, status) {
  const page = path.join(dir, path.basename(fem).replace(/\.[^.]*$/, "") + ".html");
  // Run beside the model, so that the page names it as a user would.
  const run = spawnSync(lablix, ["--view", path.basename(fem), page], { encoding: "utf8", cwd: path.dirname(fem) });
  check(run.status === status, `lablix --view ${path.basename(fem)}: status ${run.status} ${run.stderr}`);
  return page;
}

// The first element label of the label file lablix writes for fem:
// [ElemID, the line without its leading blanks].
function firstElementLabel(fem, dir) {
  const label = path.join(dir, "first.lab");
  execFileSync(lablix, [fem, label]);
  const line = fs.readFileSync(label, "latin1").split("\r\n").find((l) => l.startsWith("   ElementLabel"));
  return line ? [Number(line.slice(15, 23)), line.trimStart()] : null;
}

// A function in the page that gives the canvas's pixels as drawn, read
// from a 2D copy: all of them, or those of a region in CSS pixels from the
// canvas' top left.
function canvasReader(tab) {
  return tab.evaluateHandle(() => (region) => {
    const canvas = document.getElementById("canvas");
    const copy = document.createElement("canvas");
    copy.width = canvas.width;
    copy.height = canvas.height;
    const context = copy.getContext("2d");
    context.drawImage(canvas, 0, 0);
    if (!region) return context.getImageData(0, 0, copy.width, copy.height).data;
    const scale = canvas.width / canvas.getBoundingClientRect().width;
    const at = (v) => Math.round(v * scale);
    return context.getImageData(at(region.x), at(region.y), at(region.width), at(region.height)).data;
  });
}

async function testPage(browser, fem, dir, options) {
  const name = path.basename(fem);
  const file = pageOf(fem, dir, options.status || 0);
  const tab = await browser.newPage();
  await tab.setViewport({ width: 1200, height: 800 });
  const errors = [];
  const outside = [];
  tab.on("pageerror", (error) => errors.push(String(error)));
  tab.on("console", (message) => {
    if (message.type() === "error") errors.push(message.text());
  });
  await tab.setRequestInterception(true);
  const own = pathToFileURL(file).href;
  tab.on("request", (request) => {
    if (request.url() === own) return request.continue();
    outside.push(request.url());
    return request.abort();
  });
  await tab.goto(own, { waitUntil: "load" });
  await tab.waitForFunction(() => window.lablixPage && window.lablixPage.ready(), { timeout: 60000 });
  check(errors.length === 0, `${name}: no script error ${errors.join(" | ")}`);
  check(outside.length === 0, `${name}: no request outside the page ${outside.join(" ")}`);

  // Every member, each name as its text.
  const rows = await tab.$$eval("#member-list li", (items) => items.map((li) => li.querySelector(".name").textContent));
  const nNames = await tab.$$eval("#summary tr", (trs) => Number(trs[2].lastChild.textContent));
  check(rows.length === nNames && rows.length > 0, `${name}: the member list holds all ${nNames} members (${rows.length})`);
  const femText = fs.readFileSync(fem, "latin1");
  check(rows.every((row) => femText.includes(row.trim())), `${name}: each member's name is the file's`);

  // A hover where the page drew a known element shows its label.
  if (options.drawn === false) {
    const notice = await tab.$eval("#no-geometry", (box) => (box.hidden ? "" : box.textContent));
    check(notice.includes(options.notice), `${name}: says "${options.notice}" (got "${notice}")`);
    if (options.status === 1) {
      const report = await tab.$eval("#report-panel", (panel) => (panel.hidden ? "" : panel.textContent));
      check(report.includes("*** ERROR IN INP_2103       ***"), `${name}: shows the input-error report`);
    }
  }
  const known = options.drawn === false ? null : firstElementLabel(fem, dir);
  check(known !== null || options.drawn === false, `${name}: the label file holds an element label`);
  if (known) {
    const [ext, labelLine] = known;
    const at = await tab.evaluate((x) => window.lablixPage.whereIs(window.lablixPage.elementOf(x)), ext);
    check(at !== null, `${name}: element ${ext} is drawn`);
    if (at) {
      await tab.mouse.move(at.x, at.y);
      const hover = await tab.$eval("#hover", (box) => (box.hidden ? "" : box.textContent));
      check(hover.split("\n")[0] === labelLine, `${name}: hover shows "${labelLine}" (got "${hover.split("\n")[0]}")`);
    }
  }

  // Each solid: drawn as its hull, and a hover where it was drawn shows
  // its label as the label file writes it.
  if (options.solids) {
    const label = path.join(dir, "solids.lab");
    execFileSync(lablix, [fem, label]);
    const labels = fs.readFileSync(label, "latin1").split("\r\n").filter((l) => l.startsWith("   ElementLabel"));
    for (const [solid, , , drawnAs, covered] of options.solids) {
      const line = labels.find((l) => l.includes(` ${solid}, `));
      check(line !== undefined, `${name}: ${solid} has a label`);
      if (!line) continue;
      const ext = Number(line.slice(15, 23));
      const e = await tab.evaluate((x) => window.lablixPage.elementOf(x), ext);
      const got = await tab.evaluate((i) => window.lablixPage.drawnAs(i), e);
      check(JSON.stringify(got) === JSON.stringify(drawnAs), `${name}: ${solid} drawn as ${JSON.stringify(drawnAs)} (got ${JSON.stringify(got)})`);
      if (covered) continue;
      const at = await tab.evaluate((i) => window.lablixPage.whereIs(i), e);
      check(at !== null, `${name}: ${solid} shows on the canvas`);
      if (!at) continue;
      await tab.mouse.move(at.x, at.y);
      const hover = await tab.$eval("#hover", (box) => (box.hidden ? "" : box.textContent));
      check(hover.split("\n")[0] === line.trimStart(), `${name}: hover on ${solid} shows "${line.trimStart()}" (got "${hover.split("\n")[0]}")`);
    }
  }

  if (options.screenshot && options.drawn !== false) {
    const shot = path.join(workDir, options.screenshot);
    await tab.mouse.move(5, 5);
    await tab.screenshot({ path: shot });
    // The members' colours on the canvas: each member's swatch colour is
    // found among the drawn pixels.
    const found = await tab.evaluate((readPixels) => {
      const pixels = readPixels();
      // Colours as seen, to 16 levels a channel: a thin line is blended at
      // its edges.
      const seen = new Set();
      const level = (v) => Math.round(v / 16);
      for (let i = 0; i < pixels.length; i += 4) seen.add((level(pixels[i]) << 10) | (level(pixels[i + 1]) << 5) | level(pixels[i + 2]));
      const swatches = [...document.querySelectorAll("#member-list li")].filter((li) => Number(li.querySelector(".count").textContent) > 0).map((li) => getComputedStyle(li.querySelector(".swatch")).backgroundColor);
      return swatches.map((rgb) => {
        const [r, g, b] = rgb.match(/\d+/g).map(Number);
        return seen.has((level(r) << 10) | (level(g) << 5) | level(b));
      });
    }, await canvasReader(tab));
    check(found.length > 0 && found.every(Boolean), `${name}: the screenshot shows each member's colour (${found.filter(Boolean).length} of ${found.length})`);
  }

  // A hover over a named node shows its name and NodeID, as its label.
  if (options.namedNode) {
    const [index, labelLine] = options.namedNode;
    const at = await tab.evaluate((i) => window.lablixPage.whereIs({ node: i }), index);
    check(at !== null, `${name}: named node ${index} is drawn`);
    if (at) {
      await tab.mouse.move(at.x, at.y);
      const hover = await tab.$eval("#hover", (box) => (box.hidden ? "" : box.textContent));
      check(hover.split("\n")[0] === labelLine, `${name}: hover shows "${labelLine}" (got "${hover.split("\n")[0]}")`);
    }
  }

  // A click on a member shows its elements and dims the others: the known
  // element, another member's, is drawn darker where it stands.
  if (options.screenshot && known) {
    const [ext, labelLine] = known;
    const other = rows.findIndex((row) => !labelLine.includes(` ${row.trim()}, `));
    const at = await tab.evaluate((x) => window.lablixPage.whereIs(window.lablixPage.elementOf(x)), ext);
    if (other >= 0 && at) {
      await tab.mouse.move(5, 5);
      const reader = await canvasReader(tab);
      const brightness = (where) =>
        tab.evaluate(
          (readPixels, { x, y }) => {
            // The brightest pixel near the point: a thin line is picked
            // wider than it is drawn.
            const rect = document.getElementById("canvas").getBoundingClientRect();
            const pixels = readPixels({ x: x - rect.left - 3, y: y - rect.top - 3, width: 7, height: 7 });
            let most = 0;
            for (let i = 0; i < pixels.length; i += 4) most = Math.max(most, pixels[i] + pixels[i + 1] + pixels[i + 2]);
            return most;
          },
          reader,
          where,
        );
      const before = await brightness(at);
      const row = (await tab.$$("#member-list li"))[other];
      await row.click();
      await tab.mouse.move(5, 5);
      const number = await row.evaluate((li) => Number(li.dataset.member));
      const selected = await tab.evaluate(() => window.lablixPage.selection());
      check(selected.member === number && (await row.evaluate((li) => li.classList.contains("selected"))), `${name}: a click on member ${number} selects it (${JSON.stringify(selected)})`);
      // Framed on the member now: the element stands elsewhere, if in sight.
      const atNow = await tab.evaluate((x) => window.lablixPage.whereIs(window.lablixPage.elementOf(x)), ext);
      if (atNow) {
        const after = await brightness(atNow);
        check(after < before, `${name}: another member's element is dimmed (${before} to ${after})`);
      }
      await row.click();
    }
  }

  // The search: a part of a name in other letters' case keeps the names
  // that hold it and hides the rest.
  const wanted = rows[0].trim().slice(1, 4).toUpperCase();
  await tab.type("#member-search", wanted);
  const shown = await tab.$$eval("#member-list li", (items) => items.filter((li) => li.getClientRects().length > 0).map((li) => li.querySelector(".name").textContent));
  const expected = rows.filter((row) => row.toLowerCase().includes(wanted.toLowerCase()));
  check(JSON.stringify(shown) === JSON.stringify(expected), `${name}: search "${wanted}" shows ${expected.length} of ${rows.length}`);

  if (options.hostile) {
    // The findings about element 1 and node 3 are links that show them;
    // no other is, though the file's name says " element 3" and a finding
    // counts "element 2 of the relation".
    const clickable = await tab.$$("#finding-list li.clickable");
    const shown = [];
    for (const row of clickable) {
      await row.click();
      const { element, node } = await tab.evaluate(() => window.lablixPage.selection());
      shown.push(element ? "element " + element : "node " + node);
    }
    check(JSON.stringify(shown.sort()) === JSON.stringify(["element 1", "node 3"]), `${name}: the findings about element 1 and node 3 are its links (${shown.join(", ")})`);
    const total = await tab.$eval("#finding-total", (span) => span.textContent);
    const closing = await tab.$eval("#finding-list li:last-child", (li) => li.textContent);
    check(total === "(" + parseInt(closing, 10) + ")", `${name}: the findings' count ${total} is the check's "${closing}"`);
    check((await tab.evaluate(() => window.pwned)) === undefined, `${name}: no name ran as script`);
    check(kHostileNames.every((n) => rows.includes(n)), `${name}: hostile names show as their characters`);
    check((await tab.$$("#member-list img, #member-list script, #member-list b")).length === 0, `${name}: no name became markup`);
  }
  await tab.close();
}

(async () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "lablix-page-"));
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "lablix-chromium-"));
  fs.mkdirSync(workDir, { recursive: true });
  let browser;
  try {
    browser = await puppeteer.launch({
      executablePath: chromiumPath,
      headless: true,
      args: [
        "--no-sandbox",
        "--enable-unsafe-swiftshader",
        "--disable-gpu-sandbox",
        "--no-first-run",
        "--disable-background-networking",
        "--disable-component-update",
        "--disable-sync",
        "--user-data-dir=" + profile,
      ],
    });
  } catch (error) {
    skip("Chromium does not start: " + error.message);
  }
  try {
    await testPage(browser, path.join(sourceDir, "examples", "jacket.FEM"), dir, {
      screenshot: "jacket.png",
      namedNode: [0, "NodeLabel       1     MUDLINE_A1, NodeID=       1"],
    });
    const real = ["adapy__genie_supports_all_kinds_T1.FEM", "adapy__genie_supports_frames_T1.FEM"];
    for (const file of real) {
      const fem = path.join(realworldDir, file);
      if (!fs.existsSync(fem)) {
        check(!required, `${file}: in ${realworldDir}`);
        continue;
      }
      await testPage(browser, fem, dir, { screenshot: file.replace(/\.FEM$/, ".png") });
    }
    const solids = path.join(dir, "solids.FEM");
    fs.writeFileSync(solids, solidsModel(kSolids), "latin1");
    await testPage(browser, solids, dir, { solids: kSolids });
    const hostileSolids = path.join(dir, "hostile_solids.FEM");
    fs.writeFileSync(hostileSolids, solidsModel(kHostileSolids, false), "latin1");
    await testPage(browser, hostileSolids, dir, { solids: kHostileSolids });
    // Named as a user might name it, with words a finding uses.
    const hostile = path.join(dir, "hostile element 3.FEM");
    fs.writeFileSync(hostile, hostileModel(), "latin1");
    await testPage(browser, hostile, dir, { hostile: true });
    // Pages without a drawing: a model without coordinates, and one that
    // breaks a limit (status 1), open as well and say why.
    const flat = path.join(dir, "flat.FEM");
    fs.writeFileSync(flat, hostileModel().replace(/^GCOORD.*\n/gm, ""), "latin1");
    await testPage(browser, flat, dir, { drawn: false, notice: "holds no coordinates (no GCOORD record)" });
    const broken = path.join(dir, "broken.FEM");
    fs.writeFileSync(broken, hostileModel() + "SCONMESH 5 100001 1 2\n          1 1\n", "latin1");
    await testPage(browser, broken, dir, { drawn: false, status: 1, notice: "breaks a limit" });
  } finally {
    await browser.close();
    fs.rmSync(dir, { recursive: true, force: true });
    fs.rmSync(profile, { recursive: true, force: true });
  }
  if (failures.length > 0) {
    console.log(failures.length + " failed");
    process.exit(1);
  }
})().catch((error) => {
  console.log("FAIL " + error.stack);
  process.exit(1);
});
