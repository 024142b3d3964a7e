// npm pack gives a package that installs into a fresh folder and runs there:
// imported by its name, it loads its module and evaluates.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { test } from 'node:test';

const web = fileURLToPath(new URL('..', import.meta.url));

test('the packed package installs and runs in a fresh folder', () => {
  const dir = mkdtempSync(join(tmpdir(), 'zorm-pack-'));
  try {
    const env = { ...process.env, npm_config_cache: join(dir, 'cache'), npm_config_update_notifier: 'false' };
    const packed = JSON.parse(execFileSync('npm', ['pack', '--json', '--pack-destination', dir], { cwd: web, env }));
    const files = packed[0].files.map((f) => f.path).sort();
    assert.deepEqual(files, ['README.md', 'package.json', 'zorm.d.ts', 'zorm.mjs', 'zorm.wasm']);
    const app = join(dir, 'app');
    execFileSync('mkdir', [app]);
    writeFileSync(join(app, 'package.json'), JSON.stringify({ name: 'app', private: true, type: 'module' }));
    execFileSync('npm', ['install', '--offline', '--no-audit', '--no-fund', join(dir, packed[0].filename)],
      { cwd: app, env, stdio: 'ignore' });
    writeFileSync(join(app, 'main.mjs'), [
      "import { load } from 'zorm';",
      'const { Calculator } = await load();',
      'const calc = new Calculator({ unitString: "ok" });',
      "console.log([calc.text('x = 6'), calc.text('x * 7'), calc.replace('[[x / 4]]!').line].join(' '));",
      'calc.free();',
    ].join('\n'));
    assert.equal(execFileSync('node', ['main.mjs'], { cwd: app, encoding: 'utf8' }), 'ok 42 1.5!\n');
    assert.ok(readFileSync(join(app, 'node_modules', 'zorm', 'zorm.d.ts'), 'utf8').includes('class Calculator'));
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
});
