// PNG files from canvas pixels, small enough for a bank that travels over a
// school's slow link: a picture drawn in one ink on white is stored as 16
// shades of that ink (4 bits a pixel, a palette of 16 colours), any other
// picture (one with a teacher's figure, a formula in colour) as 8-bit RGB.
// Deterministic: no dates, no text chunks.
//
// encodePng({width, height, data}, ink) resolves to a Uint8Array; data is
// RGBA as ImageData holds it, every pixel opaque; ink [r, g, b].
// Compression by the platform's CompressionStream ('deflate' is the zlib
// format PNG wants): browsers since Chrome 80 and node 18 have it.

const SHADES = 16;

let crcTable = null;
function crc32(bytes, crc = 0xffffffff) {
  if (!crcTable) {
    crcTable = new Uint32Array(256);
    for (let n = 0; n < 256; n++) {
      let c = n;
      for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
      crcTable[n] = c >>> 0;
    }
  }
  for (let i = 0; i < bytes.length; i++) crc = crcTable[(crc ^ bytes[i]) & 0xff] ^ (crc >>> 8);
  return crc;
}

function chunk(type, body) {
  const out = new Uint8Array(12 + body.length);
  const view = new DataView(out.buffer);
  view.setUint32(0, body.length);
  for (let i = 0; i < 4; i++) out[4 + i] = type.charCodeAt(i);
  out.set(body, 8);
  view.setUint32(8 + body.length, (crc32(out.subarray(4, 8 + body.length)) ^ 0xffffffff) >>> 0);
  return out;
}

async function deflate(bytes) {
  const stream = new Blob([bytes]).stream().pipeThrough(new CompressionStream('deflate'));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

// The shade (0 = white .. SHADES-1 = full ink) of every pixel, or null when a
// pixel is not ink over white.
function shadesOf(image, ink) {
  const {data} = image;
  // The channel where ink and white differ most tells the ink's coverage.
  const depth = ink.map((c) => 255 - c);
  const k = depth.indexOf(Math.max(...depth));
  if (depth[k] === 0) return null;
  const shades = new Uint8Array(image.width * image.height);
  for (let p = 0, i = 0; p < shades.length; p++, i += 4) {
    const coverage = (255 - data[i + k]) / depth[k];
    for (let c = 0; c < 3; c++) {
      if (Math.abs(255 - coverage * depth[c] - data[i + c]) > 3) return null;
    }
    shades[p] = Math.min(SHADES - 1, Math.max(0, Math.round(coverage * (SHADES - 1))));
  }
  return shades;
}

async function encodePng(image, ink = [0, 0, 0]) {
  const {width, height, data} = image;
  const header = new Uint8Array(13);
  const hv = new DataView(header.buffer);
  hv.setUint32(0, width);
  hv.setUint32(4, height);
  const shades = shadesOf(image, ink);
  let raw;
  const parts = [];
  if (shades) {
    header.set([4, 3, 0, 0, 0], 8);  // 4-bit palette
    const palette = new Uint8Array(3 * SHADES);
    for (let s = 0; s < SHADES; s++) {
      for (let c = 0; c < 3; c++) palette[3 * s + c] = Math.round(255 - (255 - ink[c]) * s / (SHADES - 1));
    }
    const stride = Math.ceil(width / 2);
    raw = new Uint8Array(height * (stride + 1));
    for (let y = 0; y < height; y++) {
      const row = y * (stride + 1) + 1;  // filter 0
      for (let x = 0; x < width; x++) raw[row + (x >> 1)] |= shades[y * width + x] << (x & 1 ? 0 : 4);
    }
    parts.push(chunk('IHDR', header), chunk('PLTE', palette));
  } else {
    header.set([8, 2, 0, 0, 0], 8);  // 8-bit RGB
    const stride = width * 3;
    raw = new Uint8Array(height * (stride + 1));
    for (let y = 0; y < height; y++) {
      const row = y * (stride + 1);
      raw[row] = 2;  // filter Up
      for (let x = 0; x < width; x++) {
        for (let c = 0; c < 3; c++) {
          const i = (y * width + x) * 4 + c;
          const above = y > 0 ? data[i - width * 4] : 0;
          raw[row + 1 + x * 3 + c] = (data[i] - above) & 0xff;
        }
      }
    }
    parts.push(chunk('IHDR', header));
  }
  parts.push(chunk('IDAT', await deflate(raw)), chunk('IEND', new Uint8Array(0)));
  const signature = [0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a];
  const out = new Uint8Array(8 + parts.reduce((n, p) => n + p.length, 0));
  out.set(signature, 0);
  let at = 8;
  for (const p of parts) {
    out.set(p, at);
    at += p.length;
  }
  return out;
}

module.exports = {encodePng, crc32};
