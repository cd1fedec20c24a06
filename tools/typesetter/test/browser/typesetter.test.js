// The typesetter in a real browser (Debian's Chromium, headless): the page
// as built by scripts/typesetter.sh, with the font, MathJax and the boards'
// sizes bundled. Layout is checked as the typesetter reports it, and the
// pictures by their PNG headers; any request other than the page's own
// files fails.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const zlib = require('node:zlib');
const {openTypesetter} = require('../../headless.js');
const {NO_LINE_START} = require('../../src/layout.js');
const {crc32} = require('../../src/png.js');

let t;
test.before(async () => {
  t = await openTypesetter();
});
test.after(async () => {
  if (t) await t.close();
});

const pngSize = (png) => [png.readUInt32BE(16), png.readUInt32BE(20)];

// A PNG picture of w × h pixels in one flat colour, for a figure.
function flatPng(w, h) {
  const crc = (buf) => (crc32(buf) ^ 0xffffffff) >>> 0;
  const chunk = (type, body) => {
    const out = Buffer.alloc(12 + body.length);
    out.writeUInt32BE(body.length, 0);
    out.write(type, 4, 'latin1');
    body.copy(out, 8);
    out.writeUInt32BE(crc(out.subarray(4, 8 + body.length)), 8 + body.length);
    return out;
  };
  const header = Buffer.alloc(13);
  header.writeUInt32BE(w, 0);
  header.writeUInt32BE(h, 4);
  header[8] = 8;
  header[9] = 2;
  const raw = Buffer.alloc(h * (1 + 3 * w), 0x40);
  for (let y = 0; y < h; y++) raw[y * (1 + 3 * w)] = 0;
  return Buffer.concat([Buffer.from([0x89, 0x50, 0x4e, 0x47, 13, 10, 26, 10]), chunk('IHDR', header),
    chunk('IDAT', zlib.deflateSync(raw)), chunk('IEND', Buffer.alloc(0))]);
}

function assertInside(r, boardHeight) {
  for (const line of r.lines) {
    for (const b of line.boxes) {
      assert.ok(b.x >= 0 && b.x + b.w <= r.width, `${b.text || b.tex} at x ${b.x}..${b.x + b.w} of ${r.width}`);
      assert.ok(b.y >= 0 && b.y + b.h <= r.height, `${b.text || b.tex} at y ${b.y}..${b.y + b.h} of ${r.height}`);
    }
  }
  assert.ok(r.height <= boardHeight);
}

const SAMPLE = '已知集合 $A=\\{x\\mid x^2-2x-3\\le 0\\}$，$B=\\{x\\in\\mathbf{Z}\\mid x\\neq 1\\}$，' +
    '函数 $f(x)=\\begin{cases}\\sqrt{x+1}, & x\\ge 0,\\\\ \\frac{1}{x-2}, & x<0,\\end{cases}$ 矩阵 ' +
    '$M=\\begin{pmatrix}1&2\\\\3&4\\end{pmatrix}$，数列满足 $a_{n+1}=2a_n^2+\\frac{1}{2^n}$，' +
    '在平面直角坐标系中，若对任意的实数都有上述关系成立，并且满足题设的全部条件，请根据以上信息求出相应的结果，' +
    '则 $A\\cap B$ 中元素的个数为＿＿＿＿。';

test('a question with fractions, roots, a set, cases, a matrix and scripts fits its board by Chinese rules', async () => {
  const r = await t.typeset(SAMPLE, {board: 'question', name: '样题'});
  assert.deepStrictEqual(r.problems, []);
  assert.strictEqual(r.overflow, null);
  assert.ok(r.ok);
  assert.strictEqual(r.size, 20);
  assert.deepStrictEqual(pngSize(r.png), [t.boards.question.width, r.height]);
  assert.ok(r.lines.length >= 3);
  assertInside(r, t.boards.question.height);
  for (const line of r.lines.slice(1)) {
    const first = line.boxes[0];
    assert.ok(!(first.text && NO_LINE_START.has(first.text)), `a line begins with ${first.text}`);
  }
  // Text and formulas share a baseline; the line with the cases is taller.
  const heights = r.lines.map((l) => l.height);
  assert.ok(Math.max(...heights) > Math.min(...heights) * 1.5);
  // The answer blank is one box, followed on its line by the full stop.
  const boxes = r.lines.flatMap((l) => l.boxes);
  const blank = boxes.findIndex((b) => b.kind === 'blank');
  assert.ok(blank > 0);
  assert.strictEqual(boxes[blank + 1].text, '。');
  assert.strictEqual(boxes[blank].y + boxes[blank].h, boxes[blank + 1].y + boxes[blank + 1].h);
});

test('text steps down in size to fit, and what does not fit even at 14 px is reported and named', async () => {
  const long = '设函数 $f(x)=\\frac{x^2+1}{x-1}$，求其单调区间。'.repeat(16);
  const smaller = await t.typeset(long, {board: 'question'});
  assert.ok(smaller.ok && smaller.size < 20 && smaller.size >= 14, `size ${smaller.size}`);
  assertInside(smaller, t.boards.question.height);

  const tooLong = await t.typeset(long.repeat(3), {board: 'question', name: 'q99 题目'});
  assert.ok(!tooLong.ok);
  assert.strictEqual(tooLong.size, 14);
  assert.ok(tooLong.overflow.tooLong);
  assert.match(tooLong.overflow.message, /q99 题目/);
  assert.ok(tooLong.png, 'the picture is still made, to show what would be cut off');

  const tooWide = await t.typeset('$$' + 'a+b+c+d+e+f+g+h+'.repeat(4) + 'z$$', {board: 'answer', name: 'q98 参考答案'});
  assert.ok(!tooWide.ok);
  assert.strictEqual(tooWide.overflow.tooWide.length, 1);
  assert.match(tooWide.overflow.message, /q98 参考答案/);
});

test('a formula that does not parse, or an unclosed one, is reported where it stands and no picture is made', async () => {
  const r = await t.typeset('第一行\n已知 $\\frac{1}{2$ 与 $\\foo x$，$x^2', {board: 'solution'});
  assert.strictEqual(r.png, null);
  assert.ok(!r.ok);
  assert.deepStrictEqual(r.problems.map((p) => [p.line, p.column]), [[2, 4], [2, 19], [2, 28]]);
  assert.match(r.problems[1].message, /\\foo/);
  // A character the font lacks would be drawn in whatever font a PC has.
  const foreign = await t.typeset('温度 −5 ℃ 即 ☃，$\\text{☃}$', {board: 'question'});
  assert.strictEqual(foreign.png, null);
  assert.deepStrictEqual(foreign.problems.map((p) => [p.line, p.column]), [[1, 4], [1, 11], [1, 13]]);
});

test('a figure is scaled to fit below or beside the text, inside the board', async () => {
  const figure = flatPng(900, 700);
  const below = await t.typeset('如图，在三角形 $ABC$ 中，求 $\\angle A$＿＿＿＿。',
      {board: 'question', figure: {base64: figure.toString('base64'), place: 'below'}});
  assert.ok(below.ok);
  assert.deepStrictEqual(pngSize(below.png), [t.boards.question.width, below.height]);
  assert.ok(below.height <= t.boards.question.height);
  assert.ok(below.figure.y >= below.lines.at(-1).top + below.lines.at(-1).height);
  const right = await t.typeset('如图，求 $\\angle A$＿＿＿＿。',
      {board: 'question', figure: {base64: flatPng(300, 200).toString('base64'), place: 'right'}});
  assert.ok(right.ok);
  const textRight = Math.max(...right.lines.flatMap((l) => l.boxes.map((b) => b.x + b.w)));
  assert.ok(right.figure.x >= textRight && right.figure.x + right.figure.w <= t.boards.question.width);
  const broken = await t.typeset('如图', {board: 'question', figure: {base64: 'bm90IGEgcGljdHVyZQ==', place: 'below'}});
  assert.strictEqual(broken.png, null);
  assert.match(broken.problems[0].message, /插图/);
});

test('the page made no request but for its own files, and raised no error', async () => {
  // The typesetting above used MathJax, the font and figures.
  const own = await t.page.evaluate(() => performance.getEntriesByType('resource').map((e) => e.name));
  assert.ok(own.every((u) => /^(file|data|blob):/.test(u)), own.join(' '));
  assert.ok(await t.page.evaluate(() => document.fonts.check('20px "Tessaly Serif"', '中')));
  assert.deepStrictEqual(t.foreignRequests, []);
  assert.deepStrictEqual(t.errors, []);
});
