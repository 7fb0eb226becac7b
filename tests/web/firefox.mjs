// Debian's firefox-esr for browser.py, driven by puppeteer-core over WebDriver BiDi.
// Reads one JSON command a line on standard input and answers each with one JSON
// line, {"ok": value} or {"error": text}, on standard output; the first line
// written is {"ok": {"pid": the browser's process id}}. Ends the browser at the
// end of its input.
//
//   node firefox.mjs '{"prefs": {...}, "width": 1280, "height": 900}'
//
// Commands: {"open": URL}, {"call": FUNCTION_SOURCE, "args": [...]} (the value of
// the function, awaited, called in the page), {"upload": SELECTOR, "paths": [...]},
// {"press": KEY} (a key pressed where the focus is), {"viewport": [WIDTH, HEIGHT]},
// {"screenshot": PNG_PATH} (what the viewport shows).
import readline from 'node:readline';
import puppeteer from 'puppeteer-core';

const settings = JSON.parse(process.argv[2]);
const say = (answer) => process.stdout.write(`${JSON.stringify(answer)}\n`);

const browser = await puppeteer.launch({
  browser: 'firefox',
  executablePath: '/usr/bin/firefox-esr',
  protocol: 'webDriverBiDi',
  headless: true,
  defaultViewport: { width: settings.width, height: settings.height },
  extraPrefsFirefox: settings.prefs,
  protocolTimeout: 600000,
});
// A tab of its own: the one the browser starts with never has the focus here, and
// without it no element matches :focus.
const page = await browser.newPage();
say({ ok: { pid: browser.process().pid } });

for await (const line of readline.createInterface({ input: process.stdin, crlfDelay: Infinity })) {
  const command = JSON.parse(line);
  try {
    if ('open' in command) {
      await page.goto(command.open, { waitUntil: 'load' });
      say({ ok: null });
    } else if ('call' in command) {
      // An expression, not a function handed over: the page's own policy may forbid eval.
      say({ ok: await page.evaluate(`(${command.call})(...${JSON.stringify(command.args)})`) ?? null });
    } else if ('press' in command) {
      await page.keyboard.press(command.press);
      say({ ok: null });
    } else if ('viewport' in command) {
      const [width, height] = command.viewport;
      await page.setViewport({ width, height });
      say({ ok: null });
    } else if ('screenshot' in command) {
      await page.screenshot({ path: command.screenshot });
      say({ ok: null });
    } else if ('upload' in command) {
      const input = await page.$(command.upload);
      await input.uploadFile(...command.paths);
      await input.dispose();
      say({ ok: null });
    } else {
      say({ error: `no such command: ${line.slice(0, 80)}` });
    }
  } catch (error) {
    say({ error: String(error?.stack ?? error) });
  }
}
await browser.close();
