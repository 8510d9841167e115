// solids.js: the solid elements as the page draws them. Each is the hull of
// its nodes (hull.js); a flat face of it that a second solid has too (the
// same corner nodes), the two on its two sides, lies inside the body they
// make, where no one can see it: it is not drawn, nor an edge where only
// such faces meet. A four-sided face bent along a diagonal is matched by
// its four corners. (A face whose midside nodes leave its plane is matched
// by nothing: the solid beyond sees it hollow, and it is drawn.) In a
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
  // Makes room in list for n more numbers.
  function room(list, n) {
    if (list.n + n <= list.a.length) return;
    const a = new list.a.constructor(2 * Math.max(list.a.length, list.n + n));
    a.set(list.a);
    list.a = a;
  }

  // Which faces lie inside: those whose corners (the key and the fourth)
  // two solids have with their outsides turned opposite ways (side +1 and
  // -1), one solid on each side. Two solids on the same nodes, one over the
  // other, keep their faces; so does a solid whose own faces meet the same
  // corners twice. Face f is of solid owner[f]. Open addressing on a table
  // at least twice the faces' number.
  function insideFaces(keys, fourths, sides, owner, n) {
    let bits = 4;
    while (1 << bits < 2 * n) bits += 1;
    const mask = (1 << bits) - 1;
    // Each slot holds the first face with its corners, plus 1 (0: empty);
    // that face stands for all with the same corners, and holds the solids
    // seen on each side: the first, and whether a second one was.
    const table = new Int32Array(1 << bits);
    const first = new Int32Array(n);
    const front = new Int32Array(n);
    const back = new Int32Array(n);
    const frontMore = new Uint8Array(n);
    const backMore = new Uint8Array(n);
    for (let f = 0; f < n; f += 1) {
      if (keys[f] < 0) continue;
      const low = keys[f] % 4294967296;
      const high = Math.floor(keys[f] / 4294967296);
      // The halves mixed (as MurmurHash3 ends), the slot from the top bits.
      let h = Math.imul(low | 0, 0x9e3779b1) ^ Math.imul(high ^ fourths[f], 0x85ebca6b);
      h = Math.imul(h ^ (h >>> 16), 0x85ebca6b);
      h = Math.imul(h ^ (h >>> 13), 0xc2b2ae35);
      let slot = (h ^ (h >>> 16)) >>> (32 - bits);
      for (;;) {
        const g = table[slot] - 1;
        if (g < 0) {
          table[slot] = f + 1;
          first[f] = f;
          break;
        }
        if (keys[g] === keys[f] && fourths[g] === fourths[f]) {
          first[f] = g;
          break;
        }
        slot = (slot + 1) & mask;
      }
      const g = first[f];
      if (sides[f] > 0) {
        if (front[g] === 0) front[g] = owner[f];
        if (front[g] !== owner[f]) frontMore[g] = 1;
      } else {
        if (back[g] === 0) back[g] = owner[f];
        if (back[g] !== owner[f]) backMore[g] = 1;
      }
    }
    const inside = new Uint8Array(n);
    for (let f = 0; f < n; f += 1) {
      const g = first[f];
      inside[f] = keys[f] >= 0 && front[g] > 0 && back[g] > 0 && (front[g] !== back[g] || frontMore[g] || backMore[g]) ? 1 : 0;
    }
    return inside;
  }

  // +1 or -1: which way the normal (nx, ny, nz) turns against the turn of
  // the nodes n1, n2, n3 in the model's xyz.
  const turn = new Float64Array(3);
  function sideOf(xyz, n1, n2, n3, nx, ny, nz) {
    Lablix.hull.cross(xyz, n1, n2, n3, turn);
    return nx * turn[0] + ny * turn[1] + nz * turn[2] > 0 ? 1 : -1;
  }

  // The outlines of the drawn solids of model. For element e: kind[e] (a
  // hull.kKind, or kNone for what is no drawn solid), and when closed its
  // triangles (three node indices of its list each) from triFirst[e] to
  // triFirst[e + 1] and its edges (two each) from edgeFirst[e] to
  // edgeFirst[e + 1], each with a flag: shown or inside. Flat, line and
  // point outlines are left to the drawing to make again: they close
  // nothing, so no face of theirs is inside.
  const kNone = 255;

  // The hull of element e's nodes (at most w.nMax of them) into w, their
  // places gathered into xyz (3 w.nMax numbers) first.
  function outlineOf(w, xyz, model, e) {
    const first = model.elemFirst[e];
    const n = Math.min(model.elemFirst[e + 1] - first, w.nMax);
    for (let k = 0; k < n; k += 1) {
      const at = 3 * model.elemNodes[first + k];
      xyz[3 * k] = model.xyz[at];
      xyz[3 * k + 1] = model.xyz[at + 1];
      xyz[3 * k + 2] = model.xyz[at + 2];
    }
    Lablix.hull.outline(w, xyz, n);
  }

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
    const faceOwners = growing(Int32Array, 6 * nSolids);
    // Bent four-sided faces: key, fourth corner, side, and their two flat
    // faces, five numbers each.
    const quads = growing(Float64Array, 16);
    const quad = new Int32Array(4);
    const w = Lablix.hull.workArea(nMax);
    const xyz = new Float64Array(3 * w.nMax);
    // Per flat face of one hull: how many corners (5: too many for a key),
    // and up to four of them, as node numbers; a triangle of it, whose
    // plane turns outward.
    const corners = new Int32Array(5 * w.mxFaces);
    const faceTriangle = new Int32Array(w.mxFaces);
    // For each flat face and node of the list, the last element whose face
    // took that node as a corner: no clearing between elements.
    const cornerOf = new Int32Array(w.mxFaces * w.nMax);
    const xyz0 = model.xyz;
    for (let e = 1; e <= nElems; e += 1) {
      triFirst[e] = triangles.n / 3;
      edgeFirst[e] = edges.n / 2;
      if (!isSolid(e)) continue;
      const first = model.elemFirst[e];
      outlineOf(w, xyz, model, e);
      kind[e] = w.kind;
      if (w.kind !== Lablix.hull.kKind.closed) continue;
      const faceBase = faceKeys.n;
      room(triangles, 3 * w.nTriangles);
      room(triFace, w.nTriangles);
      room(faceKeys, w.nFlatFaces);
      room(faceFourths, w.nFlatFaces);
      room(faceSides, w.nFlatFaces);
      room(faceOwners, w.nFlatFaces);
      room(edges, 2 * w.nEdges);
      room(edgeFaces, 2 * w.nEdges);
      corners.fill(0, 0, 5 * w.nFlatFaces);
      for (let t = 0; t < w.nTriangles; t += 1) {
        const f = w.faceOf[t];
        const c = 5 * f;
        for (let j = 0; j < 3; j += 1) {
          const v = w.triangles[3 * t + j];
          triangles.a[triangles.n] = v;
          triangles.n += 1;
          if (cornerOf[f * w.nMax + v] === e) continue;
          cornerOf[f * w.nMax + v] = e;
          if (corners[c] < 4) corners[c + corners[c] + 1] = model.elemNodes[first + v];
          corners[c] = Math.min(corners[c] + 1, 5);
        }
        triFace.a[triFace.n] = faceBase + f;
        triFace.n += 1;
        faceTriangle[f] = t;
      }
      for (let f = 0; f < w.nFlatFaces; f += 1) {
        const c = 5 * f;
        const nCorners = corners[c];
        let key = -1;
        let side = 0;
        if (nCorners >= 3 && nCorners <= 4) {
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
          key = (corners[c + 1] * kNodeSpan + corners[c + 2]) * kNodeSpan + corners[c + 3];
          // Which way the outside turns, against the turn of the three
          // lowest corners: opposite for the two solids on a face.
          const plane = 4 * faceTriangle[f];
          side = sideOf(xyz0, corners[c + 1], corners[c + 2], corners[c + 3], w.plane[plane], w.plane[plane + 1], w.plane[plane + 2]);
        }
        faceKeys.a[faceKeys.n] = key;
        faceKeys.n += 1;
        faceFourths.a[faceFourths.n] = nCorners === 4 ? corners[c + 4] : 0;
        faceFourths.n += 1;
        faceSides.a[faceSides.n] = side;
        faceSides.n += 1;
        faceOwners.a[faceOwners.n] = e;
        faceOwners.n += 1;
      }
      // A four-sided face bent along a diagonal is two flat faces of three
      // corners, split along one diagonal in one solid and maybe along the
      // other in the solid beyond: keyed by its four corners too.
      for (let k = 0; k < w.nEdges; k += 1) {
        const c1 = 5 * w.edgeFaces[2 * k];
        const c2 = 5 * w.edgeFaces[2 * k + 1];
        if (c1 === c2 || corners[c1] !== 3 || corners[c2] !== 3) continue;
        let nOther = 0;
        for (let m = 1; m <= 3; m += 1) {
          const node = corners[c2 + m];
          if (node === corners[c1 + 1] || node === corners[c1 + 2] || node === corners[c1 + 3]) continue;
          quad[3] = node;
          nOther += 1;
        }
        if (nOther !== 1) continue;
        quad[0] = corners[c1 + 1];
        quad[1] = corners[c1 + 2];
        quad[2] = corners[c1 + 3];
        quad.sort();
        const plane1 = 4 * faceTriangle[w.edgeFaces[2 * k]];
        const plane2 = 4 * faceTriangle[w.edgeFaces[2 * k + 1]];
        room(quads, 5);
        quads.a[quads.n] = (quad[0] * kNodeSpan + quad[1]) * kNodeSpan + quad[2];
        quads.a[quads.n + 1] = quad[3];
        quads.a[quads.n + 2] = sideOf(xyz0, quad[0], quad[1], quad[2], w.plane[plane1] + w.plane[plane2], w.plane[plane1 + 1] + w.plane[plane2 + 1], w.plane[plane1 + 2] + w.plane[plane2 + 2]);
        quads.a[quads.n + 3] = faceBase + w.edgeFaces[2 * k];
        quads.a[quads.n + 4] = faceBase + w.edgeFaces[2 * k + 1];
        quads.n += 5;
      }
      for (let k = 0; k < 2 * w.nEdges; k += 1) {
        edges.a[edges.n + k] = w.edges[k];
        edgeFaces.a[edgeFaces.n + k] = faceBase + w.edgeFaces[k];
      }
      edges.n += 2 * w.nEdges;
      edgeFaces.n += 2 * w.nEdges;
    }
    triFirst[nElems + 1] = triangles.n / 3;
    edgeFirst[nElems + 1] = edges.n / 2;
    // The flat faces and the bent four-sided ones in one table.
    const nFaces = faceKeys.n;
    const nQuads = quads.n / 5;
    room(faceKeys, nQuads);
    room(faceFourths, nQuads);
    room(faceSides, nQuads);
    room(faceOwners, nQuads);
    for (let k = 0; k < nQuads; k += 1) {
      faceKeys.a[nFaces + k] = quads.a[5 * k];
      faceFourths.a[nFaces + k] = quads.a[5 * k + 1];
      faceSides.a[nFaces + k] = quads.a[5 * k + 2];
      faceOwners.a[nFaces + k] = faceOwners.a[quads.a[5 * k + 3]];
    }
    const inside = insideFaces(faceKeys.a, faceFourths.a, faceSides.a, faceOwners.a, nFaces + nQuads);
    for (let k = 0; k < nQuads; k += 1) {
      if (!inside[nFaces + k]) continue;
      inside[quads.a[5 * k + 3]] = 1;
      inside[quads.a[5 * k + 4]] = 1;
    }
    const triShown = new Uint8Array(triFace.n);
    for (let t = 0; t < triFace.n; t += 1) triShown[t] = 1 - inside[triFace.a[t]];
    const edgeShown = new Uint8Array(edges.n / 2);
    for (let k = 0; k < edgeShown.length; k += 1) {
      edgeShown[k] = inside[edgeFaces.a[2 * k]] && inside[edgeFaces.a[2 * k + 1]] ? 0 : 1;
    }
    return { kind, triFirst, triangles: triangles.a, triShown, edgeFirst, edges: edges.a, edgeShown };
  }

  Lablix.solids = { gather, outlineOf, kNone };
})((window.Lablix = window.Lablix || {}));
