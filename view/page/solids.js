// solids.js: the solid elements as the page draws them. Each is the hull of
// its nodes (hull.js); a flat face of it that a second solid has too (the
// same corner nodes), the two on its two sides, lies inside the body they
// make, where no one can see it: it is not drawn, nor an edge where only
// such faces meet. In a
// block of hexahedra that leaves the skin, a few faces in a hundred, and
// keeps a large solid model quick to draw and to pick. Owns the solids'
// outlines, gathered once.
(function (Lablix) {
  "use strict";

  // Node numbers are below 2^17 (the program's limit is 100000): three of
  // them make one exact number for a face's key.
  const kNodeSpan = 131072;

  // A list of numbers that grows as it is filled: Int32Array or Float64Array.
  function growing(Type, capacity) {
    return { a: new Type(Math.max(capacity, 16)), n: 0 };
  }
  function push(list, value) {
    if (list.n === list.a.length) {
      const a = new list.a.constructor(2 * list.a.length);
      a.set(list.a);
      list.a = a;
    }
    list.a[list.n] = value;
    list.n += 1;
  }

  // Which faces lie inside: those whose corners (the key and the fourth)
  // two solids have with their outsides turned opposite ways (side +1 and
  // -1), one solid on each side. Two solids on the same nodes, one over the
  // other, keep their faces. Open addressing on a table at least twice the
  // faces' number.
  function insideFaces(keys, fourths, sides, n) {
    let bits = 4;
    while (1 << bits < 2 * n) bits += 1;
    const size = 1 << bits;
    const mask = size - 1;
    const key = new Float64Array(size).fill(-1);
    const fourth = new Int32Array(size);
    const nFront = new Int32Array(size);
    const nBack = new Int32Array(size);
    const slotOf = new Int32Array(n);
    for (let f = 0; f < n; f += 1) {
      if (keys[f] < 0) continue;
      const low = keys[f] % 4294967296;
      const high = Math.floor(keys[f] / 4294967296);
      // The halves mixed (as MurmurHash3 ends), the slot from the top bits.
      let h = Math.imul(low | 0, 0x9e3779b1) ^ Math.imul(high ^ fourths[f], 0x85ebca6b);
      h = Math.imul(h ^ (h >>> 16), 0x85ebca6b);
      h = Math.imul(h ^ (h >>> 13), 0xc2b2ae35);
      let slot = (h ^ (h >>> 16)) >>> (32 - bits);
      while (key[slot] !== -1 && (key[slot] !== keys[f] || fourth[slot] !== fourths[f])) slot = (slot + 1) & mask;
      key[slot] = keys[f];
      fourth[slot] = fourths[f];
      if (sides[f] > 0) {
        nFront[slot] += 1;
      } else {
        nBack[slot] += 1;
      }
      slotOf[f] = slot;
    }
    const inside = new Uint8Array(n);
    for (let f = 0; f < n; f += 1) inside[f] = keys[f] >= 0 && nFront[slotOf[f]] > 0 && nBack[slotOf[f]] > 0 ? 1 : 0;
    return inside;
  }

  // The outlines of the drawn solids of model. For element e: kind[e] (a
  // hull.kKind, or kNone for what is no drawn solid), and when closed its
  // triangles (three node indices of its list each) from triFirst[e] to
  // triFirst[e + 1] and its edges (two each) from edgeFirst[e] to
  // edgeFirst[e + 1], each with a flag: shown or inside. Flat, line and
  // point outlines are left to the drawing to make again: they close
  // nothing, so no face of theirs is inside.
  const kNone = 255;
  function gather(model) {
    const { kShape } = Lablix.data;
    const nElems = model.nElems;
    const isSolid = (e) => {
      const type = model.types.get(model.elemType[e]);
      return Boolean(type) && type.shape === kShape.solid && Lablix.data.isDrawn(model, e);
    };
    let nMax = 4;
    let nSolids = 0;
    for (let e = 1; e <= nElems; e += 1) {
      if (!isSolid(e)) continue;
      nSolids += 1;
      nMax = Math.max(nMax, model.elemCount[e]);
    }
    const kind = new Uint8Array(nElems + 1).fill(kNone);
    const triFirst = new Int32Array(nElems + 2);
    const edgeFirst = new Int32Array(nElems + 2);
    // A hexahedron's hull: 12 triangles, 12 edges, 6 flat faces.
    const triangles = growing(Int32Array, 36 * nSolids);
    const triFace = growing(Int32Array, 12 * nSolids);
    const edges = growing(Int32Array, 24 * nSolids);
    const edgeFaces = growing(Int32Array, 24 * nSolids);
    const faceKeys = growing(Float64Array, 6 * nSolids);
    const faceFourths = growing(Int32Array, 6 * nSolids);
    const faceSides = growing(Int32Array, 6 * nSolids);
    const w = Lablix.hull.workArea(nMax);
    const xyz = new Float64Array(3 * w.nMax);
    // Per flat face of one hull: how many corners (5: too many for a key),
    // and up to four of them, as node numbers.
    const corners = new Int32Array(5 * w.mxFaces);
    // A triangle of each flat face, whose plane turns outward.
    const faceTriangle = new Int32Array(w.mxFaces);
    for (let e = 1; e <= nElems; e += 1) {
      triFirst[e] = triangles.n / 3;
      edgeFirst[e] = edges.n / 2;
      if (!isSolid(e)) continue;
      const first = model.elemFirst[e];
      const n = Math.min(model.elemFirst[e + 1] - first, w.nMax);
      for (let k = 0; k < n; k += 1) {
        const at = 3 * model.elemNodes[first + k];
        xyz[3 * k] = model.xyz[at];
        xyz[3 * k + 1] = model.xyz[at + 1];
        xyz[3 * k + 2] = model.xyz[at + 2];
      }
      Lablix.hull.outline(w, xyz, n);
      kind[e] = w.kind;
      if (w.kind !== Lablix.hull.kKind.closed) continue;
      const faceBase = faceKeys.n;
      corners.fill(0, 0, 5 * w.nFlatFaces);
      for (let t = 0; t < w.nTriangles; t += 1) {
        const c = 5 * w.faceOf[t];
        for (let j = 0; j < 3; j += 1) {
          const v = w.triangles[3 * t + j];
          push(triangles, v);
          if (corners[c] === 5) continue;
          const node = model.elemNodes[first + v];
          let known = false;
          for (let m = 1; m <= corners[c]; m += 1) if (corners[c + m] === node) known = true;
          if (known) continue;
          if (corners[c] === 4) {
            corners[c] = 5;
          } else {
            corners[c] += 1;
            corners[c + corners[c]] = node;
          }
        }
        push(triFace, faceBase + w.faceOf[t]);
        faceTriangle[w.faceOf[t]] = t;
      }
      for (let f = 0; f < w.nFlatFaces; f += 1) {
        const c = 5 * f;
        const nCorners = corners[c];
        if (nCorners < 3 || nCorners > 4) {
          push(faceKeys, -1);
          push(faceFourths, 0);
          push(faceSides, 0);
          continue;
        }
        // Lowest first: the same face of two solids gets the same key.
        for (let k = c + 2; k <= c + nCorners; k += 1) {
          const node = corners[k];
          let j = k - 1;
          while (j > c && corners[j] > node) {
            corners[j + 1] = corners[j];
            j -= 1;
          }
          corners[j + 1] = node;
        }
        push(faceKeys, (corners[c + 1] * kNodeSpan + corners[c + 2]) * kNodeSpan + corners[c + 3]);
        push(faceFourths, nCorners === 4 ? corners[c + 4] : 0);
        // Which way the outside turns, against the turn of the three lowest
        // corners in the model: opposite for the two solids on a face.
        const p1 = 3 * corners[c + 1];
        const p2 = 3 * corners[c + 2];
        const p3 = 3 * corners[c + 3];
        const xyz0 = model.xyz;
        const ux = xyz0[p2] - xyz0[p1];
        const uy = xyz0[p2 + 1] - xyz0[p1 + 1];
        const uz = xyz0[p2 + 2] - xyz0[p1 + 2];
        const vx = xyz0[p3] - xyz0[p1];
        const vy = xyz0[p3 + 1] - xyz0[p1 + 1];
        const vz = xyz0[p3 + 2] - xyz0[p1 + 2];
        const plane = 4 * faceTriangle[f];
        const turn = w.plane[plane] * (uy * vz - uz * vy) + w.plane[plane + 1] * (uz * vx - ux * vz) + w.plane[plane + 2] * (ux * vy - uy * vx);
        push(faceSides, turn > 0 ? 1 : -1);
      }
      for (let k = 0; k < w.nEdges; k += 1) {
        push(edges, w.edges[2 * k]);
        push(edges, w.edges[2 * k + 1]);
        push(edgeFaces, faceBase + w.edgeFaces[2 * k]);
        push(edgeFaces, faceBase + w.edgeFaces[2 * k + 1]);
      }
    }
    triFirst[nElems + 1] = triangles.n / 3;
    edgeFirst[nElems + 1] = edges.n / 2;
    const inside = insideFaces(faceKeys.a, faceFourths.a, faceSides.a, faceKeys.n);
    const triShown = new Uint8Array(triFace.n);
    for (let t = 0; t < triFace.n; t += 1) triShown[t] = 1 - inside[triFace.a[t]];
    const edgeShown = new Uint8Array(edges.n / 2);
    for (let k = 0; k < edgeShown.length; k += 1) {
      edgeShown[k] = inside[edgeFaces.a[2 * k]] && inside[edgeFaces.a[2 * k + 1]] ? 0 : 1;
    }
    return { kind, triFirst, triangles: triangles.a, triShown, edgeFirst, edges: edges.a, edgeShown };
  }

  Lablix.solids = { gather, kNone };
})((window.Lablix = window.Lablix || {}));
