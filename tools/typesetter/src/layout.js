// Lays out a parsed text (source.js) at one text size on a measure of a given
// width: its paragraphs as boxes (Chinese characters, Latin words, formulas,
// answer blanks), broken into lines by Chinese rules, each line placed on a
// common baseline, and the lines stacked with spacing that grows for tall
// formulas. Pure: what it needs of fonts and maths comes in `metrics`:
//   metrics.textWidth(text, size)  the advance of a run of text, in px
//   metrics.math(tex, display)     a typeset formula {w, h, d} in em of the
//                                  maths font (width, height above and depth
//                                  below the baseline)
//   metrics.mathScale              the maths font's size to the text's
//
// layoutText(tokens, metrics, size, width) gives
//   {size, width, height, lines: [{top, baseline, height, boxes}], overfull}
// with every box placed: {kind, x, w, asc, desc, text | tex | display}, x
// from the measure's left edge, asc and desc from the line's baseline.

const {breakParagraph} = require('./linebreak.js');

// Marks no line may begin with, and marks no line may end with.
const NO_LINE_START = new Set('，。、；：？！）》」』】〕〉〗”’…—·．%,.;:?!)]}');
const NO_LINE_END = new Set('（《「『【〔〈〖“‘([{');
// Of those that may not begin a line, the small ones that stand past the
// line's end instead.
const HANGING = new Set('，。、．；：？！,.');

// Text ascent and descent of the CJK font (its ideographic em box), and the
// room a line of plain text takes: its baseline-to-baseline distance.
const TEXT_ASCENT = 0.88;
const TEXT_DESCENT = 0.12;
const LINE_PITCH = 1.75;
// Space kept between a tall formula and the lines above and below.
const MATH_CLEARANCE = 0.2;
// The gap a typed space makes, and the gap set between a Chinese character
// and a formula or Latin word typed without one.
const SPACE_EM = 0.25;
// An answer blank: a rule this far below the baseline, one em long for each
// full-width low line typed (＿), half an em for each ASCII one, at least 3 em.
const BLANK_RULE_DEPTH = 0.15;

function isCjk(ch) {
  const c = ch.codePointAt(0);
  return (c >= 0x2e80 && c <= 0x9fff) || (c >= 0xf900 && c <= 0xfaff) || (c >= 0xfe30 && c <= 0xfe4f) ||
      (c >= 0xff00 && c <= 0xffef) || (c >= 0x20000 && c <= 0x2fa1f) || ch === '…' || ch === '—' ||
      ch === '“' || ch === '”' || ch === '‘' || ch === '’' || ch === '·';
}

function isIdeograph(ch) {
  const c = ch.codePointAt(0);
  return (c >= 0x3400 && c <= 0x9fff) || (c >= 0xf900 && c <= 0xfaff) || (c >= 0x20000 && c <= 0x2fa1f);
}

// Splits a run of text into boxes: one per Chinese character, one per Latin
// word (any run of other characters without a space), one per answer blank
// (two or more ＿, or three or more _). Spaces become `spaceBefore` on the
// next box.
function textBoxes(text) {
  const boxes = [];
  let space = false;
  const chars = Array.from(text);
  for (let i = 0; i < chars.length;) {
    const ch = chars[i];
    if (/\s/.test(ch)) {
      space = true;
      i++;
      continue;
    }
    let j = i;
    if (ch === '＿' || ch === '_') {
      let ems = 0;
      while (j < chars.length && (chars[j] === '＿' || chars[j] === '_')) ems += chars[j++] === '＿' ? 1 : 0.5;
      if (ems >= 1 && (j - i >= 2)) {
        boxes.push({kind: 'blank', ems: Math.max(3, ems), spaceBefore: space});
        space = false;
        i = j;
        continue;
      }
      j = i;
    }
    if (isCjk(ch)) {
      boxes.push({kind: 'char', text: ch, spaceBefore: space});
      i++;
    } else {
      while (j < chars.length && !/\s/.test(chars[j]) && !isCjk(chars[j])) j++;
      boxes.push({kind: 'word', text: chars.slice(i, j).join(''), spaceBefore: space});
      i = j;
    }
    space = false;
  }
  return {boxes, trailingSpace: space};
}

// Whether a line may begin with box b, which follows box a; and the gap
// between them when it does not.
function junction(a, b, em) {
  const aText = a.kind === 'char' ? a.text : a.kind === 'word' ? a.text.slice(-1) : null;
  const bText = b.kind === 'char' ? b.text : b.kind === 'word' ? Array.from(b.text)[0] : null;
  const aPunct = a.kind === 'char' && !isIdeograph(a.text);
  const bPunct = b.kind === 'char' && !isIdeograph(b.text);
  let breakBefore;
  if (bText !== null && NO_LINE_START.has(bText)) breakBefore = false;
  else if (aText !== null && NO_LINE_END.has(aText)) breakBefore = false;
  else breakBefore = b.spaceBefore || a.kind === 'char' || b.kind === 'char';
  let gap = 0;
  if (b.spaceBefore) gap = aPunct || bPunct ? 0 : SPACE_EM * em;
  else if ((a.kind === 'char' && isIdeograph(a.text) && (b.kind === 'math' || b.kind === 'word')) ||
           (b.kind === 'char' && isIdeograph(b.text) && (a.kind === 'math' || a.kind === 'word'))) {
    gap = SPACE_EM * em;
  }
  return {breakBefore, gap, justify: a.kind === 'char' && b.kind === 'char'};
}

// The paragraphs of a token list: [{kind: 'paragraph', boxes} | {kind:
// 'display', box} | {kind: 'empty'}], boxes measured at size px.
function blocksOf(tokens, metrics, size) {
  const blocks = [];
  let current = null;
  let pendingSpace = false;
  let lineHasContent = false;
  const box = (b) => {
    if (!current) {
      current = {kind: 'paragraph', boxes: []};
      blocks.push(current);
    }
    if (pendingSpace) b.spaceBefore = true;
    pendingSpace = false;
    current.boxes.push(b);
  };
  for (const token of tokens) {
    if (token.kind === 'newline') {
      if (!lineHasContent) blocks.push({kind: 'empty'});
      current = null;
      pendingSpace = false;
      lineHasContent = false;
    } else if (token.kind === 'math' && token.display) {
      const m = metrics.math(token.tex, true);
      const s = size * metrics.mathScale;
      blocks.push({kind: 'display', box: {kind: 'math', display: true, tex: token.tex, w: m.w * s, asc: m.h * s,
        desc: m.d * s, token}});
      current = null;
      pendingSpace = false;
      lineHasContent = true;
    } else if (token.kind === 'math') {
      const m = metrics.math(token.tex, false);
      const s = size * metrics.mathScale;
      box({kind: 'math', display: false, tex: token.tex, w: m.w * s, asc: m.h * s, desc: m.d * s, token,
        spaceBefore: false});
      lineHasContent = true;
    } else {
      const {boxes, trailingSpace} = textBoxes(token.text);
      for (const b of boxes) {
        if (b.kind === 'blank') {
          b.w = b.ems * size;
          b.asc = TEXT_ASCENT * size;
          b.desc = TEXT_DESCENT * size;
        } else {
          b.w = metrics.textWidth(b.text, size);
          b.asc = TEXT_ASCENT * size;
          b.desc = TEXT_DESCENT * size;
        }
        box(b);
      }
      if (boxes.length) lineHasContent = true;
      pendingSpace = pendingSpace || trailingSpace;
    }
  }
  // A text that ends with a line break ends there, not with an empty line.
  while (blocks.length && blocks[blocks.length - 1].kind === 'empty') blocks.pop();
  for (const block of blocks) {
    if (block.kind !== 'paragraph') continue;
    const boxes = block.boxes;
    boxes[0].breakBefore = true;
    boxes[0].gapBefore = 0;
    for (let i = 1; i < boxes.length; i++) {
      const j = junction(boxes[i - 1], boxes[i], size);
      boxes[i].breakBefore = j.breakBefore;
      boxes[i].gapBefore = j.gap;
      boxes[i].justify = j.justify;
      boxes[i].hangs = boxes[i].kind === 'char' && HANGING.has(boxes[i].text);
    }
  }
  return blocks;
}

function placeLine(boxes, x0, stretch, size) {
  let x = x0;
  let asc = TEXT_ASCENT * size;
  let desc = TEXT_DESCENT * size;
  let tall = false;
  const placed = boxes.map((b, k) => {
    if (k > 0) x += b.gapBefore + (b.justify ? stretch : 0);
    const p = {kind: b.kind, x, w: b.w, asc: b.asc, desc: b.desc};
    if (b.kind === 'math') {
      p.tex = b.tex;
      p.display = b.display;
      if (b.asc > TEXT_ASCENT * size || b.desc > TEXT_DESCENT * size) tall = true;
    } else if (b.kind === 'blank') {
      p.ruleDepth = BLANK_RULE_DEPTH * size;
    } else {
      p.text = b.text;
    }
    if (b.hangs) p.hangs = true;
    asc = Math.max(asc, b.asc);
    desc = Math.max(desc, b.desc);
    x += b.w;
    return p;
  });
  // A line of plain text takes LINE_PITCH; one with a tall formula as much
  // more as the formula needs, with clearance above and below.
  const lead = (LINE_PITCH - TEXT_ASCENT - TEXT_DESCENT) * size / 2;
  const clearance = MATH_CLEARANCE * size;
  const above = Math.max(TEXT_ASCENT * size + lead, tall ? asc + clearance : 0);
  const below = Math.max(TEXT_DESCENT * size + lead, tall ? desc + clearance : 0);
  return {boxes: placed, above, below};
}

function layoutText(tokens, metrics, size, width) {
  const lines = [];
  let y = 0;
  let overfull = [];
  const push = (line) => {
    lines.push({top: y, baseline: y + line.above, height: line.above + line.below, boxes: line.boxes});
    y += line.above + line.below;
  };
  for (const block of blocksOf(tokens, metrics, size)) {
    if (block.kind === 'empty') {
      y += LINE_PITCH * size / 2;
      continue;
    }
    if (block.kind === 'display') {
      const b = block.box;
      const x = Math.max(0, (width - b.w) / 2);
      if (b.w > width) overfull.push({tex: b.tex, width: b.w});
      push(placeLine([b], x, 0, size));
      continue;
    }
    for (const line of breakParagraph(block.boxes, width, size)) {
      const boxes = block.boxes.slice(line.start, line.end);
      if (line.overfull) {
        const wide = boxes.reduce((a, b) => (b.w > a.w ? b : a));
        overfull.push(wide.kind === 'math' ? {tex: wide.tex, width: wide.w} : {text: boxes.map((b) => b.text || '').join(''),
          width: line.width});
      }
      push(placeLine(boxes, 0, line.stretch, size));
    }
  }
  return {size, width, height: y, lines, overfull};
}

module.exports = {layoutText, NO_LINE_START, NO_LINE_END};
