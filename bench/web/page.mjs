// When the playground shows its first result: the page (its example
// session) loaded LOADS times, each in a new tab of the system's Chromium,
// headless, from a static server on the loopback; the time from the start of
// navigation to the page's mark zorm-first-result, with the load of the
// module's file beside it. Needs playwright-core in web/ (tools/deps.sh web).
//
// usage: node bench/web/page.mjs [LOADS]
import { existsSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { extname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const loads = Number(process.argv[2] ?? 15);
const web = fileURLToPath(new URL('../../web/', import.meta.url));
const { chromium } = await import(join(web, 'node_modules', 'playwright-core', 'index.mjs'));
const types = { '.html': 'text/html', '.js': 'text/javascript', '.mjs': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm' };
const server = createServer((req, res) => {
  const path = new URL(req.url, 'http://x').pathname;
  const file = join(web, path === '/' ? 'index.html' : path);
  if (path.includes('..') || !existsSync(file)) {
    res.writeHead(404).end();
    return;
  }
  res.writeHead(200, { 'content-type': types[extname(file)] ?? 'application/octet-stream' });
  res.end(readFileSync(file));
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const base = `http://127.0.0.1:${server.address().port}/`;
const profile = mkdtempSync(join(tmpdir(), 'zorm-chromium-'));
const context = await chromium.launchPersistentContext(profile, {
  executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync'],
});
const first = [];
const wasm = [];
try {
  for (let i = 0; i < loads; i++) {
    const page = await context.newPage();
    await page.goto(base);
    await page.waitForFunction(() => performance.getEntriesByName('zorm-first-result').length > 0);
    const t = await page.evaluate(() => ({
      first: performance.getEntriesByName('zorm-first-result')[0].startTime,
      wasm: performance.getEntriesByType('resource').find((r) => r.name.endsWith('/zorm.wasm'))?.responseEnd ?? NaN,
    }));
    first.push(t.first);
    wasm.push(t.wasm);
    await page.close();
  }
} finally {
  await context.close();
  server.close();
  rmSync(profile, { recursive: true, force: true });
}
const median = (list) => [...list].sort((a, b) => a - b)[Math.floor(list.length / 2)];
console.log(`${loads} loads: first result at ${median(first).toFixed(1)} ms (median; min ${Math.min(...first).toFixed(1)}, `
  + `max ${Math.max(...first).toFixed(1)}), zorm.wasm received at ${median(wasm).toFixed(1)} ms (median)`);
