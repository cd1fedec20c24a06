// The question editor's files without a browser: the CSV spreadsheets
// write, the bank's zip both ways, and what opening a damaged or foreign
// file says.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const {zipSync, strToU8} = require('fflate');
const {writeCsv, readCsv} = require('../editor/csv.js');
const bank = require('../editor/bank.js');
const {sameWork} = require('../editor/drafts.js');
const {toMathJax} = require('../editor/formula.js');

test('CSV values with commas, quotes, line breaks and edge spaces come back as written, rows numbered by their first line', () => {
  const rows = [['题目', '单元'], ['第一行\n第二行，"引号"', ' 前后空格 '], ['a,b', ''], ['$\\frac{1}{2}$', '末']];
  const text = writeCsv(rows);
  assert.match(text, /"第一行\r\n第二行，""引号"""/);
  const back = readCsv('\ufeff' + text);
  assert.deepStrictEqual(back.map((r) => r.values), rows);
  assert.deepStrictEqual(back.map((r) => r.line), [1, 2, 4, 5]);
  assert.throws(() => readCsv('a,b\n"开始\n没有结束'), /第 2 行/);
});

function sample() {
  const b = bank.newBank();
  b.keywords = ['函数', '集合'];
  const q = bank.newQuestion();
  Object.assign(q, {unit: '函数：单调性', correct: '12', wrong: '0'});
  q.sources = {题目: '已知 $f(x)=x^2$，\n则＿＿＿＿。', 参考答案: '$\\frac{1}{2}$', 解答过程: '由 "a,b" 得\n结论'};
  q.pictures = {题目: new Uint8Array([0x89, 0x50, 0x4e, 0x47, 1]), 参考答案: new Uint8Array([0x89, 0x50, 0x4e, 0x47, 2]),
    解答过程: new Uint8Array([0x89, 0x50, 0x4e, 0x47, 3])};
  q.figure = {bytes: new Uint8Array([0xff, 0xd8, 7]), place: 'right'};
  const handMade = bank.newQuestion();
  Object.assign(handMade, {unit: '集合', correct: '1', wrong: '2'});
  handMade.pictures = {题目: new Uint8Array([0x47, 0x49, 0x46, 9]), 参考答案: new Uint8Array([0x42, 0x4d]),
    解答过程: new Uint8Array([0xff, 0xd8, 5])};
  b.questions.push(q, handMade);
  return b;
}

test('a bank saved and opened again is the same work: sources, figure, hand-made pictures, keywords, its id', () => {
  const b = sample();
  const back = bank.decodeBankFile(bank.encodeBankFile(b, '2026-12-09T08:00:00.000Z'));
  assert.ok(sameWork(back, b));
  assert.strictEqual(back.id, b.id);
  assert.strictEqual(back.savedAt, '2026-12-09T08:00:00.000Z');
  assert.deepStrictEqual(back.questions[1].pictures['解答过程'], b.questions[1].pictures['解答过程']);
  assert.deepStrictEqual(back.questions[0].pictures['题目'], b.questions[0].pictures['题目']);
  // Drafts compare the work, not when it was saved.
  const edited = bank.decodeBankFile(bank.encodeBankFile(b, null));
  edited.questions[0].sources['解答过程'] += '。';
  assert.ok(!sameWork(edited, b));
});

test('a damaged or foreign file is refused with a message saying what is wrong', () => {
  const good = bank.encodeBankFile(sample(), null);
  const files = (extra) => zipSync({'题目表.csv': strToU8('题目,参考答案,解答过程,单元,正答,错答\r\n' + extra)});
  const cases = [
    [good.subarray(0, good.length - 30), /损坏/],
    [strToU8('not a zip at all'), /不是 zip/],
    [zipSync({'说明.txt': strToU8('hello')}), /没有 题目表\.csv/],
    [files('q.png,a.png,s.png,集合,1,2\r\n'), /没有 图片\/q\.png/],
    [files('../q.png,a.png,s.png,集合,1,2\r\n'), /不是 图片 文件夹里的文件名/],
    [files('q.png,a.png\r\n'), /第 2 行有 2 个值/],
    [zipSync({'题目表.csv': strToU8('题目,单元\r\n')}), /缺少“参考答案”列/],
    [zipSync({'题目表.csv': strToU8('题目,参考答案,解答过程,单元,正答,错答\r\n'), '题库编辑器.json': strToU8('{')}), /损坏/],
    // 80 MB of zeros pack into some 80 kB.
    [zipSync({'题目表.csv': strToU8('题目,参考答案,解答过程,单元,正答,错答\r\n'), '图片/q.png': new Uint8Array(80 << 20)}),
      /图片\/q\.png 解开后太大/],
  ];
  for (const [bytes, message] of cases) {
    assert.throws(() => bank.decodeBankFile(bytes), (err) => err instanceof bank.BankFileError && message.test(err.message));
  }
});

test('a bank in one folder of a zip, as re-zipping an unpacked one leaves it, opens', () => {
  const inner = zipSync({'导出/题目表.csv': strToU8('题目,参考答案,解答过程,单元,正答,错答\r\nq.png,,,集合,1,2\r\n'),
    '导出/图片/q.png': new Uint8Array([0x89, 0x50, 0x4e, 0x47])});
  const b = bank.decodeBankFile(inner);
  assert.strictEqual(b.questions.length, 1);
  assert.deepStrictEqual([...b.questions[0].pictures['题目']], [0x89, 0x50, 0x4e, 0x47]);
});

test('单元, 正答 and 错答 follow the bank tool\'s rules', () => {
  const fields = (changes, keywords = ['函数']) =>
    bank.questionProblems(Object.assign(bank.newQuestion(), changes), keywords).map((p) => p.field);
  assert.deepStrictEqual(fields({unit: '函数：定义域', correct: '2147483647', wrong: '007'}), []);
  assert.deepStrictEqual(fields({unit: ''}), ['unit']);
  assert.deepStrictEqual(fields({unit: '集合'}), ['unit']);
  assert.deepStrictEqual(fields({unit: '函数😀'}), ['unit']);
  assert.deepStrictEqual(fields({unit: '函数', correct: '2147483648', wrong: '-1'}), ['correct', 'wrong']);
  assert.deepStrictEqual(fields({unit: '函数', correct: '', wrong: '1.5'}), ['correct', 'wrong']);
});

test('MathLive\'s empty slots become empty groups and filled ones their content', () => {
  assert.strictEqual(toMathJax('\\frac{\\placeholder{}}{\\placeholder{}}'), '\\frac{{}}{{}}');
  assert.strictEqual(toMathJax('\\sqrt[\\placeholder[n]{3}]{x}'), '\\sqrt[{3}]{x}');
});
