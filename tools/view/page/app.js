// The page's entry: the query decides what it shows. Every page settles window.vantokDrawn
// ("" once drawn, else the error text), which the picture taker waits for.
import { showIndex } from './index.js';
import { showModel, showSnapshot } from './model.js';
import { showSheet } from './sheet.js';

const query = new URLSearchParams(location.search);
const root = document.getElementById('app');

async function show() {
  if (query.has('snapshot')) return showSnapshot(root, query);
  if (query.has('sheet')) return showSheet(root, query);
  if (query.has('model')) return showModel(root, query);
  return showIndex(root);
}

window.vantokDrawn = show().then(() => {
  document.body.dataset.drawn = 'yes';
  return '';
}, (error) => {
  document.body.dataset.drawn = 'failed';
  const line = document.createElement('p');
  line.className = 'error';
  line.textContent = String(error && error.message ? error.message : error);
  root.append(line);
  return line.textContent;
});
