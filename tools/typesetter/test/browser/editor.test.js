// The question editor in headless Chromium, worked through its own controls:
// typing and the preview, the work file saved and opened again, damaged
// files, drafts shared by two tabs or newer than the file, the formula
// editor, and no request but for the page's own files.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const {execFileSync} = require('node:child_process');
const {launch, EDITOR_PAGE} = require('../../headless.js');
const {createMath} = require('../../src/math.js');
const {toMathJax, PALETTE} = require('../../editor/formula.js');

let env;
let tmp;
const pageErrors = [];

test.before(async () => {
  tmp = fs.mkdtempSync(path.join(os.tmpdir(), 'tessaly-editor-'));
  env = await launch({viewport: {width: 1900, height: 1100}, acceptDownloads: true});
  // Saving then goes by download, as in a browser without the file picker.
  await env.context.addInitScript(() => Object.defineProperty(window, 'showSaveFilePicker', {value: undefined}));
});
test.after(async () => {
  if (env) await env.browser.close();
  fs.rmSync(tmp, {recursive: true, force: true});
});

async function openEditor() {
  const page = await env.context.newPage();
  page.on('pageerror', (e) => pageErrors.push(e.message));
  await page.goto('file://' + EDITOR_PAGE);
  await page.waitForSelector('#app:not([hidden])');
  return page;
}

const QUESTION = {
  unit: '函数：分段函数',
  question: '已知函数\n$$f(x)=\\begin{cases}2^x, & x\\le 0,\\\\ \\log_2 x, & x>0,\\end{cases}$$\n则 $f\\left(f\\left(\\frac{1}{4}\\right)\\right)=$＿＿＿＿。',
  answer: '$\\frac{1}{4}$',
  solution: '因为 $\\frac{1}{4}>0$，所以 $f\\left(\\frac{1}{4}\\right)=-2$，\n所以 $f(-2)=2^{-2}=\\frac{1}{4}$。',
};

async function type(page, q) {
  await page.fill('#keywords', '函数\n集合');
  await page.fill('#unit', q.unit);
  await page.fill('#correct', '12');
  await page.fill('#wrong', '3');
  await page.fill('#text-question', q.question);
  await page.fill('#text-answer', q.answer);
  await page.fill('#text-solution', q.solution);
}

async function previewed(page, boards = ['question', 'answer', 'solution']) {
  await page.waitForFunction((boards) => boards.every((b) => {
    const img = document.querySelector(`#preview-${b} img`);
    return /像素字号|放不进/.test(document.querySelector(`#note-${b}`).textContent) && !img.hidden && img.complete &&
      img.naturalWidth > 0;
  }), boards);
}

async function save(page, button = '#save') {
  const [download] = await Promise.all([page.waitForEvent('download'), page.click(button)]);
  const file = path.join(tmp, `${Date.now()}-${download.suggestedFilename()}`);
  await download.saveAs(file);
  return file;
}

async function openFile(page, file) {
  await page.setInputFiles('#open-file', file);
}

test('a question typed in the page shows its three pictures at the boards\' sizes, and what is cut off is marked', async () => {
  const page = await openEditor();
  await type(page, QUESTION);
  await previewed(page);
  const widths = await page.$$eval('.board img', (imgs) => imgs.map((i) => i.naturalWidth));
  assert.deepStrictEqual(widths, [785, 280, 785]);
  assert.ok(await page.isHidden('#preview-solution .cut'));
  await page.fill('#text-solution', '由题意得 $x^2+\\frac{1}{x}$ 的值，'.repeat(120));
  await page.waitForSelector('#preview-solution .cut:not([hidden])');
  assert.match(await page.textContent('#note-solution'), /最小的 14 像素字号仍放不进/);
  await page.fill('#text-answer', '$\\frac{1}{2$');
  await page.waitForFunction(() => /有误/.test(document.querySelector('#note-answer').textContent));
  await page.close({runBeforeUnload: false});
});

test('the work saved to a file opens again as it was; a damaged or foreign file changes nothing', async () => {
  const first = await openEditor();
  await type(first, QUESTION);
  await first.click('#add');
  await first.fill('#unit', '集合：交集');
  await first.fill('#text-question', '集合 $A\\cap B=$＿＿＿＿。');
  await previewed(first, ['question']);
  const file = await save(first);
  assert.match(await first.textContent('#saved'), /上次保存到文件/);
  await first.close({runBeforeUnload: false});

  const second = await openEditor();
  await openFile(second, file);
  await second.waitForFunction(() => /共 2 题/.test(document.querySelector('#count').textContent));
  await second.click('#list li[data-index="0"]');
  assert.strictEqual(await second.inputValue('#text-question'), QUESTION.question);
  assert.strictEqual(await second.inputValue('#text-solution'), QUESTION.solution);
  assert.strictEqual(await second.inputValue('#unit'), QUESTION.unit);
  assert.strictEqual(await second.inputValue('#keywords'), '函数\n集合');
  await previewed(second);

  const damaged = path.join(tmp, '坏的.zip');
  const bytes = fs.readFileSync(file);
  fs.writeFileSync(damaged, bytes.subarray(0, bytes.length - 100));
  const foreign = path.join(tmp, '别的.zip');
  fs.writeFileSync(foreign, 'PK not really');
  for (const bad of [damaged, foreign]) {
    await openFile(second, bad);
    await second.waitForSelector(`.message.error >> text=${path.basename(bad)}`);
  }
  assert.strictEqual(await second.inputValue('#text-question'), QUESTION.question);
  assert.match(await second.textContent('#count'), /共 2 题/);
  await second.close({runBeforeUnload: false});
});

test('exported, built by the bank tool and exported by it again, the bank opens in the editor with every source', async () => {
  const banktool = path.join(__dirname, '..', '..', '..', '..', 'build', 'native', 'bin', 'banktool');
  const page = await openEditor();
  await type(page, QUESTION);
  await page.click('#add');
  await page.fill('#unit', '集合：交集');
  await page.fill('#text-question', '集合 $A\\cap B=$＿＿＿＿。');
  await page.fill('#text-answer', '$\\{2\\}$');
  await page.fill('#text-solution', '由题意，\n$A\\cap B=\\{2\\}$。');
  await previewed(page);
  const exported = await save(page, '#export');
  await page.close({runBeforeUnload: false});
  const bankDir = path.join(tmp, '题库');
  const again = path.join(tmp, '导出的题库.zip');
  execFileSync(banktool, ['build', '--input', exported, '--out', bankDir, '--bank-version', '2026.12.9']);
  execFileSync(banktool, ['export', '--bank', bankDir, '--out', again]);

  const reopened = await openEditor();
  await openFile(reopened, again);
  await reopened.waitForFunction(() => /共 2 题/.test(document.querySelector('#count').textContent));
  assert.strictEqual(await reopened.inputValue('#keywords'), '函数\n集合');
  assert.strictEqual(await reopened.inputValue('#text-question'), QUESTION.question);
  assert.strictEqual(await reopened.inputValue('#text-answer'), QUESTION.answer);
  assert.strictEqual(await reopened.inputValue('#text-solution'), QUESTION.solution);
  await reopened.click('#list li[data-index="1"]');
  assert.strictEqual(await reopened.inputValue('#text-solution'), '由题意，\n$A\\cap B=\\{2\\}$。');
  assert.strictEqual(await reopened.inputValue('#unit'), '集合：交集');
  await previewed(reopened);
  await reopened.close({runBeforeUnload: false});
});

test('two tabs on one bank are warned; a draft that differs from the file is offered, never taken silently', async () => {
  const a = await openEditor();
  await type(a, QUESTION);
  const file = await save(a);
  await a.close({runBeforeUnload: false});

  const b = await openEditor();
  await openFile(b, file);
  await b.waitForFunction(() => /共 1 题/.test(document.querySelector('#count').textContent));
  await b.fill('#unit', '函数：改过的单元');
  await b.waitForTimeout(800);  // the draft is kept half a second after a change
  const c = await openEditor();
  await openFile(c, file);
  await c.waitForSelector('dialog.ask >> text=草稿');
  await c.click('dialog.ask button >> text=用文件里的内容');
  assert.strictEqual(await c.inputValue('#unit'), QUESTION.unit);
  await c.waitForSelector('.message.warning >> text=另一个标签页');
  await b.waitForSelector('.message.warning >> text=另一个标签页');
  await b.close({runBeforeUnload: false});

  await openFile(c, file);
  await c.waitForSelector('dialog.ask >> text=草稿');
  await c.click('dialog.ask button >> text=恢复草稿');
  assert.strictEqual(await c.inputValue('#unit'), '函数：改过的单元');
  assert.match(await c.textContent('#dirty'), /还没保存/);
  await c.close({runBeforeUnload: false});
});

test('the formula editor inserts TeX at the cursor, and everything its palette makes parses in MathJax', async () => {
  const page = await openEditor();
  await page.fill('#text-answer', '答案是 ');
  await page.click('#formula-answer');
  await page.waitForSelector('dialog.formula-dialog[open] math-field');
  const made = [];
  for (const [label] of PALETTE) {
    await page.$eval('dialog.formula-dialog math-field', (f) => {
      f.value = '';
    });
    await page.click(`dialog.formula-dialog .palette button >> text="${label}"`);
    made.push([label, await page.$eval('dialog.formula-dialog math-field', (f) => f.getValue('latex-expanded'))]);
  }
  await page.$eval('dialog.formula-dialog math-field', (f) => {
    f.value = '\\frac{1}{2}';
  });
  await page.click('dialog.formula-dialog button.insert');
  assert.match(await page.inputValue('#text-answer'), /^答案是 \$\\frac\{?1\}?\{?2\}?\$$/);
  await page.close({runBeforeUnload: false});

  const math = createMath((text) => Array.from(text).length);
  for (const [label, latex] of made) {
    assert.ok(latex.length > 0, label);
    assert.doesNotThrow(() => math.typeset(toMathJax(latex), false), `${label}: ${latex}`);
  }
});

test('the page alone, as Windows opens it from inside the zip, says to unpack first and how', async () => {
  const alone = path.join(tmp, 'Temp1_kit.zip');
  fs.mkdirSync(alone);
  fs.copyFileSync(EDITOR_PAGE, path.join(alone, '题库编辑器.html'));
  const page = await env.context.newPage();
  await page.goto('file://' + path.join(alone, '题库编辑器.html'));
  assert.ok(await page.isVisible('#unzip-first'));
  assert.match(await page.textContent('#unzip-first'), /请先解压[\s\S]*全部解压缩/);
  assert.ok(await page.isHidden('#app'));
  await page.close();
});

test('the editor made no request but for its own files, and raised no error', () => {
  assert.deepStrictEqual(env.foreignRequests, []);
  assert.deepStrictEqual(pageErrors, []);
});
