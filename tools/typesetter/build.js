// Builds the typesetter's page into a folder that works from file:// with no
// network: one classic script (MathJax and the boards' sizes bundled in, for
// Chrome and Edge 109, the last on Windows 7) beside the page.
//   node tools/typesetter/build.js OUTDIR BOARDS.json
// The font and its licence are put beside them by scripts/typesetter.sh.
'use strict';
const fs = require('fs');
const path = require('path');
const esbuild = require('esbuild');

const [outDir, boardsJson] = process.argv.slice(2);
if (!outDir || !boardsJson) {
  console.error('usage: node build.js OUTDIR BOARDS.json');
  process.exit(2);
}
const boards = path.resolve(boardsJson);

esbuild.build({
  entryPoints: [path.join(__dirname, 'src', 'page.js')],
  bundle: true,
  format: 'iife',
  globalName: 'TessalyTypesetter',
  target: ['chrome109'],
  minify: true,
  legalComments: 'eof',
  outfile: path.join(outDir, 'typesetter.js'),
  logLevel: 'warning',
  plugins: [{
    name: 'tessaly-boards',
    setup(build) {
      build.onResolve({filter: /^tessaly-boards$/}, () => ({path: boards}));
    },
  }],
}).then(() => {
  fs.copyFileSync(path.join(__dirname, 'page', 'typesetter.html'), path.join(outDir, 'typesetter.html'));
}, () => process.exit(1));
