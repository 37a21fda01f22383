#!/usr/bin/env node
// Turns the Census cartographic boundaries carried by the us-atlas package (counties-10m.json,
// TopoJSON) into basemap.bin, the line file the relay draws its maps from.
//
//   npm pack us-atlas@3.0.1 && tar xzf us-atlas-3.0.1.tgz
//   node convert-basemap.mjs package/counties-10m.json basemap.bin
//
// The topology shares each arc between its neighbours, so every arc is written once, with the
// most important kind of boundary it belongs to: the nation's outline (coasts, lake shores and
// the land borders), else a state border, else a county line.
//
// basemap.bin, all numbers little-endian:
//   "PLVXMAP1", u32 line count, f64 scale x, f64 scale y, f64 translate x, f64 translate y
//   per line: u8 kind (0 county, 1 state, 2 outline), u32 point count, then per point
//   i32 x, i32 y in the quantised grid: longitude = x * scale x + translate x, same for latitude.
import { readFileSync, writeFileSync } from "node:fs";

const [input, output] = process.argv.slice(2);
if (!input || !output) {
  console.error("usage: convert-basemap.mjs counties-10m.json basemap.bin");
  process.exit(2);
}
const topo = JSON.parse(readFileSync(input, "utf8"));
if (!topo.transform) throw new Error("expected a quantised topology");

const County = 0, State = 1, Outline = 2;
const kind = new Int8Array(topo.arcs.length).fill(-1);

// An arc index i < 0 stands for the reversed arc ~i.
function mark(geometry, k) {
  const walk = (a) => {
    if (typeof a === "number") {
      const i = a < 0 ? ~a : a;
      kind[i] = Math.max(kind[i], k);
    } else {
      a.forEach(walk);
    }
  };
  if (geometry.type === "GeometryCollection") geometry.geometries.forEach((g) => mark(g, k));
  else if (geometry.arcs) walk(geometry.arcs);
}
mark(topo.objects.counties, County);
mark(topo.objects.states, State);
mark(topo.objects.nation, Outline);

const lines = [];
let points = 0;
topo.arcs.forEach((arc, i) => {
  if (kind[i] < 0 || arc.length < 2) return;
  // Positions are delta-encoded after the first.
  let x = 0, y = 0;
  const abs = arc.map(([dx, dy]) => [(x += dx), (y += dy)]);
  lines.push({ kind: kind[i], points: abs });
  points += abs.length;
});

const size = 8 + 4 + 32 + lines.length * 5 + points * 8;
const buf = Buffer.alloc(size);
let at = buf.write("PLVXMAP1", 0, "latin1");
at = buf.writeUInt32LE(lines.length, at);
for (const v of [...topo.transform.scale, ...topo.transform.translate]) at = buf.writeDoubleLE(v, at);
for (const line of lines) {
  at = buf.writeUInt8(line.kind, at);
  at = buf.writeUInt32LE(line.points.length, at);
  for (const [px, py] of line.points) {
    at = buf.writeInt32LE(px, at);
    at = buf.writeInt32LE(py, at);
  }
}
writeFileSync(output, buf);
const counts = [County, State, Outline].map((k) => lines.filter((l) => l.kind === k).length);
console.log(`${lines.length} lines (county ${counts[0]}, state ${counts[1]}, outline ${counts[2]}), ` +
            `${points} points, ${size} bytes`);
