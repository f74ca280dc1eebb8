// The contact sheet: every asset in a grid with its name, sized to the requested picture
// (`size=WxH`; a height of 0 lets the grid grow).
import { element } from './scene.js';
import { fetchAssets, Thumbnailer } from './index.js';

function layout(count, width, height) {
  if (height <= 0) {
    const columns = Math.max(1, Math.min(count, Math.floor(width / 240)));
    const cell = Math.floor(width / columns);
    return { columns, cellWidth: cell, cellHeight: Math.round(cell * 0.75) };
  }
  let best = { columns: 1, cellWidth: width, cellHeight: height / Math.max(count, 1) };
  for (let columns = 1; columns <= Math.max(count, 1); ++columns) {
    const rows = Math.ceil(Math.max(count, 1) / columns);
    const cellWidth = Math.floor(width / columns), cellHeight = Math.floor(height / rows);
    if (Math.min(cellWidth, cellHeight / 0.75) > Math.min(best.cellWidth, best.cellHeight / 0.75))
      best = { columns, cellWidth, cellHeight };
  }
  return best;
}

export async function showSheet(root, query) {
  const [width, height] = (query.get('size') || '1200x0').split('x').map(Number);
  const assets = await fetchAssets();
  const { columns, cellWidth, cellHeight } = layout(assets.length, width || 1200, height || 0);
  document.body.style.overflow = 'hidden';
  const sheet = element('div', 'sheet');
  sheet.style.gridTemplateColumns = `repeat(${columns}, ${cellWidth}px)`;
  root.append(sheet);
  const thumbnails = new Thumbnailer(cellWidth, cellHeight);
  for (const asset of assets) {
    const cell = element('div', 'cell');
    cell.style.width = cellWidth + 'px';
    cell.style.height = cellHeight + 'px';
    sheet.append(cell);
    let problem = asset.error;
    if (!problem) {
      try {
        const picture = element('img');
        picture.src = await thumbnails.draw(asset);
        await picture.decode();
        cell.append(picture);
      } catch (error) {
        problem = String(error.message || error);
      }
    }
    if (problem) cell.append(element('div', 'error', problem));
    cell.append(element('div', 'name', asset.title));
  }
  thumbnails.dispose();
}
