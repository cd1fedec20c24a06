// The demo bank's pictures are committed (data/demo/rendered) so that the
// program builds and runs without a browser; this renders its source again
// and compares the layout, box by box, so the pictures cannot drift from the
// text, the typesetter or the font.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const {openTypesetter} = require('../../headless.js');
const {readDemoSource} = require('../../demo_source.js');
const {renderBank} = require('../../render-bank.js');

const demo = path.join(__dirname, '..', '..', '..', '..', 'data', 'demo');
const STALE = 'render the demo bank again: scripts/render-demo-bank.sh';

test('the committed demo pictures are what the typesetter makes of data/demo/questions.txt', async () => {
  const questions = readDemoSource(fs.readFileSync(path.join(demo, 'questions.txt'), 'utf8'));
  const committed = JSON.parse(fs.readFileSync(path.join(demo, 'rendered', 'layout.json'), 'utf8'));
  const t = await openTypesetter();
  let fresh;
  try {
    fresh = await renderBank(t, questions);
  } finally {
    await t.close();
  }
  assert.deepStrictEqual(fresh.problems, []);
  assert.strictEqual(fresh.manifest, fs.readFileSync(path.join(demo, 'rendered', 'manifest.tsv'), 'utf8'), STALE);
  assert.deepStrictEqual(Object.keys(fresh.layout).sort(), Object.keys(committed).sort(), STALE);
  for (const [name, now] of Object.entries(fresh.layout)) {
    const then = committed[name];
    const where = `${name}: ${STALE}`;
    assert.strictEqual(now.size, then.size, where);
    assert.ok(Math.abs(now.height - then.height) <= 1, where);
    assert.strictEqual(now.lines.length, then.lines.length, where);
    now.lines.forEach((line, i) => {
      assert.deepStrictEqual(line.boxes.map((b) => b[0]), then.lines[i].boxes.map((b) => b[0]), `${where}, line ${i + 1}`);
      line.boxes.forEach((box, k) => {
        for (let c = 1; c <= 4; c++) {
          assert.ok(Math.abs(box[c] - then.lines[i].boxes[k][c]) <= 1, `${where}, line ${i + 1}, ${box[0]}`);
        }
      });
    });
    const png = fs.readFileSync(path.join(demo, 'rendered', 'pictures', name));
    assert.deepStrictEqual([png.readUInt32BE(16), png.readUInt32BE(20)], [fresh.pictures[name].readUInt32BE(16),
      fresh.pictures[name].readUInt32BE(20)], where);
  }
});
