// Renders the demo bank's source with the typesetter, headless, into the
// pictures and manifest the bank tool reads:
//   node tools/typesetter/render-bank.js data/demo/questions.txt OUTDIR
// writes OUTDIR/pictures/ID-question.png, ID-answer.png, ID-solution.png,
// OUTDIR/manifest.tsv (题目 参考答案 解答过程 单元 正答 错答) and
// OUTDIR/layout.json, the layout of every picture (lines and boxes), which a
// test compares with a fresh rendering. Stops with every problem named (the
// question, the picture, where in the text) and writes nothing then.
'use strict';
const fs = require('fs');
const path = require('path');
const {openTypesetter} = require('./headless.js');
const {readDemoSource} = require('./demo_source.js');

const PICTURES = [
  {column: '题目', board: 'question', suffix: 'question', ink: '#000000'},
  {column: '参考答案', board: 'answer', suffix: 'answer', ink: '#1a3a8a'},
  {column: '解答过程', board: 'solution', suffix: 'solution', ink: '#000000'},
];
const MANIFEST_HEADER = ['题目', '参考答案', '解答过程', '单元', '正答', '错答'];

const round = (v) => Math.round(v * 10) / 10;

// A picture's layout as layout.json keeps it: what a change of text, font
// or rules would move.
function layoutRecord(result) {
  return {
    size: result.size,
    height: result.height,
    lines: result.lines.map((l) => ({
      baseline: round(l.baseline),
      boxes: l.boxes.map((b) => [b.text !== undefined ? b.text : b.kind === 'math' ? `$${b.tex}$` : b.kind,
        round(b.x), round(b.y), round(b.w), round(b.h)]),
    })),
  };
}

// Renders every question; calls onQuestion(id, ms) after each. Gives
// {pictures: {name: png}, layout: {name: record}, manifest, problems}.
async function renderBank(typesetter, questions, onQuestion = () => {}) {
  const pictures = {};
  const layout = {};
  const problems = [];
  const rows = [MANIFEST_HEADER.join('\t')];
  for (const q of questions) {
    const started = performance.now();
    const names = [];
    for (const p of PICTURES) {
      const name = `${q.id}-${p.suffix}.png`;
      names.push(name);
      const r = await typesetter.typeset(q[p.column], {board: p.board, name: `${q.id} ${p.column}`, ink: p.ink});
      for (const problem of r.problems) {
        problems.push(`${q.id} ${p.column} 第 ${problem.line} 行第 ${problem.column} 个字：${problem.message}`);
      }
      if (r.overflow) problems.push(`${q.id} ${p.column}：${r.overflow.message}`);
      if (r.png) {
        pictures[name] = r.png;
        layout[name] = layoutRecord(r);
      }
    }
    onQuestion(q.id, performance.now() - started);
    rows.push([...names, q['单元'], q['正答'], q['错答']].join('\t'));
  }
  return {pictures, layout, manifest: rows.join('\n') + '\n', problems};
}

async function main(argv) {
  if (argv.length !== 2) {
    console.error('usage: node render-bank.js QUESTIONS.txt OUTDIR');
    return 2;
  }
  const [source, outDir] = argv;
  const questions = readDemoSource(fs.readFileSync(source, 'utf8'));
  const typesetter = await openTypesetter();
  let rendered;
  try {
    rendered = await renderBank(typesetter, questions);
  } finally {
    await typesetter.close();
  }
  if (rendered.problems.length) {
    for (const p of rendered.problems) console.error(p);
    console.error(`render-bank: ${rendered.problems.length} problem(s); nothing written`);
    return 1;
  }
  const pictureDir = path.join(outDir, 'pictures');
  fs.rmSync(pictureDir, {recursive: true, force: true});
  fs.mkdirSync(pictureDir, {recursive: true});
  for (const [name, png] of Object.entries(rendered.pictures)) fs.writeFileSync(path.join(pictureDir, name), png);
  fs.writeFileSync(path.join(outDir, 'manifest.tsv'), rendered.manifest);
  fs.writeFileSync(path.join(outDir, 'layout.json'), JSON.stringify(rendered.layout, null, 0).replace(/\},"/g, '},\n"') + '\n');
  const bytes = Object.values(rendered.pictures).reduce((n, p) => n + p.length, 0);
  console.log(`render-bank: ${questions.length} questions, ${Object.keys(rendered.pictures).length} pictures, ` +
      `${bytes} bytes, in ${outDir}`);
  return 0;
}

if (require.main === module) {
  main(process.argv.slice(2)).then((code) => process.exit(code), (err) => {
    console.error(`render-bank: ${err.message}`);
    process.exit(1);
  });
}

module.exports = {renderBank};
