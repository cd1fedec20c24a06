// The PNG writer: pictures decode back to what was drawn, in one ink as 16
// shades, otherwise as RGB.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const zlib = require('node:zlib');
const {encodePng, crc32} = require('../src/png.js');

function decode(png) {
  const buf = Buffer.from(png);
  assert.deepStrictEqual([...buf.subarray(0, 8)], [0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]);
  const chunks = {};
  const idat = [];
  for (let at = 8; at < buf.length;) {
    const length = buf.readUInt32BE(at);
    const type = buf.toString('latin1', at + 4, at + 8);
    const body = buf.subarray(at + 8, at + 8 + length);
    assert.strictEqual(buf.readUInt32BE(at + 8 + length), (crc32(buf.subarray(at + 4, at + 8 + length)) ^ 0xffffffff) >>> 0);
    if (type === 'IDAT') idat.push(body); else chunks[type] = body;
    at += 12 + length;
  }
  const h = chunks.IHDR;
  return {width: h.readUInt32BE(0), height: h.readUInt32BE(4), depth: h[8], colour: h[9], palette: chunks.PLTE,
    raw: zlib.inflateSync(Buffer.concat(idat))};
}

function image(width, height, pixel) {
  const data = new Uint8ClampedArray(width * height * 4);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) data.set([...pixel(x, y), 255], (y * width + x) * 4);
  }
  return {width, height, data};
}

test('ink over white is stored as 16 shades of the ink and decodes within one shade', async () => {
  const ink = [26, 58, 138];
  const cover = (x, y) => ((x * 7 + y * 13) % 256) / 255;
  const img = image(13, 5, (x, y) => ink.map((c) => Math.round(255 - (255 - c) * cover(x, y))));
  const png = decode(await encodePng(img, ink));
  assert.deepStrictEqual([png.width, png.height, png.depth, png.colour], [13, 5, 4, 3]);
  const stride = 7;
  for (let y = 0; y < 5; y++) {
    assert.strictEqual(png.raw[y * (stride + 1)], 0);
    for (let x = 0; x < 13; x++) {
      const byte = png.raw[y * (stride + 1) + 1 + (x >> 1)];
      const shade = x & 1 ? byte & 15 : byte >> 4;
      assert.ok(Math.abs(shade / 15 - cover(x, y)) <= 1 / 30 + 1e-9, `pixel ${x},${y}`);
      const blue = png.palette[shade * 3 + 2];
      assert.ok(Math.abs(blue - img.data[(y * 13 + x) * 4 + 2]) <= 5);
    }
  }
});

test('a picture in other colours is stored as RGB, exactly', async () => {
  const img = image(4, 3, (x, y) => [x * 60, y * 100, 200]);
  const png = decode(await encodePng(img, [0, 0, 0]));
  assert.deepStrictEqual([png.depth, png.colour], [8, 2]);
  const prev = new Uint8Array(12);
  for (let y = 0; y < 3; y++) {
    const row = png.raw.subarray(y * 13, (y + 1) * 13);
    assert.strictEqual(row[0], 2);
    for (let i = 0; i < 12; i++) prev[i] = (row[1 + i] + prev[i]) & 255;
    for (let x = 0; x < 4; x++) assert.deepStrictEqual([...prev.subarray(x * 3, x * 3 + 3)], [x * 60, y * 100, 200]);
  }
});
