// Times the page's PNG decoder in Debian's Chromium or Firefox ESR (headless,
// through puppeteer-core from tests/web), in a worker as the page runs it, on the
// files given, served from their folder by a server of this script's own:
//   node bench/png_browser.mjs chromium|firefox BUNDLE RUNS FILE...
// BUNDLE is the decoder bundled by esbuild (bench/png_read.sh makes it). Prints
// min / median / max seconds for each file.
import { createServer } from 'node:http';
import { readFileSync } from 'node:fs';
import { basename } from 'node:path';
import { createRequire } from 'node:module';

const require = createRequire(new URL('../tests/web/package.json', import.meta.url));
const puppeteer = require('puppeteer-core');
const [engine, bundle, runs, ...files] = process.argv.slice(2);
const worker = `${readFileSync(bundle, 'utf8')}
onmessage = async ({ data: url }) => {
  const bytes = new Uint8Array(await (await fetch(url)).arrayBuffer());
  const start = performance.now();
  await self.decodePng(bytes, (width, height) => new Uint8Array(4 * width * height));
  postMessage((performance.now() - start) / 1000);
};`;
const server = createServer((request, response) => {
  const name = decodeURIComponent(request.url.slice(1));
  if (name === 'worker.js') {
    response.writeHead(200, { 'content-type': 'text/javascript' }).end(worker);
  } else if (name === '') {
    response.writeHead(200, { 'content-type': 'text/html' }).end('<!doctype html><title>png</title>');
  } else {
    const file = files.find((path) => basename(path) === name);
    if (file) response.writeHead(200, { 'content-type': 'image/png' }).end(readFileSync(file));
    else response.writeHead(404).end();
  }
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const origin = `http://127.0.0.1:${server.address().port}`;
const browser = await puppeteer.launch(engine === 'firefox'
  ? { browser: 'firefox', executablePath: '/usr/bin/firefox-esr', protocol: 'webDriverBiDi', headless: true }
  : { executablePath: '/usr/bin/chromium', args: ['--no-sandbox', '--headless=new'] });
const engineName = engine === 'firefox' ? 'Firefox' : 'Chromium';
try {
  const page = await browser.newPage();
  await page.goto(`${origin}/`);
  for (const file of files) {
    const seconds = [];
    for (let run = 0; run < Number(runs); ++run) {
      seconds.push(await page.evaluate((url) => new Promise((resolve) => {
        const thread = new globalThis.Worker('/worker.js');
        thread.onmessage = ({ data }) => {
          thread.terminate();
          resolve(data);
        };
        thread.postMessage(url);
      }), `/${basename(file)}`));
    }
    seconds.sort((a, b) => a - b);
    const figure = (value) => value.toFixed(2);
    console.log(`${basename(file)}: page's decoder in ${engineName} ${figure(seconds[0])} / ` +
      `${figure(seconds[seconds.length >> 1])} / ${figure(seconds[seconds.length - 1])} s (min / median / max of ${runs})`);
  }
} finally {
  await browser.close();
  server.close();
}
