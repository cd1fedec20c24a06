// TeX formulas typeset by MathJax (TeX input, SVG output on MathJax's own
// light DOM, so the same code runs in the page and under node) and turned
// into a list of drawing operations, so that a picture is drawn with canvas
// paths and the page's own font rather than as an SVG image, which cannot
// see the page's fonts.
//
// createMath(textWidth) gives {typeset(tex, display)}; textWidth(text, style)
// measures text MathJax has no glyphs for (Chinese in \text{…}) in em of the
// text font, style {italic, bold}. typeset gives
//   {w, h, d, ops}  width, height and depth in em of the maths font, and the
//                   operations in em with the baseline at y 0, y downwards
// and throws a MathError (message in Chinese, the TeX's own beside it) for a
// formula that does not parse.
//
// Inline formulas are set in display style, as exam papers set them: a
// fraction in a line of text is as large as one on a line of its own
// (\tfrac asks for a small one).

const {mathjax} = require('mathjax-full/js/mathjax.js');
const {TeX} = require('mathjax-full/js/input/tex.js');
const {SVG} = require('mathjax-full/js/output/svg.js');
const {LiteAdaptor} = require('mathjax-full/js/adaptors/liteAdaptor.js');
const {RegisterHTMLHandler} = require('mathjax-full/js/handlers/html.js');
require('mathjax-full/js/input/tex/base/BaseConfiguration.js');
require('mathjax-full/js/input/tex/ams/AmsConfiguration.js');
require('mathjax-full/js/input/tex/newcommand/NewcommandConfiguration.js');
require('mathjax-full/js/input/tex/mathtools/MathtoolsConfiguration.js');
require('mathjax-full/js/input/tex/cancel/CancelConfiguration.js');
require('mathjax-full/js/input/tex/braket/BraketConfiguration.js');
require('mathjax-full/js/input/tex/boldsymbol/BoldsymbolConfiguration.js');
require('mathjax-full/js/input/tex/color/ColorConfiguration.js');

const PACKAGES = ['base', 'ams', 'newcommand', 'mathtools', 'cancel', 'braket', 'boldsymbol', 'color'];

// MathJax's x-height in em: with ex given as this part of em, text MathJax
// has no glyph for is set at exactly 1 em.
const X_HEIGHT = 0.442;

class MathError extends Error {}

// The messages teachers meet most, in Chinese; any other keeps MathJax's.
function chineseMessage(err) {
  const m = String(err.message || err);
  switch (err.id) {
    case 'UndefinedControlSequence': return `不认识的命令 ${m.replace(/^.*\s/, '')}`;
    case 'MissingCloseBrace': return '缺少右花括号“}”';
    case 'ExtraCloseMissingOpen': return '多了右花括号“}”，或缺少左花括号“{”';
    case 'MissingArgFor': return `命令缺少参数（${m}）`;
    case 'ExtraAlignTab': return '“&”多了';
    case 'Misplaced': return `位置不对：${m}`;
    case 'DoubleExponent': return '上标重复，请用花括号分清（如 {x^2}^3）';
    case 'DoubleSubscripts': return '下标重复，请用花括号分清';
    case 'MissingLeftExtraRight': return '\\right 前缺少 \\left';
    case 'ExtraLeftMissingRight': return '\\left 后缺少 \\right';
    case 'UnknownEnv': return `不认识的环境（${m}）`;
    default: return m;
  }
}

// Text sizes come from the measurer rather than a browser's layout.
class MeasuringAdaptor extends LiteAdaptor {
  constructor(textWidth) {
    super();
    this.textWidth = textWidth;
  }
  nodeSize(node, em = 1) {
    const text = this.textContent(node);
    const size = parseFloat(this.getAttribute(node, 'font-size')) || 1000;
    const style = {italic: this.getAttribute(node, 'font-style') === 'italic',
      bold: this.getAttribute(node, 'font-weight') === 'bold'};
    return [this.textWidth(text, style) * size / em, 0.8 * size / em];
  }
}

// 2-D affine transforms as [a, b, c, d, e, f] (x' = a x + c y + e).
function multiply(m, n) {
  return [m[0] * n[0] + m[2] * n[1], m[1] * n[0] + m[3] * n[1], m[0] * n[2] + m[2] * n[3],
    m[1] * n[2] + m[3] * n[3], m[0] * n[4] + m[2] * n[5] + m[4], m[1] * n[4] + m[3] * n[5] + m[5]];
}

function parseTransform(text) {
  let m = [1, 0, 0, 1, 0, 0];
  if (!text) return m;
  const re = /(\w+)\s*\(([^)]*)\)/g;
  let match;
  while ((match = re.exec(text))) {
    const v = match[2].split(/[\s,]+/).filter((s) => s !== '').map(Number);
    let t;
    switch (match[1]) {
      case 'translate': t = [1, 0, 0, 1, v[0] || 0, v[1] || 0]; break;
      case 'scale': t = [v[0], 0, 0, v.length > 1 ? v[1] : v[0], 0, 0]; break;
      case 'matrix': t = v; break;
      case 'rotate': {
        const r = (v[0] || 0) * Math.PI / 180;
        t = [Math.cos(r), Math.sin(r), -Math.sin(r), Math.cos(r), 0, 0];
        if (v.length === 3) t = multiply(multiply([1, 0, 0, 1, v[1], v[2]], t), [1, 0, 0, 1, -v[1], -v[2]]);
        break;
      }
      default: throw new MathError(`公式的图形用了不支持的变换 ${match[1]}`);
    }
    m = multiply(m, t);
  }
  return m;
}

// The drawing operations of a MathJax SVG tree, in its units (1/1000 em).
function collectOps(adaptor, node, m, colour, ops) {
  const kind = adaptor.kind(node);
  if (kind === '#text' || kind === '#comment') return;
  const attr = (name) => adaptor.getAttribute(node, name);
  const fill = attr('fill');
  if (fill && fill !== 'currentColor' && fill !== 'none') colour = fill;
  const here = multiply(m, parseTransform(attr('transform')));
  switch (kind) {
    case 'path':
      if (attr('d')) ops.push({type: 'path', d: attr('d'), m: here, colour});
      return;
    case 'rect': {
      const r = {type: 'rect', x: +attr('x') || 0, y: +attr('y') || 0, w: +attr('width') || 0,
        h: +attr('height') || 0, m: here, colour};
      if (fill === 'none') {
        r.stroke = +(attr('stroke-width') || 0) || 0;
        if (r.stroke <= 0) return;
      }
      ops.push(r);
      return;
    }
    case 'line':
      ops.push({type: 'line', x1: +attr('x1') || 0, y1: +attr('y1') || 0, x2: +attr('x2') || 0,
        y2: +attr('y2') || 0, stroke: +(attr('stroke-width') || 0) || 0, m: here, colour});
      return;
    case 'text':
      ops.push({type: 'text', text: adaptor.textContent(node), size: parseFloat(attr('font-size')) || 1000,
        x: +attr('x') || 0, y: +attr('y') || 0, italic: attr('font-style') === 'italic',
        bold: attr('font-weight') === 'bold', m: here, colour});
      return;
    case 'svg': {
      const inner = multiply(here, [1, 0, 0, 1, +attr('x') || 0, +attr('y') || 0]);
      for (const child of adaptor.childNodes(node)) collectOps(adaptor, child, inner, colour, ops);
      return;
    }
    case 'g': case 'a':
      // MathJax reports some errors (an unknown character, say) as an
      // merror node rather than throwing.
      if (attr('data-mml-node') === 'merror') throw new MathError(`公式有误：${adaptor.textContent(node)}`);
      for (const child of adaptor.childNodes(node)) collectOps(adaptor, child, here, colour, ops);
      return;
    case 'title': case 'desc': case 'defs': case 'style':
      return;
    default:
      throw new MathError(`公式的图形里有不支持的元素 <${kind}>`);
  }
}

function createMath(textWidth) {
  const adaptor = new MeasuringAdaptor(textWidth);
  RegisterHTMLHandler(adaptor);
  const tex = new TeX({
    packages: PACKAGES,
    formatError: (jax, err) => {
      throw err;
    },
  });
  const svg = new SVG({fontCache: 'none', internalSpeechTitles: false});
  const doc = mathjax.document('', {InputJax: tex, OutputJax: svg});
  const cache = new Map();

  function typeset(source, display) {
    const key = (display ? 'D' : 'I') + source;
    if (cache.has(key)) return cache.get(key);
    let container;
    try {
      container = doc.convert(display ? source : '\\displaystyle ' + source,
          {display, em: 16, ex: 16 * X_HEIGHT, containerWidth: 100000});
    } catch (err) {
      if (err instanceof MathError) throw err;
      const e = new MathError(chineseMessage(err));
      e.tex = String(err.message || err);
      throw e;
    }
    const root = adaptor.childNodes(container).find((n) => adaptor.kind(n) === 'svg');
    const box = (adaptor.getAttribute(root, 'viewBox') || '').split(/\s+/).map(Number);
    if (box.length !== 4 || box.some((v) => !Number.isFinite(v))) throw new MathError('公式没有排出图形');
    const ops = [];
    for (const child of adaptor.childNodes(root)) collectOps(adaptor, child, [1, 0, 0, 1, -box[0], 0], null, ops);
    // MathJax's units to em.
    for (const op of ops) op.m = multiply([0.001, 0, 0, 0.001, 0, 0], op.m);
    const result = {w: box[2] / 1000, h: -box[1] / 1000, d: (box[3] + box[1]) / 1000, ops};
    cache.set(key, result);
    return result;
  }
  return {typeset};
}

module.exports = {createMath, MathError};
