// Reads the demo bank's source (data/demo/questions.txt): questions as
//   == q01
//   单元: …            正答: …            错答: …
//   题目:
//     one line of the picture per line, indented by two spaces
// A line that starts with # is a comment. Backslashes mean nothing to the
// format, so TeX's \neq stays \neq. Gives [{id, 单元, 正答, 错答, 题目,
// 参考答案, 解答过程, line}] or throws an Error naming the line.
'use strict';

const SINGLE = ['单元', '正答', '错答'];
const BLOCK = ['题目', '参考答案', '解答过程'];

function readDemoSource(text) {
  const lines = text.replace(/\r\n?/g, '\n').split('\n');
  const questions = [];
  let q = null;
  let block = null;
  const fail = (n, why) => {
    throw new Error(`questions.txt line ${n}: ${why}`);
  };
  lines.forEach((line, i) => {
    const n = i + 1;
    if (line.startsWith('#')) return;
    if (line.startsWith('  ') && block) {
      q[block].push(line.slice(2));
      return;
    }
    block = null;
    if (line.trim() === '') return;
    let m;
    if ((m = /^== (\S+)$/.exec(line))) {
      q = {id: m[1], line: n};
      questions.push(q);
    } else if (!q) {
      fail(n, 'text before the first "== ID" line');
    } else if ((m = /^(\S+):(?: (.*))?$/.exec(line)) && (SINGLE.includes(m[1]) || BLOCK.includes(m[1]))) {
      if (m[1] in q) fail(n, `${m[1]} given twice`);
      if (BLOCK.includes(m[1])) {
        if (m[2] !== undefined) fail(n, `${m[1]}: its text goes on the lines below, indented by two spaces`);
        q[m[1]] = [];
        block = m[1];
      } else {
        q[m[1]] = (m[2] || '').trim();
      }
    } else {
      fail(n, `not a field of a question: ${JSON.stringify(line)}`);
    }
  });
  for (const q of questions) {
    for (const key of [...SINGLE, ...BLOCK]) {
      if (!(key in q) || (BLOCK.includes(key) && q[key].length === 0)) fail(q.line, `${q.id} has no ${key}`);
    }
    for (const key of BLOCK) q[key] = q[key].join('\n');
  }
  return questions;
}

module.exports = {readDemoSource};
