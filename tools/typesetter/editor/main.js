// The question editor page's script (bundled with the typesetter, MathJax,
// MathLive and the zip code into one classic script).
'use strict';
const {start} = require('./app.js');

if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);
else start();
