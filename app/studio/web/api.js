// The studio server's API as the page calls it. The token the server printed arrives in the page's
// own URL; every call carries it in the X-Zorvantix-Token header, never in a URL the browser might
// keep in its history or send on.

const token = new URLSearchParams(window.location.search).get('token') || '';

export class ApiError extends Error {
  constructor(status, body) {
    super(body && body.error ? body.error : `the studio answered ${status}`);
    this.status = status;
    this.body = body || {};
  }
}

async function call(method, path, { body, headers = {}, type } = {}) {
  const init = { method, headers: { 'X-Zorvantix-Token': token, ...headers }, cache: 'no-store' };
  if (body !== undefined) {
    init.body = typeof body === 'string' || body instanceof Blob ? body : JSON.stringify(body);
    init.headers['Content-Type'] = type || 'application/json';
  }
  let response;
  try {
    response = await fetch(path, init);
  } catch (e) {
    throw new ApiError(0, { error: 'the studio does not answer: is zvplot --serve still running?' });
  }
  return response;
}

let worker = null, calls = 0;
const waiting = new Map();  // the worker's calls not answered yet, by id

function startWorker() {
  const w = new Worker('/studio/geometry_worker.js', { type: 'module' });
  w.onmessage = (e) => {
    const m = e.data, call = waiting.get(m.id);
    if (!call) return;
    waiting.delete(m.id);
    if (m.unchanged) call.resolve(null);
    else if (m.scene) call.resolve({ etag: m.etag, scene: m.scene });
    else call.reject(new ApiError(m.status, { error: m.error }));
  };
  w.onerror = (e) => {
    for (const call of waiting.values()) call.reject(new ApiError(0, { error: `the geometry worker failed: ${e.message}` }));
    waiting.clear();
  };
  return w;
}

async function json(response) {
  const text = await response.text();
  let body = null;
  try {
    body = text ? JSON.parse(text) : null;
  } catch (e) {
    body = { error: text };
  }
  if (!response.ok) throw new ApiError(response.status, body);
  // The server's own time for the call, apart from the way there and back.
  const timing = /dur=([0-9.]+)/.exec(response.headers.get('Server-Timing') || '');
  if (body && typeof body === 'object' && timing) body.serverMs = Number(timing[1]);
  return body;
}

export const api = {
  hasToken: () => token.length > 0,
  scene: async () => json(await call('GET', '/api/scene?arrays=0')),
  describe: async () => json(await call('GET', '/api/describe')),
  handles: async () => json(await call('GET', '/api/handles')),
  // `gesture`: "preview" (no undo step yet), "end" (the gesture's one step) or "cancel" (back to
  // its start); left out, the batch is a step of its own.
  actions: async (actions, yes, gesture) =>
    json(await call('POST', '/api/actions', { body: { actions, yes, gesture } })),
  undo: async () => json(await call('POST', '/api/undo')),
  redo: async () => json(await call('POST', '/api/redo')),
  loadSceneFile: async (text) => json(await call('POST', '/api/scene-file', { body: text })),

  // The scene's geometry, or null when it is still the one with this ETag: fetched and read into
  // typed arrays by the geometry worker, off the page's thread.
  geometry(etag) {
    worker ??= startWorker();
    const id = ++calls;
    return new Promise((resolve, reject) => {
      waiting.set(id, { resolve, reject });
      worker.postMessage({ id, token, etag });
    });
  },

  // A file the server writes (the glTF, the viewer page, the scene file), saved through the
  // browser's download.
  async download(path, name) {
    const response = await call('GET', path);
    if (!response.ok) await json(response);
    const url = URL.createObjectURL(await response.blob());
    const a = document.createElement('a');
    a.href = url;
    a.download = name;
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(url), 10000);
  },
};
