// The model page (orbit view, animations, overlays, colour modes, counts, findings, dump text)
// and the bare snapshot view the picture taker draws.
import * as THREE from 'three';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';
import { applyLook, element, frameCamera, loadGlb, makeRenderer, makeScene } from './scene.js';

async function fetchDetail(name) {
  const response = await fetch('/api/asset?' + new URLSearchParams({ name }));
  if (!response.ok) throw new Error('no asset ' + name);
  return response.json();
}

function labelled(text, control) {
  const label = element('label', '', text + ' ');
  label.append(control);
  return label;
}

function select(options, value) {
  const node = element('select');
  for (const [key, text] of options) node.append(Object.assign(element('option', '', text), { value: key }));
  node.value = value;
  return node;
}

function checkbox(checked) {
  return Object.assign(element('input'), { type: 'checkbox', checked });
}

function counts(detail) {
  const table = element('table');
  for (const [key, text] of [['size', 'bytes'], ['chunks', 'chunks'], ['triangles', 'triangles'],
    ['vertices', 'vertices'], ['bones', 'bones']]) {
    const row = element('tr');
    row.append(element('td', '', text), element('td', '', String(detail[key])));
    table.append(row);
  }
  return table;
}

function lines(title, list, className) {
  const box = element('div');
  box.append(element('h3', '', title));
  if (list.length === 0) box.append(element('p', 'ok', 'none'));
  for (const line of list) box.append(element('div', className, line));
  return box;
}

// The panel's controls, reporting every change through `onChange(state)`.
function controls(state, clips, joints, onChange) {
  const box = element('div');
  const mode = select([['material', 'materials'], ['chunk', 'colour by chunk'],
    ['order', 'colour by vertex-cache order'], ['weight', 'colour by bone weight']], state.mode);
  const joint = select(joints.map((name, i) => [String(i), name]), String(state.joint));
  const skeleton = checkbox(state.skeleton), wire = checkbox(state.wireframe);
  const textures = checkbox(state.textures);
  const clip = select([['', '(rest pose)'], ...clips.map((c, i) => [String(i), c.name])], state.clip);
  const play = element('button', '', state.playing ? 'pause' : 'play');
  const scrub = Object.assign(element('input'), { type: 'range', min: 0, max: 1, step: 0.001, value: 0 });
  const speed = select([['0.25', '¼×'], ['0.5', '½×'], ['1', '1×'], ['2', '2×']], '1');
  const update = () => onChange(Object.assign(state, {
    mode: mode.value, joint: Number(joint.value), skeleton: skeleton.checked,
    wireframe: wire.checked, textures: textures.checked, clip: clip.value,
    speed: Number(speed.value) }));
  for (const node of [mode, joint, skeleton, wire, textures, clip, speed]) node.addEventListener('change', update);
  play.addEventListener('click', () => { state.playing = !state.playing; play.textContent = state.playing ? 'pause' : 'play'; });
  scrub.addEventListener('input', () => { state.playing = false; play.textContent = 'play'; state.scrub = Number(scrub.value); });
  state.scrubber = scrub;
  box.append(labelled('look', mode), labelled('bone', joint), labelled('skeleton', skeleton),
    labelled('wireframe', wire), labelled('textures', textures), labelled('animation', clip),
    play, scrub, labelled('speed', speed));
  return box;
}

function jointsOf(model) {
  let names = [];
  model.traverse((node) => { if (node.isSkinnedMesh && names.length === 0) names = node.skeleton.bones.map((b) => b.userData.name || b.name); });
  return names;
}

function showPanel(panel, detail, gltf, state, onChange) {
  panel.append(element('h2', '', detail.title), counts(detail));
  if (gltf) panel.append(controls(state, gltf.animations, jointsOf(gltf.scene), onChange));
  if (detail.error) panel.append(element('p', 'error', detail.error));
  if (gltf && gltf.missingImages.length)
    panel.append(element('p', 'muted', 'images not in the export (drawn white): ' + gltf.missingImages.join(', ')));
  panel.append(lines('Validation', detail.issues, 'error'));
  if (detail.kind === 'xml') panel.append(lines('Conversion log', detail.log, 'muted'));
  panel.append(element('h3', '', 'Dump'), element('pre', '', detail.dump));
}

export async function showModel(root, query) {
  const name = query.get('model');
  const detail = await fetchDetail(name);
  document.title = detail.title + ' - vantok-view';
  const page = element('div', 'model'), view = element('div', 'view'), panel = element('div', 'panel');
  page.append(view, panel);
  root.append(page);
  const gltf = detail.error ? null : await loadGlb(name, detail.kins);
  // the query can open the page posed: look, skeleton=1, clip (a .kin file name) and time
  const clip = detail.kins.indexOf(query.get('clip'));
  const state = { mode: query.get('look') || 'material', joint: 0, skeleton: query.get('skeleton') === '1',
    wireframe: false, textures: true, clip: clip < 0 ? '' : String(clip), speed: 1,
    playing: !query.has('time'), scrub: null };
  if (!gltf) return showPanel(panel, detail, null, state, () => {});
  const canvas = element('canvas');
  view.append(canvas);
  const renderer = makeRenderer(canvas, query.get('aa') !== '0');
  const model = gltf.scene;
  const scene = makeScene(model);
  const camera = new THREE.PerspectiveCamera(40, 1, 0.01, 100);
  const orbit = new OrbitControls(camera, canvas);
  orbit.target.copy(frameCamera(camera, model));
  const helper = new THREE.SkeletonHelper(model);
  scene.add(helper);
  const mixer = new THREE.AnimationMixer(model);
  let action = null;
  const onChange = () => {
    applyLook(model, state.mode, state);
    helper.visible = state.skeleton;
    mixer.stopAllAction();
    action = state.clip === '' ? null : mixer.clipAction(gltf.animations[Number(state.clip)]).play();
    mixer.timeScale = state.speed;
  };
  showPanel(panel, detail, gltf, state, onChange);
  onChange();
  if (action && query.has('time')) {
    mixer.setTime(Number(query.get('time')));
    state.scrubber.value = action.time / Math.max(action.getClip().duration, 1e-6);
  }
  const clock = new THREE.Clock();
  const frame = () => {
    const width = view.clientWidth, height = view.clientHeight;
    if (canvas.width !== width || canvas.height !== height) {
      renderer.setSize(width, height, false);
      camera.aspect = width / Math.max(height, 1);
      camera.updateProjectionMatrix();
    }
    const delta = clock.getDelta();
    if (action && state.scrub !== null && !state.playing) {
      action.time = state.scrub * action.getClip().duration;
      mixer.update(0);
      state.scrub = null;
    } else if (action && state.playing) {
      mixer.update(delta);
      state.scrubber.value = action.time / Math.max(action.getClip().duration, 1e-6);
    }
    renderer.render(scene, camera);
  };
  renderer.setAnimationLoop(frame);
  frame();
}

// The model alone in a window-sized canvas, posed at `time` seconds of animation `kin`.
export async function showSnapshot(root, query) {
  const name = query.get('snapshot');
  const kin = query.get('kin');
  root.className = 'snapshot';
  const gltf = await loadGlb(name, kin ? [kin] : []);
  const canvas = element('canvas');
  root.append(canvas);
  const width = window.innerWidth, height = window.innerHeight;
  const renderer = makeRenderer(canvas, query.get('aa') !== '0');
  renderer.setSize(width, height);
  const model = gltf.scene;
  const scene = makeScene(model);
  const camera = new THREE.PerspectiveCamera(40, width / height, 0.01, 100);
  frameCamera(camera, model);
  applyLook(model, query.get('look') || 'material', { textures: true, joint: 0 });
  if (query.get('skeleton') === '1') scene.add(new THREE.SkeletonHelper(model));
  if (kin && gltf.animations.length > 0) {
    const mixer = new THREE.AnimationMixer(model);
    mixer.clipAction(gltf.animations[0]).play();
    mixer.setTime(Number(query.get('time') || 0));
  }
  renderer.render(scene, camera);
  await new Promise((resolve) => requestAnimationFrame(resolve));
}
