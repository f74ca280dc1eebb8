// What every view of a model shares: fetching the glTF binary the server exported, framing a
// camera on it, and the colour modes (materials, one colour per chunk, vertex-cache order,
// weight of one bone), drawn unlit where they encode data.
import * as THREE from 'three';
import { GLTFLoader } from 'three/addons/loaders/GLTFLoader.js';

export const BACKGROUND = 0x202428;

// Distinct, saturated colours for chunks; more chunks continue around the hue circle.
const PALETTE = [0xe6194b, 0x3cb44b, 0x4363d8, 0xf58231, 0x911eb4, 0x42d4f4, 0xf032e6,
  0xbfef45, 0xfabed4, 0x469990, 0xdcbeff, 0x9a6324, 0xfffac8, 0x800000, 0xaaffc3];

export function chunkColour(index) {
  if (index < PALETTE.length) return new THREE.Color(PALETTE[index]);
  return new THREE.Color().setHSL((index * 0.618034) % 1, 0.85, 0.55);
}

export function element(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined) node.textContent = text;
  return node;
}

export function glbUrl(name, kins) {
  const query = new URLSearchParams({ name });
  for (const kin of kins || []) query.append('kin', kin);
  return '/api/glb?' + query.toString();
}

// A white pixel stands in for images the export refers to by name but does not hold.
const WHITE_PIXEL =
  'data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVR4nGP4//8/AAX+Av4N70a4AAAAAElFTkSuQmCC';

// The parsed glTF, with `missingImages`: the names of images not held in the binary. A refused
// export rejects with the server's error text.
export async function loadGlb(name, kins) {
  const response = await fetch(glbUrl(name, kins));
  if (!response.ok) throw new Error((await response.text()).trim());
  const bytes = await response.arrayBuffer();
  const missing = [];
  const manager = new THREE.LoadingManager();
  manager.setURLModifier((url) => {
    if (/^(data|blob):/.test(url)) return url;
    missing.push(decodeURIComponent(url));
    return WHITE_PIXEL;
  });
  const gltf = await new GLTFLoader(manager).parseAsync(bytes, '');
  gltf.missingImages = missing;
  return gltf;
}

export function makeRenderer(canvas, antialias) {
  const renderer = new THREE.WebGLRenderer({ canvas, antialias, preserveDrawingBuffer: true });
  renderer.setClearColor(BACKGROUND);
  return renderer;
}

// A scene with soft light around the model.
export function makeScene(model) {
  const scene = new THREE.Scene();
  scene.add(new THREE.HemisphereLight(0xffffff, 0x444455, 2.0));
  const sun = new THREE.DirectionalLight(0xffffff, 1.5);
  sun.position.set(1, 2, 3);
  scene.add(sun);
  scene.add(model);
  return scene;
}

// Points the camera at the model's box from the front, a little above; gives the box centre.
export function frameCamera(camera, model) {
  model.updateMatrixWorld(true);
  const box = new THREE.Box3().setFromObject(model);
  const centre = box.isEmpty() ? new THREE.Vector3() : box.getCenter(new THREE.Vector3());
  const radius = box.isEmpty() ? 1 : Math.max(box.getSize(new THREE.Vector3()).length() / 2, 1e-3);
  const distance = radius / Math.sin(THREE.MathUtils.degToRad(camera.fov / 2)) * 1.1;
  camera.position.copy(centre).add(new THREE.Vector3(0.35, 0.3, 1).normalize().multiplyScalar(distance));
  camera.near = distance / 100;
  camera.far = distance * 10;
  camera.lookAt(centre);
  camera.updateProjectionMatrix();
  return centre;
}

export function meshesOf(model) {
  const meshes = [];
  model.traverse((node) => { if (node.isMesh) meshes.push(node); });
  return meshes;
}

function vertexColours(geometry, colourOf) {
  const count = geometry.attributes.position.count;
  const colours = new Float32Array(count * 3);
  for (let i = 0; i < count; ++i) colourOf(i, count).toArray(colours, i * 3);
  geometry.setAttribute('color', new THREE.BufferAttribute(colours, 3));
}

// Weight of joint `joint` at vertex i of a skinned geometry.
function weightOf(geometry, i, joint) {
  const joints = geometry.attributes.skinIndex;
  const weights = geometry.attributes.skinWeight;
  if (!joints || !weights) return 0;
  let sum = 0;
  for (let k = 0; k < 4; ++k) if (joints.getComponent(i, k) === joint) sum += weights.getComponent(i, k);
  return sum;
}

// Applies a colour mode to every mesh: 'material' (as exported), 'chunk', 'order' or
// 'weight' (of `joint`); `options`: wireframe, textures.
export function applyLook(model, mode, options) {
  const blue = new THREE.Color(0x2040ff), red = new THREE.Color(0xff3020);
  meshesOf(model).forEach((mesh, index) => {
    mesh.userData.original ??= mesh.material;
    const original = mesh.userData.original;
    if (original.map) original.userData.map ??= original.map;
    let material;
    if (mode === 'material') {
      material = original;
      material.map = options.textures ? original.userData.map || null : null;
    } else if (mode === 'chunk') {
      material = new THREE.MeshBasicMaterial({ color: chunkColour(index) });
    } else {
      vertexColours(mesh.geometry, mode === 'order'
        ? (i, count) => new THREE.Color().setHSL(0.7 * i / Math.max(count - 1, 1), 0.9, 0.5)
        : (i) => blue.clone().lerp(red, weightOf(mesh.geometry, i, options.joint)));
      material = new THREE.MeshBasicMaterial({ vertexColors: true });
    }
    material.side = original.side;
    material.wireframe = Boolean(options.wireframe);
    material.needsUpdate = true;
    mesh.material = material;
  });
}
