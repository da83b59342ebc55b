// The scene's geometry, fetched and read off the page's thread: the server's glTF binary becomes
// a tree of nodes whose primitives hold typed arrays, handed over to the page without a copy.
// The page only builds its objects around the arrays, so a million samples do not hold it up.
//   in:  {id, token, etag}
//   out: {id, unchanged: true} | {id, etag, scene: {nodes: [...]}} | {id, status, error}

const kComponents = { SCALAR: 1, VEC2: 2, VEC3: 3, VEC4: 4, MAT4: 16 };
const kArrays = { 5120: Int8Array, 5121: Uint8Array, 5122: Int16Array, 5123: Uint16Array, 5125: Uint32Array, 5126: Float32Array };
const kNormalized = { 5120: 127, 5121: 255, 5122: 32767, 5123: 65535 };

// The binary's JSON and its buffer, after the checks a broken answer fails.
function chunks(data) {
  const view = new DataView(data);
  if (data.byteLength < 20 || view.getUint32(0, true) !== 0x46546c67) throw new Error('the geometry is no glTF binary');
  let json = null, bin = null;
  for (let at = 12; at + 8 <= data.byteLength;) {
    const length = view.getUint32(at, true), type = view.getUint32(at + 4, true);
    if (at + 8 + length > data.byteLength) throw new Error('the geometry is cut short');
    if (type === 0x4e4f534a) json = JSON.parse(new TextDecoder().decode(new Uint8Array(data, at + 8, length)));
    else if (type === 0x004e4942) bin = { offset: at + 8, length };
    at += 8 + ((length + 3) & ~3);
  }
  if (!json) throw new Error('the geometry has no JSON chunk');
  return { json, bin };
}

function reader(data, { json, bin }) {
  const made = new Map();
  // An accessor's values in an array of their own (packed: a stride is unwound), normalized
  // integers as fractions. Accessors the glTF shares are read once.
  return (index) => {
    if (index === undefined || index === null) return null;
    if (made.has(index)) return made.get(index);
    const a = json.accessors[index];
    const n = kComponents[a.type] || 1;
    const Type = kArrays[a.componentType];
    if (!Type || a.bufferView === undefined || !bin) throw new Error(`the geometry's accessor ${index} cannot be read`);
    const view = json.bufferViews[a.bufferView];
    const start = bin.offset + (view.byteOffset || 0) + (a.byteOffset || 0);
    const size = Type.BYTES_PER_ELEMENT, stride = view.byteStride || n * size;
    if (start + (a.count - 1) * stride + n * size > bin.offset + bin.length) throw new Error(`the geometry's accessor ${index} runs past its buffer`);
    let values;
    if (stride === n * size) {
      values = new Type(data.slice(start, start + a.count * n * size));
    } else {
      values = new Type(a.count * n);
      const bytes = new DataView(data);
      const get = { 1: 'getUint8', 2: 'getUint16', 4: 'getFloat32' };
      for (let i = 0; i < a.count; ++i) {
        for (let k = 0; k < n; ++k) {
          const at = start + i * stride + k * size;
          values[i * n + k] = Type === Float32Array ? bytes.getFloat32(at, true) : Type === Uint32Array ? bytes.getUint32(at, true)
            : bytes[get[size]](at, true);
        }
      }
    }
    if (a.normalized && kNormalized[a.componentType]) values = Float32Array.from(values, (v) => Math.max(v / kNormalized[a.componentType], -1));
    const out = { array: values, itemSize: n };
    made.set(index, out);
    return out;
  };
}

function material(json, index) {
  const m = (index !== undefined && json.materials && json.materials[index]) || {};
  const pbr = m.pbrMetallicRoughness || {};
  return {
    key: index ?? -1,
    color: pbr.baseColorFactor || [1, 1, 1, 1],
    metalness: pbr.metallicFactor ?? 1,
    roughness: pbr.roughnessFactor ?? 1,
    doubleSided: !!m.doubleSided,
    unlit: !!(m.extensions && m.extensions.KHR_materials_unlit),
  };
}

export function decode(data) {
  const parts = chunks(data);
  const { json } = parts;
  const read = reader(data, parts);
  const meshes = (json.meshes || []).map((mesh) => ({
    name: mesh.name || '',
    extras: mesh.extras || {},
    primitives: (mesh.primitives || []).map((p) => ({
      mode: p.mode ?? 4,
      position: read(p.attributes.POSITION),
      normal: read(p.attributes.NORMAL),
      color: read(p.attributes.COLOR_0),
      index: read(p.indices),
      material: material(json, p.material),
    })),
  }));
  const node = (i, depth) => {
    if (depth > 64) throw new Error('the geometry nests too deep');
    const n = json.nodes[i];
    return {
      name: n.name || '', matrix: n.matrix || null, translation: n.translation || null,
      rotation: n.rotation || null, scale: n.scale || null, extras: n.extras || {},
      mesh: n.mesh !== undefined ? meshes[n.mesh] : null,
      children: (n.children || []).map((c) => node(c, depth + 1)),
    };
  };
  const scene = (json.scenes || [])[json.scene || 0] || { nodes: [] };
  const arrays = new Set();
  for (const m of meshes) for (const p of m.primitives) for (const a of [p.position, p.normal, p.color, p.index]) if (a) arrays.add(a.array.buffer);
  return { scene: { nodes: (scene.nodes || []).map((i) => node(i, 0)) }, transfer: [...arrays] };
}

async function answer({ id, token, etag }) {
  const headers = { 'X-Zorvantix-Token': token };
  if (etag) headers['If-None-Match'] = etag;
  const response = await fetch('/api/geometry.glb', { headers, cache: 'no-store' });
  if (response.status === 304) return [{ id, unchanged: true }, []];
  if (!response.ok) {
    const text = await response.text();
    let error = text;
    try { error = JSON.parse(text).error || text; } catch (e) { /* the text as it came */ }
    return [{ id, status: response.status, error }, []];
  }
  const { scene, transfer } = decode(await response.arrayBuffer());
  return [{ id, etag: response.headers.get('ETag'), scene }, transfer];
}

if (typeof WorkerGlobalScope !== 'undefined' && self instanceof WorkerGlobalScope) {
  self.onmessage = (e) => {
    answer(e.data).then(([message, transfer]) => self.postMessage(message, transfer),
      (err) => self.postMessage({ id: e.data.id, status: 0, error: `the geometry could not be read: ${err.message || err}` }));
  };
}
