// Types a question into the question editor, as a teacher would, through
// the page's own controls in headless Chromium, and exports it for the bank
// tool: the first half of the test that the student's program shows what a
// teacher typed (tests/kit/editor_to_program_test.sh).
//   node tools/typesetter/type-in-editor.js OUT.zip
'use strict';
const fs = require('fs');
const {launch, EDITOR_PAGE} = require('./headless.js');

async function main(out) {
  const {browser, context, foreignRequests} = await launch({acceptDownloads: true, viewport: {width: 1600, height: 1000}});
  try {
    await context.addInitScript(() => Object.defineProperty(window, 'showSaveFilePicker', {value: undefined}));
    const page = await context.newPage();
    await page.goto('file://' + EDITOR_PAGE);
    await page.waitForSelector('#app:not([hidden])');
    await page.fill('#keywords', '函数');
    await page.fill('#unit', '函数：指数与对数');
    await page.fill('#correct', '21');
    await page.fill('#wrong', '4');
    await page.fill('#text-question', '已知 $f(x)=\\log_2\\left(x+\\sqrt{x^2+1}\\right)$，则 $f(0)=$＿＿＿＿。');
    await page.fill('#text-answer', '$0$');
    await page.fill('#text-solution', '$f(0)=\\log_2\\left(0+\\sqrt{0+1}\\right)=\\log_2 1=0$。');
    await page.waitForFunction(() => /像素字号/.test(document.querySelector('#note-solution').textContent));
    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#export')]);
    await download.saveAs(out);
    if (foreignRequests.length) throw new Error(`the editor asked for ${foreignRequests.join(' ')}`);
  } finally {
    await browser.close();
  }
}

main(process.argv[2]).catch((err) => {
  console.error(`type-in-editor: ${err.message}`);
  process.exit(1);
});
