// Decompresses a LAZ file with the npm package laz-perf into an
// uncompressed LAS file: the same header and records before the points, the
// compression bits of the point format cleared, then the decoded records.
//   node laz_oracle.js NODE_MODULES IN.laz OUT.las
'use strict';
const fs = require('fs');
const path = require('path');

async function main() {
  const [modules, input, output] = process.argv.slice(2);
  const { createLazPerf } = require(path.join(modules, 'laz-perf'));
  const bytes = fs.readFileSync(input);
  const lazPerf = await createLazPerf();
  const file = lazPerf._malloc(bytes.length);
  lazPerf.HEAPU8.set(bytes, file);
  const reader = new lazPerf.LASZip();
  reader.open(file, bytes.length);
  const count = reader.getCount();
  const length = reader.getPointLength();
  const pointOffset = bytes.readUInt32LE(96);
  const out = Buffer.alloc(pointOffset + count * length);
  bytes.copy(out, 0, 0, pointOffset);
  out[104] &= 0x3f;
  const point = lazPerf._malloc(length);
  for (let i = 0; i < count; ++i) {
    reader.getPoint(point);
    out.set(lazPerf.HEAPU8.subarray(point, point + length), pointOffset + i * length);
  }
  fs.writeFileSync(output, out);
  reader.delete();
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});
