// The plot's sample markers as the host's viewport draws them. A zvplot glTF holds them as its
// points layer (meshes whose extras say {"layer": "points", "marks": "dots", "spheres" or "lines",
// "size": ...}); here they become dots a few pixels across, spheres of the plot's point size, or
// crosses as line pieces. The viewer page and the studio's viewport both draw them so.
import * as THREE from 'three';

// Sphere markers become real spheres up to this many; beyond, points of the spheres' size keep the
// page responsive.
const kMostSpheres = 40000;

// The marks' colours are linear, as three.js works.
function sphereMarks(points, radius) {
  const position = points.geometry.getAttribute('position');
  const colour = points.geometry.getAttribute('color');
  const mesh = new THREE.InstancedMesh(new THREE.SphereGeometry(radius, 10, 6),
    new THREE.MeshStandardMaterial({ roughness: 0.6 }), position.count);
  const m = new THREE.Matrix4(), c = new THREE.Color();
  for (let i = 0; i < position.count; ++i) {
    mesh.setMatrixAt(i, m.makeTranslation(position.getX(i), position.getY(i), position.getZ(i)));
    if (colour) mesh.setColorAt(i, c.setRGB(colour.getX(i), colour.getY(i), colour.getZ(i)));
  }
  mesh.name = points.name;
  mesh.userData = { ...points.userData };
  return mesh;
}

// Draws the points layer below `root` in the host's manner and returns the layer's objects. The
// points that spheres replace are handed to `replaced` (to free what they hold), when given.
export function markPointsLayer(root, replaced) {
  const found = [];
  root.traverse((o) => { if (o.userData.layer === 'points') found.push(o); });
  const layer = [];
  for (const o of found) {
    const size = Number(o.userData.size) || 1;
    let mark = o;
    if (o.isPoints && o.userData.marks === 'spheres') {
      if (o.geometry.getAttribute('position').count <= kMostSpheres) {
        mark = sphereMarks(o, size);
        o.parent.add(mark);
        o.removeFromParent();
        if (replaced) replaced(o);
      } else {
        o.material.size = 2 * size;
        o.material.sizeAttenuation = true;
      }
    } else if (o.isPoints) {
      o.material.size = size * (window.devicePixelRatio || 1);
    }
    layer.push(mark);
  }
  return layer;
}
