// The playground in a real browser: the system's Chromium, headless, driven
// by playwright-core. Types statements, and checks that the transcript shown
// is the native program's standard output and standard error for the same
// lines (run with dw, which leaves out the banner; the page has no end of
// input, so the end-of-input notice is not compared), with options toggled,
// after the history and a shared link, and for the replace-mode pane. Keeps
// a screenshot in web/test-artifacts/. Skips with one line where Chromium or
// playwright-core is missing.
//
// usage: node web/test/browser.mjs [ZORM_BINARY]
import { spawnSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { extname, join, normalize } from 'node:path';
import { fileURLToPath } from 'node:url';

const web = fileURLToPath(new URL('..', import.meta.url));
const root = join(web, '..');
const chromium = process.env.CHROMIUM ?? '/usr/bin/chromium';
if (!existsSync(chromium)) {
  console.log(`browser test: skipped: no Chromium at ${chromium}`);
  process.exit(0);
}
let playwright;
try {
  playwright = await import('playwright-core');
} catch {
  console.log('browser test: skipped: playwright-core is not installed in web/ (tools/deps.sh web)');
  process.exit(0);
}
const binary = process.argv[2] ?? ['build/release/zorm', 'build/dev/zorm'].map((b) => join(root, b)).find(existsSync);
if (!binary) {
  console.error('browser test: no native zorm to compare with (build/release/zorm): run tools/build.sh');
  process.exit(2);
}

const END_OF_INPUT = '{End of file reached}\n';
function native(words, lines) {
  const r = spawnSync(binary, words, { input: lines.map((l) => `${l}\n`).join(''), encoding: 'utf8', env: { LC_ALL: 'C' } });
  return { out: r.stdout, err: r.stderr.endsWith(END_OF_INPUT) ? r.stderr.slice(0, -END_OF_INPUT.length) : r.stderr };
}

// A static server for web/, on a free port of the loopback.
const types = { '.html': 'text/html', '.js': 'text/javascript', '.mjs': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm', '.png': 'image/png' };
const server = createServer((req, res) => {
  const path = normalize(decodeURIComponent(new URL(req.url, 'http://x').pathname)).replace(/^(\.\.[/\\])+/, '');
  const file = join(web, path === '/' ? 'index.html' : path);
  if (!file.startsWith(web) || !existsSync(file)) {
    res.writeHead(404).end();
    return;
  }
  res.writeHead(200, { 'content-type': types[extname(file)] ?? 'application/octet-stream' });
  res.end(readFileSync(file));
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const base = `http://127.0.0.1:${server.address().port}/`;

const profile = mkdtempSync(join(tmpdir(), 'zorm-chromium-'));
const context = await playwright.chromium.launchPersistentContext(profile, {
  executablePath: chromium,
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync'],
  viewport: { width: 1100, height: 900 },
});

let passed = 0;
let failed = 0;
function check(name, got, want) {
  if (got === want) {
    passed++;
    return;
  }
  failed++;
  console.log(`FAIL ${name}\n  expected: ${JSON.stringify(want)}\n  actual:   ${JSON.stringify(got)}`);
}

// What the page shows as standard output and standard error.
const shown = (page, pane) => page.evaluate((id) => {
  const spans = [...document.getElementById(id).childNodes];
  const text = (n) => n.textContent;
  return {
    out: spans.filter((n) => n.nodeType === 3 || n.className === 'out').map(text).join(''),
    err: spans.filter((n) => n.className === 'err').map(text).join(''),
  };
}, pane);

const statements = ['1 + 2 * 3', 'x = 2 ^ 10', 'x / 3', '1 +', 'y * 2', 'sqrt 16 + 1', '2 ^ 30', '1 / 3',
  'print 7 * 6', 'factorial 30', '(1 + 2', '@vars', '1 2'];
try {
  const page = await context.newPage();
  await page.goto(`${base}#seed=1`);
  await page.waitForSelector('#line:not([disabled])');
  for (const s of statements) {
    await page.keyboard.type(s);
    await page.keyboard.press('Enter');
  }
  const want = native(['dw'], statements);
  let got = await shown(page, 'transcript');
  check('typed statements: standard output', got.out, want.out);
  check('typed statements: standard error', got.err, want.err);

  await page.keyboard.press('ArrowUp');
  await page.keyboard.press('ArrowUp');
  check('history: two lines up', await page.inputValue('#line'), statements.at(-2));
  await page.fill('#line', '');

  // Options by the keyboard: the session replays with them.
  for (const option of ['printXp', 'printSymbol', 'showError']) {
    await page.focus(`input[data-option="${option}"]`);
    await page.keyboard.press('Space');
  }
  await page.fill('#unit', 'nil');
  await page.dispatchEvent('#unit', 'change');
  const wantToggled = native(['dw', 'pxp', 'ps', 'se', 'us', 'nil'], statements);
  got = await shown(page, 'transcript');
  check('options toggled: standard output', got.out, wantToggled.out);
  check('options toggled: standard error', got.err, wantToggled.err);

  // The shared link opens the same session.
  await page.click('#share');
  const link = page.url();
  const other = await context.newPage();
  await other.goto(link);
  await other.waitForSelector('#line:not([disabled])');
  const again = await shown(other, 'transcript');
  check('shared link: standard output', again.out, wantToggled.out);
  check('shared link: standard error', again.err, wantToggled.err);
  await other.close();

  // The replace pane.
  const text = ['The sum is [[1+2]].', '[[x=4]] then [[x*2]]', '[[ [2+3]*2 ]] and [[q]]', 'a [[ b', ''];
  await page.fill('#replace-in', text.join('\n'));
  const wantReplace = native(['r', 'us', 'nil', 'ps', 'se'], text);
  got = await shown(page, 'replace-out');
  check('replace pane: standard output', got.out, wantReplace.out);
  check('replace pane: standard error', got.err, wantReplace.err);

  mkdirSync(join(web, 'test-artifacts'), { recursive: true });
  const screenshot = join(web, 'test-artifacts', 'playground.png');
  await page.screenshot({ path: screenshot, fullPage: true });
  console.log(`browser test: screenshot ${screenshot}`);

  // When the first result is shown (the page's example session), in
  // milliseconds from the start of navigation; reported, not checked.
  const fresh = await context.newPage();
  await fresh.goto(base);
  await fresh.waitForFunction(() => performance.getEntriesByName('zorm-first-result').length > 0);
  const ms = await fresh.evaluate(() => performance.getEntriesByName('zorm-first-result')[0].startTime);
  console.log(`browser test: first result shown ${ms.toFixed(1)} ms after navigation start`);
  check('the example session shows its results', (await shown(fresh, 'transcript')).out.length > 0, true);
} finally {
  await context.close();
  server.close();
  rmSync(profile, { recursive: true, force: true });
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
