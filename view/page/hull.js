// hull.js: the shape of a solid element from its nodes' positions alone.
// The format's descriptions of the solids' node order are not at hand, and
// a hexahedron, a prism or a tetrahedron (their midside nodes on or near
// their edges) is, to the eye, the convex hull of its nodes: so a solid is
// drawn as that hull, which needs no node order. Owns a work area sized
// once; keeps nothing of one element for the next.
(function (Lablix) {
  "use strict";

  // What an outline is: a closed surface (its triangles turn their front
  // outward), a flat one (all nodes in one plane: its outline filled), a
  // line (all nodes on one), or a point (all nodes at one place).
  const kKind = { closed: 0, flat: 1, line: 2, point: 3 };
  // The most nodes a solid has: a GHEX with all six of its optional nodes.
  const kMostNodes = 27;

  // A node nearer to a face's plane than this, in parts of the element's
  // half size, adds nothing to the hull: midside nodes on an edge or a
  // face, and the rounding of coordinates written as 32-bit floats.
  const kOnPlane = 1e-5;
  // Two faces of the hull meeting at an angle this flat (the height of the
  // one's far node over the other's plane, in parts of the half size) are
  // one face to the eye: no edge is drawn between them, so a slightly bent
  // face of a second-order solid does not show its triangles.
  const kFlatEdge = 1e-3;
  // The relative step of a 32-bit float: far from the origin a coordinate
  // is only this exact, whatever the element's size.
  const kFloat32Step = 1 / (1 << 23);

  // The work area of hulls of up to nMax nodes.
  function workArea(nMax) {
    const n = Math.max(nMax, 4);
    // Each node added takes at most as many new faces as the hull has edges
    // round the faces it sees: 6n faces per node is a bound never reached.
    const mxFaces = 4 + 6 * n * n;
    return {
      nMax: n,
      q: new Float64Array(3 * n),
      order: new Int32Array(n),
      key: new Float64Array(n),
      mxFaces,
      face: new Int32Array(3 * mxFaces),
      plane: new Float64Array(4 * mxFaces),
      visible: new Uint8Array(mxFaces),
      seen: new Int32Array(mxFaces),
      edgeFace: new Int32Array(n * n),
      horizon: new Int32Array(2 * 3 * mxFaces),
      nFaces: 0,
      // The outline: its kind, triangles and edges as node indices of the
      // element's list, and the nodes of a point.
      kind: kKind.point,
      triangles: new Int32Array(3 * mxFaces),
      nTriangles: 0,
      edges: new Int32Array(2 * 3 * mxFaces),
      nEdges: 0,
      // Of a closed outline: the flat face each triangle belongs to
      // (triangles meeting at an edge not drawn are one face), numbered
      // from 0, and the faces on the two sides of each edge.
      faceOf: new Int32Array(mxFaces),
      nFlatFaces: 0,
      edgeFaces: new Int32Array(2 * 3 * mxFaces),
      // Also the chain round a flat outline as it is built: up to 2n long.
      nodes: new Int32Array(2 * n + 2),
      nNodes: 0,
    };
  }

  function distanceSq(q, a, b) {
    const dx = q[3 * a] - q[3 * b];
    const dy = q[3 * a + 1] - q[3 * b + 1];
    const dz = q[3 * a + 2] - q[3 * b + 2];
    return dx * dx + dy * dy + dz * dz;
  }

  // (b - a) x (c - a) of the points a, b, c of q into out.
  function cross(q, a, b, c, out) {
    const ux = q[3 * b] - q[3 * a];
    const uy = q[3 * b + 1] - q[3 * a + 1];
    const uz = q[3 * b + 2] - q[3 * a + 2];
    const vx = q[3 * c] - q[3 * a];
    const vy = q[3 * c + 1] - q[3 * a + 1];
    const vz = q[3 * c + 2] - q[3 * a + 2];
    out[0] = uy * vz - uz * vy;
    out[1] = uz * vx - ux * vz;
    out[2] = ux * vy - uy * vx;
  }
  const crossed = new Float64Array(3);

  // The unit normal of the triangle (a, b, c), turned by the order of its
  // corners, into n; false when the triangle has no area to speak of.
  function normalOf(q, a, b, c, n) {
    cross(q, a, b, c, crossed);
    const nx = crossed[0];
    const ny = crossed[1];
    const nz = crossed[2];
    const length = Math.sqrt(nx * nx + ny * ny + nz * nz);
    if (!(length > 0)) {
      n[0] = n[1] = n[2] = 0;
      return false;
    }
    n[0] = nx / length;
    n[1] = ny / length;
    n[2] = nz / length;
    return true;
  }

  // The height of node p over the plane of face f.
  function height(w, f, p) {
    const q = w.q;
    const s = 4 * f;
    return w.plane[s] * q[3 * p] + w.plane[s + 1] * q[3 * p + 1] + w.plane[s + 2] * q[3 * p + 2] - w.plane[s + 3];
  }

  const normal = new Float64Array(3);
  // Adds the face (a, b, c), front toward the side from which its corners
  // run counter-clockwise. False when the work area is full.
  function addFace(w, a, b, c) {
    if (w.nFaces === w.mxFaces) return false;
    const f = w.nFaces;
    w.nFaces += 1;
    w.face[3 * f] = a;
    w.face[3 * f + 1] = b;
    w.face[3 * f + 2] = c;
    normalOf(w.q, a, b, c, normal);
    w.plane[4 * f] = normal[0];
    w.plane[4 * f + 1] = normal[1];
    w.plane[4 * f + 2] = normal[2];
    w.plane[4 * f + 3] = normal[0] * w.q[3 * a] + normal[1] * w.q[3 * a + 1] + normal[2] * w.q[3 * a + 2];
    const n = w.nMax;
    w.edgeFace[a * n + b] = f;
    w.edgeFace[b * n + c] = f;
    w.edgeFace[c * n + a] = f;
    return true;
  }

  // Removes face f: the last face takes its place.
  function removeFace(w, f) {
    const n = w.nMax;
    for (let k = 0; k < 3; k += 1) {
      const a = w.face[3 * f + k];
      const b = w.face[3 * f + ((k + 1) % 3)];
      if (w.edgeFace[a * n + b] === f) w.edgeFace[a * n + b] = -1;
    }
    const last = w.nFaces - 1;
    w.nFaces = last;
    if (f === last) return;
    for (let k = 0; k < 3; k += 1) w.face[3 * f + k] = w.face[3 * last + k];
    for (let k = 0; k < 4; k += 1) w.plane[4 * f + k] = w.plane[4 * last + k];
    for (let k = 0; k < 3; k += 1) {
      const a = w.face[3 * f + k];
      const b = w.face[3 * f + ((k + 1) % 3)];
      if (w.edgeFace[a * n + b] === last) w.edgeFace[a * n + b] = f;
    }
  }

  function pushEdge(w, a, b) {
    w.edges[2 * w.nEdges] = a;
    w.edges[2 * w.nEdges + 1] = b;
    w.nEdges += 1;
  }

  // Nodes on a line: drawn as the one edge between its farthest nodes.
  function asLine(w, a, b) {
    w.kind = kKind.line;
    w.nNodes = 0;
    pushEdge(w, a, b);
    return w;
  }

  // No face yet, and no edge that one has.
  function clearFaces(w) {
    w.nFaces = 0;
    w.edgeFace.fill(-1);
  }

  // The flat face triangle f belongs to, by the joins made so far (the
  // root of its tree in faceOf).
  function rootOf(w, f) {
    let root = f;
    while (w.faceOf[root] !== root) root = w.faceOf[root];
    return root;
  }

  // The outline of nodes in a plane: the polygon round them (by the
  // monotone chain, in the plane's own two axes), filled as a fan.
  function flatOutline(w, n, i0, i1, i2, epsilon) {
    const q = w.q;
    const axisU = new Float64Array(3);
    const axisN = new Float64Array(3);
    const length = Math.sqrt(distanceSq(q, i0, i1));
    for (let d = 0; d < 3; d += 1) axisU[d] = (q[3 * i1 + d] - q[3 * i0 + d]) / length;
    normalOf(q, i0, i1, i2, axisN);
    const axisV = [axisN[1] * axisU[2] - axisN[2] * axisU[1], axisN[2] * axisU[0] - axisN[0] * axisU[2], axisN[0] * axisU[1] - axisN[1] * axisU[0]];
    const s = w.key;
    const t = new Float64Array(n);
    for (let p = 0; p < n; p += 1) {
      s[p] = axisU[0] * q[3 * p] + axisU[1] * q[3 * p + 1] + axisU[2] * q[3 * p + 2];
      t[p] = axisV[0] * q[3 * p] + axisV[1] * q[3 * p + 1] + axisV[2] * q[3 * p + 2];
    }
    const order = w.order;
    for (let p = 0; p < n; p += 1) order[p] = p;
    sortBy(order, n, (a, b) => s[a] - s[b] || t[a] - t[b]);
    // A node within epsilon of the line from the one before it to the one
    // after it is no corner.
    const turn = (o, a, b) => {
      const cross = (s[a] - s[o]) * (t[b] - t[o]) - (t[a] - t[o]) * (s[b] - s[o]);
      return cross > epsilon * Math.hypot(s[b] - s[o], t[b] - t[o]);
    };
    const ring = w.nodes;
    let m = 0;
    for (let k = 0; k < n; k += 1) {
      while (m >= 2 && !turn(ring[m - 2], ring[m - 1], order[k])) m -= 1;
      ring[m] = order[k];
      m += 1;
    }
    const lower = m + 1;
    for (let k = n - 2; k >= 0; k -= 1) {
      while (m >= lower && !turn(ring[m - 2], ring[m - 1], order[k])) m -= 1;
      ring[m] = order[k];
      m += 1;
    }
    m -= 1;  // the first node closes the ring
    if (m < 3) return false;
    w.kind = kKind.flat;
    w.nNodes = 0;
    for (let k = 1; k + 1 < m; k += 1) {
      w.triangles[3 * w.nTriangles] = ring[0];
      w.triangles[3 * w.nTriangles + 1] = ring[k];
      w.triangles[3 * w.nTriangles + 2] = ring[k + 1];
      w.nTriangles += 1;
    }
    for (let k = 0; k < m; k += 1) pushEdge(w, ring[k], ring[(k + 1) % m]);
    return true;
  }

  // Insertion sort of the first n entries of list: at most 27 of them.
  function sortBy(list, n, compare) {
    for (let k = 1; k < n; k += 1) {
      const item = list[k];
      let j = k - 1;
      while (j >= 0 && compare(list[j], item) > 0) {
        list[j + 1] = list[j];
        j -= 1;
      }
      list[j + 1] = item;
    }
  }

  // The index among the first n nodes that maximises score, and its score.
  function farthest(n, score) {
    let best = 0;
    let bestScore = -Infinity;
    for (let p = 0; p < n; p += 1) {
      const value = score(p);
      if (value > bestScore) {
        bestScore = value;
        best = p;
      }
    }
    return [best, bestScore];
  }

  // The outline of the n nodes whose positions are xyz[3k..3k+2]: into w's
  // kind, triangles, edges and nodes, as indices 0 to n - 1. Any positions,
  // huge, tiny, equal or not finite, give an outline (at worst a point) in
  // a bounded number of steps; n above w.nMax is cut to it.
  function outline(w, xyz, nGiven) {
    const n = Math.min(nGiven, w.nMax);
    w.nTriangles = 0;
    w.nEdges = 0;
    w.nNodes = 0;
    w.kind = kKind.point;
    if (n < 1) return w;
    // Nodes moved to the element's centre and scaled by its half size, so
    // that tolerances are parts of the element, however large or far.
    const q = w.q;
    const centre = [0, 0, 0];
    let largest = 0;
    for (let p = 0; p < n; p += 1) {
      for (let d = 0; d < 3; d += 1) {
        centre[d] += xyz[3 * p + d] / n;
        largest = Math.max(largest, Math.abs(xyz[3 * p + d]));
      }
    }
    let half = 0;
    for (let p = 0; p < n; p += 1) {
      for (let d = 0; d < 3; d += 1) half = Math.max(half, Math.abs(xyz[3 * p + d] - centre[d]));
    }
    w.nodes[0] = 0;
    w.nNodes = 1;
    if (!(half > 0) || !Number.isFinite(half) || !Number.isFinite(largest)) return w;
    for (let p = 0; p < n; p += 1) {
      for (let d = 0; d < 3; d += 1) q[3 * p + d] = (xyz[3 * p + d] - centre[d]) / half;
    }
    const epsilon = Math.max(kOnPlane, (2 * kFloat32Step * largest) / half);
    const flatEdge = Math.max(kFlatEdge, 2 * epsilon);

    // The first tetrahedron: two nodes far apart, the node farthest from
    // their line, the node farthest from their plane. Where there is none
    // beyond epsilon, the nodes lie on a point, a line or a plane.
    const [i0] = farthest(n, (p) => q[3 * p] * q[3 * p] + q[3 * p + 1] * q[3 * p + 1] + q[3 * p + 2] * q[3 * p + 2]);
    const [i1, apart] = farthest(n, (p) => distanceSq(q, p, i0));
    w.nodes[0] = i0;
    if (!(Math.sqrt(apart) > epsilon)) return w;
    const length01 = Math.sqrt(apart);
    const [i2, offLine] = farthest(n, (p) => {
      // |(p - i0) x (i1 - i0)| / |i1 - i0|: the distance from the line.
      cross(q, i0, p, i1, crossed);
      const cx = crossed[0];
      const cy = crossed[1];
      const cz = crossed[2];
      return Math.sqrt(cx * cx + cy * cy + cz * cz) / length01;
    });
    if (!(offLine > epsilon)) return asLine(w, i0, i1);
    clearFaces(w);
    addFace(w, i0, i1, i2);
    const [i3, offPlane] = farthest(n, (p) => Math.abs(height(w, 0, p)));
    if (!(offPlane > epsilon)) return flatOutline(w, n, i0, i1, i2, epsilon) ? w : asLine(w, i0, i1);
    // Its four faces, each turned so that the fourth node lies behind it.
    clearFaces(w);
    const corners = [i0, i1, i2, i3];
    for (let k = 0; k < 4; k += 1) {
      const a = corners[(k + 1) % 4];
      const b = corners[(k + 2) % 4];
      const c = corners[(k + 3) % 4];
      normalOf(q, a, b, c, normal);
      const p = corners[k];
      const ahead = normal[0] * (q[3 * p] - q[3 * a]) + normal[1] * (q[3 * p + 1] - q[3 * a + 1]) + normal[2] * (q[3 * p + 2] - q[3 * a + 2]);
      if (ahead > 0) {
        addFace(w, a, c, b);
      } else {
        addFace(w, a, b, c);
      }
    }

    // The other nodes, farthest from the centre first: the corners come
    // before the midside nodes, which then fall on the hull and add
    // nothing.
    const order = w.order;
    let nOrder = 0;
    for (let p = 0; p < n; p += 1) {
      if (p === i0 || p === i1 || p === i2 || p === i3) continue;
      w.key[p] = q[3 * p] * q[3 * p] + q[3 * p + 1] * q[3 * p + 1] + q[3 * p + 2] * q[3 * p + 2];
      order[nOrder] = p;
      nOrder += 1;
    }
    sortBy(order, nOrder, (a, b) => w.key[b] - w.key[a]);
    const size = w.nMax;
    for (let k = 0; k < nOrder; k += 1) {
      const p = order[k];
      // The faces p sees, and round them the horizon: the edges whose face
      // on the other side p does not see. Each becomes a face with p.
      let nSeen = 0;
      for (let f = 0; f < w.nFaces; f += 1) {
        w.visible[f] = height(w, f, p) > epsilon ? 1 : 0;
        if (w.visible[f]) {
          w.seen[nSeen] = f;
          nSeen += 1;
        }
      }
      if (nSeen === 0) continue;
      let nHorizon = 0;
      for (let s = 0; s < nSeen; s += 1) {
        const f = w.seen[s];
        for (let j = 0; j < 3; j += 1) {
          const a = w.face[3 * f + j];
          const b = w.face[3 * f + ((j + 1) % 3)];
          const other = w.edgeFace[b * size + a];
          if (other >= 0 && w.visible[other]) continue;
          w.horizon[2 * nHorizon] = a;
          w.horizon[2 * nHorizon + 1] = b;
          nHorizon += 1;
        }
      }
      // From the highest down, so that the face moved into a freed place
      // is never one still to be removed.
      for (let s = nSeen - 1; s >= 0; s -= 1) removeFace(w, w.seen[s]);
      for (let h = 0; h < nHorizon; h += 1) {
        if (!addFace(w, w.horizon[2 * h], w.horizon[2 * h + 1], p)) break;
      }
    }

    w.kind = kKind.closed;
    w.nNodes = 0;
    for (let f = 0; f < w.nFaces; f += 1) {
      for (let j = 0; j < 3; j += 1) w.triangles[3 * f + j] = w.face[3 * f + j];
    }
    w.nTriangles = w.nFaces;
    // An edge is drawn once, and only where its two faces bend: not the
    // diagonals of a flat face, nor its midside nodes' steps. The triangles
    // on both sides of an edge not drawn are joined into one flat face.
    for (let f = 0; f < w.nFaces; f += 1) w.faceOf[f] = f;
    for (let f = 0; f < w.nFaces; f += 1) {
      for (let j = 0; j < 3; j += 1) {
        const a = w.face[3 * f + j];
        const b = w.face[3 * f + ((j + 1) % 3)];
        const other = w.edgeFace[b * size + a];
        if (other < 0) {
          w.edgeFaces[2 * w.nEdges] = f;
          w.edgeFaces[2 * w.nEdges + 1] = f;
          pushEdge(w, a, b);
          continue;
        }
        if (a > b) continue;
        let bent = false;
        for (let m = 0; m < 3; m += 1) {
          if (Math.abs(height(w, f, w.face[3 * other + m])) > flatEdge) bent = true;
          if (Math.abs(height(w, other, w.face[3 * f + m])) > flatEdge) bent = true;
        }
        if (bent) {
          w.edgeFaces[2 * w.nEdges] = f;
          w.edgeFaces[2 * w.nEdges + 1] = other;
          pushEdge(w, a, b);
        } else {
          const ra = rootOf(w, f);
          const rb = rootOf(w, other);
          if (ra !== rb) w.faceOf[Math.max(ra, rb)] = Math.min(ra, rb);
        }
      }
    }
    // Joins point to the lower triangle, so a face's root comes before the
    // rest of it: numbered first, its number is there for them to take.
    const root = w.seen;
    for (let f = 0; f < w.nFaces; f += 1) root[f] = rootOf(w, f);
    w.nFlatFaces = 0;
    for (let f = 0; f < w.nFaces; f += 1) {
      if (root[f] === f) {
        w.faceOf[f] = w.nFlatFaces;
        w.nFlatFaces += 1;
      } else {
        w.faceOf[f] = w.faceOf[root[f]];
      }
    }
    for (let k = 0; k < 2 * w.nEdges; k += 1) w.edgeFaces[k] = w.faceOf[w.edgeFaces[k]];
    return w;
  }

  Lablix.hull = { workArea, outline, cross, kKind, kMostNodes };
})((window.Lablix = window.Lablix || {}));
