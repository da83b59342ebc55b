// The objects' handles in the viewport (for the plot: size and height), drawn as the host draws
// them, a square at the handle and a line to the object's origin, always on top. A handle is
// dragged along its direction; each new point goes to the server as a `handle` action in the
// object's own frame, so the module's SetHandle applies its limits, and the handle is redrawn
// where the module put it.
import * as THREE from 'three';
import { onEscape } from './dom.js';

const kPick = 9;  // pixels around a handle that grab it
const kColour = new THREE.Color(0xff9a1f);
const kHot = new THREE.Color(0xffe14a);

function vec(a) {
  return new THREE.Vector3(Number(a[0]) || 0, Number(a[1]) || 0, Number(a[2]) || 0);
}

// The point of the line (origin, direction) nearest to the ray, as the parameter along the line.
function nearestOnLine(ray, origin, direction) {
  const w0 = origin.clone().sub(ray.origin);
  const a = direction.dot(direction), b = direction.dot(ray.direction), c = ray.direction.dot(ray.direction);
  const d = direction.dot(w0), e = ray.direction.dot(w0);
  const denom = a * c - b * b;
  if (Math.abs(denom) < 1e-12) return null;  // looking along the axis
  return (b * e - c * d) / denom;
}

export class Handles {
  // `send(object, index, localPoint, gesture)` applies a drag step ("preview"), its release
  // ("end") or its Esc ("cancel").
  constructor(viewport, send) {
    this.viewport = viewport;
    this.send = send;
    this.list = [];  // {object, index, world, direction, local, localDirection, origin, marker, line}
    this.hot = null;
    this.drag = null;
    const canvas = viewport.renderer.domElement;
    canvas.addEventListener('pointermove', (e) => this.onMove(e));
    // Before the orbit controls on the canvas see it, a press may grab a handle.
    viewport.container.addEventListener('pointerdown', (e) => this.onDown(e), { capture: true });
    canvas.addEventListener('pointerup', (e) => this.onUp(e));
    canvas.addEventListener('pointercancel', (e) => this.onUp(e));
  }

  // The handles the server lists: {handles: [{path, index, local: {position, direction},
  // world: {position, direction}}]}, the world as the glTF's frame.
  update(answer) {
    if (this.drag) return;  // the drag's own point stays under the pointer
    for (const h of this.list) {
      for (const o of [h.marker, h.line]) {
        o.removeFromParent();
        o.geometry.dispose();
        o.material.dispose();
      }
    }
    this.list = [];
    this.hot = null;
    for (const h of (answer && answer.handles) || []) this.add(h);
    this.viewport.requestRender();
  }

  // A handle moves along its direction: a point t directions away in the world is the point t
  // directions away in the object's frame, whatever the object's matrix (it is affine).
  add(h) {
    const world = vec(h.world.position), direction = vec(h.world.direction);
    const local = vec(h.local.position), localDirection = vec(h.local.direction);
    // The line runs from the point of the axis nearest the object's origin, as the host draws it.
    const s = localDirection.lengthSq() > 0 ? local.dot(localDirection) / localDirection.lengthSq() : 0;
    const origin = world.clone().addScaledVector(direction, -s);
    const marker = new THREE.Points(new THREE.BufferGeometry().setFromPoints([world]),
      new THREE.PointsMaterial({ size: 9, sizeAttenuation: false, color: kColour, depthTest: false }));
    const line = new THREE.Line(new THREE.BufferGeometry().setFromPoints([origin, world]),
      new THREE.LineBasicMaterial({ color: kColour, depthTest: false, transparent: true, opacity: 0.8 }));
    marker.renderOrder = line.renderOrder = 10;
    marker.userData.bounds = world;
    this.viewport.overlay.add(line, marker);
    this.list.push({ object: h.path, index: h.index, world, direction, local, localDirection, origin, marker, line });
  }

  at(e) {
    let best = null, bestDistance = kPick;
    for (const h of this.list) {
      const s = this.viewport.toScreen(h.world);
      const d = Math.hypot(s.x - e.clientX, s.y - e.clientY);
      if (s.front && d <= bestDistance) [best, bestDistance] = [h, d];
    }
    return best;
  }

  highlight(h) {
    if (h === this.hot) return;
    if (this.hot) this.hot.marker.material.color.copy(kColour);
    this.hot = h;
    if (h) h.marker.material.color.copy(kHot);
    this.viewport.container.classList.toggle('handle-hover', !!h);
    this.viewport.requestRender();
  }

  moveMarker(h, world) {
    h.world.copy(world);
    h.marker.geometry.setFromPoints([world]);
    h.line.geometry.setFromPoints([h.origin, world]);
    this.viewport.requestRender();
  }

  onDown(e) {
    if (e.button !== 0) return;
    const h = this.at(e);
    if (!h) return;
    e.stopPropagation();
    e.preventDefault();
    this.viewport.renderer.domElement.setPointerCapture(e.pointerId);
    this.viewport.controls.enabled = false;
    this.drag = { handle: h, start: h.world.clone(), local: h.local.clone(), pointer: e.pointerId, moved: false };
    // Esc puts the handle back where the drag took it from.
    this.drag.stop = onEscape(() => {
      const { handle, start, local, moved } = this.drag;
      this.moveMarker(handle, start);
      this.release();
      if (moved) this.send(handle.object, handle.index, local, 'cancel');
    });
    this.viewport.container.classList.add('dragging');
    this.highlight(h);
  }

  onMove(e) {
    if (!this.drag) {
      if (e.buttons === 0) this.highlight(this.at(e));
      return;
    }
    const { handle, start, local } = this.drag;
    const along = nearestOnLine(this.viewport.rayAt(e.clientX, e.clientY), start, handle.direction);
    if (along === null || !Number.isFinite(along)) return;
    // To the round step below what one pixel spans there: a drag gives 300, not 299.99998.
    const step = Math.pow(10, Math.floor(Math.log10(this.viewport.pixelSpan(start) / handle.direction.length())));
    const t = Number.isFinite(step) && step > 0 ? Math.round(along / step) * step : along;
    this.moveMarker(handle, start.clone().addScaledVector(handle.direction, t));
    this.drag.last = local.clone().addScaledVector(handle.localDirection, t);
    this.drag.moved = true;
    this.send(handle.object, handle.index, this.drag.last, 'preview');
  }

  onUp(e) {
    if (!this.drag || e.pointerId !== this.drag.pointer) return;
    const { handle, last, moved } = this.drag;
    this.release();
    if (moved) this.send(handle.object, handle.index, last, 'end');
  }

  release() {
    this.drag.stop();
    this.drag = null;
    this.viewport.controls.enabled = true;
    this.viewport.container.classList.remove('dragging');
  }

  dragging() { return this.drag !== null; }
}
