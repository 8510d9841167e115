// picking.js: what lies under the pointer. Reads the pick target (each
// element and named node drawn in the colour of its number) in a small
// square round the pointer and takes the nearest drawn pixel, so that a
// line one pixel wide is found within a few pixels.
(function (Lablix) {
  "use strict";

  const kReach = 5;

  function numberAt(pixels, i) {
    return pixels[i] + pixels[i + 1] * 256 + pixels[i + 2] * 65536;
  }

  // The pick number nearest to the pixel (x, y) from the top left (device
  // pixels), 0 when there is none within reach.
  function pick(view, camera, selection, x, y) {
    const { gl, pickTarget } = view;
    const size = 2 * kReach + 1;
    const left = Math.round(x) - kReach;
    const bottom = pickTarget.height - 1 - Math.round(y) - kReach;
    if (view.stale) Lablix.drawing.draw(view, camera, selection, true, [left, bottom, size, size]);
    const pixels = new Uint8Array(size * size * 4);
    gl.bindFramebuffer(gl.FRAMEBUFFER, pickTarget.framebuffer);
    gl.readPixels(left, bottom, size, size, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
    gl.bindFramebuffer(gl.FRAMEBUFFER, null);
    let best = 0;
    let bestDistance = Infinity;
    for (let row = 0; row < size; row += 1) {
      for (let column = 0; column < size; column += 1) {
        const i = (row * size + column) * 4;
        if (pixels[i + 3] === 0) continue;
        const distance = (row - kReach) ** 2 + (column - kReach) ** 2;
        if (distance < bestDistance) {
          bestDistance = distance;
          best = numberAt(pixels, i);
        }
      }
    }
    return best;
  }

  // Where the pick target shows number: the drawn pixel of it nearest to
  // the point (x, y), or null. Reads the whole target: for the page's tests.
  function whereIs(view, camera, selection, number, x, y) {
    const { gl, pickTarget } = view;
    if (view.stale) Lablix.drawing.draw(view, camera, selection, true);
    const { width, height } = pickTarget;
    const pixels = new Uint8Array(width * height * 4);
    gl.bindFramebuffer(gl.FRAMEBUFFER, pickTarget.framebuffer);
    gl.readPixels(0, 0, width, height, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
    gl.bindFramebuffer(gl.FRAMEBUFFER, null);
    let best = null;
    let bestDistance = Infinity;
    for (let row = 0; row < height; row += 1) {
      for (let column = 0; column < width; column += 1) {
        const i = (row * width + column) * 4;
        if (pixels[i + 3] === 0 || numberAt(pixels, i) !== number) continue;
        const top = height - 1 - row;
        const distance = (column - x) ** 2 + (top - y) ** 2;
        if (distance < bestDistance) {
          bestDistance = distance;
          best = [column, top];
        }
      }
    }
    return best;
  }

  Lablix.picking = { pick, whereIs };
})((window.Lablix = window.Lablix || {}));
