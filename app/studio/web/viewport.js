// The studio's viewport: the evaluated scene as the server's glTF gives it (read by the geometry
// worker), the plot's sample markers (the points layer of that glTF) drawn as the host's viewport
// draws them, a floor grid under the plot and an axis cross, orbit / pan / zoom. It draws only
// when something changed, so an idle studio costs nothing.
import * as THREE from 'three';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';
import { markPointsLayer } from './points_layer.js';

// Above this many sample markers the layer starts hidden: at one a pixel or closer they would
// cover the surface in a moire of dots (P shows them).
const kMostPointsShown = 4000;
// The share of the pixels a software renderer draws in each direction.
const kSoftwareScale = 0.75;
// A net of lines is drawn at full strength while its lines lie at least this many pixels apart;
// closer, it fades towards kFaintestNet, as a net finer than the pixels would show when
// antialiased: 1-pixel lines a pixel or two apart would otherwise cover the surface in a white
// moire.
const kNetFullSpacing = 6;
const kFaintestNet = 0.08;
// A label object of the labels component (the axes' values, the formula's legend), by the name
// it gives each.
const kLabelName = /(HLabel\d*|VLabel\d*|Legend)_?$/;
// The side of a label's text that reads right, in the label's own frame.
const kLabelFront = new THREE.Vector3(0, 0, 1);

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

// How far apart the lines of a set of segments lie on average, in world units: a net of n lines
// each way over an area A has about 2·n·sqrt(A) of length, so the spacing sqrt(A) / n is 2·A over
// the length. The area is that of the set's two longest sides (a net on a surface, or a flat one).
function lineSpacing(xyz) {
  let length = 0;
  const box = new THREE.Box3();
  const a = new THREE.Vector3(), b = new THREE.Vector3();
  for (let i = 0; i + 5 < xyz.length; i += 6) {
    a.fromArray(xyz, i);
    b.fromArray(xyz, i + 3);
    length += a.distanceTo(b);
    box.expandByPoint(a).expandByPoint(b);
  }
  if (!(length > 0)) return Infinity;
  const [, y, z] = box.getSize(a).toArray().sort((p, q) => p - q);
  return (2 * y * z) / length;
}

// The glTF gives each line of the grid and the cage as its own primitive; drawn one by one, a
// hundred lines cost more than the surface. Lines of one material become one set of segments,
// with a material of its own that fades with the set's spacing on screen (blended always, so that
// a change of strength never asks for another shader program). Gives back the sets.
function mergeLines(root) {
  root.updateMatrixWorld(true);
  const groups = new Map();
  root.traverse((o) => {
    if (!o.isLine || o.userData.layer === 'points' || !o.visible || o.geometry.getAttribute('color')) return;
    // One set for each object and material: the cage's lines do not fade with the grid's.
    const key = `${o.material.uuid}|${o.userData.node}`;
    if (!groups.has(key)) groups.set(key, []);
    groups.get(key).push(o);
  });
  const nets = [];
  for (const lines of groups.values()) {
    const { material } = lines[0];
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
    const merged = new THREE.LineSegments(geometry, material.clone());
    merged.material.transparent = true;
    merged.name = lines[0].name;
    merged.userData.spacing = lineSpacing(xyz);
    geometry.computeBoundingSphere();
    root.add(merged);
    nets.push(merged);
    for (const line of lines) {
      line.removeFromParent();
      line.geometry.dispose();
    }
  }
  return nets;
}

// The three.js objects of the worker's nodes. Materials are made once for each glTF material and
// kind of primitive, so that lines of one material can be merged. A surface is pushed back a
// little in depth (polygon offset), so that the lines lying on it always win over it: no
// z-fighting, no line broken into dashes.
function buildScene(decoded) {
  const materials = new Map();
  const materialOf = (p, kind) => {
    const m = p.material, vertexColors = !!p.color, flat = kind === 'mesh' && !p.normal;
    const key = `${m.key}|${kind}|${vertexColors}|${flat}`;
    if (materials.has(key)) return materials.get(key);
    const color = new THREE.Color().setRGB(m.color[0], m.color[1], m.color[2]);
    let made;
    if (kind === 'points') made = new THREE.PointsMaterial({ color, vertexColors, size: 1, sizeAttenuation: false });
    else if (kind === 'line') made = new THREE.LineBasicMaterial({ color, vertexColors });
    else if (m.unlit) made = new THREE.MeshBasicMaterial({ color, vertexColors, side: m.doubleSided ? THREE.DoubleSide : THREE.FrontSide });
    else {
      made = new THREE.MeshStandardMaterial({ color, vertexColors, roughness: m.roughness, metalness: m.metalness,
        side: m.doubleSided ? THREE.DoubleSide : THREE.FrontSide, flatShading: flat,
        polygonOffset: true, polygonOffsetFactor: 1, polygonOffsetUnits: 1 });
    }
    materials.set(key, made);
    return made;
  };
  const primitive = (p, mesh) => {
    const g = new THREE.BufferGeometry();
    g.setAttribute('position', new THREE.BufferAttribute(p.position.array, 3));
    if (p.normal) g.setAttribute('normal', new THREE.BufferAttribute(p.normal.array, 3));
    if (p.color) g.setAttribute('color', new THREE.BufferAttribute(p.color.array, p.color.itemSize));
    if (p.index) g.setIndex(new THREE.BufferAttribute(p.index.array, 1));
    let o;
    if (p.mode === 0) o = new THREE.Points(g, materialOf(p, 'points'));
    else if (p.mode === 1) o = new THREE.LineSegments(g, materialOf(p, 'line'));
    else if (p.mode === 2) o = new THREE.LineLoop(g, materialOf(p, 'line'));
    else if (p.mode === 3) o = new THREE.Line(g, materialOf(p, 'line'));
    else o = new THREE.Mesh(g, materialOf(p, 'mesh'));
    o.name = mesh.name;
    Object.assign(o.userData, mesh.extras);
    return o;
  };
  let nodes = 0;
  const node = (n) => {
    const prims = n.mesh ? n.mesh.primitives.filter((p) => p.position).map((p) => primitive(p, n.mesh)) : [];
    const id = ++nodes;
    for (const p of prims) p.userData.node = id;
    const o = prims.length === 1 ? prims[0] : new THREE.Group();
    if (prims.length > 1) o.add(...prims);
    o.name = n.name;
    Object.assign(o.userData, n.extras);
    if (n.matrix) new THREE.Matrix4().fromArray(n.matrix).decompose(o.position, o.quaternion, o.scale);
    if (n.translation) o.position.fromArray(n.translation);
    if (n.rotation) o.quaternion.fromArray(n.rotation);
    if (n.scale) o.scale.fromArray(n.scale);
    for (const c of n.children) o.add(node(c));
    return o;
  };
  const root = new THREE.Group();
  for (const n of decoded.nodes) root.add(node(n));
  return root;
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
    const software = softwareRenderer();
    this.renderer = new THREE.WebGLRenderer({ antialias: !software, alpha: true });
    // On the processor, three pixels in four keep the view live at a large window.
    this.renderer.setPixelRatio((window.devicePixelRatio || 1) * (software ? kSoftwareScale : 1));
    this.renderer.setClearColor(0x000000, 0);
    this.renderer.autoClear = true;
    container.prepend(this.renderer.domElement);
    this.renderer.domElement.tabIndex = 0;

    this.scene = new THREE.Scene();
    this.camera = new THREE.PerspectiveCamera(30, 1, 0.1, 1e6);
    // A key light from the upper left of the view, at a right angle to the line of sight, and a
    // fill from the lower right front that keeps the labels readable, over a dim sky: the shading
    // follows the normals the surface has, and a slope turned from the key light darkens, so
    // facets show where the surface is not smoothed. A face turned to the key light is lit to its
    // own colour, not past it (which would flatten the shading of bright colours).
    this.scene.add(new THREE.HemisphereLight(0xffffff, 0x3a3c44, 0.2));
    for (const [intensity, x, y, z] of [[2.8, -1.0, 1.2, 0.0], [0.9, 1.0, -0.2, 0.8]]) {
      const light = new THREE.DirectionalLight(0xffffff, intensity);
      light.position.set(x, y, z);
      this.camera.add(light, light.target);
      light.target.position.set(0, 0, -1);
    }
    this.scene.add(this.camera);

    this.content = new THREE.Group();     // the evaluated scene
    this.overlay = new THREE.Group();     // drawn over it: the handles
    this.floor = new THREE.Group();
    this.scene.add(this.floor, this.content, this.overlay);
    this.axisCross = new AxisCross();
    this.pointsLayer = [];
    this.pointsChoice = null;  // the user's Points switch, once used
    this.showPoints = true;
    this.nets = [];  // the merged sets of lines, which fade when their lines crowd
    this.labels = [];  // {object, position, quaternion, centre}: the labels as placed
    this.retired = [];  // geometry taken out of the scene, freed after the next drawing
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
    this.faceLabels();
    this.fadeNets();
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

  // Puts the worker's scene in place of the geometry shown so far. The caller draws it (drawNow)
  // once the rest of what changed with it is in place too: a frame drawn in between would show
  // half the change, and at a million samples cost as much as the right one.
  setGeometry(decoded) {
    const root = buildScene(decoded);
    const old = [...this.content.children];
    this.content.add(root);
    for (const o of old) o.removeFromParent();
    this.retired.push(...old);
    this.root = root;
    this.pointsLayer = [];
    root.traverse((o) => { if (o.userData.layer === 'points') this.pointsLayer.push(o); });
    const marks = this.pointsLayer.reduce((n, o) => n + o.geometry.getAttribute('position').count, 0);
    this.showPoints = this.pointsChoice ?? marks <= kMostPointsShown;
    this.marked = false;
    this.applyPoints();
    this.nets = mergeLines(root);
    this.findLabels(root);
    if (!this.framed) {
      this.framed = true;
      this.frameAll();
    }
    this.stale = true;
  }

  hasPointsLayer() { return this.pointsLayer.length > 0; }
  showingPoints() { return this.showPoints; }

  // The markers are drawn in the host's manner when they first show (spheres are many objects).
  setPointsVisible(on, chosen = false) {
    if (chosen) this.pointsChoice = on;
    this.showPoints = on;
    this.applyPoints();
    this.requestRender();
  }

  applyPoints() {
    if (this.showPoints && !this.marked && this.root) {
      this.marked = true;
      this.pointsLayer = markPointsLayer(this.root, disposeTree);
    }
    for (const o of this.pointsLayer) o.visible = this.showPoints;
  }

  setFloorVisible(on) {
    this.floor.visible = on;
    this.requestRender();
  }

  // The labels' objects and how they are placed, to turn them to the camera.
  findLabels(root) {
    this.labels = [];
    root.updateMatrixWorld(true);
    const found = new Set();
    root.traverse((o) => {
      // The object that shows a label, not its parts again.
      if (!kLabelName.test(o.name) || (o.parent && found.has(o.parent))) return;
      found.add(o);
      const box = new THREE.Box3().setFromObject(o);
      if (box.isEmpty()) return;
      const centre = o.worldToLocal(box.getCenter(new THREE.Vector3()));
      this.labels.push({ object: o, position: o.position.clone(), quaternion: o.quaternion.clone(), centre });
    });
  }

  // Each net of lines at the strength its spacing on screen allows, measured at its middle.
  fadeNets() {
    if (!this.nets.length) return;
    this.camera.updateMatrixWorld();
    const drawn = Math.max(1, this.renderer.domElement.height) / Math.max(1, this.renderer.domElement.clientHeight);
    for (const net of this.nets) {
      const centre = net.geometry.boundingSphere.center.clone().applyMatrix4(net.matrixWorld);
      const pixels = (net.userData.spacing / this.pixelSpan(centre)) * drawn;
      // Below a pixel apart several lines share a pixel, and their blending adds up.
      net.material.opacity = pixels < 1 ? kFaintestNet * Math.max(pixels, 0.05)
        : THREE.MathUtils.clamp((pixels - 1) / (kNetFullSpacing - 1), kFaintestNet, 1);
    }
  }

  // A label seen from behind turns half way round its upright axis through its middle, so that it
  // never reads mirrored.
  faceLabels() {
    const eye = this.camera.position;
    const turn = new THREE.Quaternion().setFromAxisAngle(new THREE.Vector3(0, 1, 0), Math.PI);
    for (const l of this.labels) {
      const o = l.object;
      o.position.copy(l.position);
      o.quaternion.copy(l.quaternion);
      o.updateMatrixWorld(true);
      const middle = o.localToWorld(l.centre.clone());
      const front = kLabelFront.clone().transformDirection(o.matrixWorld);
      if (front.dot(eye.clone().sub(middle)) >= 0) continue;
      const scaled = l.centre.clone().multiply(o.scale);
      o.quaternion.multiply(turn);
      o.position.add(scaled.clone().applyQuaternion(l.quaternion)).sub(scaled.applyQuaternion(o.quaternion));
      o.updateMatrixWorld(true);
    }
  }

  bounds() {
    const box = new THREE.Box3().setFromObject(this.content);
    for (const o of this.overlay.children) if (o.userData.bounds) box.expandByPoint(o.userData.bounds);
    if (box.isEmpty() || !Number.isFinite(box.min.x + box.max.x + box.min.y + box.max.y)) {
      box.set(new THREE.Vector3(-100, -100, -100), new THREE.Vector3(100, 100, 100));
    }
    return box;
  }

  // The whole plot in view: from the front right and above, as a 3D application opens a scene,
  // and later from the direction the view has.
  frameAll() {
    const box = this.bounds();
    const target = box.getCenter(new THREE.Vector3());
    const radius = Math.max(box.getSize(new THREE.Vector3()).length() / 2, 1e-6);
    const fit = radius / Math.sin(THREE.MathUtils.degToRad(this.camera.fov) / 2);
    const distance = fit * (this.camera.aspect < 1 ? 1.1 / this.camera.aspect : 0.95);
    // The orbit's damping that still turns the view stops here, where the view looks from.
    this.controls.enableDamping = false;
    this.controls.update();
    this.controls.enableDamping = true;
    const back = this.framedOnce ? this.camera.position.clone().sub(this.controls.target).normalize()
      : new THREE.Vector3(0.75, 0.62, 1.25).normalize();
    if (!(back.lengthSq() > 0.5)) back.set(0.75, 0.62, 1.25).normalize();
    this.framedOnce = true;
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

  // A floor grid under the plot, sized to it, as a 3D application shows one: depth-tested, so the
  // surface hides it rather than it showing through the surface.
  buildFloor(box) {
    for (const o of [...this.floor.children]) {
      o.removeFromParent();
      disposeTree(o);
    }
    const size = box.getSize(new THREE.Vector3());
    const extent = Math.max(size.x, size.z, 1);
    const step = niceStep(extent / 8);
    const half = Math.ceil((extent * 1.5) / step) * step;
    // Opaque lines of the colour the background shows them in: blending a grid the size of the
    // view costs a software renderer as much as the plot.
    const grid = new THREE.GridHelper(2 * half, Math.round((2 * half) / step), 0x56585e, 0x45464c);
    for (const m of [grid.material].flat()) m.depthWrite = false;
    grid.position.y = Math.min(0, box.min.y) - 0.002 * Math.max(size.y, extent);
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
