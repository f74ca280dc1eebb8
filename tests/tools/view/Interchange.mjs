// Interchange files for the viewer's browser tests, built from quads: every quad is two
// triangles in the z = 0 plane, bound wholly to one bone when it names one.
const num = (v) => v.join(', ');

function corner(x, y, u, v, bone) {
  const weight = bone ? `<boneId stream="0">${bone}</boneId><blend stream="0">1</blend>` : '';
  return `<vertex><position>${num([x, y, 0])}</position><normal>0, 0, 1</normal>` +
    `<texcoord>${u}, ${v}</texcoord>${weight}</vertex>`;
}

// quad: {x, y, w, h, material, bone}
function quadTriangles(q) {
  const c = [[q.x, q.y, 0, 0], [q.x + q.w, q.y, 1, 0], [q.x + q.w, q.y + q.h, 1, 1], [q.x, q.y + q.h, 0, 1]];
  const tri = (a, b, d) => `<triangle><materialId>${q.material}</materialId>` +
    [a, b, d].map((i) => corner(...c[i], q.bone)).join('') + '</triangle>';
  return tri(0, 1, 2) + tri(0, 2, 3);
}

function material(id) {
  return `<material><name>m${id}</name><id>${id}</id><diffuse>0.8, 0.8, 0.8</diffuse>` +
    '<twoSided>true</twoSided></material>';
}

// bones: [{id, name, parent, position}]; animation: {name, frames: {boneName: [[x,y,z]...]}}
export function interchange({ quads, bones = [], animation = null }) {
  const materials = [...new Set(quads.map((q) => q.material))].map(material).join('');
  let xml = '<?xml version="1.0" encoding="UTF-8"?>\n<vantokImport><version>1</version>' +
    `<mesh><name>generated</name><triangles>${quads.map(quadTriangles).join('')}</triangles></mesh>` +
    `<materials>${materials}</materials>`;
  if (bones.length) {
    xml += '<skeleton><bones>' + bones.map((b) => `<bone><id>${b.id}</id><name>${b.name}</name>` +
      (b.parent ? `<parentName>${b.parent}</parentName>` : '') +
      `<position>${num(b.position)}</position><orientation>0, 0, 0, 1</orientation></bone>`).join('') +
      '</bones></skeleton>';
  }
  if (animation) {
    const tracks = Object.entries(animation.frames).map(([bone, positions]) =>
      `<track><targetName>${bone}</targetName><keyFrames>` + positions.map((p) =>
        `<keyFrame><position>${num(p)}</position><rotation>0, 0, 0, 1</rotation></keyFrame>`).join('') +
      '</keyFrames></track>').join('');
    xml += `<animations><animation><name>${animation.name}</name><frameRate>30</frameRate>` +
      `<useLocalSpace>false</useLocalSpace><animationTracks>${tracks}</animationTracks></animation></animations>`;
  }
  return xml + '</vantokImport>\n';
}

// The three assets of the tests, with their counts worked out by hand: corners shared by a
// quad's two triangles weld, so a quad is 2 triangles and 4 vertices; one chunk per material.
export const assets = {
  three_chunks: {
    xml: interchange({ quads: [0, 1, 2].map((i) => ({ x: i * 1.5, y: 0, w: 1, h: 1, material: i })) }),
    counts: { chunks: 3, triangles: 6, vertices: 12, bones: 0 },
  },
  two_bones: {
    xml: interchange({
      quads: [{ x: 0, y: 0, w: 1, h: 1, material: 0, bone: 2 }, { x: 3, y: 0, w: 1, h: 1, material: 0, bone: 3 }],
      bones: [{ id: 1, name: 'b.root', position: [0, 0, 0] },
        { id: 2, name: 'b.left', parent: 'b.root', position: [0.5, 0, 0] },
        { id: 3, name: 'b.right', parent: 'b.root', position: [3.5, 0, 0] }],
      animation: { name: 'lift', frames: { 'b.root': [[0, 0, 0], [0, 0, 0]],
        'b.left': [[0.5, 0, 0], [0.5, 0, 0]], 'b.right': [[3.5, 0, 0], [3.5, 0.6, 0]] } },
    }),
    counts: { chunks: 1, triangles: 4, vertices: 8, bones: 3 },
  },
  one_quad: {
    xml: interchange({ quads: [{ x: -1, y: -1, w: 2, h: 2, material: 5 }] }),
    counts: { chunks: 1, triangles: 2, vertices: 4, bones: 0 },
  },
};
