// Writes the teacher kit's example as a question editor file: some demo
// questions with their typed texts and pictures, the keywords they use.
//   node tools/typesetter/kit-example.js OUT.zip
// The questions and keywords are those of the kit's example folder
// (scripts/teacher-kit-example.py), so the editor and the command line start
// from the same bank.
'use strict';
const fs = require('fs');
const path = require('path');
const {readDemoSource} = require('./demo_source.js');
const {newBank, newQuestion, encodeBankFile} = require('./editor/bank.js');

const QUESTIONS = ['q01', 'q02', 'q03', 'q08', 'q10', 'q16', 'q17'];
const KEYWORDS = ['集合', '函数', '三角函数'];
const demo = path.join(__dirname, '..', '..', 'data', 'demo');

const out = process.argv[2];
if (!out) {
  console.error('usage: node kit-example.js OUT.zip');
  process.exit(2);
}
const questions = readDemoSource(fs.readFileSync(path.join(demo, 'questions.txt'), 'utf8'));
const bank = newBank();
bank.keywords = KEYWORDS;
for (const id of QUESTIONS) {
  const source = questions.find((q) => q.id === id);
  if (!source) throw new Error(`the demo bank has no ${id}`);
  const q = newQuestion();
  Object.assign(q, {unit: source['单元'], correct: source['正答'], wrong: source['错答']});
  for (const [column, suffix] of [['题目', 'question'], ['参考答案', 'answer'], ['解答过程', 'solution']]) {
    q.sources[column] = source[column];
    q.pictures[column] = new Uint8Array(fs.readFileSync(path.join(demo, 'rendered', 'pictures', `${id}-${suffix}.png`)));
  }
  bank.questions.push(q);
}
fs.writeFileSync(out, encodeBankFile(bank, null));
