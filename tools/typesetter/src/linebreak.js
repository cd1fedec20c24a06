// Chinese line breaking over a paragraph of boxes, greedy, one line at a time.
//
// A box is {w, breakBefore, gapBefore, hangs?, ...}: w its width, breakBefore
// whether a line may begin with it, gapBefore the space before it when it
// does not begin a line, hangs whether it may stand past the line's end
// rather than begin the next line (a comma, a full stop). Boxes are never
// split, so a formula, a Latin word or an answer blank stays whole.
//
// breakParagraph(boxes, width) gives the lines as
//   [{start, end, width, stretch, overfull}]
// (boxes start..end-1; width their natural width; stretch the space to add at
// each junction marked justify so that the line fills the measure; overfull
// when a box that cannot move is wider than the measure).

// Junctions that take the extra space of a justified line: between two
// Chinese characters, at most this part of the text size each. A line with
// more room to spare stays ragged rather than spaced out.
const MAX_STRETCH_EM = 0.15;

function naturalWidth(boxes, start, end) {
  let x = 0;
  for (let i = start; i < end; i++) x += (i > start ? boxes[i].gapBefore : 0) + boxes[i].w;
  return x;
}

function justification(boxes, start, end, width, em) {
  const natural = naturalWidth(boxes, start, end);
  let junctions = 0;
  for (let i = start + 1; i < end; i++) if (boxes[i].justify) junctions++;
  const slack = width - natural;
  if (slack <= 0 || junctions === 0 || slack / junctions > MAX_STRETCH_EM * em) return 0;
  return slack / junctions;
}

function breakParagraph(boxes, width, em = 20) {
  const lines = [];
  let start = 0;
  while (start < boxes.length) {
    let x = boxes[start].w;
    let lastBreak = -1;  // the latest i > start where a line may begin
    let end = start + 1;
    let overfull = boxes[start].w > width;
    let broken = false;
    for (let i = start + 1; i < boxes.length; i++) {
      const box = boxes[i];
      if (box.breakBefore) lastBreak = i;
      const next = x + box.gapBefore + box.w;
      if (next <= width || (box.hangs && x <= width)) {
        x = next;
        end = i + 1;
        continue;
      }
      // Box i does not fit: end the line at the latest place it may end.
      if (lastBreak > start) {
        end = lastBreak;
      } else {
        // No place to break since the line began: the line runs on until
        // one comes, wider than the measure.
        let j = i;
        while (j < boxes.length && !boxes[j].breakBefore) j++;
        end = j;
        overfull = true;
      }
      broken = true;
      break;
    }
    if (!broken) end = boxes.length;
    const natural = naturalWidth(boxes, start, end);
    const last = end >= boxes.length;
    lines.push({
      start,
      end,
      width: natural,
      stretch: last ? 0 : justification(boxes, start, end, width, em),
      overfull: overfull || (natural > width && !boxes[end - 1].hangs),
    });
    start = end;
  }
  return lines;
}

module.exports = {breakParagraph};
