// The question editor (题库编辑器): the page a teacher opens from the
// teacher kit to type a bank's questions, look at their pictures as the
// student's program will show them, save the work to a file and export it
// for the bank tool. Offline, from file://; every text in Chinese.
'use strict';
const typesetter = require('../src/typesetter.js');
const {newBank, newQuestion, questionProblems, encodeBankFile, decodeBankFile, BankFileError, PICTURES} =
    require('./bank.js');
const {Drafts, sameWork} = require('./drafts.js');
const {editFormula} = require('./formula.js');

const BOARD_OF = {题目: 'question', 参考答案: 'answer', 解答过程: 'solution'};
const INK = {题目: '#000000', 参考答案: '#1a3a8a', 解答过程: '#000000'};
const RENUMBER_WARNING = '题号按题目的顺序编排。学生的试卷记的是题号：在中间插入、删除或调换题目，' +
    '后面题目的题号就变了，学生升级题库时正开着的试卷会换成别的题。新题请加在最后；不要的题，用新题替换它。';

const $ = (selector) => document.querySelector(selector);
const drafts = new Drafts();

const state = {
  bank: null,
  selected: 0,
  dirty: false,
  fileName: null,
  fileHandle: null,
  renumberWarned: false,
};

// Each question's pictures as last made, by the text they were made from.
const made = new WeakMap();

function pictureKey(q, column) {
  const f = column === '题目' && q.figure ? `|${q.figure.place}|${q.figure.bytes.length}|${q.figure.stamp || ''}` : '';
  return q.sources[column] + f;
}

// --- Messages -------------------------------------------------------------

function banner(text, kind = 'info', actions = []) {
  const box = document.createElement('div');
  box.className = `message ${kind}`;
  const p = document.createElement('span');
  p.textContent = text;
  box.appendChild(p);
  for (const [label, act] of actions) {
    const b = document.createElement('button');
    b.type = 'button';
    b.textContent = label;
    b.addEventListener('click', () => {
      box.remove();
      act();
    });
    box.appendChild(b);
  }
  const close = document.createElement('button');
  close.type = 'button';
  close.className = 'close';
  close.textContent = '×';
  close.title = '关闭';
  close.addEventListener('click', () => box.remove());
  box.appendChild(close);
  $('#messages').appendChild(box);
  return box;
}

// A question put to the teacher; resolves to the label chosen.
function ask(text, labels) {
  const dialog = document.createElement('dialog');
  dialog.className = 'ask';
  const p = document.createElement('p');
  p.textContent = text;
  dialog.appendChild(p);
  const row = document.createElement('div');
  row.className = 'buttons';
  dialog.appendChild(row);
  document.body.appendChild(dialog);
  return new Promise((resolve) => {
    for (const label of labels) {
      const b = document.createElement('button');
      b.type = 'button';
      b.textContent = label;
      b.addEventListener('click', () => {
        dialog.close();
        dialog.remove();
        resolve(label);
      });
      row.appendChild(b);
    }
    dialog.addEventListener('cancel', (e) => e.preventDefault());
    dialog.showModal();
  });
}

// --- Saved state ------------------------------------------------------------

function when(iso) {
  const d = new Date(iso);
  const two = (n) => String(n).padStart(2, '0');
  return `${d.getFullYear()}-${two(d.getMonth() + 1)}-${two(d.getDate())} ${two(d.getHours())}:${two(d.getMinutes())}`;
}

function showSaved() {
  const b = state.bank;
  const where = state.fileName ? `（${state.fileName}）` : '';
  $('#saved').textContent = b.savedAt ? `上次保存到文件：${when(b.savedAt)}${where}` : '还没有保存到文件';
  $('#saved').classList.toggle('dirty', state.dirty);
  $('#dirty').hidden = !state.dirty;
}

let draftTimer = null;
function changed() {
  state.dirty = true;
  showSaved();
  clearTimeout(draftTimer);
  draftTimer = setTimeout(() => {
    if (!drafts.save(state.bank)) {
      banner('浏览器存不下这个题库的草稿了：请马上“保存”到文件，文件才是您的底稿。', 'warning');
    }
  }, 500);
}

function useBank(bank, fileName = null, fileHandle = null) {
  takeFilePictures(bank);
  state.bank = bank;
  state.fileName = fileName;
  state.fileHandle = fileHandle;
  state.dirty = false;
  state.selected = 0;
  state.renumberWarned = false;
  if (!bank.questions.length) bank.questions.push(newQuestion());
  drafts.hold(bank.id, () => {
    banner('这个题库又在另一个标签页里打开了。两边一起改，草稿会互相覆盖：请只在一个标签页里改。', 'warning');
  });
  if (drafts.openElsewhere(bank.id)) {
    banner('这个题库已经在另一个标签页里打开着。两边一起改，草稿会互相覆盖：请关掉其中一个。', 'warning');
  }
  $('#keywords').value = bank.keywords.join('\n');
  showSaved();
  renderList();
  showQuestion();
}

// --- The list -------------------------------------------------------------

function renderList() {
  const list = $('#list');
  list.textContent = '';
  const filter = $('#filter').value.trim();
  state.bank.questions.forEach((q, i) => {
    if (filter && !q.unit.includes(filter)) return;
    const li = document.createElement('li');
    li.dataset.index = i;
    li.className = i === state.selected ? 'selected' : '';
    const problems = questionProblems(q, state.bank.keywords).length > 0;
    li.innerHTML = '<span class="number"></span><span class="unit"></span><span class="first"></span>';
    li.querySelector('.number').textContent = `第 ${i + 1} 题${problems ? ' ⚠' : ''}`;
    li.querySelector('.unit').textContent = q.unit || '（没有单元）';
    li.querySelector('.first').textContent = q.sources['题目'].replace(/\s+/g, ' ').slice(0, 40) ||
        (q.pictures['题目'] ? '（图片题目）' : '（空）');
    li.addEventListener('click', () => {
      state.selected = i;
      renderList();
      showQuestion();
    });
    list.appendChild(li);
  });
  $('#count').textContent = `共 ${state.bank.questions.length} 题`;
}

async function warnRenumber() {
  if (state.renumberWarned) return true;
  const choice = await ask(RENUMBER_WARNING, ['仍然继续', '取消']);
  if (choice !== '仍然继续') return false;
  state.renumberWarned = true;
  return true;
}

function add() {
  state.bank.questions.push(newQuestion());
  state.selected = state.bank.questions.length - 1;
  changed();
  renderList();
  showQuestion();
  $('#unit').focus();
}

async function remove() {
  const last = state.selected === state.bank.questions.length - 1;
  if (!last && !(await warnRenumber())) return;
  if ((await ask(`删除第 ${state.selected + 1} 题？`, ['删除', '取消'])) !== '删除') return;
  state.bank.questions.splice(state.selected, 1);
  if (!state.bank.questions.length) state.bank.questions.push(newQuestion());
  state.selected = Math.min(state.selected, state.bank.questions.length - 1);
  changed();
  renderList();
  showQuestion();
}

async function move(step) {
  const from = state.selected;
  const to = from + step;
  if (to < 0 || to >= state.bank.questions.length) return;
  if (!(await warnRenumber())) return;
  const qs = state.bank.questions;
  [qs[from], qs[to]] = [qs[to], qs[from]];
  state.selected = to;
  changed();
  renderList();
  showQuestion();
}

async function replace() {
  const n = state.selected + 1;
  if ((await ask(`用一道新题替换第 ${n} 题？它的内容会清空，题号不变。`, ['替换', '取消'])) !== '替换') return;
  state.bank.questions[state.selected] = newQuestion();
  changed();
  renderList();
  showQuestion();
}

// --- The question -----------------------------------------------------------

function current() {
  return state.bank.questions[state.selected];
}

function showQuestion() {
  const q = current();
  $('#number').textContent = `第 ${state.selected + 1} 题`;
  $('#unit').value = q.unit;
  $('#correct').value = q.correct;
  $('#wrong').value = q.wrong;
  for (const column of PICTURES) $(`#text-${BOARD_OF[column]}`).value = q.sources[column];
  $('#figure-place').value = q.figure ? q.figure.place : 'below';
  $('#figure-name').textContent = q.figure ? `已放入插图（${Math.round(q.figure.bytes.length / 1024)} KB）` : '没有插图';
  $('#figure-remove').hidden = !q.figure;
  showProblems();
  preview();
}

function showProblems() {
  const q = current();
  const problems = questionProblems(q, state.bank.keywords);
  for (const field of ['unit', 'correct', 'wrong']) {
    const p = problems.find((x) => x.field === field);
    const note = $(`#${field}-problem`);
    note.textContent = p ? p.message : '';
    $(`#${field}`).classList.toggle('bad', Boolean(p));
  }
}

function edited(field, value) {
  const q = current();
  if (field in BOARD_OF) q.sources[field] = value;
  else q[field] = value;
  changed();
  showProblems();
  renderListEntry();
  if (field in BOARD_OF) schedulePreview();
}

function renderListEntry() {
  clearTimeout(renderListEntry.timer);
  renderListEntry.timer = setTimeout(renderList, 300);
}

// --- Pictures ---------------------------------------------------------------

// Makes (or takes as made) the question's picture for one board; stores it
// in the question when it was made without problems.
// With `check`, a picture taken as it came from the file is made again, to
// know whether its text has a problem or does not fit.
async function makePicture(q, column, check = false) {
  const key = pictureKey(q, column);
  const done = made.get(q) || {};
  if (done[column] && done[column].key === key && !(check && done[column].fromFile)) return done[column].result;
  const text = q.sources[column];
  let result;
  if (text.trim() === '') {
    result = null;
    if (q.sources[column] === '' && done[column]) delete q.pictures[column];
  } else {
    const figure = column === '题目' && q.figure ? {image: q.figure.bytes, place: q.figure.place} : undefined;
    result = await typesetter.typeset(text, {board: BOARD_OF[column], name: `第 ${state.bank.questions.indexOf(q) + 1} 题${column}`,
      ink: INK[column], figure});
    if (result.png && !result.problems.length) q.pictures[column] = result.png;
    else delete q.pictures[column];
  }
  done[column] = {key, result};
  made.set(q, done);
  return result;
}

let previewTimer = null;
function schedulePreview() {
  clearTimeout(previewTimer);
  previewTimer = setTimeout(preview, 200);
}

const urls = {};
async function preview() {
  const q = current();
  for (const column of PICTURES) {
    const board = typesetter.boards[BOARD_OF[column]];
    const frame = $(`#preview-${BOARD_OF[column]}`);
    const img = frame.querySelector('img');
    const cut = frame.querySelector('.cut');
    const note = $(`#note-${BOARD_OF[column]}`);
    frame.style.width = `${board.width}px`;
    frame.style.minHeight = `${board.height}px`;
    let result;
    try {
      result = await makePicture(q, column, true);
    } catch (err) {
      note.textContent = `出错了：${err.message}`;
      note.className = 'note bad';
      continue;
    }
    if (q !== current()) return;  // another question was chosen meanwhile
    let bytes = null;
    let height = 0;
    let message = '';
    let bad = false;
    if (result && result.problems.length) {
      message = result.problems.map((p) => (p.line ? `第 ${p.line} 行第 ${p.column} 个字：` : '') + p.message).join('\n');
      bad = true;
    } else if (result) {
      bytes = result.png;
      height = result.height;
      message = result.overflow ? result.overflow.message : `${result.size} 像素字号，${board.width}×${result.height}`;
      bad = Boolean(result.overflow);
    } else if (q.pictures[column]) {
      bytes = q.pictures[column];
      message = '手工做的图片（没有文字；输入文字后会换成排版的图片）';
    } else {
      message = '还没有输入';
    }
    if (urls[column]) URL.revokeObjectURL(urls[column]);
    urls[column] = bytes ? URL.createObjectURL(new Blob([bytes], {type: 'image/png'})) : null;
    img.hidden = !bytes;
    if (bytes) img.src = urls[column];
    else img.removeAttribute('src');
    // What the board cannot show is shaded, from its bottom edge down.
    cut.hidden = !(height > board.height);
    if (height > board.height) {
      cut.style.top = `${board.height}px`;
      cut.style.height = `${height - board.height}px`;
    }
    note.textContent = message;
    note.className = bad ? 'note bad' : 'note';
  }
}

// --- Files --------------------------------------------------------------------

function download(bytes, name) {
  const a = document.createElement('a');
  a.href = URL.createObjectURL(new Blob([bytes], {type: 'application/zip'}));
  a.download = name;
  document.body.appendChild(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(a.href), 10000);
}

// Makes every question's pictures that are not up to date.
// Makes every question's pictures that are not up to date (with `check`,
// those taken from the file too), saying how far it has come.
async function makeAll(check = false) {
  const qs = state.bank.questions;
  for (let i = 0; i < qs.length; i++) {
    if (qs.length > 20 && i % 10 === 0) $('#saved').textContent = `正在生成图片：第 ${i + 1} 题，共 ${qs.length} 题……`;
    for (const column of PICTURES) await makePicture(qs[i], column, check);
  }
  showSaved();
}

// The pictures a file brought are those of its texts: taken as they are, not
// made again until a text changes (or an export checks them).
function takeFilePictures(bank) {
  for (const q of bank.questions) {
    const done = {};
    for (const column of PICTURES) {
      if (q.pictures[column] && q.sources[column].trim() !== '') {
        done[column] = {key: pictureKey(q, column), result: undefined, fromFile: true};
      }
    }
    made.set(q, done);
  }
}

async function writeTo(handle, bytes) {
  const writable = await handle.createWritable();
  await writable.write(bytes);
  await writable.close();
}

async function save(asNew = false) {
  await makeAll();
  const savedAt = new Date().toISOString();
  const bytes = encodeBankFile(state.bank, savedAt);
  let name = state.fileName || '我的题库.zip';
  try {
    if (window.showSaveFilePicker) {
      let handle = asNew ? null : state.fileHandle;
      if (!handle) {
        handle = await window.showSaveFilePicker({suggestedName: name,
          types: [{description: '题库编辑器文件', accept: {'application/zip': ['.zip']}}]});
      }
      await writeTo(handle, bytes);
      state.fileHandle = handle;
      name = handle.name;
    } else {
      download(bytes, name);
    }
  } catch (err) {
    if (err && err.name === 'AbortError') return;
    banner(`没有保存：${err.message}`, 'error');
    return;
  }
  state.bank.savedAt = savedAt;
  state.fileName = name;
  state.dirty = false;
  drafts.save(state.bank);
  showSaved();
  banner(window.showSaveFilePicker ? `已保存到 ${name}` : `已保存：浏览器把 ${name} 下载到了“下载”文件夹`, 'info');
}

async function exportForBanktool() {
  await makeAll(true);
  const faults = [];
  state.bank.questions.forEach((q, i) => {
    for (const p of questionProblems(q, state.bank.keywords)) faults.push(`第 ${i + 1} 题：${p.message}`);
    for (const column of PICTURES) {
      const r = (made.get(q) || {})[column];
      const result = r && r.result;
      if (result && result.problems.length) faults.push(`第 ${i + 1} 题${column}：${result.problems[0].message}`);
      else if (result && result.overflow) faults.push(`第 ${i + 1} 题${column}：放不进画板`);
      else if (!q.pictures[column]) faults.push(`第 ${i + 1} 题${column}：还没有输入`);
    }
  });
  if (!state.bank.keywords.length) faults.push('关键词列表是空的：学生组题时要从中选择');
  if (faults.length) {
    banner(`还不能导出，请先改好：\n${faults.slice(0, 12).join('\n')}${faults.length > 12 ? `\n……共 ${faults.length} 处` : ''}`,
        'error');
    return;
  }
  const bytes = encodeBankFile(state.bank, state.bank.savedAt);
  const name = (state.fileName || '我的题库.zip').replace(/\.zip$/i, '') + '-导出.zip';
  download(bytes, name);
  banner(`已导出 ${name}（${state.bank.questions.length} 题）：把它交给 banktool.exe 建题库，见教师说明。`, 'info');
}

async function open(file) {
  let bank;
  try {
    bank = decodeBankFile(new Uint8Array(await file.arrayBuffer()));
  } catch (err) {
    const why = err instanceof BankFileError ? err.message : `读不出来（${err.message}）`;
    banner(`打不开 ${file.name}：${why}。现在的内容没有变。`, 'error');
    return;
  }
  if (state.dirty && !(await leaveCurrent())) return;
  const draft = drafts.load(bank.id);
  if (draft && !sameWork(draft.bank, bank)) {
    const choice = await ask(`浏览器里有这个题库 ${when(draft.changedAt)} 的草稿，和文件 ${file.name} 里的内容不一样` +
        `（文件保存于 ${bank.savedAt ? when(bank.savedAt) : '未知时间'}）。要用哪一个？`, ['用文件里的内容', '恢复草稿']);
    if (choice === '恢复草稿') {
      draft.bank.savedAt = bank.savedAt;
      useBank(draft.bank, file.name);
      state.dirty = true;
      showSaved();
      return;
    }
  }
  useBank(bank, file.name);
}

async function leaveCurrent() {
  const choice = await ask('当前题库有没保存到文件的修改（浏览器里留有草稿）。仍要离开它吗？', ['离开', '取消']);
  return choice === '离开';
}

async function startNew() {
  if (state.dirty && !(await leaveCurrent())) return;
  useBank(newBank());
}

function offerDrafts() {
  for (const d of drafts.list().slice(0, 5)) {
    if (d.id === state.bank.id) continue;
    banner(`浏览器里有一份没保存到文件的草稿（${when(d.changedAt)}，${d.questions} 题：${d.first || '…'}）。`, 'info', [
      ['恢复', async () => {
        if (state.dirty && !(await leaveCurrent())) return;
        const draft = drafts.load(d.id);
        if (draft) {
          useBank(draft.bank);
          state.dirty = true;
          showSaved();
        }
      }],
      ['删除草稿', () => drafts.discard(d.id)],
    ]);
  }
}

// --- Formulas ------------------------------------------------------------------

// The $…$ around the cursor in a textarea, or null.
function formulaAt(text, at) {
  const re = /\$\$([\s\S]+?)\$\$|\$((?:\\.|[^$\\])+)\$/g;
  let m;
  while ((m = re.exec(text))) {
    if (at > m.index && at < m.index + m[0].length) return {start: m.index, end: m.index + m[0].length, tex: m[1] || m[2]};
  }
  return null;
}

async function insertFormula(area) {
  const at = area.selectionStart;
  const around = formulaAt(area.value, at);
  const fonts = new URL('题库编辑器文件/mathlive-fonts', window.location.href).href;
  const tex = await editFormula(around ? around.tex : '', fonts);
  if (tex === null || tex === '') return;
  const start = around ? around.start : at;
  const end = around ? around.end : area.selectionEnd;
  area.setRangeText(`$${tex}$`, start, end, 'end');
  area.focus();
  area.dispatchEvent(new Event('input'));
}

// --- Start ---------------------------------------------------------------------

function bind() {
  $('#new').addEventListener('click', startNew);
  $('#open').addEventListener('click', () => $('#open-file').click());
  $('#open-file').addEventListener('change', (e) => {
    const file = e.target.files[0];
    e.target.value = '';
    if (file) open(file);
  });
  $('#save').addEventListener('click', () => save(false));
  $('#save-as').addEventListener('click', () => save(true));
  $('#export').addEventListener('click', exportForBanktool);
  $('#add').addEventListener('click', add);
  $('#remove').addEventListener('click', remove);
  $('#up').addEventListener('click', () => move(-1));
  $('#down').addEventListener('click', () => move(1));
  $('#replace').addEventListener('click', replace);
  $('#filter').addEventListener('input', renderList);
  $('#keywords').addEventListener('input', () => {
    state.bank.keywords = [...new Set($('#keywords').value.split('\n').map((k) => k.trim()).filter(Boolean))];
    changed();
    showProblems();
    renderListEntry();
  });
  for (const field of ['unit', 'correct', 'wrong']) {
    $(`#${field}`).addEventListener('input', (e) => edited(field, e.target.value));
  }
  for (const column of PICTURES) {
    const area = $(`#text-${BOARD_OF[column]}`);
    area.addEventListener('input', () => edited(column, area.value));
    $(`#formula-${BOARD_OF[column]}`).addEventListener('click', () => insertFormula(area));
  }
  $('#figure-file').addEventListener('change', async (e) => {
    const file = e.target.files[0];
    e.target.value = '';
    if (!file) return;
    current().figure = {bytes: new Uint8Array(await file.arrayBuffer()), place: $('#figure-place').value,
      stamp: Date.now()};
    changed();
    showQuestion();
  });
  $('#figure-place').addEventListener('change', () => {
    if (!current().figure) return;
    current().figure.place = $('#figure-place').value;
    changed();
    preview();
  });
  $('#figure-remove').addEventListener('click', () => {
    current().figure = null;
    changed();
    showQuestion();
  });
  window.addEventListener('beforeunload', (e) => {
    if (!state.dirty) return;
    e.preventDefault();
    e.returnValue = '';
  });
}

async function start() {
  $('#unzip-first').hidden = true;
  try {
    await typesetter.ready();
  } catch (err) {
    $('#fatal').hidden = false;
    $('#fatal').textContent = `${err.message}。请把整个教师工具包解压后，从解压出的文件夹里打开 题库编辑器.html。`;
    return;
  }
  $('#app').hidden = false;
  bind();
  useBank(newBank());
  offerDrafts();
}

module.exports = {start};
