// The studio's viewport: the evaluated scene as the server's glTF gives it, the plot's sample
// markers (the points layer of that glTF) drawn as the host's viewport draws them, a floor grid
// and an axis cross, orbit / pan / zoom. It draws only when something changed, so an idle studio
// costs nothing.
import * as THREE from 'three';
import { GLTFLoader } from 'three/addons/loaders/GLTFLoader.js';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';
import { markPointsLayer } from './points_layer.js';

function disposeTree(root) {
  root.traverse((o) => {
    if (o.geometry) o.geometry.dispose();
    const materials = Array.isArray(o.material) ? o.material : o.material ? [o.material] : [];
    for (const m of materials) {
      for (const v of Object.values(m)) if (v && v.isTexture) v.dispose();
      m.dispose();
    }
  });
}

// The glTF gives each line of the grid and the cage as its own primitive; drawn one by one, a
// hundred lines cost more than the surface. Lines of one material become one set of segments.
function mergeLines(root) {
  root.updateMatrixWorld(true);
  const groups = new Map();
  root.traverse((o) => {
    if (!o.isLine || o.userData.layer === 'points' || !o.visible || o.geometry.getAttribute('color')) return;
    if (!groups.has(o.material)) groups.set(o.material, []);
    groups.get(o.material).push(o);
  });
  for (const [material, lines] of groups) {
    if (lines.length < 2) continue;
    // Each line's vertices in the root's frame, as segment ends: a strip of n points is n - 1
    // segments, a loop n.
    const pieces = lines.map((line) => {
      const g = line.geometry.clone().applyMatrix4(line.matrixWorld);
      const p = g.getAttribute('position');
      const order = g.index ? Array.from(g.index.array) : Array.from({ length: p.count }, (_, k) => k);
      if (line.isLineSegments) return { p, ends: order };
      const ends = [];
      for (let k = 0; k + 1 < order.length; ++k) ends.push(order[k], order[k + 1]);
      if (line.isLineLoop && order.length > 2) ends.push(order[order.length - 1], order[0]);
      return { p, ends };
    });
    const xyz = new Float32Array(pieces.reduce((n, piece) => n + piece.ends.length * 3, 0));
    let at = 0;
    for (const { p, ends } of pieces) {
      for (const i of ends) {
        xyz[at++] = p.getX(i);
        xyz[at++] = p.getY(i);
        xyz[at++] = p.getZ(i);
      }
    }
    const geometry = new THREE.BufferGeometry();
    geometry.setAttribute('position', new THREE.BufferAttribute(xyz, 3));
    const merged = new THREE.LineSegments(geometry, material);
    merged.name = lines[0].name;
    root.add(merged);
    for (const line of lines) {
      line.removeFromParent();
      line.geometry.dispose();
    }
  }
}

// A round number near `v` (1, 2 or 5 times a power of ten), for the floor's spacing.
function niceStep(v) {
  const p = Math.pow(10, Math.floor(Math.log10(v)));
  const f = v / p;
  return (f < 1.5 ? 1 : f < 3.5 ? 2 : f < 7.5 ? 5 : 10) * p;
}

function letter(text, colour) {
  const c = document.createElement('canvas');
  c.width = c.height = 64;
  const g = c.getContext('2d');
  g.font = 'bold 44px system-ui, sans-serif';
  g.textAlign = 'center';
  g.textBaseline = 'middle';
  g.fillStyle = colour;
  g.fillText(text, 32, 34);
  const sprite = new THREE.Sprite(new THREE.SpriteMaterial({ map: new THREE.CanvasTexture(c), depthTest: false }));
  sprite.scale.setScalar(0.55);
  return sprite;
}

// The little axis cross in the lower left corner, turning with the camera.
class AxisCross {
  constructor() {
    this.scene = new THREE.Scene();
    this.camera = new THREE.OrthographicCamera(-1.6, 1.6, 1.6, -1.6, 0.1, 10);
    const axes = [[1, 0, 0, '#f0605a'], [0, 1, 0, '#7ad35a'], [0, 0, 1, '#5a8ff0']];
    for (const [x, y, z, colour] of axes) {
      const g = new THREE.BufferGeometry().setFromPoints([new THREE.Vector3(), new THREE.Vector3(x, y, z)]);
      this.scene.add(new THREE.Line(g, new THREE.LineBasicMaterial({ color: colour })));
      const label = letter(x ? 'X' : y ? 'Y' : 'Z', colour);
      label.position.set(x * 1.3, y * 1.3, z * 1.3);
      this.scene.add(label);
    }
  }

  render(renderer, camera, height) {
    const size = 86;
    this.camera.position.set(0, 0, 4).applyQuaternion(camera.quaternion);
    this.camera.quaternion.copy(camera.quaternion);
    renderer.setScissorTest(true);
    renderer.setScissor(4, 4, size, size);
    renderer.setViewport(4, 4, size, size);
    renderer.clearDepth();
    renderer.render(this.scene, this.camera);
    renderer.setScissorTest(false);
    renderer.setViewport(0, 0, renderer.domElement.width / renderer.getPixelRatio(), height);
  }
}

// Whether WebGL runs on the processor (SwiftShader, llvmpipe): there, multisampling costs more
// than the rest of the picture, and the view is drawn without it to stay live.
function softwareRenderer() {
  const gl = document.createElement('canvas').getContext('webgl2');
  if (!gl) return false;
  const info = gl.getExtension('WEBGL_debug_renderer_info');
  const name = info ? String(gl.getParameter(info.UNMASKED_RENDERER_WEBGL)) : '';
  gl.getExtension('WEBGL_lose_context')?.loseContext();
  return /swiftshader|llvmpipe|softpipe|software/i.test(name);
}

export class Viewport {
  constructor(container) {
    this.container = container;
    this.renderer = new THREE.WebGLRenderer({ antialias: !softwareRenderer(), alpha: true });
    this.renderer.setPixelRatio(window.devicePixelRatio || 1);
    this.renderer.setClearColor(0x000000, 0);
    this.renderer.autoClear = true;
    container.prepend(this.renderer.domElement);
    this.renderer.domElement.tabIndex = 0;

    this.scene = new THREE.Scene();
    this.camera = new THREE.PerspectiveCamera(30, 1, 0.1, 1e6);
    this.scene.add(new THREE.HemisphereLight(0xffffff, 0x45474f, 1.25));
    const key = new THREE.DirectionalLight(0xffffff, 1.6);
    key.position.set(-0.6, 1.0, 0.8);
    this.camera.add(key, key.target);
    key.target.position.set(0, 0, -1);
    this.scene.add(this.camera);

    this.content = new THREE.Group();     // the evaluated scene
    this.overlay = new THREE.Group();     // drawn over it: the handles
    this.floor = new THREE.Group();
    this.scene.add(this.floor, this.content, this.overlay);
    this.axisCross = new AxisCross();
    this.pointsLayer = [];
    this.retired = [];  // geometry taken out of the scene, freed after the next drawing
    this.showPoints = true;
    this.framed = false;

    this.controls = new OrbitControls(this.camera, this.renderer.domElement);
    this.controls.enableDamping = true;
    this.controls.dampingFactor = 0.15;
    this.controls.zoomSpeed = 1.2;
    this.controls.screenSpacePanning = true;
    this.controls.addEventListener('change', () => this.requestRender());

    this.pending = false;
    new ResizeObserver(() => this.resize()).observe(container);
    this.resize();
  }

  resize() {
    const { clientWidth: w, clientHeight: h } = this.container;
    if (!w || !h) return;
    this.renderer.setSize(w, h, false);
    this.camera.aspect = w / h;
    this.camera.updateProjectionMatrix();
    this.requestRender();
  }

  requestRender() {
    this.stale = true;
    if (this.pending) return;
    this.pending = true;
    requestAnimationFrame(() => {
      this.pending = false;
      // Damping moves the camera for a few more frames after the pointer let go.
      if (this.controls.update()) this.requestRender();
      // An edit's picture may have been drawn at once since: a second drawing of a large plot
      // would hold the page for as long again.
      if (this.stale) this.draw();
    });
  }

  draw() {
    this.stale = false;
    this.draws = (this.draws || 0) + 1;
    this.renderer.render(this.scene, this.camera);
    this.axisCross.render(this.renderer, this.camera, this.container.clientHeight);
    // The geometry replaced is freed once its successor has been drawn: freed first, it would
    // take along the shader programs the new materials share with it, and compiling them again
    // costs more than the drawing.
    for (const o of this.retired) disposeTree(o);
    this.retired = [];
  }

  // Draws what is in the scene now, at once rather than at the next animation frame (which a busy
  // page may hold back), and waits until the GPU has finished it: reading a pixel back waits for
  // the drawing, so a time measured to here is the time until the picture can show. The frame
  // asked for meanwhile then draws nothing.
  drawNow() {
    if (!this.stale) return;  // what is in the scene has been drawn already
    this.draw();
    const gl = this.renderer.getContext();
    gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, new Uint8Array(4));
  }

  // The view drawn now, shrunk to a small picture: RGBA bytes, row by row (what a check compares).
  picture(width, height) {
    this.draw();
    const small = document.createElement('canvas');
    small.width = width;
    small.height = height;
    const g = small.getContext('2d');
    g.drawImage(this.renderer.domElement, 0, 0, width, height);
    return Array.from(g.getImageData(0, 0, width, height).data);
  }

  // Puts the glTF binary in place of the geometry shown so far. The caller draws it (drawNow)
  // once the rest of what changed with it is in place too: a frame drawn in between would show
  // half the change, and at a million samples cost as much as the right one.
  async setGeometry(data) {
    const gltf = await new GLTFLoader().parseAsync(data, '');
    const old = [...this.content.children];
    this.content.add(gltf.scene);
    for (const o of old) o.removeFromParent();
    this.retired.push(...old);
    this.pointsLayer = markPointsLayer(gltf.scene, disposeTree);
    mergeLines(gltf.scene);
    for (const o of this.pointsLayer) o.visible = this.showPoints;
    if (!this.framed) {
      this.framed = true;
      this.frameAll();
    }
    this.stale = true;
  }

  hasPointsLayer() { return this.pointsLayer.length > 0; }

  setPointsVisible(on) {
    this.showPoints = on;
    for (const o of this.pointsLayer) o.visible = on;
    this.requestRender();
  }

  setFloorVisible(on) {
    this.floor.visible = on;
    this.requestRender();
  }

  bounds() {
    const box = new THREE.Box3().setFromObject(this.content);
    for (const o of this.overlay.children) if (o.userData.bounds) box.expandByPoint(o.userData.bounds);
    if (box.isEmpty() || !Number.isFinite(box.min.x + box.max.x + box.min.y + box.max.y)) {
      box.set(new THREE.Vector3(-100, -100, -100), new THREE.Vector3(100, 100, 100));
    }
    return box;
  }

  // The whole plot in view from the front right and above, as a 3D application opens a scene.
  frameAll() {
    const box = this.bounds();
    const target = box.getCenter(new THREE.Vector3());
    const radius = Math.max(box.getSize(new THREE.Vector3()).length() / 2, 1e-6);
    const fit = radius / Math.sin(THREE.MathUtils.degToRad(this.camera.fov) / 2);
    const distance = fit * (this.camera.aspect < 1 ? 1.1 / this.camera.aspect : 0.95);
    const back = new THREE.Vector3(0.75, 0.62, 1.25).normalize();
    this.camera.position.copy(target).addScaledVector(back, distance);
    this.camera.near = radius / 500;
    this.camera.far = distance * 20 + 4 * radius;
    this.camera.updateProjectionMatrix();
    this.controls.target.copy(target);
    this.controls.maxDistance = distance * 15;
    this.controls.update();
    this.buildFloor(box);
    this.requestRender();
  }

  // A floor grid at the world's origin plane, sized to the plot, as a 3D application shows one.
  buildFloor(box) {
    for (const o of [...this.floor.children]) {
      o.removeFromParent();
      disposeTree(o);
    }
    const size = box.getSize(new THREE.Vector3());
    const extent = Math.max(size.x, size.z, 1);
    const step = niceStep(extent / 8);
    const half = Math.ceil((extent * 1.5) / step) * step;
    const grid = new THREE.GridHelper(2 * half, Math.round((2 * half) / step), 0x6a6c74, 0x4a4b52);
    for (const m of [grid.material].flat()) {
      m.transparent = true;
      m.opacity = 0.55;
      m.depthWrite = false;
    }
    grid.renderOrder = -1;
    this.floor.add(grid);
  }

  // The ray through a point of the canvas (client coordinates).
  rayAt(clientX, clientY) {
    const r = this.renderer.domElement.getBoundingClientRect();
    const ndc = new THREE.Vector2(((clientX - r.left) / r.width) * 2 - 1, -((clientY - r.top) / r.height) * 2 + 1);
    const ray = new THREE.Raycaster();
    ray.setFromCamera(ndc, this.camera);
    return ray.ray;
  }

  // How far one pixel of the canvas reaches at the depth of a world point.
  pixelSpan(p) {
    const depth = p.clone().applyMatrix4(this.camera.matrixWorldInverse).z;
    const height = 2 * Math.abs(depth) * Math.tan(THREE.MathUtils.degToRad(this.camera.fov) / 2);
    return height / Math.max(1, this.renderer.domElement.clientHeight);
  }

  // Where a world point stands on the canvas, in client coordinates.
  toScreen(p) {
    const r = this.renderer.domElement.getBoundingClientRect();
    const v = p.clone().project(this.camera);
    return { x: r.left + ((v.x + 1) / 2) * r.width, y: r.top + ((1 - v.y) / 2) * r.height, front: v.z < 1 };
  }
}
