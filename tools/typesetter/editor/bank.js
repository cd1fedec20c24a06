// The bank in progress, as the question editor holds it, and its file: a
// zip that is both the teacher's master copy and what `banktool build
// --input` takes:
//   题目表.csv        one row per question, in order (UTF-8 with a byte
//                     order mark, CR LF): the picture names 题目 参考答案
//                     解答过程, 单元 正答 错答, the typed texts 题目文字
//                     参考答案文字 解答过程文字, the figure 插图 and 插图位置
//   图片/             the pictures and figures the table names
//   关键词列表.txt    the keywords, one a line (UTF-8)
//   题库编辑器.json   which bank this is, for the browser's drafts, and when
//                     it was saved
// A bank the bank tool exported (no 题库编辑器.json, perhaps no typed
// texts) opens too: its questions keep their pictures until a text is typed.
'use strict';
const {zipSync, unzipSync, strToU8, strFromU8} = require('fflate');
const {writeCsv, readCsv} = require('./csv.js');
const {inGbk} = require('../src/gbk.js');

const PICTURES = ['题目', '参考答案', '解答过程'];
const SOURCES = ['题目文字', '参考答案文字', '解答过程文字'];
const COLUMNS = [...PICTURES, '单元', '正答', '错答', ...SOURCES, '插图', '插图位置'];
const TABLE = '题目表.csv';
const FOLDER = '图片/';
const KEYWORDS = '关键词列表.txt';
const META = '题库编辑器.json';
const FORMAT = 'tessaly-question-editor';
const PLACES = {下方: 'below', 右侧: 'right'};
// A zip larger than this, or a member that unpacks to more, is not a bank
// anyone typed: refused before it is unpacked.
const MAX_FILE_BYTES = 512 * 1024 * 1024;
const MAX_MEMBER_BYTES = 64 * 1024 * 1024;

function newId() {
  const bytes = crypto.getRandomValues(new Uint8Array(16));
  return Array.from(bytes, (b) => b.toString(16).padStart(2, '0')).join('');
}

function newBank() {
  return {id: newId(), keywords: [], questions: [], savedAt: null};
}

function newQuestion() {
  return {unit: '', correct: '0', wrong: '0', sources: {题目: '', 参考答案: '', 解答过程: ''}, figure: null,
    pictures: {}};
}

// The bank tool's rules for 单元, 正答 and 错答: a message, or '' when fine.
function checkUnit(unit) {
  if (unit.trim() === '') return '单元不能空着：写这道题的单元和知识点，学生选的关键词在这里查找';
  if (/[\u0000-\u001f\u007f]/.test(unit)) return '单元里有控制字符';
  const bad = Array.from(unit).filter((ch) => !inGbk(ch));
  if (bad.length) return `单元里的“${[...new Set(bad)].join('')}”不是 GBK 字符，学生的程序显示不了`;
  return '';
}

function checkCount(text) {
  if (!/^[0-9]+$/.test(text)) return `“${text}”不是 0 或正整数`;
  if (text.replace(/^0+(?=.)/, '').length > 10 || Number(text) > 2147483647) return `“${text}”太大了`;
  return '';
}

// The problems of a question's own values: [{field, message}].
function questionProblems(q, keywords = []) {
  const problems = [];
  const unit = checkUnit(q.unit);
  if (unit) problems.push({field: 'unit', message: unit});
  else if (keywords.length && !keywords.some((k) => q.unit.includes(k))) {
    problems.push({field: 'unit', message: '单元里没有任何一个关键词：学生选哪个关键词都选不到这道题'});
  }
  for (const field of ['correct', 'wrong']) {
    const why = checkCount(String(q[field]));
    if (why) problems.push({field, message: `${field === 'correct' ? '正答' : '错答'}：${why}`});
  }
  return problems;
}

function kindOf(bytes) {
  if (bytes[0] === 0x89 && bytes[1] === 0x50 && bytes[2] === 0x4e && bytes[3] === 0x47) return 'png';
  if (bytes[0] === 0xff && bytes[1] === 0xd8) return 'jpg';
  if (bytes[0] === 0x47 && bytes[1] === 0x49 && bytes[2] === 0x46) return 'gif';
  if (bytes[0] === 0x42 && bytes[1] === 0x4d) return 'bmp';
  return null;
}

const PREFIX = {题目: 'q', 参考答案: 'a', 解答过程: 's'};

// The zip of the bank. savedAt is written into it as given.
function encodeBankFile(bank, savedAt) {
  const files = {};
  const rows = [COLUMNS];
  bank.questions.forEach((q, i) => {
    const number = String(i + 1).padStart(3, '0');
    const names = PICTURES.map((column) => {
      const bytes = q.pictures[column];
      if (!bytes) return '';
      const name = `${PREFIX[column]}${number}.${kindOf(bytes) || 'png'}`;
      files[FOLDER + name] = bytes;
      return name;
    });
    let figure = '';
    if (q.figure) {
      figure = `f${number}.${kindOf(q.figure.bytes) || 'png'}`;
      files[FOLDER + figure] = q.figure.bytes;
    }
    const place = q.figure ? (q.figure.place === 'right' ? '右侧' : '下方') : '';
    rows.push([...names, q.unit, q.correct, q.wrong, ...PICTURES.map((c) => q.sources[c]), figure, place]);
  });
  files[TABLE] = strToU8('\ufeff' + writeCsv(rows));
  files[KEYWORDS] = strToU8(bank.keywords.map((k) => k + '\r\n').join(''));
  files[META] = strToU8(JSON.stringify({格式: FORMAT, 版本: 1, 题库: bank.id, 保存时间: savedAt}, null, 1));
  // Pictures are compressed already.
  const options = {};
  for (const name of Object.keys(files)) options[name] = [files[name], {level: name.startsWith(FOLDER) ? 0 : 6}];
  return zipSync(options);
}

class BankFileError extends Error {}

function text(bytes, name) {
  try {
    return new TextDecoder('utf-8', {fatal: true}).decode(bytes);
  } catch (err) {
    // A table saved by a spreadsheet on a Chinese PC is GBK.
    try {
      return new TextDecoder('gbk', {fatal: true}).decode(bytes);
    } catch (err2) {
      throw new BankFileError(`${name} 既不是 UTF-8 也不是 GBK 文字`);
    }
  }
}

// The bank in a zip; throws a BankFileError with a message for the teacher.
function decodeBankFile(bytes) {
  if (bytes.length > MAX_FILE_BYTES) throw new BankFileError('文件太大，不是题库编辑器的文件');
  let entries;
  let tooLarge = null;
  let total = 0;
  try {
    // What a member says it unpacks to is checked before it is unpacked, so
    // that a small file cannot fill the memory.
    entries = unzipSync(bytes, {filter: (file) => {
      total += file.originalSize;
      if (file.originalSize > MAX_MEMBER_BYTES || total > MAX_FILE_BYTES) tooLarge = tooLarge || file.name;
      return !tooLarge;
    }});
  } catch (err) {
    throw new BankFileError('这不是 zip 压缩包，或者文件已经损坏');
  }
  if (tooLarge) throw new BankFileError(`压缩包里的 ${tooLarge} 解开后太大，不是题库编辑器的文件`);
  // The bank may stand in one folder of the zip, as "全部解压缩" and
  // re-zipping leave it.
  const names = Object.keys(entries).filter((n) => !n.endsWith('/'));
  const table = names.find((n) => n === TABLE || /^[^/]+\/题目表\.csv$/.test(n));
  if (!table) throw new BankFileError(`压缩包里没有 ${TABLE}，不是题库编辑器或 banktool 导出的文件`);
  const base = table.slice(0, table.length - TABLE.length);
  const member = (name) => entries[base + name];
  let rows;
  try {
    rows = readCsv(text(member(TABLE), TABLE));
  } catch (err) {
    throw new BankFileError(`${TABLE} ${err.message}`);
  }
  if (!rows.length) throw new BankFileError(`${TABLE} 是空的`);
  const header = rows[0].values.map((v) => v.trim());
  for (const column of [...PICTURES, '单元', '正答', '错答']) {
    if (!header.includes(column)) throw new BankFileError(`${TABLE} 的第一行缺少“${column}”列`);
  }
  const at = (row, column) => {
    const k = header.indexOf(column);
    return k >= 0 && k < row.values.length ? row.values[k] : '';
  };
  const picture = (row, column, name) => {
    if (name === '') return null;
    if (/(^|\/)\.\.(\/|$)/.test(name) || name.startsWith('/') || name.includes('\\')) {
      throw new BankFileError(`${TABLE} 第 ${row.line} 行“${column}”列：“${name}”不是 图片 文件夹里的文件名`);
    }
    const bytes = member(FOLDER + name);
    if (!bytes) throw new BankFileError(`${TABLE} 第 ${row.line} 行“${column}”列：压缩包里没有 ${FOLDER}${name}`);
    return bytes;
  };
  const bank = newBank();
  for (const row of rows.slice(1)) {
    if (row.values.length !== header.length) {
      throw new BankFileError(`${TABLE} 第 ${row.line} 行有 ${row.values.length} 个值，第一行有 ${header.length} 列`);
    }
    const q = newQuestion();
    q.unit = at(row, '单元');
    q.correct = at(row, '正答').trim();
    q.wrong = at(row, '错答').trim();
    PICTURES.forEach((column, k) => {
      q.sources[column] = at(row, SOURCES[k]);
      const bytes = picture(row, column, at(row, column).trim());
      if (bytes) q.pictures[column] = bytes;
    });
    const figure = picture(row, '插图', at(row, '插图').trim());
    if (figure) {
      const place = at(row, '插图位置').trim() || '下方';
      if (!(place in PLACES)) throw new BankFileError(`${TABLE} 第 ${row.line} 行：插图位置“${place}”应为 下方 或 右侧`);
      q.figure = {bytes: figure, place: PLACES[place]};
    }
    bank.questions.push(q);
  }
  const keywords = member(KEYWORDS);
  if (keywords) {
    bank.keywords = [...new Set(text(keywords, KEYWORDS).split(/\r\n?|\n/).map((k) => k.trim()).filter(Boolean))];
  }
  const meta = member(META);
  if (meta) {
    let m;
    try {
      m = JSON.parse(strFromU8(meta));
    } catch (err) {
      throw new BankFileError(`${META} 已损坏`);
    }
    if (!m || m['格式'] !== FORMAT || typeof m['题库'] !== 'string' || !/^[0-9a-f]{32}$/.test(m['题库'])) {
      throw new BankFileError(`${META} 不是题库编辑器写的`);
    }
    bank.id = m['题库'];
    bank.savedAt = typeof m['保存时间'] === 'string' ? m['保存时间'] : null;
  }
  return bank;
}

module.exports = {newBank, newQuestion, questionProblems, encodeBankFile, decodeBankFile,
  BankFileError, PICTURES};
