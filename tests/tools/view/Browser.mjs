// Helpers of the browser tests: the viewer started on a free port, Debian's chromium through
// puppeteer-core, and pixels read back from a page's canvas or from a PNG file.
import { spawn } from 'node:child_process';
import { createRequire } from 'node:module';
import path from 'node:path';

export const BACKGROUND = [0x20, 0x24, 0x28];

// Starts `vantok-view args...`; resolves to {url, stop} once it prints its address.
export function startViewer(program, args) {
  return new Promise((resolve, reject) => {
    const child = spawn(program, [...args, '--port', '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
    let out = '';
    child.stdout.on('data', (data) => {
      out += data;
      const found = out.match(/http:\/\/127\.0\.0\.1:\d+\//);
      if (found) resolve({ url: found[0], stop: () => new Promise((done) => { child.on('exit', done); child.kill('SIGINT'); }) });
    });
    child.on('exit', (code) => reject(new Error(`vantok-view exited with ${code}: ${out}`)));
  });
}

export async function launchBrowser(modulesDir) {
  const require = createRequire(path.join(modulesDir, 'node_modules', 'x.js'));
  const puppeteer = require('puppeteer-core');
  return puppeteer.launch({
    executablePath: process.env.VANTOK_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    pipe: true,
    args: ['--no-sandbox', '--disable-gpu', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
      '--no-first-run', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--disable-quic', '--force-color-profile=srgb'],
  });
}

// Opens `url` in a new tab of the given size, collecting console errors and page errors into
// `errors`, and waits for the page's drawn signal; rejects with the page's error text.
export async function openPage(browser, url, errors, width = 480, height = 360) {
  const page = await browser.newPage();
  await page.setViewport({ width, height });
  page.on('console', (message) => { if (message.type() === 'error') errors.push(`${url}: ${message.text()}`); });
  page.on('pageerror', (error) => errors.push(`${url}: ${error.message}`));
  await page.goto(url);
  const failure = await page.evaluate(() => new Promise((resolve) => {
    const wait = () => (window.vantokDrawn ? window.vantokDrawn.then(resolve) : setTimeout(wait, 20));
    wait();
  }));
  if (failure) throw new Error(failure);
  return page;
}

// RGBA pixels of the first canvas of the page (or of a PNG given as bytes), read in the page.
export async function pixels(page, png = null) {
  const data = await page.evaluate(async (b64) => {
    let source = document.querySelector('canvas');
    if (b64) {
      source = new Image();
      source.src = 'data:image/png;base64,' + b64;
      await source.decode();
    }
    const width = source.width, height = source.height;
    const copy = Object.assign(document.createElement('canvas'), { width, height });
    const context = copy.getContext('2d');
    context.drawImage(source, 0, 0);
    const bytes = context.getImageData(0, 0, width, height).data;
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
    return { width, height, rgba: btoa(text) };
  }, png ? png.toString('base64') : null);
  return { width: data.width, height: data.height, rgba: Buffer.from(data.rgba, 'base64') };
}

export function pixelAt(image, x, y) {
  const i = (y * image.width + x) * 4;
  return [image.rgba[i], image.rgba[i + 1], image.rgba[i + 2]];
}

export function isBackground(rgb) {
  return rgb.every((c, k) => Math.abs(c - BACKGROUND[k]) <= 2);
}

// Colours (as "r,g,b") covering at least `minimum` pixels, the background left out.
export function distinctColours(image, minimum) {
  const counts = new Map();
  for (let i = 0; i < image.rgba.length; i += 4) {
    const rgb = [image.rgba[i], image.rgba[i + 1], image.rgba[i + 2]];
    if (isBackground(rgb)) continue;
    const key = rgb.join(',');
    counts.set(key, (counts.get(key) || 0) + 1);
  }
  return [...counts].filter(([, n]) => n >= minimum).map(([key]) => key);
}

// Width and height from a PNG's header.
export function pngSize(bytes) {
  const signature = Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]);
  if (bytes.length < 24 || !bytes.subarray(0, 8).equals(signature)) return null;
  return { width: bytes.readUInt32BE(16), height: bytes.readUInt32BE(20) };
}
