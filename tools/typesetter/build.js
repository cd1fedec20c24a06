// Builds the typesetter's pages into folders that work from file:// with no
// network, each script one classic script (Chromium refuses ES modules over
// file://) for Chrome and Edge 109, the last on Windows 7:
//   OUT/typesetter/   typesetter.html, typesetter.js: the typesetter alone,
//                     for the scripts that render a bank and for the tests
//   OUT/editor/       题库编辑器.html and 题库编辑器文件/: the question
//                     editor of the teacher kit (editor.js, editor.css, the
//                     font, MathLive's fonts, the licences)
//   node tools/typesetter/build.js OUT BOARDS.json FONT.woff2 FONT-LICENCE
'use strict';
const fs = require('fs');
const path = require('path');
const esbuild = require('esbuild');

const [out, boardsJson, font, fontLicence] = process.argv.slice(2);
if (!out || !boardsJson || !font || !fontLicence) {
  console.error('usage: node build.js OUT BOARDS.json FONT.woff2 FONT-LICENCE');
  process.exit(2);
}
const boards = path.resolve(boardsJson);
const modules = path.join(__dirname, 'node_modules');

const common = {
  bundle: true,
  format: 'iife',
  target: ['chrome109'],
  minify: true,
  legalComments: 'none',
  logLevel: 'warning',
  plugins: [{
    name: 'tessaly-boards',
    setup(build) {
      build.onResolve({filter: /^tessaly-boards$/}, () => ({path: boards}));
    },
  }],
};

function copy(from, to) {
  fs.mkdirSync(path.dirname(to), {recursive: true});
  fs.copyFileSync(from, to);
}

// The licences of what the scripts bundle and of the font.
function licences(to) {
  const parts = [['MathJax (mathjax-full)', 'mathjax-full/LICENSE'], ['MathLive', 'mathlive/LICENSE.txt'],
    ['fflate', 'fflate/LICENSE']].map(([name, file]) => `==== ${name} ====\n\n${fs.readFileSync(path.join(modules, file), 'utf8')}`);
  fs.writeFileSync(to, parts.join('\n\n'));
}

async function main() {
  const typesetter = path.join(out, 'typesetter');
  const editor = path.join(out, 'editor');
  const files = path.join(editor, '题库编辑器文件');
  fs.rmSync(editor, {recursive: true, force: true});
  await esbuild.build({...common, entryPoints: [path.join(__dirname, 'src', 'page.js')], globalName: 'TessalyTypesetter',
    outfile: path.join(typesetter, 'typesetter.js')});
  copy(path.join(__dirname, 'page', 'typesetter.html'), path.join(typesetter, 'typesetter.html'));
  await esbuild.build({...common, entryPoints: [path.join(__dirname, 'editor', 'main.js')],
    outfile: path.join(files, 'editor.js')});
  copy(path.join(__dirname, 'page', 'editor.html'), path.join(editor, '题库编辑器.html'));
  copy(path.join(__dirname, 'page', 'editor.css'), path.join(files, 'editor.css'));
  for (const dir of [typesetter, files]) {
    copy(font, path.join(dir, 'TessalySerif-GBK.woff2'));
    copy(fontLicence, path.join(dir, 'TessalySerif-GBK-许可.txt'));
  }
  const mlFonts = path.join(modules, 'mathlive', 'fonts');
  for (const f of fs.readdirSync(mlFonts)) copy(path.join(mlFonts, f), path.join(files, 'mathlive-fonts', f));
  licences(path.join(files, '第三方许可.txt'));
}

main().catch((err) => {
  console.error(`build.js: ${err.message}`);
  process.exit(1);
});
