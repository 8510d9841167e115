// main.js: the page put together: reads the data, fills the panels, draws
// the model, and answers the mouse, the trackpad, the keys and the camera
// buttons. Draws only when something changed. window.lablixPage answers
// the page's tests (where an element was drawn, how long drawing took); it
// changes nothing.
(function (Lablix) {
  "use strict";

  // When each step of the start was done, in milliseconds from the page's
  // start: for the page's measurements.
  const timing = { decoded: 0, panels: 0, buffers: 0, firstFrame: 0, lastFrame: 0 };
  const model = Lablix.data.decode(document.getElementById("lablix-data").textContent);
  timing.decoded = performance.now();
  const canvas = document.getElementById("canvas");
  const camera = Lablix.camera.create();
  // node: the named node a finding's click showed (drawn as any other).
  const selection = { member: 0, element: 0, node: 0 };
  const box = Lablix.data.bounds(model, 0, 0);
  const modelRadius = box ? Math.hypot(box[1][0] - box[0][0], box[1][1] - box[0][1], box[1][2] - box[0][2]) / 2 : 1;

  Lablix.panels.showFacts(model);
  Lablix.panels.showUndrawn(model);
  timing.panels = performance.now();

  let view = null;
  if (box && !model.report) {
    view = Lablix.drawing.create(canvas, model);
    timing.buffers = performance.now();
    if (!view) {
      const notice = document.getElementById("no-geometry");
      notice.textContent = "This browser offers no WebGL2: the model cannot be drawn here.";
      notice.hidden = false;
    }
  }

  function aspect() {
    return Math.max(1, canvas.clientWidth) / Math.max(1, canvas.clientHeight);
  }

  let pending = false;
  function redraw() {
    if (!view || pending) return;
    pending = true;
    requestAnimationFrame(() => {
      pending = false;
      const start = performance.now();
      Lablix.drawing.draw(view, camera, selection, false);
      view.stale = true;
      timing.lastFrame = performance.now() - start;
      if (!timing.firstFrame) timing.firstFrame = performance.now();
    });
  }

  function frameOn(member, element) {
    Lablix.camera.frame(camera, Lablix.data.bounds(model, member, element) || box, aspect(), modelRadius);
    redraw();
  }

  const memberRows = Lablix.panels.showMembers(model, (number) => {
    selection.member = number;
    selection.element = 0;
    selection.node = 0;
    Lablix.panels.markSelected(memberRows, number);
    frameOn(number, 0);
  });

  Lablix.panels.showFindings(model, (target) => {
    selection.member = 0;
    selection.node = 0;
    Lablix.panels.markSelected(memberRows, 0);
    if (target.element) {
      selection.element = target.element;
      frameOn(0, target.element);
    } else {
      selection.element = 0;
      selection.node = target.node;
      const p = target.node;
      const at = [model.xyz[3 * p], model.xyz[3 * p + 1], model.xyz[3 * p + 2]];
      frameOn(0, 0);
      camera.target = at;
      camera.halfHeight = Math.max(camera.halfHeight / 8, 1e-6);
      redraw();
    }
  });

  // The thing under the pointer at (x, y) CSS pixels of the canvas.
  function hitAt(x, y) {
    if (!view) return null;
    const scale = window.devicePixelRatio || 1;
    const number = Lablix.picking.pick(view, camera, selection, x * scale, y * scale);
    if (number >= Lablix.drawing.kNodePickBase) return { node: number - Lablix.drawing.kNodePickBase };
    return number > 0 ? { element: number } : null;
  }

  // Mouse and trackpad: drag to rotate, shift or right drag to pan, wheel or
  // pinch to zoom about the pointer.
  let drag = null;
  canvas.addEventListener("contextmenu", (event) => event.preventDefault());
  canvas.addEventListener("pointerdown", (event) => {
    drag = { x: event.clientX, y: event.clientY, pan: event.button !== 0 || event.shiftKey };
    canvas.setPointerCapture(event.pointerId);
    canvas.classList.add("dragging");
  });
  canvas.addEventListener("pointerup", (event) => {
    drag = null;
    canvas.releasePointerCapture(event.pointerId);
    canvas.classList.remove("dragging");
  });
  canvas.addEventListener("pointermove", (event) => {
    const rect = canvas.getBoundingClientRect();
    if (drag) {
      const dx = event.clientX - drag.x;
      const dy = event.clientY - drag.y;
      drag.x = event.clientX;
      drag.y = event.clientY;
      if (drag.pan) {
        Lablix.camera.pan(camera, dx, dy, rect.height);
      } else {
        Lablix.camera.rotate(camera, dx, dy);
      }
      Lablix.panels.showHover(model, null);
      redraw();
      return;
    }
    const x = event.clientX - rect.left;
    const y = event.clientY - rect.top;
    Lablix.panels.showHover(model, hitAt(x, y), x, y);
  });
  canvas.addEventListener("pointerleave", () => Lablix.panels.showHover(model, null));
  canvas.addEventListener(
    "wheel",
    (event) => {
      event.preventDefault();
      const rect = canvas.getBoundingClientRect();
      // A pinch on a trackpad comes as a wheel with the control key.
      const step = event.ctrlKey ? 0.01 : 0.0015;
      const delta = event.deltaMode === 1 ? event.deltaY * 16 : event.deltaY;
      Lablix.camera.zoom(camera, Math.exp(delta * step), event.clientX - rect.left, event.clientY - rect.top, rect.width, rect.height);
      redraw();
    },
    { passive: false }
  );
  document.getElementById("camera-buttons").addEventListener("click", (event) => {
    const name = event.target.dataset && event.target.dataset.view;
    if (!name) return;
    if (name !== "fit") Lablix.camera.look(camera, name);
    frameOn(0, 0);
  });
  document.addEventListener("keydown", (event) => {
    if (event.target instanceof HTMLInputElement) return;
    if (event.key === "f" || event.key === "F") frameOn(0, 0);
    if (event.key === "Escape") {
      selection.member = 0;
      selection.element = 0;
      Lablix.panels.markSelected(memberRows, 0);
      redraw();
    }
  });
  window.addEventListener("resize", redraw);

  frameOn(0, 0);

  window.lablixPage = Object.freeze({
    ready: () => !view || timing.firstFrame > 0,
    timing: () => Object.assign({}, timing),
    members: () => model.members.map((m) => ({ number: m.number, name: m.name, count: m.count })),
    drawn: () => view !== null,
    selection: () => Object.assign({}, selection),
    // The internal number of the element whose ElemID is ext (0: none).
    elementOf: (ext) => Math.max(0, model.elemExt.indexOf(ext, 1)),
    // What element e was drawn as: its triangles, lines and points (null
    // when nothing is drawn).
    drawnAs: (e) => {
      if (!view || e < 1 || e > model.nElems) return null;
      const { triangles, lines, points } = view.drawnAs;
      return { triangles: triangles[e], lines: lines[e], points: points[e] };
    },
    // Draws the model now and says how long it took, in milliseconds.
    drawNow: () => {
      if (!view) return 0;
      const start = performance.now();
      Lablix.drawing.draw(view, camera, selection, false);
      view.stale = true;
      // A pixel read back waits for the frame to be drawn.
      view.gl.readPixels(0, 0, 1, 1, view.gl.RGBA, view.gl.UNSIGNED_BYTE, new Uint8Array(4));
      return performance.now() - start;
    },
    // Where element e (or named node index i, as {node: i}) shows on the
    // canvas, in CSS pixels from the page's top left; null when hidden.
    whereIs: (target) => {
      if (!view) return null;
      const number = typeof target === "number" ? target : Lablix.drawing.kNodePickBase + target.node;
      const rect = canvas.getBoundingClientRect();
      const scale = window.devicePixelRatio || 1;
      const centre = [(rect.width / 2) * scale, (rect.height / 2) * scale];
      const at = Lablix.picking.whereIs(view, camera, selection, number, centre[0], centre[1]);
      return at ? { x: rect.left + at[0] / scale, y: rect.top + at[1] / scale } : null;
    },
  });
})((window.Lablix = window.Lablix || {}));
