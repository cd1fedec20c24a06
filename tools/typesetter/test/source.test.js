// Reading typed text: formulas, escapes and line breaks, and the faults
// reported with where they stand.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const {parseSource} = require('../src/source.js');

test('formulas, escaped dollars and line breaks', () => {
  const {tokens, problems} = parseSource('价格 \\$5，$a\\$b$ 与\r\n$$\\frac{1}{2}$$末');
  assert.deepStrictEqual(problems, []);
  assert.deepStrictEqual(tokens.map((t) => t.kind === 'math' ? [t.display ? 'D' : 'I', t.tex, t.line, t.column] :
    t.kind === 'text' ? ['T', t.text] : ['NL']), [
    ['T', '价格 $5，'], ['I', 'a\\$b', 1, 8], ['T', ' 与'], ['NL'], ['D', '\\frac{1}{2}', 2, 1], ['T', '末']]);
});

test('backslashes are never line breaks', () => {
  const {tokens} = parseSource('$a\\neq b$，$x\\notin A$，$\\nu$');
  assert.deepStrictEqual(tokens.filter((t) => t.kind === 'math').map((t) => t.tex), ['a\\neq b', 'x\\notin A', '\\nu']);
  assert.ok(!tokens.some((t) => t.kind === 'newline'));
});

test('an unclosed or empty formula is reported where it begins', () => {
  assert.deepStrictEqual(parseSource('第一行\n已知 $x^2').problems.map((p) => [p.line, p.column]), [[2, 4]]);
  assert.deepStrictEqual(parseSource('$$x$ 后').problems.map((p) => [p.line, p.column]), [[1, 1]]);
  assert.strictEqual(parseSource('空 $ $ 式').problems[0].column, 3);
});
