// The hull the page draws a solid element as (view/page/hull.js), in node
// without a browser: for each shape of solid, with and without midside
// nodes, near and far, huge and tiny, and flattened into a plane, a line or
// a point, the triangles, edges and points it gives, and that a closed hull
// holds every node, turns its faces outward and is watertight. Then the
// faces of a body of solids that are inside it and not drawn
// (view/page/solids.js).
//
//   node hull_test.js SOURCE_DIR
"use strict";

const fs = require("fs");
const path = require("path");
const vm = require("vm");

const sourceDir = process.argv[2];
const sandbox = { window: {} };
vm.createContext(sandbox);
for (const module of ["data.js", "hull.js", "solids.js"]) {
  vm.runInContext(fs.readFileSync(path.join(sourceDir, "view", "page", module), "utf8"), sandbox);
}
const { workArea, outline, kKind } = sandbox.window.Lablix.hull;
const { gather } = sandbox.window.Lablix.solids;
const kKindName = Object.fromEntries(Object.entries(kKind).map(([name, value]) => [value, name]));

const failures = [];
function check(condition, what) {
  if (!condition) failures.push(what);
  console.log((condition ? "ok   " : "FAIL ") + what);
}

// The unit cube's corners, its 12 edges' midpoints, its 6 faces' centres
// and its centre: the nodes of a hexahedron of 8, 20 or 27 nodes.
const kCorners = [[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0], [0, 0, 1], [1, 0, 1], [1, 1, 1], [0, 1, 1]];
const kCubeEdges = [[0, 1], [1, 2], [2, 3], [3, 0], [4, 5], [5, 6], [6, 7], [7, 4], [0, 4], [1, 5], [2, 6], [3, 7]];
const mid = (a, b) => a.map((v, d) => (v + b[d]) / 2);
const kMidsides = kCubeEdges.map(([a, b]) => mid(kCorners[a], kCorners[b]));
const kFaceCentres = [[0.5, 0.5, 0], [0.5, 0.5, 1], [0.5, 0, 0.5], [0.5, 1, 0.5], [0, 0.5, 0.5], [1, 0.5, 0.5]];
const hex8 = kCorners;
const hex20 = [...kCorners, ...kMidsides];
const hex27 = [...hex20, ...kFaceCentres, [0.5, 0.5, 0.5]];
// A prism: a triangle at z = 0 and z = 2, and its 9 midside nodes.
const kPrismCorners = [[0, 0, 0], [3, 0, 0], [0, 2, 0], [0, 0, 2], [3, 0, 2], [0, 2, 2]];
const kPrismEdges = [[0, 1], [1, 2], [2, 0], [3, 4], [4, 5], [5, 3], [0, 3], [1, 4], [2, 5]];
const prism15 = [...kPrismCorners, ...kPrismEdges.map(([a, b]) => mid(kPrismCorners[a], kPrismCorners[b]))];
const tetra = [[0, 0, 0], [1, 0, 0], [0, 1, 0], [0, 0, 1]];

const moved = (points, scale, offset) => points.map((p) => p.map((v, d) => v * scale + offset[d]));
// Each coordinate as the page holds it: a 32-bit float.
const float32 = (points) => points.map((p) => p.map((v) => Math.fround(v)));
// A twisted hexahedron: each node turned about Z by an angle that grows with z.
const twisted = hex8.map(([x, y, z]) => {
  const a = 0.3 * z;
  return [x * Math.cos(a) - y * Math.sin(a), x * Math.sin(a) + y * Math.cos(a), z];
});
// Midside nodes pushed outward a little, as a curved edge has them.
const bulged = hex20.map((p, k) => (k < 8 ? p : p.map((v) => (v - 0.5) * (1 + 2e-4) + 0.5)));

const cases = [
  // name, nodes, kind, triangles, edges, points
  ["TETR", tetra, "closed", 4, 6, 0],
  ["LHEX", hex8, "closed", 12, 12, 0],
  ["IHEX: midside nodes on the edges", hex20, "closed", 12, 12, 0],
  ["GHEX 27: face and body nodes", hex27, "closed", 12, 12, 0],
  ["TPRI", kPrismCorners, "closed", 8, 9, 0],
  ["IPRI", prism15, "closed", 8, 9, 0],
  ["IHEX far from the origin", float32(moved(hex20, 2, [3e4, -5e4, 120])), "closed", 12, 12, 0],
  ["LHEX tiny", moved(hex8, 1e-30, [1e-29, 0, 0]), "closed", 12, 12, 0],
  ["LHEX huge", float32(moved(hex8, 1e30, [0, 1e30, 0])), "closed", 12, 12, 0],
  ["LHEX flat as a plate", moved(hex8, 1, [0, 0, 0]).map(([x, y, z]) => [x * 100, y * 100, z * 1e-2]), "closed", 12, 12, 0],
  ["LHEX twisted: a diagonal on each bent side", twisted, "closed", 12, 16, 0],
  // 20 corners of the hull: 2 x 20 - 4 triangles; each edge in two.
  ["IHEX with bulging midside nodes", bulged, "closed", 36, 24, 0],
  ["LHEX all in a plane", hex8.map(([x, y]) => [x, y, 7]), "flat", 2, 4, 0],
  ["IHEX all in a slanted plane", hex20.map(([x, y]) => [x, y, x + y]), "flat", 2, 4, 0],
  // Three nodes at each place of a 3 x 3 grid: nine on each side's line.
  ["GHEX 27 all in a plane", hex27.map(([x, y]) => [x, y, 0]), "flat", 2, 4, 0],
  ["GHEX 27 round a circle", hex27.map((_, k) => [Math.cos(k), Math.sin(k), 0]), "flat", 25, 27, 0],
  ["TPRI all on a line", kPrismCorners.map(([x]) => [x, 2 * x, 3 * x]), "line", 0, 1, 0],
  ["LHEX all at one point", hex8.map(() => [4, 5, 6]), "point", 0, 0, 1],
  ["LHEX of zeros", hex8.map(() => [0, 0, 0]), "point", 0, 0, 1],
  ["LHEX with a node not finite", [...hex8.slice(0, 7), [NaN, 0, 0]], "point", 0, 0, 1],
  ["LHEX with an infinite node", [...hex8.slice(0, 7), [Infinity, 0, 0]], "point", 0, 0, 1],
  ["LHEX at the float's ends", [...hex8.slice(0, 4).map(() => [-3.4e38, -3.4e38, -3.4e38]), ...hex8.slice(4).map(() => [3.4e38, 3.4e38, 3.4e38])], "line", 0, 1, 0],
];

const w = workArea(27);
function run(nodes) {
  const xyz = new Float64Array(nodes.flat());
  outline(w, xyz, nodes.length);
  return {
    kind: kKindName[w.kind],
    triangles: Array.from({ length: w.nTriangles }, (_, k) => [0, 1, 2].map((j) => w.triangles[3 * k + j])),
    edges: Array.from({ length: w.nEdges }, (_, k) => [w.edges[2 * k], w.edges[2 * k + 1]]),
    points: Array.from(w.nodes.slice(0, w.nNodes)),
  };
}

const sub = (a, b) => a.map((v, d) => v - b[d]);
const cross = (a, b) => [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]];
const dot = (a, b) => a[0] * b[0] + a[1] * b[1] + a[2] * b[2];

// A closed hull: every edge of a triangle has its twin the other way round,
// each triangle's front faces away from the nodes' centre, and no node lies
// in front of any triangle by more than a small part of the element.
function checkClosed(name, nodes, result) {
  const directed = new Set(result.triangles.flatMap(([a, b, c]) => [`${a},${b}`, `${b},${c}`, `${c},${a}`]));
  const twinned = [...directed].every((key) => directed.has(key.split(",").reverse().join(",")));
  check(twinned && directed.size === 3 * result.triangles.length, `${name}: the hull is watertight`);
  const centre = [0, 1, 2].map((d) => nodes.reduce((sum, p) => sum + p[d], 0) / nodes.length);
  const size = Math.max(...nodes.flatMap((p) => p.map((v, d) => Math.abs(v - centre[d]))));
  let outward = true;
  let holds = true;
  for (const [a, b, c] of result.triangles) {
    const normal = cross(sub(nodes[b], nodes[a]), sub(nodes[c], nodes[a]));
    const length = Math.hypot(...normal);
    if (dot(normal, sub(nodes[a], centre)) <= 0) outward = false;
    for (const p of nodes) if (dot(normal, sub(p, nodes[a])) / length > 1e-4 * size) holds = false;
  }
  check(outward, `${name}: every face turns outward`);
  check(holds, `${name}: no node lies outside the hull`);
}

for (const [name, nodes, kind, nTriangles, nEdges, nPoints] of cases) {
  let result;
  try {
    result = run(nodes);
  } catch (error) {
    check(false, `${name}: ${error.stack}`);
    continue;
  }
  const got = `${result.kind} ${result.triangles.length} triangles ${result.edges.length} edges ${result.points.length} points`;
  const wanted = `${kind} ${nTriangles} triangles ${nEdges} edges ${nPoints} points`;
  check(got === wanted, `${name}: ${wanted} (got ${got})`);
  if (kind === "closed") checkClosed(name, nodes, result);
}

// The edges of hexahedra join nodes on one edge of the cube: no diagonal of
// a face, whatever the midside nodes do.
for (const [name, nodes] of [["IHEX", hex20], ["GHEX 27", hex27], ["IHEX bulging", bulged]]) {
  const onOneEdge = ([a, b]) => [0, 1, 2].filter((d) => Math.abs(nodes[a][d] - nodes[b][d]) > 1e-3).length === 1;
  check(run(nodes).edges.every(onOneEdge), `${name}: every edge drawn lies along an edge of the hexahedron`);
}

// Clouds of 27 nodes from a fixed sequence, some on a coarse grid so that
// many lie in one plane with others: always a closed hull holding them all.
let seed = 12345;
const next = () => {
  seed = (seed * 1103515245 + 12345) % 2147483648;
  return seed / 2147483648;
};
for (let round = 0; round < 200; round += 1) {
  const coarse = round % 2 === 1;
  const nodes = Array.from({ length: 27 }, () => [next(), next(), next()].map((v) => (coarse ? Math.round(v * 2) : v)));
  const result = run(nodes);
  if (result.kind !== "closed") {
    check(false, `cloud ${round}: closed (got ${result.kind})`);
    continue;
  }
  const before = failures.length;
  checkClosed(`cloud ${round}`, nodes, result);
  if (failures.length > before) break;
}

// A model as the page decodes it, of solids given by their nodes' places:
// nodes at one place are one node.
function modelOf(solids) {
  const nodeAt = new Map();
  const places = [];
  const lists = solids.map(([, nodes]) =>
    nodes.map((p) => {
      const at = p.join(" ");
      if (!nodeAt.has(at)) {
        places.push(p);
        nodeAt.set(at, places.length);
      }
      return nodeAt.get(at);
    })
  );
  const nElems = solids.length;
  const model = {
    nElems,
    xyz: new Float32Array(3 * (places.length + 1)),
    elemType: new Uint8Array(nElems + 1),
    elemState: new Uint8Array(nElems + 1),
    elemCount: new Uint8Array(nElems + 1),
    elemNodes: new Int32Array(lists.flat()),
    elemFirst: new Int32Array(nElems + 2),
    types: new Map([20, 21, 32, 33].map((eltyp) => [eltyp, { shape: sandbox.window.Lablix.data.kShape.solid }])),
  };
  places.forEach((p, i) => model.xyz.set(p, 3 * (i + 1)));
  solids.forEach(([eltyp], i) => {
    model.elemType[i + 1] = eltyp;
    model.elemCount[i + 1] = lists[i].length;
    model.elemFirst[i + 2] = model.elemFirst[i + 1] + lists[i].length;
  });
  return model;
}
const at = (nodes, dx, dy, dz) => nodes.map(([x, y, z]) => [x + dx, y + dy, z + dz]);
function block(nodes, eltyp, n) {
  const solids = [];
  for (let x = 0; x < n; x += 1) for (let y = 0; y < n; y += 1) for (let z = 0; z < n; z += 1) solids.push([eltyp, at(nodes, x, y, z)]);
  return solids;
}
// The cube cut in two prisms along a diagonal of its bottom face.
const kPrismA = [[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 0, 1], [1, 0, 1], [1, 1, 1]];
const kPrismB = [[0, 0, 0], [1, 1, 0], [0, 1, 0], [0, 0, 1], [1, 1, 1], [0, 1, 1]];
const bodies = [
  // name, solids, triangles and edges drawn (of all the hulls have)
  ["two LHEX side by side", [[21, hex8], [21, at(hex8, 1, 0, 0)]], 20, 24],
  // The skin: 9 faces a side. Each element draws the edges of its faces on
  // the skin: a corner element 9 (all but the 3 at its inner corner), one
  // on an edge of the block 7 (two faces' 4 less the one they share), one
  // in a side 4, the middle one none.
  ["a 3 x 3 x 3 block of LHEX: its skin", block(hex8, 21, 3), 6 * 9 * 2, 8 * 9 + 12 * 7 + 6 * 4],
  ["a 2 x 2 x 2 block of IHEX", block(hex20, 20, 2), 6 * 4 * 2, 8 * 9],
  ["two TPRI making a cube", [[32, kPrismA], [32, kPrismB]], 12, 18],
  ["two TETR on one triangle", [[33, tetra], [33, [[0, 0, 0], [1, 0, 0], [0, 1, 0], [0.3, 0.3, -1]]]], 6, 12],
  // Their shared corner moved out of the plane of their shared face (and
  // of their tops, not of their backs at y = 1): the face bends, split
  // along one diagonal in one solid and along the other in the other. Each
  // still 12 triangles, 2 of them inside, and 14 edges (2 faces bend), the
  // shared face's diagonal inside.
  ["two LHEX sharing a bent face", [[21, hex8.map((p) => (p.join() === "1,1,1" ? [1.1, 1, 1.1] : p))], [21, at(hex8, 1, 0, 0).map((p) => (p.join() === "1,1,1" ? [1.1, 1, 1.1] : p))]], 20, 26],
  ["two LHEX on the same nodes", [[21, hex8], [21, hex8]], 24, 24],
  ["two LHEX touching at an edge", [[21, hex8], [21, at(hex8, 1, 1, 0)]], 24, 24],
];
for (const [name, solids, nTriangles, nEdges] of bodies) {
  const drawn = gather(modelOf(solids));
  const triangles = drawn.triShown.reduce((sum, shown) => sum + shown, 0);
  const edges = drawn.edgeShown.reduce((sum, shown) => sum + shown, 0);
  check(triangles === nTriangles && edges === nEdges, `${name}: ${nTriangles} triangles and ${nEdges} edges drawn (got ${triangles} and ${edges})`);
}

if (failures.length > 0) {
  console.log(failures.length + " failed");
  process.exit(1);
}
