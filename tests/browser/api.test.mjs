// The server's API as any client meets it: the token, the host and origin checks, bad input
// answered with 400 and a message, and the server alive after 10,000 bad requests.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import http from 'node:http';
import net from 'node:net';
import { spawnSync } from 'node:child_process';
import { startServe, zorhost } from './serve.mjs';

let serve;
before(async () => { serve = await startServe(['--sample', 'field']); });
after(async () => {
  const ended = await serve.stop();
  assert.equal(ended.code, 0, 'Ctrl-C ends the server cleanly');
});

const agent = new http.Agent({ keepAlive: true, maxSockets: 4 });

// A request with exactly these headers (Host included), answered as {status, headers, body}; to
// the grid's server unless `on` names another.
function call(method, path, { headers = {}, body, cookie = true, on = serve } = {}) {
  return new Promise((resolve, reject) => {
    const all = { Host: `127.0.0.1:${on.port}`, ...headers };
    if (cookie) all.Cookie = `zorhost_token_${on.port}=${on.token}`;
    const req = http.request({ host: '127.0.0.1', port: on.port, method, path, headers: all, agent }, (res) => {
      const chunks = [];
      res.on('data', (c) => chunks.push(c));
      res.on('end', () => resolve({ status: res.statusCode, headers: res.headers, body: Buffer.concat(chunks).toString() }));
    });
    req.on('error', reject);
    if (body !== undefined) req.write(body);
    req.end();
  });
}

test('the token is needed, once in the address, then as a strict cookie', async () => {
  assert.equal((await call('GET', '/api/scale', { cookie: false })).status, 403);
  assert.equal((await call('GET', '/api/scale', { cookie: false, headers: { Cookie: `zorhost_token_${serve.port}=wrong` } })).status, 403);
  assert.equal((await call('GET', '/?token=0000', { cookie: false })).status, 403);
  const opened = await call('GET', `/?token=${serve.token}`, { cookie: false });
  assert.equal(opened.status, 303);
  assert.equal(opened.headers.location, '/');
  const cookie = opened.headers['set-cookie'][0];
  assert.match(cookie, new RegExp(`^zorhost_token_${serve.port}=${serve.token};`));
  assert.match(cookie, /HttpOnly/);
  assert.match(cookie, /SameSite=Strict/);
  const page = await call('GET', '/');
  assert.equal(page.status, 200);
  assert.match(page.headers['content-type'], /text\/html/);
  assert.equal((await call('GET', '/editor.js')).status, 200);
  assert.equal((await call('GET', '/nothing')).status, 404);
});

test('two editors in one browser keep their cookies apart', async () => {
  const other = await startServe(['--sample', 'field']);
  try {
    // A browser sends every cookie of 127.0.0.1 to every port of it.
    const both = `zorhost_token_${serve.port}=${serve.token}; zorhost_token_${other.port}=${other.token}`;
    const askOther = () => new Promise((resolve, reject) => {
      http.get({ host: '127.0.0.1', port: other.port, path: '/api/scale', headers: { Host: `127.0.0.1:${other.port}`, Cookie: both } },
        (res) => { res.resume(); res.on('end', () => resolve(res.statusCode)); }).on('error', reject);
    });
    assert.equal((await call('GET', '/api/scale', { cookie: false, headers: { Cookie: both } })).status, 200);
    assert.equal(await askOther(), 200);
  } finally {
    await other.stop();
  }
});

test('other host names and other origins are refused', async () => {
  for (const host of ['evil.example:' + serve.port, `127.0.0.1:${serve.port + 1}`, 'localhost']) {
    const answer = await call('GET', '/api/scale', { headers: { Host: host } });
    assert.equal(answer.status, 403, host);
  }
  for (const host of [`localhost:${serve.port}`, `[::1]:${serve.port}`, `LOCALHOST:${serve.port}`]) {
    assert.equal((await call('GET', '/api/scale', { headers: { Host: host } })).status, 200, host);
  }
  const before = JSON.parse((await call('GET', '/api/scale')).body).revision;
  for (const headers of [{ Origin: 'http://evil.example' }, { Origin: `http://127.0.0.1:${serve.port + 1}` },
    { 'Sec-Fetch-Site': 'cross-site' }, { 'Sec-Fetch-Site': 'CROSS-SITE' }, { Origin: 'HTTP://EVIL.EXAMPLE' }]) {
    const answer = await call('POST', '/api/script', { headers, body: 'SetColor 1 1 2 3 4\n' });
    assert.equal(answer.status, 403, JSON.stringify(headers));
  }
  assert.equal(JSON.parse((await call('GET', '/api/scale')).body).revision, before, 'nothing was changed');
  const own = await call('POST', '/api/script', { headers: { Origin: serve.origin }, body: 'GetNumberOfBlocks\n' });
  assert.equal(own.status, 200);
  assert.equal(own.body, 'GetNumberOfBlocks 0x00000000 9\n');
});

test('scripts answer as zorhost script does; a bad line answers 400 and changes nothing', async () => {
  const ran = await call('POST', '/api/script', { body: 'SetColor 2 10 20 30 255\nGetColorForValue -1e300\nUnsetImposedColors [2] 1\n' });
  assert.equal(ran.status, 200);
  assert.deepEqual(ran.body.split('\n'), ['SetColor', 'GetColorForValue 1 0 0 255 255', 'UnsetImposedColors', '']);
  const state = (await call('GET', '/api/scale')).body;
  const bad = await call('POST', '/api/script', { body: 'SetColor 2 1 1 1 1\nSetNumberOfBlocks x\n' });
  assert.equal(bad.status, 400);
  assert.equal(bad.body, "zorhost: request:2: SetNumberOfBlocks: the count 'x' is not an int\n");
  assert.equal((await call('GET', '/api/scale')).body, state, 'the first line was undone');
  for (const [path, body] of [['/api/preset', '{"name": 3}'], ['/api/preset', 'not json'], ['/api/preset', '[]'],
    ['/api/preset', '{"name": "nope"}'], ['/api/preset', '{"name": "viridis", "blocks": 0}'],
    ['/api/classify', '{"method": "magic"}'], ['/api/settings/save', '{"name": "../escape"}'],
    ['/api/settings/load', '{"name": "absent"}'],
    // Members a request does not take, or gives twice, are refused, never passed over.
    ['/api/preset', '{"name": "viridis", "bogus": 1}'], ['/api/preset', '{"name": "viridis", "name": "magma"}'],
    ['/api/range', '{"range": "symmetric", "range": "part"}'], ['/api/range', '{"range": "part", "x": 0}'],
    ['/api/view', '{"view": "top", "view": "front"}'], ['/api/classify', '{"method": "equal", "blocks": 3}'],
    ['/api/settings/save', '{"name": "a", "force": true}']]) {
    const answer = await call('POST', path, { body });
    assert.equal(answer.status, 400, `${path} ${body}`);
    assert.ok(answer.body.trim().length > 0, 'with a message');
  }
  for (const path of ['/api/scale?x=1', '/api/settings?all=1']) assert.equal((await call('GET', path)).status, 400, path);
  assert.equal((await call('POST', '/api/undo?steps=2', { body: '' })).status, 400);
  assert.equal((await call('POST', '/api/script', { body: 'x\n'.repeat(10001) })).status, 413);
  const refused = await call('POST', '/api/script', { body: '#'.repeat(1 << 21) });
  assert.equal(refused.status, 413);
  assert.equal(refused.headers.connection, 'close', 'the rest of that body is never read');
  assert.equal((await call('GET', '/api/scale')).status, 200, 'and the next request is not read from it');
});

test('one round trip an edit, ranges as --range takes them, parameters refused unless known', async () => {
  const edited = await call('POST', '/api/edit', { body: 'SetColor 2 10 20 30 255\nGetNumberOfBlocks\n' });
  assert.equal(edited.status, 200);
  const answer = JSON.parse(edited.body);
  assert.equal(answer.output, 'SetColor\nGetNumberOfBlocks 0x00000000 9\n');
  assert.deepEqual(answer.state.blocks[1].color, [10, 20, 30, 255]);
  const fixed = JSON.parse((await call('POST', '/api/range', { body: '{"range": "-1,2.5"}' })).body);
  assert.equal(fixed.range, 'fixed');
  assert.deepEqual([fixed.extremes.first.exact, fixed.extremes.last.exact], ['-1', '2.5']);
  const symmetric = JSON.parse((await call('POST', '/api/range', { body: '{"range": "symmetric"}' })).body);
  assert.equal(symmetric.extremes.first.value, -symmetric.extremes.last.value);
  assert.equal(JSON.parse((await call('POST', '/api/range', { body: '{"range": "part"}' })).body).range, 'part');
  for (const range of ['2,1', '1', 'nan,1', 'wide']) {
    const refused = await call('POST', '/api/range', { body: JSON.stringify({ range }) });
    assert.equal(refused.status, 400, range);
    assert.match(refused.body, /LO,HI/);
  }
  // A grid has no view: a view asked of it is refused, as is any name a request does not take.
  for (const path of ['/api/picture.png?frob=1', '/api/picture.png?view=top', '/api/picture.png?draft=2',
    '/api/picture.png?revision=1&revision=2', '/api/probe?x=1', '/api/probe?x=1&y=-1', '/api/figure.png?size=9x9',
    '/api/scale.cpt?x=1', '/api/legend.svg?zoom=2']) {
    const refused = await call('GET', path);
    assert.equal(refused.status, 400, path);
    assert.ok(refused.body.trim().length > 0, path);
  }
  assert.match((await call('POST', '/api/view', { body: '{"view": "top"}' })).body, /grid/);
  const probe = JSON.parse((await call('GET', '/api/probe?x=10&y=20&revision=7')).body);
  assert.equal(probe.seen, true);
  assert.match(probe.text, /^value -?[0-9.e-]+, block \d+, color/);
  assert.equal(JSON.parse((await call('GET', '/api/probe?x=100000&y=0')).body).seen, false);
  const figure = await call('GET', '/api/figure.png');
  assert.equal(figure.status, 200);
  assert.equal(figure.headers['content-type'], 'image/png');
  const csv = await call('GET', '/api/scale.csv');
  assert.equal(csv.headers['content-disposition'], 'attachment; filename="scale.csv"');
  assert.match(csv.body, /^block,/);
});

test('a CAD part: its walls against a minimum, zebra stripes of a width, its edges drawn', async () => {
  const bracket = await startServe([new URL('../../examples/parts/bracket.step', import.meta.url).pathname, '--size', '320x240']);
  try {
    const post = (path, body) => call('POST', path, { body: JSON.stringify(body), on: bracket });
    const picture = async () => (await call('GET', '/api/picture.png', { on: bracket })).body;
    // The wall: the base plate is 12 thick; under a minimum of 12.5 most of the area fails.
    const walls = JSON.parse((await post('/api/view', { analysis: 'thickness' })).body);
    assert.equal(walls.view.analysis, 'thickness');
    assert.equal(walls.view.thickness, 'ray');
    const judged = JSON.parse((await post('/api/tolerance', { tolerance: '12.5' })).body);
    assert.equal(judged.statistics.tolerance, '12.5');
    assert.equal(judged.statistics.verdict.passes, false);
    assert.equal((await post('/api/tolerance', { tolerance: '-1' })).status, 400);
    // Another analysis does not keep the wall's minimum.
    const stripes = JSON.parse((await post('/api/view', { analysis: 'isophote' })).body);
    assert.equal(stripes.statistics.tolerance, null);
    assert.equal(JSON.parse((await post('/api/stripes', { stripes: '30' })).body).blocks.length, 6);
    assert.equal((await post('/api/stripes', { stripes: '0.1' })).status, 400);
    // The edges: drawn over the picture, and gone again.
    assert.equal(stripes.view.edgesAvailable, true);
    const plain = await picture();
    assert.equal(JSON.parse((await post('/api/edges', { edges: 'on' })).body).view.edges, true);
    assert.notEqual(await picture(), plain);
    await post('/api/edges', { edges: 'off' });
    assert.equal(await picture(), plain);
    assert.equal((await post('/api/edges', { edges: 'maybe' })).status, 400);
  } finally {
    await bracket.stop();
  }
});

// The status of the answer to bytes sent as they are, on a connection of their own.
function raw(bytes) {
  return new Promise((resolve, reject) => {
    const socket = net.connect(serve.port, '127.0.0.1', () => socket.write(bytes));
    let answer = '';
    socket.on('data', (chunk) => {
      answer += chunk;
      if (answer.includes('\r\n')) {
        socket.destroy();
        resolve(Number(answer.split(' ')[1]));
      }
    });
    socket.on('error', reject);
  });
}

test('a body that cannot be decoded answers 400, not 413', async () => {
  const head = `POST /api/script HTTP/1.1\r\nHost: 127.0.0.1:${serve.port}\r\nCookie: zorhost_token_${serve.port}=${serve.token}\r\n`;
  assert.equal(await raw(`${head}Transfer-Encoding: chunked\r\n\r\nzz\r\nxx\r\n0\r\n\r\n`), 400, 'bad chunks');
  assert.equal(await raw(`${head}Content-Encoding: gzip\r\nContent-Length: 10\r\n\r\nnot gzip!!`), 400, 'bad gzip');
  const started = Date.now();
  assert.equal(await raw(`${head}\r\n`), 411, 'no length and no chunks: refused at once');
  assert.ok(Date.now() - started < 1000);
});

test('a second server on the port in use is refused', () => {
  const second = spawnSync(zorhost, ['serve', '--sample', 'field', '--port', String(serve.port)], { timeout: 20000 });
  assert.equal(second.status, 2);
  assert.match(second.stderr.toString(), new RegExp(`port ${serve.port} is in use`));
});

test('10,000 bad requests, and the server still answers', async () => {
  const bad = [
    () => call('GET', '/api/scale', { cookie: false }),
    () => call('POST', '/api/script', { body: 'Bogus\n' }),
    () => call('POST', '/api/preset', { body: '{' }),
    () => call('GET', '/api/scale', { headers: { Host: 'evil.example' } }),
    () => call('POST', '/api/undo', { headers: { Origin: 'http://evil.example' } }),
    () => call('GET', '/../../etc/passwd'),
    () => call('POST', '/api/script', { body: 'SetColors 2 [1,2] [1] [1] [1] [1] [1] [1]\nSetImposedValues 5 [1] [1] [1]\n' }),
  ];
  const started = Date.now();
  for (let i = 0; i < 10000; i += 8) {
    const batch = [];
    for (let j = i; j < Math.min(i + 8, 10000); ++j) batch.push(bad[j % bad.length]());
    for (const answer of await Promise.all(batch)) assert.ok(answer.status >= 400 && answer.status < 500, String(answer.status));
  }
  const seconds = (Date.now() - started) / 1000;
  console.log(`10000 bad requests in ${seconds.toFixed(1)} s`);
  const alive = await call('GET', '/api/scale');
  assert.equal(alive.status, 200);
});

test('the rate of one-line scripts', async () => {
  const count = 2000;
  const started = process.hrtime.bigint();
  for (let i = 0; i < count; ++i) {
    const answer = await call('POST', '/api/script', { body: `SetColor 3 ${i % 256} 0 0 255\n` });
    assert.equal(answer.status, 200);
  }
  const seconds = Number(process.hrtime.bigint() - started) / 1e9;
  console.log(`POST /api/script of one line: ${(count / seconds).toFixed(0)} a second (${((seconds / count) * 1000).toFixed(2)} ms each)`);
});
