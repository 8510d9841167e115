// drawing.js: the model on WebGL2. Builds a few vertex buffers once from the
// model (faces and the hulls of solids as triangles, lines and the edges of
// faces and solids as lines, point elements, and the marks of named nodes
// and of elements two members list), then draws them in the members'
// colours, or, for picking, each element and named node in a colour that is
// its number. Owns the canvas' GL context.
(function (Lablix) {
  "use strict";

  // Colours by member number, stepped through so that members numbered
  // side by side never share one; the grey of elements without a name.
  // No colour near that grey or the dark background.
  const kPalette = [
    "#e6194b", "#3cb44b", "#4363d8", "#f58231", "#911eb4", "#42d4f4", "#f032e6", "#bfef45",
    "#469990", "#dcbeff", "#9a6324", "#fffac8", "#800000", "#aaffc3", "#808000", "#ffd8b1",
    "#ffe119", "#fabed4",
  ];
  const kUnnamed = "#7d838c";
  const kNodeMark = [255, 255, 255];
  const kTwiceMark = [255, 0, 200];
  const kBackground = [0.114, 0.129, 0.149];
  // Pick numbers above this are named nodes (their index in the list).
  const kNodePickBase = 1 << 20;

  function rgbOf(hex) {
    return [1, 3, 5].map((i) => parseInt(hex.slice(i, i + 2), 16));
  }
  const kPaletteRgb = kPalette.map(rgbOf);
  const kUnnamedRgb = rgbOf(kUnnamed);

  function memberColour(number) {
    return number > 0 ? kPalette[(number - 1) % kPalette.length] : kUnnamed;
  }
  function memberRgb(model, number) {
    return model.memberByNumber.has(number) ? kPaletteRgb[(number - 1) % kPaletteRgb.length] : kUnnamedRgb;
  }

  const kVertexShader = `#version 300 es
    uniform mat4 uMatrix;
    uniform float uPointSize;
    uniform float uSelMember;
    uniform float uSelElement;
    uniform float uPick;
    uniform float uShade;
    uniform vec3 uBackground;
    in vec3 aPosition;
    in vec4 aColour;
    in float aElement;
    in float aMember;
    out vec4 vColour;
    vec4 pickColour(float id) {
      float r = mod(id, 256.0);
      float g = mod(floor(id / 256.0), 256.0);
      float b = floor(id / 65536.0);
      return vec4(r / 255.0, g / 255.0, b / 255.0, 1.0);
    }
    void main() {
      gl_Position = uMatrix * vec4(aPosition, 1.0);
      gl_PointSize = uPointSize;
      if (uPick > 0.5) {
        vColour = pickColour(aElement);
        return;
      }
      bool anySelected = uSelMember > 0.0 || uSelElement > 0.0;
      bool selected = (uSelMember > 0.0 && aMember == uSelMember) ||
                      (uSelElement > 0.0 && aElement == uSelElement);
      vec3 c = aColour.rgb * uShade;
      if (anySelected && !selected) c = mix(c, uBackground, 0.82);
      vColour = vec4(c, 1.0);
    }`;
  const kFragmentShader = `#version 300 es
    precision highp float;
    uniform float uRound;
    in vec4 vColour;
    out vec4 outColour;
    void main() {
      if (uRound > 0.5) {
        vec2 p = gl_PointCoord * 2.0 - 1.0;
        if (dot(p, p) > 1.0) discard;
      }
      outColour = vColour;
    }`;

  function compile(gl, type, source) {
    const shader = gl.createShader(type);
    gl.shaderSource(shader, source);
    gl.compileShader(shader);
    if (!gl.getShaderParameter(shader, gl.COMPILE_STATUS)) throw new Error(gl.getShaderInfoLog(shader));
    return shader;
  }

  // A growing list of vertices: position, colour, element (or pick number)
  // and member, 24 bytes a vertex (in the machine's byte order, as WebGL reads them).
  const kLittle = new Uint8Array(new Uint16Array([1]).buffer)[0] === 1;
  function vertexList(capacity) {
    const data = new ArrayBuffer(Math.max(capacity, 1) * 24);
    return { data, view: new DataView(data), n: 0, capacity: Math.max(capacity, 1) };
  }
  function pushVertex(list, p, rgb, id, member) {
    if (list.n === list.capacity) {
      const data = new ArrayBuffer(list.data.byteLength * 2);
      new Uint8Array(data).set(new Uint8Array(list.data));
      list.data = data;
      list.view = new DataView(data);
      list.capacity *= 2;
    }
    const v = list.view;
    const at = list.n * 24;
    v.setFloat32(at, p[0], kLittle);
    v.setFloat32(at + 4, p[1], kLittle);
    v.setFloat32(at + 8, p[2], kLittle);
    v.setUint8(at + 12, rgb[0]);
    v.setUint8(at + 13, rgb[1]);
    v.setUint8(at + 14, rgb[2]);
    v.setUint8(at + 15, 255);
    v.setFloat32(at + 16, id, kLittle);
    v.setFloat32(at + 20, member, kLittle);
    list.n += 1;
  }

  function point(model, node) {
    return [model.xyz[3 * node], model.xyz[3 * node + 1], model.xyz[3 * node + 2]];
  }

  // The vertex lists of the model: triangles of faces, the outward-turned
  // triangles of solids' hulls (drawn with their backs culled), lines (line
  // elements and the edges of faces and solids), points, marks. And, per
  // element, how many triangles, lines and points it was drawn as.
  function buildLists(model) {
    const { kShape, kListedTwice } = Lablix.data;
    const solids = Lablix.solids.gather(model);
    let nShownTriangles = 0;
    let nShownEdges = 0;
    for (const shown of solids.triShown) nShownTriangles += shown;
    for (const shown of solids.edgeShown) nShownEdges += shown;
    let nOtherNodes = 0;
    for (let e = 1; e <= model.nElems; e += 1) if (solids.kind[e] === Lablix.solids.kNone) nOtherNodes += model.elemCount[e];
    const lists = {
      triangles: vertexList(nOtherNodes * 3),
      hulls: vertexList(nShownTriangles * 3),
      lines: vertexList(nOtherNodes * 2 + nShownEdges * 2),
      points: vertexList(64),
      marks: vertexList(model.nodeNames.length + 64),
    };
    const drawnAs = {
      triangles: new Uint16Array(model.nElems + 1),
      lines: new Uint16Array(model.nElems + 1),
      points: new Uint16Array(model.nElems + 1),
    };
    // For the few solids flattened into a plane, a line or a point.
    const hull = Lablix.hull.workArea(Lablix.hull.kMostNodes);
    const hullXyz = new Float64Array(3 * hull.nMax);
    const centre = [0, 0, 0];
    for (let e = 1; e <= model.nElems; e += 1) {
      if (!Lablix.data.isDrawn(model, e)) continue;
      const type = model.types.get(model.elemType[e]);
      if (!type) continue;
      const member = model.elemMemb[e];
      const rgb = memberRgb(model, member);
      const first = model.elemFirst[e];
      const n = model.elemFirst[e + 1] - first;
      const node = (k) => point(model, model.elemNodes[first + k]);
      const line = (a, b, colour) => {
        pushVertex(lists.lines, node(a), colour, e, member);
        pushVertex(lists.lines, node(b), colour, e, member);
      };
      const triangle = (list, a, b, c) => {
        pushVertex(list, node(a), rgb, e, member);
        pushVertex(list, node(b), rgb, e, member);
        pushVertex(list, node(c), rgb, e, member);
      };
      const edge = rgb.map((v) => Math.round(v * 0.55));
      const before = [lists.triangles.n + lists.hulls.n, lists.lines.n, lists.points.n];
      if (type.shape === kShape.point) {
        pushVertex(lists.points, node(0), rgb, e, member);
      } else if (type.shape === kShape.line) {
        // A 3-node beam: end, middle, end, drawn through its middle node.
        for (let k = 0; k + 1 < n; k += 1) line(k, k + 1, rgb);
      } else if (type.shape === kShape.face) {
        const ring = type.outline && type.outline.length >= 3 ? type.outline.filter((k) => k < n) : [...Array(n).keys()];
        for (let k = 1; k + 1 < ring.length; k += 1) triangle(lists.triangles, ring[0], ring[k], ring[k + 1]);
        for (let k = 0; k < ring.length; k += 1) line(ring[k], ring[(k + 1) % ring.length], edge);
      } else if (type.shape === kShape.solid && solids.kind[e] === Lablix.hull.kKind.closed) {
        // The faces and edges of its hull that are not inside the body it
        // makes with its neighbours.
        const t = solids.triangles;
        for (let k = solids.triFirst[e]; k < solids.triFirst[e + 1]; k += 1) {
          if (solids.triShown[k]) triangle(lists.hulls, t[3 * k], t[3 * k + 1], t[3 * k + 2]);
        }
        for (let k = solids.edgeFirst[e]; k < solids.edgeFirst[e + 1]; k += 1) {
          if (solids.edgeShown[k]) line(solids.edges[2 * k], solids.edges[2 * k + 1], edge);
        }
      } else if (type.shape === kShape.solid) {
        // A solid flattened into a plane, a line or a point: drawn as that.
        Lablix.solids.outlineOf(hull, hullXyz, model, e);
        const t = hull.triangles;
        for (let k = 0; k < hull.nTriangles; k += 1) triangle(lists.triangles, t[3 * k], t[3 * k + 1], t[3 * k + 2]);
        // A line is the whole of what is drawn: in the member's colour.
        const colour = hull.kind === Lablix.hull.kKind.line ? rgb : edge;
        for (let k = 0; k < hull.nEdges; k += 1) line(hull.edges[2 * k], hull.edges[2 * k + 1], colour);
        for (let k = 0; k < hull.nNodes; k += 1) pushVertex(lists.points, node(hull.nodes[k]), rgb, e, member);
      }
      drawnAs.triangles[e] = (lists.triangles.n + lists.hulls.n - before[0]) / 3;
      drawnAs.lines[e] = (lists.lines.n - before[1]) / 2;
      drawnAs.points[e] = lists.points.n - before[2];
      if (model.elemState[e] & kListedTwice) {
        centre.fill(0);
        for (let k = 0; k < n; k += 1) {
          const p = node(k);
          for (let d = 0; d < 3; d += 1) centre[d] += p[d] / n;
        }
        pushVertex(lists.marks, centre, kTwiceMark, e, member);
      }
    }
    model.nodeNames.forEach((named, index) => {
      if (Lablix.data.hasCoordinates(model, named.node)) {
        pushVertex(lists.marks, point(model, named.node), kNodeMark, kNodePickBase + index, 0);
      }
    });
    return { lists, drawnAs };
  }

  function create(canvas, model) {
    const gl = canvas.getContext("webgl2", { antialias: false, preserveDrawingBuffer: true });
    if (!gl) return null;
    const program = gl.createProgram();
    gl.attachShader(program, compile(gl, gl.VERTEX_SHADER, kVertexShader));
    gl.attachShader(program, compile(gl, gl.FRAGMENT_SHADER, kFragmentShader));
    gl.linkProgram(program);
    if (!gl.getProgramParameter(program, gl.LINK_STATUS)) throw new Error(gl.getProgramInfoLog(program));
    const uniform = (name) => gl.getUniformLocation(program, name);
    const u = {
      matrix: uniform("uMatrix"),
      pointSize: uniform("uPointSize"),
      selMember: uniform("uSelMember"),
      selElement: uniform("uSelElement"),
      pick: uniform("uPick"),
      shade: uniform("uShade"),
      round: uniform("uRound"),
      background: uniform("uBackground"),
    };
    const attributes = ["aPosition", "aColour", "aElement", "aMember"].map((name) => gl.getAttribLocation(program, name));
    const { lists, drawnAs } = buildLists(model);
    const batches = {};
    for (const [name, list] of Object.entries(lists)) {
      const vao = gl.createVertexArray();
      gl.bindVertexArray(vao);
      const buffer = gl.createBuffer();
      gl.bindBuffer(gl.ARRAY_BUFFER, buffer);
      gl.bufferData(gl.ARRAY_BUFFER, new Uint8Array(list.data, 0, list.n * 24), gl.STATIC_DRAW);
      gl.enableVertexAttribArray(attributes[0]);
      gl.vertexAttribPointer(attributes[0], 3, gl.FLOAT, false, 24, 0);
      gl.enableVertexAttribArray(attributes[1]);
      gl.vertexAttribPointer(attributes[1], 4, gl.UNSIGNED_BYTE, true, 24, 12);
      gl.enableVertexAttribArray(attributes[2]);
      gl.vertexAttribPointer(attributes[2], 1, gl.FLOAT, false, 24, 16);
      gl.enableVertexAttribArray(attributes[3]);
      gl.vertexAttribPointer(attributes[3], 1, gl.FLOAT, false, 24, 20);
      batches[name] = { vao, count: list.n };
    }
    gl.bindVertexArray(null);
    const pickTarget = { framebuffer: gl.createFramebuffer(), colour: gl.createRenderbuffer(), depth: gl.createRenderbuffer(), width: 0, height: 0 };
    return { gl, program, u, batches, drawnAs, pickTarget, canvas, stale: true };
  }

  function sizeTargets(view) {
    const { gl, canvas, pickTarget } = view;
    const scale = window.devicePixelRatio || 1;
    const width = Math.max(1, Math.round(canvas.clientWidth * scale));
    const height = Math.max(1, Math.round(canvas.clientHeight * scale));
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
    }
    if (pickTarget.width !== width || pickTarget.height !== height) {
      gl.bindRenderbuffer(gl.RENDERBUFFER, pickTarget.colour);
      gl.renderbufferStorage(gl.RENDERBUFFER, gl.RGBA8, width, height);
      gl.bindRenderbuffer(gl.RENDERBUFFER, pickTarget.depth);
      gl.renderbufferStorage(gl.RENDERBUFFER, gl.DEPTH_COMPONENT24, width, height);
      gl.bindFramebuffer(gl.FRAMEBUFFER, pickTarget.framebuffer);
      gl.framebufferRenderbuffer(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.RENDERBUFFER, pickTarget.colour);
      gl.framebufferRenderbuffer(gl.FRAMEBUFFER, gl.DEPTH_ATTACHMENT, gl.RENDERBUFFER, pickTarget.depth);
      gl.bindFramebuffer(gl.FRAMEBUFFER, null);
      pickTarget.width = width;
      pickTarget.height = height;
    }
    return [width, height];
  }

  // Draws the model; with pick set, into the pick target, each element and
  // named node in the colour of its number.
  // With region ([left, bottom, width, height] in device pixels), only that
  // part of the pick target is drawn: a hover needs no more, and the
  // software renderer then fills a handful of pixels instead of the view.
  function draw(view, camera, selection, pick, region) {
    const { gl, u, batches } = view;
    const [width, height] = sizeTargets(view);
    const scale = window.devicePixelRatio || 1;
    gl.bindFramebuffer(gl.FRAMEBUFFER, pick ? view.pickTarget.framebuffer : null);
    gl.viewport(0, 0, width, height);
    if (region) {
      gl.enable(gl.SCISSOR_TEST);
      gl.scissor(region[0], region[1], region[2], region[3]);
    }
    if (pick) {
      gl.clearColor(0, 0, 0, 0);
    } else {
      gl.clearColor(kBackground[0], kBackground[1], kBackground[2], 1);
    }
    gl.clear(gl.COLOR_BUFFER_BIT | gl.DEPTH_BUFFER_BIT);
    gl.enable(gl.DEPTH_TEST);
    gl.depthFunc(gl.LEQUAL);
    gl.useProgram(view.program);
    gl.uniformMatrix4fv(u.matrix, false, Lablix.camera.matrix(camera, width / height));
    gl.uniform1f(u.selMember, selection.member || 0);
    gl.uniform1f(u.selElement, selection.element || 0);
    gl.uniform1f(u.pick, pick ? 1 : 0);
    gl.uniform3f(u.background, kBackground[0], kBackground[1], kBackground[2]);
    gl.uniform1f(u.round, 0);
    gl.uniform1f(u.shade, 1);
    gl.uniform1f(u.pointSize, 1);
    // Faces pushed back a little, so that their edges and the lines on them show.
    gl.enable(gl.POLYGON_OFFSET_FILL);
    gl.polygonOffset(1, 1);
    gl.bindVertexArray(batches.triangles.vao);
    gl.drawArrays(gl.TRIANGLES, 0, batches.triangles.count);
    // A hull's triangles turn their fronts outward: its back half, hidden
    // behind the front, is not drawn at all.
    gl.enable(gl.CULL_FACE);
    gl.cullFace(gl.BACK);
    gl.bindVertexArray(batches.hulls.vao);
    gl.drawArrays(gl.TRIANGLES, 0, batches.hulls.count);
    gl.disable(gl.CULL_FACE);
    gl.disable(gl.POLYGON_OFFSET_FILL);
    gl.bindVertexArray(batches.lines.vao);
    gl.drawArrays(gl.LINES, 0, batches.lines.count);
    gl.uniform1f(u.round, 1);
    gl.uniform1f(u.pointSize, 7 * scale);
    gl.bindVertexArray(batches.points.vao);
    gl.drawArrays(gl.POINTS, 0, batches.points.count);
    gl.disable(gl.DEPTH_TEST);
    gl.uniform1f(u.pointSize, 6 * scale);
    gl.bindVertexArray(batches.marks.vao);
    gl.drawArrays(gl.POINTS, 0, batches.marks.count);
    gl.bindVertexArray(null);
    gl.bindFramebuffer(gl.FRAMEBUFFER, null);
    gl.disable(gl.SCISSOR_TEST);
    if (pick) view.stale = Boolean(region);
  }

  Lablix.drawing = { create, draw, memberColour, kNodePickBase };
})((window.Lablix = window.Lablix || {}));
