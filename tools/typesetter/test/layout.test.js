// The layout logic without a browser: Chinese line breaking, spacing and
// line heights, with a fixed-pitch stand-in for the font and the maths.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const {parseSource} = require('../src/source.js');
const {layoutText, NO_LINE_START, NO_LINE_END} = require('../src/layout.js');

// Chinese characters 1 em, anything else half an em; a formula as many ems
// wide as its TeX has characters, and tall when it holds \frac.
const metrics = {
  textWidth: (text, size) => Array.from(text).reduce((w, c) => w + (c.charCodeAt(0) > 0x2e80 ? size : size / 2), 0),
  math: (tex) => ({w: tex.length * 0.5, h: tex.includes('\\frac') ? 1.5 : 0.7, d: tex.includes('\\frac') ? 0.9 : 0.2}),
  mathScale: 1,
};

function layout(text, width, size = 20) {
  const {tokens, problems} = parseSource(text);
  assert.deepStrictEqual(problems, []);
  return layoutText(tokens, metrics, size, width);
}

const lineText = (line) => line.boxes.map((b) => b.text || (b.kind === 'math' ? `$${b.tex}$` : '＿')).join('');

test('no line begins with a closing mark or ends with an opening one, wherever the measure falls', () => {
  const text = '已知函数（其中 a 为常数）满足条件，则《九章算术》中的“方程”一章、第三节；求解：是否成立？成立！' +
      '设「甲」与「乙」两人。（注）另有说明……';
  for (let width = 60; width <= 400; width += 10) {
    const {lines, overfull} = layout(text, width);
    assert.deepStrictEqual(overfull, [], `width ${width}`);
    for (const [i, line] of lines.entries()) {
      const first = line.boxes[0].text;
      const last = line.boxes[line.boxes.length - 1].text;
      if (i > 0) assert.ok(!NO_LINE_START.has(first), `width ${width}: line ${i + 1} begins with ${first}`);
      if (i < lines.length - 1) assert.ok(!NO_LINE_END.has(last), `width ${width}: line ${i + 1} ends with ${last}`);
      // Only a hanging mark may pass the measure, by less than its own width.
      const right = Math.max(...line.boxes.map((b) => b.x + b.w));
      if (right > width + 0.01) {
        assert.ok(line.boxes[line.boxes.length - 1].hangs, `width ${width}: line ${i + 1} too long`);
        assert.ok(right - width <= 20, `width ${width}`);
      }
    }
    // Every character is set once, in order.
    assert.strictEqual(lines.map(lineText).join('').replace(/\s/g, ''), text.replace(/\s/g, ''));
  }
});

test('a formula, a Latin word and an answer blank are never split, and hold their neighbours', () => {
  const text = '若函数 $f(x)=x^2-2ax+3$ 在区间 $[1,+\\infty)$ 上单调递增，则 Fibonacci 数列的第 $n$ 项为＿＿＿＿。';
  for (let width = 140; width <= 500; width += 7) {
    const {lines} = layout(text, width);
    const boxes = lines.flatMap((l) => l.boxes);
    assert.deepStrictEqual(boxes.filter((b) => b.kind === 'math').map((b) => b.tex),
        ['f(x)=x^2-2ax+3', '[1,+\\infty)', 'n']);
    assert.ok(boxes.some((b) => b.text === 'Fibonacci'));
    // The full stop never begins a line, so it stays with the blank.
    for (const line of lines.slice(1)) assert.notStrictEqual(line.boxes[0].text, '。');
  }
});

test('a justified line fills the measure; the last line of a paragraph does not', () => {
  const {lines} = layout('一二三四五六七八九十甲乙丙丁戊己庚辛壬癸子丑寅卯辰巳午未申酉戌亥', 205);
  assert.ok(lines.length > 1);
  for (const line of lines.slice(0, -1)) {
    const last = line.boxes[line.boxes.length - 1];
    assert.ok(Math.abs(last.x + last.w - 205) < 0.01, `a full line ends at ${last.x + last.w}`);
  }
  const last = lines[lines.length - 1].boxes.at(-1);
  assert.ok(last.x + last.w < 205);
});

test('a tall formula makes its line taller; typed line breaks and display formulas start lines', () => {
  const plain = layout('第一行\n第二行', 400).lines;
  assert.strictEqual(plain.length, 2);
  assert.strictEqual(plain[0].height, plain[1].height);
  const tall = layout('第一行\n分数 $\\frac{1}{2}$ 在此\n$$x^2+y^2=1$$\n末行', 400).lines;
  assert.strictEqual(tall.length, 4);
  assert.ok(tall[1].height > plain[0].height);
  for (const line of tall) {
    for (const b of line.boxes) {
      assert.ok(line.baseline - b.asc >= line.top - 0.01 && line.baseline + b.desc <= line.top + line.height + 0.01);
    }
  }
  // The display formula is centred on its own line.
  const display = tall[2].boxes[0];
  assert.strictEqual(tall[2].boxes.length, 1);
  assert.ok(Math.abs(display.x * 2 + display.w - 400) < 0.01);
  // Lines stack without overlapping.
  for (let i = 1; i < tall.length; i++) assert.ok(tall[i].top >= tall[i - 1].top + tall[i - 1].height - 0.01);
});

test('what cannot fit the measure is reported', () => {
  const wide = layout('见 $aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa$ 式', 100);
  assert.deepStrictEqual(wide.overfull.map((o) => o.tex), ['aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa']);
  const display = layout('$$bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb$$', 100);
  assert.strictEqual(display.overfull.length, 1);
  assert.deepStrictEqual(layout('一二三四五', 100).overfull, []);
});

test('smaller text takes fewer lines and less height', () => {
  const text = '已知数列 $\\{a_n\\}$ 满足 $a_1=1$，且 $a_{n+1}=2a_n+1$，则数列的通项公式为＿＿＿＿。'.repeat(3);
  let previous = Infinity;
  for (const size of [20, 18, 16, 14]) {
    const {height} = layout(text, 500, size);
    assert.ok(height < previous, `size ${size}`);
    previous = height;
  }
});
