// CSV as spreadsheets write it: commas between values, a value in double
// quotes when it holds a comma, a quote or a line break (a quote inside is
// doubled), and such a value may run over several lines. Lines end in CR LF
// (LF and a lone CR are read too); a UTF-8 byte order mark is allowed.
'use strict';

function quote(value) {
  const s = String(value);
  return /[",\r\n]/.test(s) || /^\s|\s$/.test(s) ? `"${s.replace(/"/g, '""')}"` : s;
}

// The table as text, rows of values; line breaks inside values become CR LF,
// as Excel and WPS write them.
function writeCsv(rows) {
  return rows.map((row) => row.map((v) => quote(String(v).replace(/\r\n?|\n/g, '\r\n'))).join(',')).join('\r\n') +
      '\r\n';
}

// Rows of values, each with the line it begins on: [{line, values}]. Line
// breaks inside a quoted value are kept as \n. Throws an Error naming the
// line for a quote that is never closed or text after a closing quote.
function readCsv(text) {
  if (text.charCodeAt(0) === 0xfeff) text = text.slice(1);
  const rows = [];
  let line = 1;
  let i = 0;
  const n = text.length;
  while (i < n) {
    const row = {line, values: []};
    for (;;) {
      let value = '';
      if (text[i] === '"') {
        const opened = line;
        i++;
        for (;;) {
          if (i >= n) throw new Error(`第 ${opened} 行：引号没有结束`);
          const c = text[i];
          if (c === '"') {
            if (text[i + 1] === '"') {
              value += '"';
              i += 2;
              continue;
            }
            i++;
            break;
          }
          if (c === '\r' || c === '\n') {
            i += c === '\r' && text[i + 1] === '\n' ? 2 : 1;
            value += '\n';
            line++;
            continue;
          }
          value += c;
          i++;
        }
        if (i < n && text[i] !== ',' && text[i] !== '\r' && text[i] !== '\n') {
          throw new Error(`第 ${line} 行：引号后面多了文字`);
        }
      } else {
        while (i < n && text[i] !== ',' && text[i] !== '\r' && text[i] !== '\n') value += text[i++];
      }
      row.values.push(value);
      if (i < n && text[i] === ',') {
        i++;
        continue;
      }
      break;
    }
    if (i < n) i += text[i] === '\r' && text[i + 1] === '\n' ? 2 : 1;
    line++;
    if (!(row.values.length === 1 && row.values[0] === '')) rows.push(row);
  }
  return rows;
}

module.exports = {writeCsv, readCsv};
