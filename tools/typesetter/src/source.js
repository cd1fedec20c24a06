// Reads a text as a teacher types it: Chinese text with maths between $…$
// (inline) and $$…$$ (a formula on a line of its own), a line break wherever
// the text has one. `\$` outside maths is a dollar sign. Inside maths a
// backslash escapes the next character, so `\$` does not end the formula.
//
// parseSource(text) gives
//   { tokens: [{kind: 'text', text, line, column}
//              | {kind: 'math', tex, display, line, column}
//              | {kind: 'newline'}],
//     problems: [{message, line, column}] }
// line and column count from 1, in characters, and name where a token
// starts in the typed text (for a formula: its opening $).

function position(text, index) {
  let line = 1;
  let column = 1;
  for (let i = 0; i < index; i++) {
    if (text[i] === '\n') {
      line++;
      column = 1;
    } else {
      column++;
    }
  }
  return {line, column};
}

// The index of the `$` (or `$$`) that closes the formula whose body starts at
// from, or -1.
function findClose(text, from, display) {
  for (let i = from; i < text.length; i++) {
    const c = text[i];
    if (c === '\\') {
      i++;
      continue;
    }
    if (c === '$') {
      if (!display) return i;
      if (text[i + 1] === '$') return i;
      return -1;  // a single $ inside $$…$$
    }
  }
  return -1;
}

function parseSource(input) {
  const text = String(input).replace(/\r\n?/g, '\n');
  const tokens = [];
  const problems = [];
  let plain = '';
  let plainStart = 0;
  const flush = (end) => {
    if (plain) {
      tokens.push({kind: 'text', text: plain, ...position(text, plainStart)});
    }
    plain = '';
    plainStart = end;
  };
  let i = 0;
  while (i < text.length) {
    const c = text[i];
    if (c === '\\' && text[i + 1] === '$') {
      if (!plain) plainStart = i;
      plain += '$';
      i += 2;
      continue;
    }
    if (c === '\n') {
      flush(i + 1);
      tokens.push({kind: 'newline'});
      i++;
      continue;
    }
    if (c !== '$') {
      if (!plain) plainStart = i;
      plain += c;
      i++;
      continue;
    }
    flush(i);
    const display = text[i + 1] === '$';
    const bodyStart = i + (display ? 2 : 1);
    const close = findClose(text, bodyStart, display);
    const where = position(text, i);
    if (close < 0) {
      problems.push({
        message: display ? '“$$”没有配对的“$$”结束公式' : '“$”没有配对的“$”结束公式',
        ...where,
      });
      break;
    }
    const tex = text.slice(bodyStart, close);
    if (tex.trim() === '') {
      problems.push({message: '公式是空的', ...where});
    } else {
      tokens.push({kind: 'math', tex, display, ...where});
    }
    i = close + (display ? 2 : 1);
    plainStart = i;
  }
  flush(text.length);
  return {tokens, problems};
}

module.exports = {parseSource};
