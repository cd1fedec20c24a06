// The characters GBK has (the program's texts are GBK): found by decoding
// every two-byte GBK sequence once, with the platform's own decoder.
'use strict';

let repertoire = null;

function inGbk(ch) {
  const c = ch.codePointAt(0);
  if (c < 0x80) return true;
  if (!repertoire) {
    const bytes = [];
    for (let lead = 0x81; lead < 0xff; lead++) {
      for (let trail = 0x40; trail < 0xff; trail++) if (trail !== 0x7f) bytes.push(lead, trail);
    }
    repertoire = new Set(new TextDecoder('gbk').decode(new Uint8Array(bytes)));
    repertoire.delete('\ufffd');
  }
  return repertoire.has(ch);
}

module.exports = {inGbk};
