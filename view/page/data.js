// data.js: the model's data as the program wrote it into the page (the JSON
// element "lablix-data"): decodes its base64 tables into typed arrays and
// gathers what the other modules ask for (members by number, the element
// types, the bounds of what is drawn). Owns no drawing and no page element.
(function (Lablix) {
  "use strict";

  // The state of an element (elemState): its UndrawnReason in the low bits,
  // and this bit when two named members list it.
  const kListedTwice = 16;
  const kShape = { unknown: 0, none: 1, point: 2, line: 3, face: 4, solid: 5 };

  function bytesOf(text) {
    // The browser's own decoder where it has one (far quicker on a large model).
    if (typeof Uint8Array.fromBase64 === "function") return Uint8Array.fromBase64(text || "");
    const raw = atob(text || "");
    const bytes = new Uint8Array(raw.length);
    for (let i = 0; i < raw.length; i += 1) bytes[i] = raw.charCodeAt(i);
    return bytes;
  }

  // Typed arrays of the written tables: little-endian on every system, so
  // read through a DataView where the machine is not.
  const littleEndian = new Uint8Array(new Uint32Array([1]).buffer)[0] === 1;
  function int32sOf(text) {
    const bytes = bytesOf(text);
    const n = bytes.length >> 2;
    if (littleEndian) return new Int32Array(bytes.buffer, 0, n);
    const view = new DataView(bytes.buffer);
    const out = new Int32Array(n);
    for (let i = 0; i < n; i += 1) out[i] = view.getInt32(4 * i, true);
    return out;
  }
  function float32sOf(text) {
    const bytes = bytesOf(text);
    const n = bytes.length >> 2;
    if (littleEndian) return new Float32Array(bytes.buffer, 0, n);
    const view = new DataView(bytes.buffer);
    const out = new Float32Array(n);
    for (let i = 0; i < n; i += 1) out[i] = view.getFloat32(4 * i, true);
    return out;
  }

  function decode(json) {
    const raw = JSON.parse(json);
    const model = {
      file: String(raw.file || ""),
      date: String(raw.date || ""),
      findings: raw.findings || [],
      counts: raw.counts || [0, 0, 0, 0, 0, 0, 0],
      limit: raw.limit || "",
      report: raw.report || null,
      // The record names and the reasons for an element not drawn, in the
      // program's words.
      words: {
        elements: String((raw.words && raw.words.elements) || ""),
        coordinates: String((raw.words && raw.words.coordinates) || ""),
        undrawn: ((raw.words && raw.words.undrawn) || []).map(String),
      },
      members: [],
      memberByNumber: new Map(),
      nodeNames: [],
      types: new Map(),
      nCoords: raw.nCoords || 0,
      xyz: float32sOf(raw.xyz),
      elemType: bytesOf(raw.elemType),
      elemState: bytesOf(raw.elemState),
      elemCount: bytesOf(raw.elemCount),
      elemExt: int32sOf(raw.elemExt),
      elemMemb: int32sOf(raw.elemMemb),
      elemLine: int32sOf(raw.elemLine),
      elemNodes: int32sOf(raw.elemNodes),
      elemFirst: null,
      nElems: 0,
      nUnnamed: 0,
    };
    for (const [number, name] of raw.members || []) {
      const member = { number, name: String(name), count: 0, index: model.members.length };
      model.members.push(member);
      model.memberByNumber.set(number, member);
    }
    for (const [node, ext, name] of raw.nodes || []) {
      model.nodeNames.push({ node, ext, name: String(name) });
    }
    for (const [eltyp, name, shape, nNodes, outline] of raw.types || []) {
      model.types.set(eltyp, { eltyp, name: String(name), shape, nNodes, outline });
    }
    model.nElems = Math.max(0, model.elemState.length - 1);
    // Where each drawn element's list starts in elemNodes.
    model.elemFirst = new Int32Array(model.nElems + 2);
    let at = 0;
    for (let e = 0; e <= model.nElems; e += 1) {
      model.elemFirst[e] = at;
      at += model.elemCount[e];
    }
    model.elemFirst[model.nElems + 1] = at;
    for (let e = 1; e <= model.nElems; e += 1) {
      const member = model.memberByNumber.get(model.elemMemb[e]);
      if (member) {
        member.count += 1;
      } else if ((model.elemState[e] & 15) !== 7) {
        model.nUnnamed += 1;
      }
    }
    return model;
  }

  function isDrawn(model, e) {
    return e >= 1 && e <= model.nElems && (model.elemState[e] & 15) === 0;
  }

  function hasCoordinates(model, node) {
    return node >= 1 && 3 * node + 2 < model.xyz.length && !Number.isNaN(model.xyz[3 * node]);
  }

  // The bounds of the drawn elements (all of them, or those of one member, or
  // the one element e), as [min, max] or null when nothing is drawn.
  function bounds(model, memberNumber, element) {
    const lo = [Infinity, Infinity, Infinity];
    const hi = [-Infinity, -Infinity, -Infinity];
    const take = (node) => {
      for (let d = 0; d < 3; d += 1) {
        const x = model.xyz[3 * node + d];
        if (x < lo[d]) lo[d] = x;
        if (x > hi[d]) hi[d] = x;
      }
    };
    for (let e = 1; e <= model.nElems; e += 1) {
      if (!isDrawn(model, e)) continue;
      if (memberNumber && model.elemMemb[e] !== memberNumber) continue;
      if (element && e !== element) continue;
      for (let k = model.elemFirst[e]; k < model.elemFirst[e + 1]; k += 1) take(model.elemNodes[k]);
    }
    if (!memberNumber && !element) {
      for (const named of model.nodeNames) if (hasCoordinates(model, named.node)) take(named.node);
    }
    return lo[0] <= hi[0] ? [lo, hi] : null;
  }

  // A number as the label file writes it: right-justified in 8 columns,
  // eight asterisks when wider.
  function column8(value) {
    const text = String(value);
    return text.length > 8 ? "********" : text.padStart(8, " ");
  }

  Lablix.data = { decode, isDrawn, hasCoordinates, bounds, column8, kListedTwice, kShape };
})((window.Lablix = window.Lablix || {}));
