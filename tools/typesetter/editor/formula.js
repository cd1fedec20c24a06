// The visual formula editor, for teachers who do not write TeX: a MathLive
// field to build the formula by eye, a palette of what high-school maths
// needs, and the TeX it makes inserted into the text as $…$.
//
// MathLive has macros of its own that MathJax does not know; the TeX is
// taken expanded and cleared of MathLive's empty slots (toMathJax), and a
// test checks that everything the palette inserts parses in MathJax.
'use strict';

// The palette: [label, TeX inserted]. In the TeX, #? is an empty slot and
// #@ what was selected (or what stands before the cursor).
const PALETTE = [
  ['分数', '\\frac{#@}{#?}'], ['根号', '\\sqrt{#0}'], ['n 次根号', '\\sqrt[#?]{#0}'], ['平方', '#@^{2}'],
  ['上标', '#@^{#?}'], ['下标', '#@_{#?}'], ['绝对值', '\\left|#0\\right|'], ['括号', '\\left(#0\\right)'],
  ['≤', '\\le'], ['≥', '\\ge'], ['≠', '\\neq'], ['≈', '\\approx'], ['±', '\\pm'], ['×', '\\times'],
  ['÷', '\\div'], ['·', '\\cdot'], ['∞', '\\infty'], ['π', '\\pi'], ['°', '^{\\circ}'],
  ['∈', '\\in'], ['∉', '\\notin'], ['⊆', '\\subseteq'], ['⊊', '\\subsetneqq'], ['∩', '\\cap'], ['∪', '\\cup'],
  ['∅', '\\varnothing'], ['补集', '\\complement_{#?}#?'], ['集合', '\\{x\\mid #?\\}'], ['ℝ', '\\mathbf{R}'],
  ['ℕ', '\\mathbf{N}'], ['ℤ', '\\mathbf{Z}'], ['⇒', '\\Rightarrow'], ['⇔', '\\Leftrightarrow'],
  ['∠', '\\angle'], ['△', '\\triangle'], ['⊥', '\\perp'], ['∥', '\\parallel'], ['向量', '\\overrightarrow{#?}'],
  ['sin', '\\sin'], ['cos', '\\cos'], ['tan', '\\tan'], ['log', '\\log_{#?}#?'], ['ln', '\\ln'], ['lg', '\\lg'],
  ['求和', '\\sum_{#?}^{#?}'], ['极限', '\\lim_{#?}'], ['组合数', '\\mathrm{C}_{#?}^{#?}'],
  ['排列数', '\\mathrm{A}_{#?}^{#?}'], ['分段函数', '\\begin{cases}#?, & #?\\\\ #?, & #?\\end{cases}'],
  ['α', '\\alpha'], ['β', '\\beta'], ['θ', '\\theta'], ['φ', '\\varphi'], ['ω', '\\omega'], ['λ', '\\lambda'],
];

// MathLive's TeX as MathJax reads it: empty slots become empty groups,
// filled ones their content.
function toMathJax(latex) {
  let out = latex;
  for (let i = 0; i < 20 && out.includes('\\placeholder'); i++) {
    out = out.replace(/\\placeholder(\[[^\]]*\])?\{([^{}]*)\}/g, '{$2}');
  }
  return out.trim();
}

let dialog = null;

// Opens the formula editor, starting from `tex` (the formula the cursor was
// in, or ''); resolves to the TeX to insert, or null.
function editFormula(tex, fontsDirectory) {
  const ML = require('mathlive');
  ML.MathfieldElement.fontsDirectory = fontsDirectory;
  ML.MathfieldElement.soundsDirectory = null;
  if (!dialog) {
    dialog = document.createElement('dialog');
    dialog.className = 'formula-dialog';
    dialog.innerHTML = '<h2>公式编辑器</h2><p class="hint">点下面的按钮或直接用键盘输入，完成后按“插入”。</p>' +
        '<div class="palette"></div><math-field class="field"></math-field>' +
        '<p class="tex"></p><div class="buttons"><button class="insert">插入</button>' +
        '<button class="cancel">取消</button></div>';
    document.body.appendChild(dialog);
    const field = dialog.querySelector('math-field');
    field.mathVirtualKeyboardPolicy = 'manual';
    field.smartMode = false;
    const palette = dialog.querySelector('.palette');
    for (const [label, insert] of PALETTE) {
      const b = document.createElement('button');
      b.type = 'button';
      b.textContent = label;
      b.title = insert;
      b.addEventListener('click', () => {
        field.executeCommand(['insert', insert, {focus: true, selectionMode: 'placeholder'}]);
      });
      palette.appendChild(b);
    }
    field.addEventListener('input', () => {
      dialog.querySelector('.tex').textContent = toMathJax(field.getValue('latex-expanded'));
    });
  }
  const field = dialog.querySelector('math-field');
  field.value = tex;
  dialog.querySelector('.tex').textContent = tex;
  return new Promise((resolve) => {
    const done = (value) => {
      dialog.querySelector('.insert').onclick = null;
      dialog.querySelector('.cancel').onclick = null;
      dialog.close();
      resolve(value);
    };
    dialog.querySelector('.insert').onclick = () => done(toMathJax(field.getValue('latex-expanded')));
    dialog.querySelector('.cancel').onclick = () => done(null);
    dialog.oncancel = () => done(null);
    dialog.showModal();
    field.focus();
  });
}

module.exports = {PALETTE, toMathJax, editFormula};
