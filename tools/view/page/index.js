// The index: every asset with its counts, fitting animations, validation result and a
// thumbnail. One shared renderer draws every thumbnail into an image, one after the other
// (a browser keeps only a few live WebGL contexts).
import * as THREE from 'three';
import { applyLook, element, frameCamera, loadGlb, makeRenderer, makeScene } from './scene.js';

export async function fetchAssets() {
  const response = await fetch('/api/assets');
  if (!response.ok) throw new Error('the asset list failed: ' + response.status);
  return (await response.json()).assets;
}

// Draws assets into data URLs with one renderer of the given size.
export class Thumbnailer {
  constructor(width, height) {
    this.canvas = element('canvas');
    this.renderer = makeRenderer(this.canvas, true);
    this.renderer.setSize(width, height, false);
    this.camera = new THREE.PerspectiveCamera(40, width / height, 0.01, 100);
  }

  async draw(asset) {
    const gltf = await loadGlb(asset.name, []);
    applyLook(gltf.scene, 'material', { textures: true });
    const scene = makeScene(gltf.scene);
    frameCamera(this.camera, gltf.scene);
    this.renderer.render(scene, this.camera);
    const url = this.canvas.toDataURL('image/png');
    // materials stay: disposing them would drop their compiled programs, which the next asset reuses
    scene.traverse((node) => { if (node.isMesh) node.geometry.dispose(); });
    return url;
  }

  dispose() { this.renderer.dispose(); }
}

function validation(asset) {
  if (asset.errors === 0 && asset.warnings === 0) return element('div', 'ok', 'valid');
  return element('div', asset.errors ? 'error' : 'muted',
    `${asset.errors} errors, ${asset.warnings} warnings`);
}

function card(asset) {
  const node = element('div', 'card');
  node.dataset.name = asset.name;
  const picture = element('img', 'blank');
  picture.alt = asset.title;
  const link = element('a', 'title', asset.title);
  link.href = '/?' + new URLSearchParams({ model: asset.name });
  const body = element('div', 'body');
  body.append(link, element('div', 'muted', asset.name));
  if (asset.error) {
    body.append(element('div', 'error', asset.error));
  } else {
    const counts = element('div', 'counts',
      `${asset.size} bytes · ${asset.chunks} chunks · ${asset.triangles} triangles · ` +
      `${asset.vertices} vertices · ${asset.bones} bones`);
    body.append(counts, validation(asset));
    if (asset.kins.length) body.append(element('div', 'muted', 'animations: ' + asset.kins.join(', ')));
  }
  if (asset.log.length) body.append(element('div', 'muted', asset.log.length + ' conversion log lines'));
  node.append(picture, body);
  return { node, picture };
}

export async function showIndex(root) {
  document.title = 'vantok-view';
  root.append(element('h1', '', 'Converted assets'));
  const grid = element('div', 'grid');
  root.append(grid);
  const assets = await fetchAssets();
  if (assets.length === 0) root.append(element('p', 'muted', 'No .im or interchange files found.'));
  const cards = assets.map((asset) => { const c = card(asset); grid.append(c.node); return c; });
  const thumbnails = new Thumbnailer(256, 192);
  for (let i = 0; i < assets.length; ++i) {
    if (assets[i].error) continue;
    try {
      cards[i].picture.src = await thumbnails.draw(assets[i]);
      cards[i].picture.className = '';
    } catch (error) {
      cards[i].node.append(element('div', 'error', String(error.message || error)));
    }
  }
  thumbnails.dispose();
}
