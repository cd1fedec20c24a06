// The typesetter's page in Debian's Chromium, headless, for the scripts and
// tests that run it from node (playwright-core drives the browser; it never
// downloads one). Every request the page makes is recorded; one for anything
// but the page's own files (file:, data:, blob:) is refused.
//
//   const t = await openTypesetter();        // build/typesetter by default
//   const r = await t.typeset(text, options)  // as TessalyTypesetter.typeset,
//                                             // png as a Buffer (or null)
//   t.foreignRequests                         // URLs refused
//   await t.close();
'use strict';
const path = require('path');
const fs = require('fs');
const {chromium} = require('playwright-core');

const DEFAULT_PAGE_DIR = path.join(__dirname, '..', '..', 'build', 'typesetter');
const CHROMIUM = process.env.TESSALY_CHROMIUM || '/usr/bin/chromium';

// Debian's Chromium, headless, and a context of its own whose requests for
// anything but local files are refused and listed in foreignRequests.
async function launch(contextOptions = {}) {
  const browser = await chromium.launch({
    executablePath: CHROMIUM,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
  const foreignRequests = [];
  const context = await browser.newContext({deviceScaleFactor: 1, ...contextOptions});
  await context.route(/^(?!file:|data:|blob:)/, (route) => {
    foreignRequests.push(route.request().url());
    return route.abort();
  });
  context.on('request', (r) => {
    if (!/^(file|data|blob):/.test(r.url()) && !foreignRequests.includes(r.url())) foreignRequests.push(r.url());
  });
  return {browser, context, foreignRequests};
}

async function openTypesetter(pageDir = process.env.TESSALY_TYPESETTER_DIR || DEFAULT_PAGE_DIR) {
  const page = path.resolve(pageDir, 'typesetter.html');
  if (!fs.existsSync(page)) throw new Error(`${page} is missing: run scripts/typesetter.sh`);
  const {browser, context, foreignRequests} = await launch();
  const tab = await context.newPage();
  const errors = [];
  tab.on('pageerror', (e) => errors.push(e.message));
  await tab.goto('file://' + page);
  await tab.evaluate(() => TessalyTypesetter.ready());
  return {
    page: tab,
    foreignRequests,
    errors,
    boards: await tab.evaluate(() => TessalyTypesetter.boards),
    async typeset(text, options = {}) {
      const r = await tab.evaluate(async ([text, options]) => {
        if (options.figure && options.figure.base64) {
          const bytes = Uint8Array.from(atob(options.figure.base64), (c) => c.charCodeAt(0));
          options.figure = {image: bytes, place: options.figure.place};
        }
        const result = await TessalyTypesetter.typeset(text, options);
        if (result.png) {
          let binary = '';
          for (let i = 0; i < result.png.length; i += 0x8000) {
            binary += String.fromCharCode.apply(null, result.png.subarray(i, i + 0x8000));
          }
          result.png = btoa(binary);
        }
        return result;
      }, [text, options]);
      if (r.png) r.png = Buffer.from(r.png, 'base64');
      return r;
    },
    async close() {
      await browser.close();
    },
  };
}

const EDITOR_PAGE = path.join(__dirname, '..', '..', 'build', 'editor', '题库编辑器.html');

module.exports = {openTypesetter, launch, EDITOR_PAGE};
