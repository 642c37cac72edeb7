// Starts `zorhost serve` as a user does, in a settings folder of its own, and reads the address it
// prints.
import { spawn, execFileSync } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

export const zorhost = process.env.ZORHOST ?? '../../build/default/bin/zorhost';
export const chromiumPath = process.env.CHROMIUM ?? '/usr/bin/chromium';

export async function startServe(args = []) {
  const settings = mkdtempSync(join(tmpdir(), 'zorhost-serve-'));
  const child = spawn(zorhost, ['serve', ...args], {
    env: { ...process.env, ZOR_SETTINGS_DIR: settings },
    stdio: ['ignore', 'pipe', 'pipe'],
  });
  let errors = '';
  child.stderr.on('data', (chunk) => { errors += chunk; });
  const address = await new Promise((resolve, reject) => {
    let out = '';
    child.stdout.on('data', (chunk) => {
      out += chunk;
      const line = out.split('\n')[0];
      if (out.includes('\n')) resolve(line.trim());
    });
    child.on('exit', (code) => reject(new Error(`zorhost serve ended (${code}): ${errors}`)));
  });
  const url = new URL(address);
  return {
    address,
    origin: url.origin,
    port: Number(url.port),
    token: url.searchParams.get('token'),
    settings,
    errors: () => errors,
    // Script lines run with `zorhost script` against the same settings folder.
    script: (text) => execFileSync(zorhost, ['script', '-'], { input: text, env: { ...process.env, ZOR_SETTINGS_DIR: settings } }).toString(),
    async stop() {
      if (child.exitCode === null) {
        const ended = new Promise((resolve) => child.on('exit', (code, signal) => resolve({ code, signal })));
        child.kill('SIGINT');
        const how = await ended;
        rmSync(settings, { recursive: true, force: true });
        return how;
      }
      rmSync(settings, { recursive: true, force: true });
      return { code: child.exitCode };
    },
  };
}
