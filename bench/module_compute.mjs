#!/usr/bin/env node
// Times the page's computations in the WebAssembly module itself, in Node, without
// a browser: the four photographs of a scene are handed over as BMP files, as the
// page's worker hands them, and each ferlane_compute is timed (alpha and error,
// then the foreground).
//
//   node bench/module_compute.mjs SCENE_FOLDER RUNS NAME=MODULE.js [NAME=MODULE.js ...]
//
// SCENE_FOLDER holds bg0.bmp, image0.bmp, bg1.bmp and image1.bmp (the ferlane-scene
// tool makes them). Each round runs every module once, their order turning from
// round to round, so that what else the machine does weighs on all alike. Prints
// min/median/max seconds of each computation, by the clock and in processor time,
// and the median in nanoseconds a pixel.
// Where the folder also holds the console tool's alpha.bmp, error.bmp and fg.bmp,
// every run's files are compared with them byte for byte, and a difference fails.
import fs from "node:fs";
import path from "node:path";
import vm from "node:vm";

const SLOT_FILES = ["bg0.bmp", "image0.bmp", "bg1.bmp", "image1.bmp"];
const FILE_NAMES = ["alpha.bmp", "error.bmp", "fg.bmp"]; // by FERLANE_FILE_*
// The door's numbers (web/door/ferlane_door.h).
const STEP = { PICTURE: 0, COMPUTE: 1, FILE: 2, DONE: 3, FAILED: 4, WAITING: 5 };

// The module is built for a page's worker: it needs no more of one than this.
globalThis.self = { location: { href: "file:///" } };

function loadModule(file) {
  const module = { exports: {} };
  const code = fs.readFileSync(file, "utf8");
  vm.runInThisContext(`(function (module, exports) {${code}\n})`, { filename: file })(module, module.exports);
  return module.exports;
}

function withString(core, text, use) {
  const bytes = new TextEncoder().encode(`${text}\0`);
  const at = core._malloc(bytes.length) >>> 0;
  core.HEAPU8.set(bytes, at);
  try {
    return use(at);
  } finally {
    core._free(at);
  }
}

// One whole run; the seconds of each computation, in order, and the files written.
function run(core, pictures) {
  core._ferlane_reset();
  SLOT_FILES.forEach((name, slot) => withString(core, name, (at) => core._ferlane_choose(slot, at)));
  const seconds = [];
  const files = {};
  for (;;) {
    const step = core._ferlane_next();
    if (step === STEP.DONE) break;
    if (step === STEP.FAILED || step === STEP.WAITING) {
      throw new Error(`run stopped: ${core.UTF8ToString(core._ferlane_message()) || core.UTF8ToString(core._ferlane_line())}`);
    }
    if (step === STEP.PICTURE) {
      const bytes = pictures[core._ferlane_slot()];
      const at = core._ferlane_bmp_buffer(bytes.length) >>> 0;
      if (!at) throw new Error("no memory for a picture");
      core.HEAPU8.set(bytes, at);
      core._ferlane_take_bmp();
    } else if (step === STEP.COMPUTE) {
      const start = performance.now();
      const startCpu = process.cpuUsage();
      core._ferlane_compute();
      const cpu = process.cpuUsage(startCpu);
      seconds.push({ wall: (performance.now() - start) / 1000, cpu: (cpu.user + cpu.system) / 1e6 });
    } else if (step === STEP.FILE) {
      const at = core._ferlane_file_data() >>> 0;
      files[FILE_NAMES[core._ferlane_file()]] = core.HEAPU8.slice(at, at + (core._ferlane_file_size() >>> 0));
    }
  }
  return { seconds, files };
}

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

async function main() {
  const [folder, runsText, ...modules] = process.argv.slice(2);
  const runs = Number(runsText);
  if (!folder || !(runs > 0) || modules.length === 0) {
    console.error("usage: module_compute.mjs SCENE_FOLDER RUNS NAME=MODULE.js [NAME=MODULE.js ...]");
    process.exit(2);
  }
  const pictures = SLOT_FILES.map((name) => fs.readFileSync(path.join(folder, name)));
  const expected = Object.fromEntries(
    FILE_NAMES.filter((name) => fs.existsSync(path.join(folder, name))).map((name) => [
      name,
      fs.readFileSync(path.join(folder, name)),
    ]),
  );
  const pixels = pictures[0].readInt32LE(18) * Math.abs(pictures[0].readInt32LE(22));

  const cores = [];
  for (const entry of modules) {
    const [name, file] = entry.split("=");
    const core = await loadModule(path.resolve(file))();
    core._ferlane_warm_up();
    cores.push({ name, core, times: [[], []] });
  }
  for (let round = 0; round < runs; ++round) {
    for (let k = 0; k < cores.length; ++k) {
      const entry = cores[(round + k) % cores.length];
      const { seconds, files } = run(entry.core, pictures);
      seconds.forEach((value, step) => entry.times[step]?.push(value));
      for (const [name, bytes] of Object.entries(expected)) {
        if (!files[name] || Buffer.compare(Buffer.from(files[name]), bytes) !== 0) {
          throw new Error(`${entry.name}: ${name} differs from the console tool's`);
        }
      }
    }
  }

  console.log(`${(pixels / 1e6).toFixed(1)} megapixels, ${runs} runs` +
    (Object.keys(expected).length ? `, files identical to the console tool's (${Object.keys(expected).join(", ")})` : ""));
  // Wall-clock time, and the process's processor time, which other work on a busy
  // machine disturbs less.
  const columns = ["min s", "median", "max s", "ns/px"].map((title) => title.padStart(7)).join(" ");
  console.log(`${"module".padEnd(10)} ${"step".padEnd(11)} ${"clock".padEnd(5)} ${columns}`);
  for (const { name, times } of cores) {
    ["alpha", "foreground"].forEach((step, k) => {
      for (const clock of ["wall", "cpu"]) {
        const values = times[k].map((time) => time[clock]);
        const row = [Math.min(...values), median(values), Math.max(...values)].map((v) => v.toFixed(3).padStart(7));
        const perPixel = ((median(values) / pixels) * 1e9).toFixed(1).padStart(7);
        console.log(`${name.padEnd(10)} ${step.padEnd(11)} ${clock.padEnd(5)} ${row.join(" ")} ${perPixel}`);
      }
    });
  }
}

await main();
