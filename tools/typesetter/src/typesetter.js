// The typesetter: a question's text, typed as Chinese with TeX maths, made
// into the picture one of the program's drawing boards shows. Runs in a page
// (canvas, the page's font); the page build (build.js) bundles it with
// MathJax and the boards' sizes from the program's window definition into
// one classic script that sets `TessalyTypesetter`.
//
//   await TessalyTypesetter.ready()           the font is loaded (rejects when
//                                             it cannot be)
//   await TessalyTypesetter.typeset(text, {board, name, figure, ink})
//
// board is 'question', 'answer' or 'solution' (TessalyTypesetter.boards), name
// names the picture in messages, figure an optional {image: Blob | bytes |
// ImageBitmap, place: 'below' | 'right'}, ink a CSS colour of the form #rrggbb.
// The result:
//   {ok, name, board, width, height, size, png, lines, problems, overflow}
// ok: a picture was made and it fits its board. png: the PNG file
// (Uint8Array) of the board's exact width, or null when the text has a
// problem. lines: the layout, each {top, baseline, height, boxes: [{kind,
// x, y, w, h, text | tex}]} in the picture's pixels. problems: [{message,
// line, column}] (a formula that does not parse, an unclosed $); overflow:
// null, or {message, tooLong, tooWide: [{text | tex, width}]} when even the
// smallest text size does not fit the board. figure: where the figure went,
// {x, y, w, h}, or null.

const {parseSource} = require('./source.js');
const {layoutText} = require('./layout.js');
const {createMath, MathError} = require('./math.js');
const {encodePng} = require('./png.js');
const {inGbk} = require('./gbk.js');
const boards = require('tessaly-boards');

const FONT_FAMILY = 'Tessaly Serif';
// Text sizes tried, largest first, until the text fits its board.
const SIZES = [20, 19, 18, 17, 16, 15, 14];
// The maths font's size to the text's: TeX's glyphs look small beside
// Chinese characters of the same em.
const MATH_SCALE = 1.1;
// The margins of a picture: left and right (a comma hanging past the line's
// end stands in the right one), top, bottom; smaller on the answer board.
const MARGINS = {question: [10, 8], answer: [6, 4], solution: [10, 8]};
// A figure: a gap from the text; beside the text at most this part of the
// measure; never scaled below this part of its size.
const FIGURE_GAP = 12;
const FIGURE_RIGHT_PART = 0.45;
const FIGURE_MIN_SCALE = 0.4;

let context = null;
function canvasContext() {
  if (!context) context = document.createElement('canvas').getContext('2d');
  return context;
}

const widthCache = new Map();
function textWidth(text, size, style = {}) {
  const key = `${size}|${style.italic ? 'i' : ''}${style.bold ? 'b' : ''}|${text}`;
  let w = widthCache.get(key);
  if (w === undefined) {
    const ctx = canvasContext();
    ctx.font = fontOf(size, style);
    w = ctx.measureText(text).width;
    widthCache.set(key, w);
  }
  return w;
}

function fontOf(size, style = {}) {
  return `${style.italic ? 'italic ' : ''}${style.bold ? 'bold ' : ''}${size}px "${FONT_FAMILY}"`;
}

const math = createMath((text, style) => textWidth(text, 100, style) / 100);

// The font has GBK's characters and printable ASCII (it is cut to them). A
// character outside would be drawn in whatever font the PC has, so the
// picture would differ from PC to PC; it is reported instead.
function inFont(ch) {
  const c = ch.codePointAt(0);
  return c >= 0x80 ? inGbk(ch) : c >= 0x20 || /\s/.test(ch);
}

function outsideFont(text) {
  return Array.from(text).filter((ch) => !inFont(ch));
}

async function ready() {
  const faces = await document.fonts.load(fontOf(20), '中文');
  if (!faces.length || !document.fonts.check(fontOf(20), '中')) {
    throw new Error(`字体“${FONT_FAMILY}”没有载入：页面旁的字体文件缺失或已损坏`);
  }
}

async function figureBitmap(image) {
  if (!image) return null;
  if (typeof ImageBitmap !== 'undefined' && image instanceof ImageBitmap) return image;
  const blob = image instanceof Blob ? image : new Blob([image]);
  try {
    return await createImageBitmap(blob);
  } catch (err) {
    throw new Error('插图无法读取：不是 PNG、JPEG、GIF 或 BMP 图片，或文件已损坏');
  }
}

// Lays the text out at each size in turn, with the figure where asked, and
// takes the first that fits the board.
function fit(tokens, board, figure, place) {
  const [mx, my] = MARGINS[board.key] || MARGINS.question;
  const metrics = {textWidth: (t, s) => textWidth(t, s), math: (tex, d) => math.typeset(tex, d), mathScale: MATH_SCALE};
  const full = board.width - 2 * mx;
  const room = board.height - 2 * my;
  let last = null;
  for (const size of SIZES) {
    let measure = full;
    let fig = null;
    if (figure && place === 'right') {
      const scale = Math.min(1, FIGURE_RIGHT_PART * full / figure.width, room / figure.height);
      fig = {scale, w: figure.width * scale, h: figure.height * scale};
      measure = full - fig.w - FIGURE_GAP;
      fig.x = mx + measure + FIGURE_GAP;
      fig.y = my;
    }
    const layout = layoutText(tokens, metrics, size, measure);
    let height = layout.height;
    if (figure && place !== 'right') {
      const top = layout.height > 0 ? layout.height + FIGURE_GAP : 0;
      const scale = Math.min(1, full / figure.width, Math.max(0, room - top) / figure.height);
      fig = {scale, w: figure.width * scale, h: figure.height * scale, x: mx + (full - figure.width * scale) / 2,
        y: my + top};
      height = top + fig.h;
    } else if (fig) {
      height = Math.max(height, fig.h);
    }
    const fits = height <= room && layout.overfull.length === 0 && (!fig || fig.scale >= FIGURE_MIN_SCALE);
    last = {layout, fig, height: Math.ceil(height + 2 * my), fits, margins: [mx, my]};
    if (fits) break;
  }
  return last;
}

function parseInk(ink) {
  const m = /^#([0-9a-f]{2})([0-9a-f]{2})([0-9a-f]{2})$/i.exec(ink || '#000000');
  if (!m) throw new Error(`颜色“${ink}”不是 #rrggbb 的形式`);
  return [1, 2, 3].map((i) => parseInt(m[i], 16));
}

const pathCache = new Map();
function path2d(d) {
  let p = pathCache.get(d);
  if (!p) {
    p = new Path2D(d);
    pathCache.set(d, p);
  }
  return p;
}

function drawFormula(ctx, box, ox, oy, size, ink) {
  const em = size * MATH_SCALE;
  const formula = math.typeset(box.tex, box.display);
  for (const op of formula.ops) {
    const m = op.m;
    ctx.setTransform(em * m[0], em * m[1], em * m[2], em * m[3], ox + em * m[4], oy + em * m[5]);
    const colour = op.colour || ink;
    ctx.fillStyle = colour;
    ctx.strokeStyle = colour;
    if (op.type === 'path') {
      ctx.fill(path2d(op.d));
    } else if (op.type === 'rect') {
      if (op.stroke) {
        ctx.lineWidth = op.stroke;
        ctx.strokeRect(op.x, op.y, op.w, op.h);
      } else {
        ctx.fillRect(op.x, op.y, op.w, op.h);
      }
    } else if (op.type === 'line') {
      ctx.lineWidth = op.stroke || 40;
      ctx.beginPath();
      ctx.moveTo(op.x1, op.y1);
      ctx.lineTo(op.x2, op.y2);
      ctx.stroke();
    } else if (op.type === 'text') {
      ctx.font = fontOf(op.size, op);
      ctx.fillText(op.text, op.x, op.y);
    }
  }
  ctx.setTransform(1, 0, 0, 1, 0, 0);
}

function draw(result, board, figure, ink) {
  const canvas = document.createElement('canvas');
  canvas.width = board.width;
  canvas.height = result.height;
  const ctx = canvas.getContext('2d');
  ctx.fillStyle = '#ffffff';
  ctx.fillRect(0, 0, canvas.width, canvas.height);
  const [mx, my] = result.margins;
  const size = result.layout.size;
  ctx.fillStyle = ink;
  ctx.textBaseline = 'alphabetic';
  ctx.font = fontOf(size);
  for (const line of result.layout.lines) {
    const y = my + line.baseline;
    for (const box of line.boxes) {
      const x = mx + box.x;
      if (box.kind === 'math') {
        drawFormula(ctx, box, x, y, size, ink);
        ctx.fillStyle = ink;
        ctx.font = fontOf(size);
      } else if (box.kind === 'blank') {
        ctx.fillRect(Math.round(x), Math.round(y + box.ruleDepth), Math.round(box.w), Math.max(1, Math.round(size / 16)));
      } else {
        ctx.fillText(box.text, x, y);
      }
    }
  }
  if (result.fig) {
    ctx.imageSmoothingQuality = 'high';
    ctx.drawImage(figure, result.fig.x, result.fig.y, result.fig.w, result.fig.h);
  }
  return ctx.getImageData(0, 0, canvas.width, canvas.height);
}

// The layout as the result reports it: boxes in the picture's pixels. A
// hanging mark reports the half of its em its ink takes.
function reportLines(result) {
  const [mx, my] = result.margins;
  return result.layout.lines.map((line) => ({
    top: my + line.top,
    baseline: my + line.baseline,
    height: line.height,
    boxes: line.boxes.map((b) => {
      const r = {kind: b.kind, x: mx + b.x, y: my + line.baseline - b.asc, w: b.hangs ? b.w / 2 : b.w, h: b.asc + b.desc};
      if (b.text !== undefined) r.text = b.text;
      if (b.tex !== undefined) r.tex = b.tex;
      return r;
    }),
  }));
}

function boardOf(board) {
  const b = boards[board];
  if (!b) throw new Error(`没有名为“${board}”的画板`);
  return {key: board, ...b};
}

async function typeset(text, options = {}) {
  const board = boardOf(options.board || 'question');
  const name = options.name || board.column;
  const inkText = options.ink || '#000000';
  const ink = parseInk(inkText);
  const base = {ok: false, name, board: board.key, width: board.width, height: 0, size: 0, png: null, lines: [],
    problems: [], overflow: null};
  const {tokens, problems} = parseSource(text);
  // Every formula is typeset first, so that each one that does not parse is
  // reported, with where it stands.
  for (const token of tokens) {
    if (token.kind === 'text') {
      let column = token.column;
      for (const ch of token.text) {
        if (!inFont(ch)) problems.push({message: `“${ch}”不在排版用的字体里（只有 GBK 的字符），请换一种写法`, line: token.line, column});
        column += ch.length;
      }
      continue;
    }
    if (token.kind !== 'math') continue;
    try {
      const formula = math.typeset(token.tex, token.display);
      const missing = formula.ops.filter((op) => op.type === 'text').flatMap((op) => outsideFont(op.text));
      if (missing.length) {
        problems.push({message: `公式“${token.tex}”里的“${missing.join('')}”不在排版用的字体里（只有 GBK 的字符）`,
          line: token.line, column: token.column});
      }
    } catch (err) {
      if (!(err instanceof MathError)) throw err;
      problems.push({message: `公式“${token.tex}”有误：${err.message}`, line: token.line, column: token.column});
    }
  }
  if (problems.length) {
    problems.sort((a, b) => a.line - b.line || a.column - b.column);
    return {...base, problems};
  }
  let figure = null;
  if (options.figure) {
    try {
      figure = await figureBitmap(options.figure.image);
    } catch (err) {
      return {...base, problems: [{message: err.message, line: 0, column: 0}]};
    }
  }
  const place = options.figure && options.figure.place === 'right' ? 'right' : 'below';
  const result = fit(tokens, board, figure, place);
  const image = draw(result, board, figure, inkText);
  const png = await encodePng(image, ink);
  let overflow = null;
  if (!result.fits) {
    const tooWide = result.layout.overfull;
    const tooLong = result.height > board.height;
    const what = [];
    if (tooLong) what.push(`高 ${result.height} 像素，画板只有 ${board.height} 像素`);
    for (const w of tooWide) what.push(`“${w.tex || w.text}”宽 ${Math.ceil(w.width)} 像素，一行放不下`);
    if (result.fig && result.fig.scale < FIGURE_MIN_SCALE) what.push('插图要缩得太小才放得下');
    overflow = {message: `“${name}”用最小的 ${SIZES[SIZES.length - 1]} 像素字号仍放不进${board.column}画板（${board.width}×${board.height}）：${what.join('；')}`,
      tooLong, tooWide};
  }
  const fig = result.fig && {x: result.fig.x, y: result.fig.y, w: result.fig.w, h: result.fig.h};
  return {...base, ok: result.fits, height: image.height, size: result.layout.size, png, lines: reportLines(result),
    figure: fig || null, overflow};
}

module.exports = {ready, typeset, boards};
