// The typesetter's speed in headless Chromium, each figure beside its goal:
//  - the demo bank, every question with its three pictures (question,
//    reference answer, solution), typeset, drawn and encoded: the median and
//    the slowest per question, goal at most 0.1 s;
//  - a question of 300 characters with five formulas typeset again after a
//    change of its text (its formulas already typeset once): the median, goal
//    at most 50 ms;
//  - as the baseline, the same page drawing and encoding one line of plain
//    text on the question board, the least any picture costs.
//   node tools/typesetter/bench.js [ROUNDS, default 3]
'use strict';
const fs = require('fs');
const path = require('path');
const {openTypesetter} = require('./headless.js');
const {readDemoSource} = require('./demo_source.js');
const {renderBank} = require('./render-bank.js');

const median = (v) => [...v].sort((a, b) => a - b)[Math.floor(v.length / 2)];
const ms = (v) => `${v.toFixed(1)} ms`;

// 300 characters, five formulas; `n` changes the text between runs.
function longQuestion(n) {
  const words = '在平面直角坐标系中，已知点的坐标满足下列条件，并且对任意的实数都成立，求参数的取值范围与最值';
  let text = '';
  const formulas = ['f(x)=\\frac{x^2+1}{x-1}', '\\sqrt{a^2+b^2}\\le 2', '\\{x\\mid x>0\\}', 'a_{n+1}=2a_n+1',
    '\\begin{cases}x+y=1,\\\\x-y=3\\end{cases}'];
  for (let i = 0; text.length < 300 - 60; i++) {
    text += words.slice((i * 7 + n) % 20, (i * 7 + n) % 20 + 12);
    if (i < formulas.length) text += `$${formulas[i]}$`;
    text += '，';
  }
  return text + '则所求的值为＿＿＿＿。';
}

async function main() {
  const rounds = Number(process.argv[2] || 3);
  const questions = readDemoSource(fs.readFileSync(path.join(__dirname, '..', '..', 'data', 'demo', 'questions.txt'),
      'utf8'));
  const t = await openTypesetter();
  try {
    const baseline = [];
    for (let i = 0; i < 20; i++) {
      const started = performance.now();
      await t.typeset(`第 ${i} 行的文字`, {board: 'question'});
      baseline.push(performance.now() - started);
    }
    let perQuestion = [];
    for (let r = 0; r < rounds; r++) {
      const times = [];
      await renderBank(t, questions, (id, took) => times.push(took));
      perQuestion = perQuestion.concat(times);
    }
    await t.typeset(longQuestion(0), {board: 'question'});
    const again = [];
    for (let n = 1; n <= 20; n++) {
      const started = performance.now();
      const r = await t.typeset(longQuestion(n), {board: 'question'});
      again.push(performance.now() - started);
      if (!r.ok) throw new Error('the 300-character question does not fit its board');
    }
    console.log(`typesetter, headless Chromium (${questions.length} demo questions × ${rounds} rounds):`);
    console.log(`  baseline: one line of plain text, drawn and encoded: median ${ms(median(baseline))}`);
    console.log(`  a demo question, its three pictures: median ${ms(median(perQuestion))}, slowest ` +
        `${ms(Math.max(...perQuestion))} (goal: at most 100 ms)`);
    console.log(`  a 300-character question with five formulas, typeset again: median ${ms(median(again))} ` +
        `(goal: at most 50 ms)`);
  } finally {
    await t.close();
  }
}

main().catch((err) => {
  console.error(`typesetter bench: ${err.message}`);
  process.exit(1);
});
