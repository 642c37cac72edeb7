// The inspection report in a real browser (Debian's chromium, driven by playwright-core): the page
// zorhost render --report writes opens without an error, every picture in it decodes, and printed
// on A4 it makes the pages its sections need, none of them cut. With ZOR_SCREENSHOTS=FOLDER it
// also takes the report's screenshot for the docs.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { chromium } from 'playwright-core';
import { execFileSync } from 'node:child_process';
import { chromiumPath, zorhost } from './serve.mjs';

const exampleParts = new URL('../../examples/parts/', import.meta.url).pathname;

let browser, folder;

before(async () => {
  folder = mkdtempSync(join(tmpdir(), 'zor-report-'));
  browser = await chromium.launch({ executablePath: chromiumPath, args: ['--no-sandbox'] });
});
after(async () => {
  await browser?.close();
  rmSync(folder, { recursive: true, force: true });
});

test('a report opens cleanly, its pictures decode, and it prints on A4', async () => {
  const report = join(folder, 'report.html');
  execFileSync(zorhost, ['render', join(exampleParts, 'bracket-scan.stl'), '--analysis', 'deviation', '--reference',
    join(exampleParts, 'bracket.step'), '--tolerance', '0.1', '--pass-share', '95', '--callouts', 'extremes',
    '--size', '640x480', '--report', report, '--out', join(folder, 'picture')]);
  const record = JSON.parse(readFileSync(join(folder, 'report.json'), 'utf8'));
  assert.equal(record.schema, 'zorhost-inspection');
  assert.equal(record.tolerance.verdict, 'pass');

  const page = await browser.newPage({ viewport: { width: 1000, height: 1400 } });
  const problems = [];
  page.on('pageerror', (error) => problems.push(error.message));
  page.on('console', (message) => { if (message.type() === 'error') problems.push(message.text()); });
  page.on('request', (request) => { if (!request.url().startsWith('file:') && !request.url().startsWith('data:')) problems.push(`fetched ${request.url()}`); });
  await page.goto(`file://${report}`);
  const images = await page.evaluate(() => [...document.images].map((image) => ({ complete: image.complete, width: image.naturalWidth })));
  assert.equal(images.length, 4, 'iso, front, top and right');
  for (const image of images) assert.ok(image.complete && image.width > 0, 'every picture decodes');
  assert.match(await page.textContent('.verdict'), /PASS/);
  const sections = await page.evaluate(() => [...document.querySelectorAll('h2')].map((h) => h.textContent));
  assert.deepEqual(sections, ['Inputs', 'Analysis', 'Views', 'Scale and area', 'Statistics over the whole part, by area', 'Callouts']);
  if (process.env.ZOR_SCREENSHOTS) await page.screenshot({ path: join(process.env.ZOR_SCREENSHOTS, 'report.png'), fullPage: true });

  const pdf = (await page.pdf({ format: 'A4', printBackground: true })).toString('latin1');
  const pages = (pdf.match(/\/Type\s*\/Page[^s]/g) ?? []).length;
  assert.ok(pages >= 2 && pages <= 4, `the report prints on 2 to 4 A4 pages, not ${pages}`);
  assert.deepEqual(problems, [], 'no error and nothing fetched');
  await page.close();
});
