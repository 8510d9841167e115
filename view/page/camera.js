// camera.js: where the model is looked at from. An orthographic camera that
// turns about a target with Z up (offshore models have Z vertical): yaw
// about Z, pitch above the XY plane, a half height of the view in model
// units. Gives the matrix the drawing uses and the screen place of a point.
(function (Lablix) {
  "use strict";

  const kIsoPitch = Math.atan(1 / Math.SQRT2);

  function create() {
    return { target: [0, 0, 0], yaw: -Math.PI / 4, pitch: kIsoPitch, halfHeight: 1, radius: 1 };
  }

  // The camera's axes: right, up and toward the eye, in model space.
  function axes(camera) {
    const cp = Math.cos(camera.pitch);
    const toEye = [cp * Math.cos(camera.yaw), cp * Math.sin(camera.yaw), Math.sin(camera.pitch)];
    const right = [-Math.sin(camera.yaw), Math.cos(camera.yaw), 0];
    // up = right x forward, forward = -toEye
    const f = [-toEye[0], -toEye[1], -toEye[2]];
    const up = [
      right[1] * f[2] - right[2] * f[1],
      right[2] * f[0] - right[0] * f[2],
      right[0] * f[1] - right[1] * f[0],
    ];
    return { right, up, toEye };
  }

  // The column-major 4x4 matrix from model space to clip space for a view
  // of aspect width / height.
  function matrix(camera, aspect) {
    const { right, up, toEye } = axes(camera);
    const sx = 1 / (camera.halfHeight * aspect);
    const sy = 1 / camera.halfHeight;
    const sz = -1 / (2 * camera.radius);
    const t = camera.target;
    const dot = (a) => a[0] * t[0] + a[1] * t[1] + a[2] * t[2];
    return new Float32Array([
      sx * right[0], sy * up[0], sz * toEye[0], 0,
      sx * right[1], sy * up[1], sz * toEye[1], 0,
      sx * right[2], sy * up[2], sz * toEye[2], 0,
      -sx * dot(right), -sy * dot(up), -sz * dot(toEye), 1,
    ]);
  }

  // The place of model point p on a view of width x height pixels, from its
  // top left corner.
  function project(camera, p, width, height) {
    const m = matrix(camera, width / height);
    const x = m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12];
    const y = m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13];
    return [((x + 1) / 2) * width, ((1 - y) / 2) * height];
  }

  // Frames the box [lo, hi]; radius keeps the whole model in depth.
  function frame(camera, box, aspect, modelRadius) {
    if (!box) return;
    const [lo, hi] = box;
    camera.target = [(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, (lo[2] + hi[2]) / 2];
    const r = Math.max(Math.hypot(hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]) / 2, 1e-6);
    camera.halfHeight = (r * 1.08) / Math.min(1, aspect);
    camera.radius = Math.max(modelRadius || r, r) * 4;
  }

  function look(camera, view) {
    const views = {
      x: [Math.PI, 0],
      y: [-Math.PI / 2, 0],
      z: [-Math.PI / 2, Math.PI / 2],
      iso: [-Math.PI / 4, kIsoPitch],
    };
    if (!views[view]) return;
    [camera.yaw, camera.pitch] = views[view];
  }

  function rotate(camera, dx, dy) {
    camera.yaw -= dx * 0.008;
    camera.pitch = Math.max(-Math.PI / 2, Math.min(Math.PI / 2, camera.pitch + dy * 0.008));
  }

  // Moves the model by dx, dy pixels on a view height pixels high.
  function pan(camera, dx, dy, height) {
    const { right, up } = axes(camera);
    const s = (2 * camera.halfHeight) / height;
    for (let d = 0; d < 3; d += 1) camera.target[d] -= (right[d] * dx - up[d] * dy) * s;
  }

  // Zooms by factor about the pixel (x, y) of a width x height view, which
  // stays over the same point of the model.
  function zoom(camera, factor, x, y, width, height) {
    const { right, up } = axes(camera);
    const aspect = width / height;
    const ox = ((2 * x) / width - 1) * camera.halfHeight * aspect;
    const oy = (1 - (2 * y) / height) * camera.halfHeight;
    const halfHeight = Math.max(camera.halfHeight * factor, 1e-9);
    const k = 1 - halfHeight / camera.halfHeight;
    for (let d = 0; d < 3; d += 1) camera.target[d] += (right[d] * ox + up[d] * oy) * k;
    camera.halfHeight = halfHeight;
  }

  Lablix.camera = { create, matrix, project, frame, look, rotate, pan, zoom };
})((window.Lablix = window.Lablix || {}));
