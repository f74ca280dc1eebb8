// Browser tests of vantok-view: the page in Debian's headless chromium, driven over the
// DevTools protocol by puppeteer-core, on a folder of three generated assets whose counts and
// geometry are known by construction, and the program's own pictures of the examples.
//   node --test browser.test.mjs   (environment: VANTOK_VIEW, VANTOK_CONVERTER,
//                                   VANTOK_SOURCE_DIR, VANTOK_VIEW_TEST_MODULES, VANTOK_SCRATCH)
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFile, execFileSync } from 'node:child_process';
import { promisify } from 'node:util';
import fs from 'node:fs';
import path from 'node:path';
import { assets } from './Interchange.mjs';
import { distinctColours, isBackground, launchBrowser, openPage, pixelAt, pixels, pngSize,
  startViewer } from './Browser.mjs';

const env = process.env;
const scratch = fs.mkdtempSync(path.join(env.VANTOK_SCRATCH || '/tmp', 'view-browser-'));
const folder = path.join(scratch, 'assets');
const errors = [];
let viewer, browser;
const run = promisify(execFile);

function convert(xmlPath, outBase) {
  execFileSync(env.VANTOK_CONVERTER, ['-inFile', xmlPath, '-outFile', outBase], { stdio: 'pipe' });
}

before(async () => {
  fs.mkdirSync(folder);
  for (const [name, asset] of Object.entries(assets)) {
    const xml = path.join(scratch, name + '.xml');
    fs.writeFileSync(xml, asset.xml);
    convert(xml, path.join(folder, name));
  }
  viewer = await startViewer(env.VANTOK_VIEW, [folder, '--cache', path.join(scratch, 'cache')]);
  browser = await launchBrowser(env.VANTOK_VIEW_TEST_MODULES);
});

after(async () => {
  await browser?.close();
  await viewer?.stop();
  fs.rmSync(scratch, { recursive: true, force: true });
});

const modelUrl = (name, extra = '') => `${viewer.url}?model=${encodeURIComponent('0/' + name + '.im')}${extra}`;

test('the index lists every asset with its counts', async () => {
  const page = await openPage(browser, viewer.url, errors);
  const cards = await page.$$eval('.card', (nodes) => nodes.map((n) => ({
    name: n.dataset.name, counts: n.querySelector('.counts')?.textContent || '', image: n.querySelector('img').src })));
  assert.deepEqual(cards.map((c) => c.name).sort(), Object.keys(assets).map((n) => `0/${n}.im`).sort());
  for (const card of cards) {
    const expected = assets[path.basename(card.name, '.im')].counts;
    for (const [key, value] of Object.entries(expected)) assert.match(card.counts, new RegExp(`\\b${value} ${key}\\b`), card.name);
    assert.match(card.image, /^data:image\/png;base64,/, `${card.name} has a thumbnail`);
  }
  await page.close();
});

test('the model page draws the mesh in the middle and not in the corners', async () => {
  const page = await openPage(browser, modelUrl('one_quad', '&look=chunk&aa=0'), errors, 1000, 500);
  const image = await pixels(page);
  assert.ok(!isBackground(pixelAt(image, image.width >> 1, image.height >> 1)), 'centre is the quad');
  for (const [x, y] of [[2, 2], [image.width - 3, 2], [2, image.height - 3], [image.width - 3, image.height - 3]])
    assert.ok(isBackground(pixelAt(image, x, y)), `corner ${x},${y} is background`);
  const panel = await page.$eval('.panel', (n) => n.textContent);
  assert.match(panel, /vertices4/);
  await page.close();
});

test('colour by chunk shows one colour per chunk', async () => {
  const page = await openPage(browser, modelUrl('three_chunks', '&look=chunk&aa=0'), errors, 1000, 500);
  assert.equal(distinctColours(await pixels(page), 50).length, 3);
  await page.close();
});

test('a frame of the animation moves the animated bone\'s pixels only', async () => {
  const snapshot = (time) => `${viewer.url}?snapshot=${encodeURIComponent('0/two_bones.im')}&kin=lift.kin&time=${time}&aa=0&look=chunk`;
  const rest = await openPage(browser, snapshot(0), errors);
  const moved = await openPage(browser, snapshot(1 / 30), errors);
  const [a, b] = [await pixels(rest), await pixels(moved)];
  let left = 0, right = 0;
  for (let y = 0; y < a.height; ++y) {
    for (let x = 0; x < a.width; ++x) {
      if (pixelAt(a, x, y).join() !== pixelAt(b, x, y).join()) x < a.width / 2 ? ++left : ++right;
    }
  }
  assert.equal(left, 0, 'the left quad (b.left) stays');
  assert.ok(right > 100, `the right quad (b.right) moves: ${right} pixels changed`);
  await Promise.all([rest.close(), moved.close()]);
});

test('a damaged file shows its error in its place, its name as text', async () => {
  const name = '<i>broken&amp;.im';  // markup in a file name stays text
  fs.writeFileSync(path.join(folder, name), Buffer.from('VIRF\x10\x00\x00\x00IDXM', 'latin1'));
  const page = await openPage(browser, viewer.url, errors);
  const card = await page.$$eval('.card', (nodes, wanted) => {
    const node = nodes.find((n) => n.dataset.name === wanted);
    return { title: node.querySelector('.title').textContent, error: node.querySelector('.error').textContent,
      markup: node.querySelectorAll('i').length };
  }, '0/' + name);
  assert.equal(card.title, name);
  assert.equal(card.markup, 0);
  assert.match(card.error, /^error: <i>broken&amp;\.im: /);
  assert.equal((await page.$$('.card')).length, 4, 'the other assets are still listed');
  await page.close();
  fs.rmSync(path.join(folder, name));
});

test('snapshots and contact sheets of the examples are PNGs of the requested size', async () => {
  const examples = path.join(scratch, 'examples');
  fs.mkdirSync(examples);
  for (const name of ['crate_static_materials', 'flag_skinned_global', 'arm_local_matrix_axisangle'])
    convert(path.join(env.VANTOK_SOURCE_DIR, 'examples', name + '.xml'), path.join(examples, name));
  const cache = ['--cache', path.join(scratch, 'cache')];
  const snap = path.join(scratch, 'snap.png'), sheet = path.join(scratch, 'sheet.png');
  await Promise.all([
    run(env.VANTOK_VIEW, ['--snapshot', snap, path.join(examples, 'crate_static_materials.im'), '--size', '320x240', ...cache]),
    run(env.VANTOK_VIEW, ['--contact-sheet', sheet, examples, '--size', '600x200', ...cache])]);
  const page = await openPage(browser, viewer.url, errors);
  for (const [file, width, height, minimum] of [[snap, 320, 240, 1], [sheet, 600, 200, 3]]) {
    const bytes = fs.readFileSync(file);
    assert.deepEqual(pngSize(bytes), { width, height });
    const image = await pixels(page, bytes);
    let drawn = 0;
    for (let i = 0; i < image.rgba.length; i += 4) if (!isBackground([image.rgba[i], image.rgba[i + 1], image.rgba[i + 2]])) ++drawn;
    assert.ok(drawn > 500 * minimum, `${path.basename(file)}: ${drawn} pixels of mesh`);
  }
  await page.close();
});

test('no page logged an error', () => {
  assert.deepEqual(errors, []);
});
