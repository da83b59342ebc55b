// The zvplot viewer: shows the plot's frames (one GLB each) with orbit controls, plays them as an
// animation when there are several, and shows the plot's sample points (its viewport markers) as a
// layer that the checkbox or the P key switches off and on.
import * as THREE from 'three';
import { GLTFLoader } from 'three/addons/loaders/GLTFLoader.js';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';
import { markPointsLayer } from './points_layer.js';

const data = window.zvplotData;
const body = document.body;
const background = new THREE.Color(body.dataset.background || '#2b2c30');
const fail = window.zvplotFail;

function decode(base64) {
  const text = atob(base64);
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
  return bytes.buffer;
}

function makeRenderer() {
  const renderer = new THREE.WebGLRenderer({ antialias: true });
  renderer.setPixelRatio(window.devicePixelRatio || 1);
  renderer.setSize(window.innerWidth, window.innerHeight);
  document.body.prepend(renderer.domElement);
  return renderer;
}

// Soft light from the sky and the ground, and a key light that travels with the camera so the
// plot stays lit from the front however it is turned.
function addLights(scene, camera) {
  scene.add(new THREE.HemisphereLight(0xffffff, 0x45474f, 1.25));
  const key = new THREE.DirectionalLight(0xffffff, 1.6);
  key.position.set(-0.6, 1.0, 0.8);
  camera.add(key);
  camera.add(key.target);
  key.target.position.set(0, 0, -1);
  scene.add(camera);
}

// A first view of the whole plot: from the front right and above, the bounding box's picture
// centred and filling the view up to a small margin.
function frame(camera, controls, box) {
  if (box.isEmpty()) box = new THREE.Box3(new THREE.Vector3(-100, -100, -100), new THREE.Vector3(100, 100, 100));
  const corners = [];
  for (let i = 0; i < 8; ++i) {
    corners.push(new THREE.Vector3(i & 1 ? box.max.x : box.min.x, i & 2 ? box.max.y : box.min.y,
      i & 4 ? box.max.z : box.min.z));
  }
  const target = box.getCenter(new THREE.Vector3());
  const radius = Math.max(box.getSize(new THREE.Vector3()).length() / 2, 1e-6);
  const back = new THREE.Vector3(0.75, 0.62, 1.25).normalize();  // from the target to the camera
  let distance = radius / Math.sin(THREE.MathUtils.degToRad(camera.fov) / 2);
  const margin = 0.8;  // of the view's half size
  // Each round moves the view's centre onto the picture's centre and the camera to the distance
  // at which the picture fills the view; a few rounds settle the perspective.
  for (let round = 0; round < 4; ++round) {
    camera.position.copy(target).addScaledVector(back, distance);
    camera.lookAt(target);
    camera.updateMatrixWorld();
    const lo = new THREE.Vector2(Infinity, Infinity), hi = new THREE.Vector2(-Infinity, -Infinity);
    for (const c of corners) {
      const p = c.clone().project(camera);
      lo.min(p), hi.max(p);
    }
    const tanV = Math.tan(THREE.MathUtils.degToRad(camera.fov) / 2);
    const right = new THREE.Vector3().setFromMatrixColumn(camera.matrixWorld, 0);
    const up = new THREE.Vector3().setFromMatrixColumn(camera.matrixWorld, 1);
    target.addScaledVector(right, ((lo.x + hi.x) / 2) * tanV * camera.aspect * distance)
      .addScaledVector(up, ((lo.y + hi.y) / 2) * tanV * distance);
    distance *= Math.max((hi.x - lo.x) / 2, (hi.y - lo.y) / 2) / margin;
  }
  camera.position.copy(target).addScaledVector(back, distance);
  camera.near = radius / 500;  // zooming in close stays unclipped
  camera.far = distance * 10 + 4 * radius;
  camera.updateProjectionMatrix();
  controls.target.copy(target);
  controls.maxDistance = distance * 10;
  controls.update();
}

function layerSwitch(layer) {
  const box = document.getElementById('points');
  const show = (on) => {
    for (const o of layer) o.visible = on;
    box.checked = on;
    body.dataset.points = on ? 'shown' : 'hidden';
  };
  if (layer.length === 0) {
    body.dataset.points = 'none';
    return;
  }
  document.getElementById('layers').hidden = false;
  box.addEventListener('change', () => show(box.checked));
  window.addEventListener('keydown', (e) => {
    if (e.code === 'KeyP' && !e.repeat) show(!box.checked);
  });
  show(true);
}

class Player {
  constructor(frames, fps) {
    this.frames = frames;
    this.fps = fps;
    this.index = -1;
    this.playing = frames.length > 1;
    this.start = performance.now();
    this.button = document.getElementById('play');
    this.label = document.getElementById('frame');
    if (frames.length > 1) {
      document.getElementById('player').hidden = false;
      this.button.addEventListener('click', () => this.toggle());
      window.addEventListener('keydown', (e) => {
        if (e.code === 'Space') { e.preventDefault(); this.toggle(); }
      });
    }
    body.dataset.frames = String(frames.length);
    body.dataset.playing = String(this.playing);
    this.show(0);
  }

  toggle() {
    this.playing = !this.playing;
    // Resuming continues from the frame on show.
    this.start = performance.now() - (this.index * 1000) / this.fps;
    this.button.textContent = this.playing ? 'Pause' : 'Play';
    body.dataset.playing = String(this.playing);
  }

  show(i) {
    if (i === this.index) return;
    this.frames.forEach((f, k) => { f.visible = k === i; });
    this.index = i;
    body.dataset.frame = String(i);
    this.label.textContent = `frame ${i + 1} / ${this.frames.length}`;
  }

  tick(now) {
    if (!this.playing) return;
    const n = this.frames.length;
    this.show(Math.floor(((now - this.start) * this.fps) / 1000) % n);
  }
}

async function main() {
  let renderer;
  try {
    renderer = makeRenderer();
  } catch (e) {
    fail('WebGL is not available in this browser: ' + e.message);
    return;
  }
  const scene = new THREE.Scene();
  scene.background = background;
  const camera = new THREE.PerspectiveCamera(30, window.innerWidth / window.innerHeight, 0.1, 1e5);
  addLights(scene, camera);

  const loader = new GLTFLoader();
  const frames = [];
  for (const glb of data.frames) {
    const gltf = await loader.parseAsync(decode(glb), '');
    frames.push(gltf.scene);
    scene.add(gltf.scene);
  }
  layerSwitch(frames.flatMap((f) => markPointsLayer(f)));
  const box = new THREE.Box3();
  for (const f of frames) box.union(new THREE.Box3().setFromObject(f));

  const controls = new OrbitControls(camera, renderer.domElement);
  controls.enableDamping = true;
  frame(camera, controls, box);
  const player = new Player(frames, Math.max(1, data.fps || 30));

  window.addEventListener('resize', () => {
    camera.aspect = window.innerWidth / window.innerHeight;
    camera.updateProjectionMatrix();
    renderer.setSize(window.innerWidth, window.innerHeight);
  });
  let first = true;
  renderer.setAnimationLoop((now) => {
    player.tick(now);
    controls.update();
    renderer.render(scene, camera);
    if (first) {
      first = false;
      body.dataset.state = 'ready';
    }
  });
}

main().catch((e) => fail('The plot could not be shown: ' + (e && e.message ? e.message : e)));
