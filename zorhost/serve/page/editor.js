// The scale editor's page. It computes no color, no boundary and no value: every change is sent
// to the server, which makes it through the color scale module, and every picture and probe is
// the server's, exact at each pixel. The page shows the state the server then reports, changing
// only what changed, so that focus and typing survive every update.
'use strict';

const $ = (id) => document.getElementById(id);
let state = null;

// ---- talking to the server ----

// Asks again after the time the server says while it is too busy to take a request (503): such a
// request was never read, so even a change may be sent again.
async function fetchPatiently(path, options) {
  for (let attempt = 0; ; ++attempt) {
    const response = await fetch(path, options);
    if (response.status !== 503 || attempt >= 5) return response;
    const seconds = Number(response.headers.get('Retry-After')) || 1;
    await new Promise((resolve) => setTimeout(resolve, seconds * 1000));
  }
}

async function request(method, path, body, type) {
  const options = { method, headers: {} };
  if (body !== undefined) {
    options.body = body;
    options.headers['Content-Type'] = type;
  }
  const response = await fetchPatiently(path, options);
  const text = await response.text();
  if (!response.ok) throw Object.assign(new Error(text.trim() || `${response.status} ${response.statusText}`), { status: response.status });
  return text;
}

const postJson = (path, object) => request('POST', path, JSON.stringify(object ?? {}), 'application/json');

// An edit: one round trip, answered with the state after it. A refused edit is announced, and
// nothing changed; one `isNoNews` tells of is left unsaid.
async function edit(action, isNoNews = () => false) {
  try {
    show(await action());
    clearAlert();
  } catch (error) {
    if (!isNoNews(error)) announce(error.message);
  }
}

// A view: one that a newer view stopped before it was pictured (409) is no news, the newer one
// answers.
const changeView = (body) => edit(async () => JSON.parse(await postJson('/api/view', body)), (error) => error.status === 409);

// Script lines, run on the served scale.
const script = (...lines) => edit(async () => JSON.parse(await request('POST', '/api/edit', lines.join('\n') + '\n', 'text/plain')).state);
// A change the server answers with the state.
const change = (path, body) => edit(async () => JSON.parse(await postJson(path, body)));

async function refresh() {
  try {
    show(JSON.parse(await request('GET', '/api/scale')));
  } catch (error) {
    announce(error.message);
  }
}

// What went wrong stays until it is dismissed or an edit succeeds.
function announce(text) {
  $('alert-text').textContent = text;
  $('alert').hidden = false;
}
function clearAlert() { $('alert').hidden = true; }

// What went right is told for a moment.
let messageTimer = 0;
function tell(text) {
  const box = $('message');
  box.textContent = text;
  box.className = 'shown';
  clearTimeout(messageTimer);
  messageTimer = setTimeout(() => { box.className = ''; }, 2500);
}

// ---- values as the page shows and sends them ----

const hex = (c) => '#' + c.slice(0, 3).map((v) => Math.max(0, Math.min(255, v)).toString(16).padStart(2, '0')).join('');
const fromHex = (text) => [1, 3, 5].map((i) => parseInt(text.slice(i, i + 2), 16));
// A color for CSS: the components as the server gave them, alpha scaled by CSS itself.
const css = (c) => `rgb(${c[0]} ${c[1]} ${c[2]} / calc(${c[3]} / 255))`;
// A number as the page sends it: short, and read back by the server's own rule.
const short = (x) => String(Math.round(x * 1e6) / 1e6);

// A number the user typed, by the server's own rule, or null after saying what is wrong.
function typedNumber(input, what) {
  const text = input.value.trim();
  if (!new RegExp(state.limits.number).test(text)) {
    announce(`${what}: '${text}' is not a number (decimal or exponent form, inf or nan)`);
    input.focus();
    return null;
  }
  return text;
}

function element(tag, attributes = {}, ...children) {
  const e = document.createElement(tag);
  for (const [key, value] of Object.entries(attributes)) {
    if (key === 'class') e.className = value;
    else if (key.startsWith('on')) e.addEventListener(key.slice(2), value);
    else e.setAttribute(key, value);
  }
  for (const child of children) e.append(child);
  return e;
}

// Updates that touch the page only where something changed; an input being typed in is left alone.
function setText(e, text) { if (e.textContent !== text) e.textContent = text; }
function setAttribute(e, name, value) { if (e.getAttribute(name) !== String(value)) e.setAttribute(name, String(value)); }
function setValue(input, value) {
  if (document.activeElement !== input && input.value !== String(value)) input.value = String(value);
}
// A number field: the number as people read it, and all its digits while it is being edited.
function setNumber(input, number) {
  input.dataset.exact = number.exact;
  input.dataset.shown = number.text;
  setValue(input, number.text);
}
function wireNumberFields() {
  document.addEventListener('focusin', (e) => {
    const input = e.target;
    if (input.dataset && input.dataset.exact !== undefined && input.value === input.dataset.shown) {
      input.value = input.dataset.exact;
      input.select();
    }
  });
  document.addEventListener('focusout', (e) => {
    const input = e.target;
    if (input.dataset && input.dataset.exact !== undefined && input.value === input.dataset.exact) input.value = input.dataset.shown;
  });
}
function setOptions(select, names, labels = names) {
  const now = [...select.options].map((o) => o.value);
  if (now.length !== names.length || now.some((v, i) => v !== names[i])) {
    select.replaceChildren(...names.map((name, i) => element('option', { value: name }, labels[i])));
  }
}

// ---- the scale table: a row a block and a row a boundary, kept and updated in place ----

const kMostRowsShown = 1000;
const blockRows = new Map();
const boundaryRows = new Map();

function makeBlockRow(k) {
  const color = element('input', { type: 'color', 'aria-label': `color of block ${k}` });
  const alpha = element('input', { type: 'number', min: 0, max: 255, step: 1, 'aria-label': `alpha of block ${k}` });
  const impose = () => {
    const a = Number(alpha.value);
    if (!Number.isInteger(a) || a < 0 || a > 255) return announce('alpha is a whole number from 0 to 255');
    script(`SetColor ${k} ${fromHex(color.value).join(' ')} ${a}`);
  };
  color.addEventListener('change', impose);
  alpha.addEventListener('keydown', (e) => { if (e.key === 'Enter') impose(); });
  const set = element('button', { class: 'impose', onclick: impose });
  const release = element('button', { class: 'release', 'aria-label': `Release the color of block ${k}`, onclick: () => script(`UnsetImposedColors [${k}] 1`) }, 'Release');
  const row = element('tr', { class: 'block', 'data-block': k },
    element('td', {}, element('div', { class: 'swatch' })),
    element('th', { scope: 'row' }, `${k}`),
    element('td', {}, color, ' ', alpha),
    element('td', {}, set, ' ', release),
    element('td', {}, element('span', { class: 'tag' })),
    element('td', { class: 'range' }),
    element('td', { class: 'count' }));
  row.parts = { color, alpha, set, release, swatch: row.querySelector('.swatch'), tag: row.querySelector('.tag'), span: row.cells[5], count: row.cells[6] };
  return row;
}

function updateBlockRow(row, k, block) {
  const p = row.parts;
  setAttribute(row, 'data-color', block.color.join(','));
  setAttribute(row, 'data-imposed', block.imposed ? 1 : 0);
  p.swatch.style.background = css(block.color);
  p.swatch.classList.toggle('blended', !block.imposed);
  setAttribute(p.swatch, 'title', block.colorText);
  setValue(p.color, hex(block.color));
  setValue(p.alpha, block.color[3]);
  setText(p.set, block.imposed ? 'Set' : 'Impose');
  setAttribute(p.set, 'aria-label', `${block.imposed ? 'Set' : 'Impose'} the color of block ${k}`);
  p.release.hidden = !block.imposed;
  setText(p.tag, block.imposed ? 'imposed' : 'blended');
  p.tag.classList.toggle('free', !block.imposed);
  setText(p.span, block.span);
  setText(p.count, String(block.count));
}

function makeBoundaryRow(j) {
  const value = element('input', { type: 'text', inputmode: 'decimal', 'aria-label': `boundary ${j}` });
  const impose = () => {
    const typed = typedNumber(value, `boundary ${j}`);
    if (typed !== null) script(`SetImposedValue ${j} ${typed}`);
  };
  value.addEventListener('keydown', (e) => { if (e.key === 'Enter') impose(); });
  const set = element('button', { class: 'impose', onclick: impose });
  const release = element('button', { class: 'release', 'aria-label': `Release boundary ${j}`, onclick: () => script(`UnsetImposedValues [${j}] 1`) }, 'Release');
  const row = element('tr', { class: 'boundary', 'data-boundary': j },
    element('td', { colspan: 2, class: 'hint' }, `boundary ${j}`),
    element('td', {}, value),
    element('td', {}, set, ' ', release),
    element('td', { colspan: 3 }, element('span', { class: 'tag' })));
  row.parts = { value, set, release, tag: row.querySelector('.tag') };
  return row;
}

function updateBoundaryRow(row, j, boundary) {
  const p = row.parts;
  setAttribute(row, 'data-value', boundary.value.exact);
  setAttribute(row, 'data-imposed', boundary.imposed ? 1 : 0);
  row.classList.toggle('imposed', boundary.imposed);
  setNumber(p.value, boundary.value);
  setText(p.set, boundary.imposed ? 'Set' : 'Impose');
  setAttribute(p.set, 'aria-label', `${boundary.imposed ? 'Set' : 'Impose'} boundary ${j}`);
  p.release.hidden = !boundary.imposed;
  setText(p.tag, boundary.imposed ? 'imposed' : 'interpolated');
  p.tag.classList.toggle('free', !boundary.imposed);
}

function rowOf(rows, key, make) {
  if (!rows.has(key)) rows.set(key, make(key));
  return rows.get(key);
}

function showLegend() {
  const n = state.blocks.length;
  const lowest = Math.max(1, n - kMostRowsShown + 1);
  const wanted = [];
  for (let k = n; k >= lowest; --k) {
    const row = rowOf(blockRows, k, makeBlockRow);
    updateBlockRow(row, k, state.blocks[k - 1]);
    wanted.push(row);
    if (k > 1) {
      const boundary = rowOf(boundaryRows, k - 1, makeBoundaryRow);
      updateBoundaryRow(boundary, k - 1, state.boundaries[k - 2]);
      wanted.push(boundary);
    }
  }
  for (const rows of [blockRows, boundaryRows]) {
    for (const key of rows.keys()) if (key > n || key < lowest - 1) rows.delete(key);
  }
  if (lowest > 1) wanted.push(element('tr', {}, element('td', { colspan: 7, class: 'hint' }, `blocks 1 to ${lowest - 1} not shown`)));
  // Rows move only when the blocks change in number.
  const body = $('legend').tBodies[0];
  const same = body.rows.length === wanted.length && wanted.every((row, i) => body.rows[i] === row);
  if (!same) body.replaceChildren(...wanted);
}

// Bars of each block's share of the part's area (of the values painted, for a grid), each
// labelled while they fit; past that, the numbers are in the table.
const kMostBars = 1000;
const kMostLabelledBars = 24;
function showHistogram() {
  const blocks = state.blocks;
  const byArea = blocks.length > 0 && blocks[0].areaShare !== null;
  setText($('histogram-heading'), byArea ? 'Share of the part\u2019s area in each block' : 'Values in each block');
  const per = Math.ceil(blocks.length / kMostBars);
  const bars = [];
  for (let i = 0; i < blocks.length; i += per) {
    const group = blocks.slice(i, i + per);
    const count = group.reduce((sum, b) => sum + (byArea ? b.areaShare : b.count), 0);
    bars.push({ count, text: byArea ? (group.length === 1 ? group[0].areaShareText : `${count.toFixed(1)} %`) : String(count),
      color: group[0].color, first: i + 1, last: i + group.length });
  }
  const most = Math.max(1, ...bars.map((b) => b.count));
  const box = $('histogram');
  if (box.children.length !== bars.length) {
    box.replaceChildren(...bars.map(() => element('div', { class: 'bar' }, element('span', { class: 'bar-count' }))));
  }
  const labelled = bars.length <= kMostLabelledBars;
  box.classList.toggle('labelled', labelled);
  bars.forEach((bar, i) => {
    const e = box.children[i];
    e.style.height = `${(100 * bar.count) / most}%`;
    e.style.background = css(bar.color);
    setAttribute(e, 'data-count', bar.count);
    setAttribute(e, 'title', `${bar.first === bar.last ? `block ${bar.first}` : `blocks ${bar.first} to ${bar.last}`}: ${bar.text}${byArea ? ' of the area' : ' values'}`);
    setText(e.firstChild, labelled ? bar.text : '');
  });
  const described = labelled ? bars.map((b) => `block ${b.first}: ${b.text}`).join(', ')
    : 'the count of each block is in the Values column of the scale table';
  setAttribute(box, 'aria-label', `${byArea ? 'Share of the area' : 'Values'} in each block, ${described}`);
}

// The part's statistics over its whole area, the verdict when a tolerance is given, and the pins.
function showInspection() {
  const statistics = state.statistics;
  if (!statistics) return;
  const draftAngle = state.view.analysis === 'draft', wall = state.view.analysis === 'thickness';
  setText($('tolerance-label'), draftAngle ? 'Pass limit (degrees)' : wall ? 'Minimum wall' : 'Tolerance');
  $('tolerance').placeholder = draftAngle ? '1.5' : wall ? '2' : '0.1, or -0.05,0.2';
  setValue($('tolerance'), statistics.tolerance ?? '');
  setValue($('pass-share'), statistics.passShare);
  const verdict = $('verdict');
  verdict.hidden = !statistics.verdict;
  if (statistics.verdict) {
    verdict.className = statistics.verdict.passes ? 'pass' : 'fail';
    setText(verdict, statistics.verdict.text);
  }
  const lines = statistics.lines.filter((line) => !/^(pass|fail): /.test(line));
  const list = $('statistics');
  if ([...list.children].map((li) => li.textContent).join('\n') !== lines.join('\n')) {
    list.replaceChildren(...lines.map((line) => element('li', {}, line)));
  }
  pins = state.pins.map((pin) => pin.point);
  $('clear-pins').disabled = pins.length === 0;
  $('pins-list').replaceChildren(...state.pins.map((pin) => element('li', {}, pin.listed.replace(/^\d+: /, '') + (pin.seen ? '' : ' (hidden in this view)'))));
  placePins();
}

// The pins over the picture, where the server placed them in this view.
function placePins() {
  const picture = $('picture');
  const layer = $('pins');
  const seen = (state.pins ?? []).filter((pin) => pin.seen);
  layer.replaceChildren(...seen.map((pin) => {
    const marker = element('div', { class: 'pin', title: pin.listed }, String(pin.number));
    marker.style.left = `${picture.offsetLeft + pin.x * picture.clientWidth}px`;
    marker.style.top = `${picture.offsetTop + pin.y * picture.clientHeight}px`;
    return marker;
  }));
}

// A click pins a callout at the part's point under it.
let pins = [];
async function pinAt(pixel) {
  try {
    const answer = JSON.parse(await request('GET', `/api/probe?x=${pixel[0]}&y=${pixel[1]}&revision=${state.revision}`));
    showProbe(answer);
    if (!answer.seen || !answer.point) return;
    if (pins.length >= state.limits.pins) return announce(`at most ${state.limits.pins} pins: clear some first`);
    await change('/api/pins', { points: [...pins, answer.point.map((c) => c.value)] });
  } catch (error) {
    announce(error.message);
  }
}

function showOptions() {
  const o = state.options;
  $('range-part').checked = state.range === 'part';
  $('range-fixed').checked = state.range !== 'part';
  setValue($('outliers'), o.AutoMinMaxOption ?? '');
  $('outliers').disabled = state.range !== 'part';
  $('absolute').checked = !!o.AbsoluteExtrema;
  $('green').checked = !!o.GreenIsFlat;
  $('nonlinear').checked = !!o.NonlinearScale;
  setNumber($('first'), state.extremes.first);
  setNumber($('last'), state.extremes.last);
  setValue($('undefined-color'), hex(state.undefinedColor));
  setValue($('undefined-alpha'), state.undefinedColor[3]);
}

// The server's limits, on the controls that take them.
function showLimits() {
  const limits = state.limits;
  setAttribute($('block-count'), 'max', limits.blocks);
  setAttribute($('outliers'), 'max', limits.outlierShare);
  setAttribute($('save-name'), 'maxlength', limits.repositoryNameLength);
  setText($('name-rule'), `Names: ${limits.repositoryName}.`);
}

function chooseIn(select, names, chosen) {
  const kept = select.value || chosen;
  setOptions(select, names);
  if (names.includes(kept)) select.value = kept;
}

// ---- the view: the camera the page moves, the pictures the server paints ----

const kSizes = ['640x480', '800x600', '1024x768', '1280x960', '1600x1200', '1920x1080'];
// The page's camera while it moves; the state's view once it has settled.
let camera = null;
let moving = false;
let settleTimer = 0;

function showView() {
  const view = state.view;
  document.body.classList.toggle('grid', !view.part);
  if (!view.part) return;
  const names = $('named-views');
  if (names.children.length !== view.views.length) {
    names.replaceChildren(...view.views.map((name) => element('button', { 'data-view': name, onclick: () => changeView({ view: name }) }, name)));
  }
  for (const button of names.children) setAttribute(button, 'aria-pressed', button.dataset.view === view.view);
  setOptions($('analysis'), view.analyses);
  setValue($('analysis'), view.analysis);
  $('pull-box').hidden = view.analysis !== 'draft';
  setValue($('pull'), view.pull);
  const stripes = view.analysis === 'isophote' || view.analysis === 'reflection';
  $('light-box').hidden = !stripes;
  setValue($('light'), view.light);
  $('stripes-box').hidden = !stripes;
  $('thickness-box').hidden = view.analysis !== 'thickness';
  setValue($('thickness'), view.thickness);
  $('edges-box').hidden = !view.edgesAvailable;
  $('edges').checked = view.edges;
  setValue($('shading'), view.shading);
  const size = `${view.width}x${view.height}`;
  setOptions($('size'), kSizes.includes(size) ? kSizes : [...kSizes, size]);
  setValue($('size'), size);
  if (!moving) camera = { azimuth: view.azimuth, elevation: view.elevation, zoom: view.zoom, pan: [...view.pan] };
  const seen = `${view.analysis} ${view.view} ${view.zoom} ${view.pan} ${view.width}x${view.height}`;
  if (seen !== shownView) forgetProbe();
  shownView = seen;
}
let shownView = '';

const viewQuery = (c) => `view=${short(c.azimuth)},${short(c.elevation)}&zoom=${short(c.zoom)}&pan=${short(c.pan[0])},${short(c.pan[1])}`;

// The picture of the state's revision, once it is not moving.
let shownRevision = 0;
function showPicture() {
  const picture = $('picture');
  setAttribute(picture, 'width', state.picture.width);
  setAttribute(picture, 'height', state.picture.height);
  if (moving || shownRevision === state.revision) return;
  shownRevision = state.revision;
  const revision = state.revision;
  const view = state.view.view;
  const shown = picture.src;
  picture.onload = () => {
    document.body.dataset.pictureRevision = String(revision);
    document.body.dataset.view = view;
    if (shown.startsWith('blob:')) URL.revokeObjectURL(shown);
  };
  picture.src = `/api/picture.png?revision=${revision}`;
  $('figure-png').href = `/api/figure.png?revision=${revision}`;
  $('figure-svg').href = `/api/legend.svg?revision=${revision}`;
}

// Drafts while the view moves: one asked at a time, the latest camera each time.
let draftAsked = false;
let draftWanted = false;
async function draft() {
  if (draftAsked) { draftWanted = true; return; }
  draftAsked = true;
  try {
    do {
      draftWanted = false;
      const response = await fetchPatiently(`/api/picture.png?${viewQuery(camera)}&draft=1`);
      if (!response.ok) throw new Error((await response.text()).trim());
      const url = URL.createObjectURL(await response.blob());
      const picture = $('picture');
      const old = picture.src;
      picture.onload = null;
      picture.src = url;
      await picture.decode().catch(() => {});
      if (old.startsWith('blob:')) URL.revokeObjectURL(old);
      document.body.dataset.drafts = String(Number(document.body.dataset.drafts ?? 0) + 1);
    } while (draftWanted && moving);
  } catch (error) {
    announce(error.message);
  } finally {
    draftAsked = false;
  }
}

// The view moved to `camera` and left there: the server pictures it whole.
function settle() {
  clearTimeout(settleTimer);
  moving = false;
  changeView({ view: `${short(camera.azimuth)},${short(camera.elevation)}`, zoom: short(camera.zoom), pan: `${short(camera.pan[0])},${short(camera.pan[1])}` });
}

const clamp = (x, low, high) => Math.min(high, Math.max(low, x));
function moveCamera(turn, tilt, panX, panY, zoomBy) {
  forgetProbe();
  const limits = state.limits;
  camera.azimuth = ((camera.azimuth - turn + 540) % 360) - 180;
  camera.elevation = clamp(camera.elevation + tilt, -90, 90);
  camera.pan = [clamp(camera.pan[0] + panX, -limits.pan, limits.pan), clamp(camera.pan[1] + panY, -limits.pan, limits.pan)];
  camera.zoom = clamp(camera.zoom * zoomBy, limits.zoom[0], limits.zoom[1]);
}

// The full picture's pixel under a pointer.
function pixelAt(event) {
  const box = $('picture').getBoundingClientRect();
  const x = Math.floor(((event.clientX - box.left) / box.width) * state.picture.width);
  const y = Math.floor(((event.clientY - box.top) / box.height) * state.picture.height);
  return x >= 0 && y >= 0 && x < state.picture.width && y < state.picture.height ? [x, y] : null;
}

// Probes: one asked at a time, the latest pixel each time.
let probeAsked = false;
let probeWanted = null;
async function probe(pixel) {
  probeWanted = pixel;
  if (probeAsked) return;
  probeAsked = true;
  try {
    while (probeWanted) {
      const [x, y] = probeWanted;
      probeWanted = null;
      showProbe(JSON.parse(await request('GET', `/api/probe?x=${x}&y=${y}&revision=${state.revision}`)));
    }
  } catch (error) {
    announce(error.message);
  } finally {
    probeAsked = false;
  }
}

// What the pointer read is of a view that has moved on.
function forgetProbe() {
  const out = $('probe');
  if (!out.dataset.x) return;
  delete out.dataset.x;
  delete out.dataset.y;
  out.dataset.value = '';
  out.replaceChildren('Point at the picture to read the value there.');
}

function showProbe(answer) {
  const out = $('probe');
  out.dataset.x = answer.column;
  out.dataset.y = answer.row;
  out.dataset.value = answer.seen ? answer.value.exact : '';
  if (!answer.seen) return out.replaceChildren(`pixel ${answer.column}, ${answer.row}: no surface is seen there`);
  const swatch = element('span', { class: 'swatch inline' });
  swatch.style.background = css(answer.color);
  out.replaceChildren(`pixel ${answer.column}, ${answer.row}: `, swatch, ' ', answer.text);
}

function wirePicture() {
  const stage = $('stage');
  let dragging = null;
  stage.addEventListener('pointerdown', (e) => {
    if (e.button !== 0 || !state.view.part) return;
    dragging = { x: e.clientX, y: e.clientY, moved: false, pan: e.shiftKey };
    stage.setPointerCapture(e.pointerId);
  });
  stage.addEventListener('pointermove', (e) => {
    if (!dragging) {
      const pixel = pixelAt(e);
      if (pixel && !moving) probe(pixel);
      return;
    }
    const dx = e.clientX - dragging.x, dy = e.clientY - dragging.y;
    if (!dragging.moved && Math.hypot(dx, dy) < 3) return;
    dragging.moved = true;
    moving = true;
    dragging.x = e.clientX;
    dragging.y = e.clientY;
    const box = $('picture').getBoundingClientRect();
    if (dragging.pan) moveCamera(0, 0, dx / box.width, dy / box.height, 1);
    else moveCamera(0.4 * dx, 0.4 * dy, 0, 0, 1);
    stage.classList.add('moving');
    draft();
  });
  const release = (e) => {
    if (!dragging) return;
    const moved = dragging.moved;
    dragging = null;
    stage.classList.remove('moving');
    if (moved) settle();
    else if (e.type === 'pointerup') {
      const pixel = pixelAt(e);
      if (pixel && state.view.part) pinAt(pixel);
      else if (pixel) probe(pixel);
    }
  };
  stage.addEventListener('pointerup', release);
  stage.addEventListener('pointercancel', release);
  stage.addEventListener('wheel', (e) => {
    if (!state.view.part) return;
    e.preventDefault();
    moving = true;
    moveCamera(0, 0, 0, 0, Math.exp(-e.deltaY * 0.0015));
    draft();
    clearTimeout(settleTimer);
    settleTimer = setTimeout(settle, 250);
  }, { passive: false });
  stage.addEventListener('keydown', (e) => {
    if (!state.view.part) return;
    const step = { ArrowLeft: [-15, 0], ArrowRight: [15, 0], ArrowUp: [0, 15], ArrowDown: [0, -15] }[e.key];
    if (step && e.shiftKey) moveCamera(0, 0, -step[0] / 300, step[1] / 300, 1);
    else if (step) moveCamera(step[0], step[1], 0, 0, 1);
    else if (e.key === '+' || e.key === '=') moveCamera(0, 0, 0, 0, 1.25);
    else if (e.key === '-') moveCamera(0, 0, 0, 0, 1 / 1.25);
    else return;
    e.preventDefault();
    settle();
  });
  $('set-tolerance').onclick = async () => {
    // Both read before either is sent: the state the first answers with fills the fields again.
    const tolerance = $('tolerance').value.trim() || 'none', share = $('pass-share').value.trim() || '100';
    await change('/api/pass-share', { share });
    await change('/api/tolerance', { tolerance });
  };
  $('clear-tolerance').onclick = () => change('/api/tolerance', { tolerance: 'none' });
  $('clear-pins').onclick = () => change('/api/pins', { points: [] });
  window.addEventListener('resize', placePins);
  $('picture').addEventListener('load', placePins);
  $('zoom-in').onclick = () => changeView({ zoom: short(clamp(camera.zoom * 1.25, ...state.limits.zoom)) });
  $('zoom-out').onclick = () => changeView({ zoom: short(clamp(camera.zoom / 1.25, ...state.limits.zoom)) });
  $('fit').onclick = () => changeView({ zoom: '1', pan: '0,0' });
  $('analysis').onchange = () => changeView({ analysis: $('analysis').value });
  $('pull').onchange = () => changeView({ pull: $('pull').value.trim() });
  $('light').onchange = () => changeView({ light: $('light').value.trim() || 'default' });
  $('shading').onchange = () => changeView({ shading: $('shading').value });
  $('thickness').onchange = () => changeView({ thickness: $('thickness').value });
  $('stripes').onchange = () => change('/api/stripes', { stripes: $('stripes').value.trim() });
  $('edges').onchange = () => change('/api/edges', { edges: $('edges').checked ? 'on' : 'off' });
  $('size').onchange = () => changeView({ size: $('size').value });
}

// ---- the whole state ----

function show(next) {
  state = next;
  document.body.dataset.revision = String(state.revision);
  setText($('title'), state.title);
  const saved = $('saved-state');
  saved.classList.toggle('unsaved', state.unsaved);
  setText(saved, state.unsaved ? '● changes not saved' : state.repository ? `saved as ${state.repository}` : 'no changes');
  $('undo').disabled = state.undo === 0;
  $('redo').disabled = state.redo === 0;
  setValue($('block-count'), state.blocks.length);
  chooseIn($('preset'), state.presets, 'default');
  chooseIn($('method'), state.methods, 'quantile');
  setText($('caption'), `${state.title}; measured from ${state.measured.smallest.text} to ${state.measured.largest.text} over ${state.measured.over}`);
  showLimits();
  const notes = [...state.optionsDone, ...state.warnings, ...state.notes];
  if (state.measured.narrow) notes.push(state.measured.narrow);
  if (state.histogram.undefined) notes.push(`${state.histogram.undefined} values undefined`);
  if (state.histogram.noColor) notes.push(`${state.histogram.noColor} values given no color`);
  const list = $('notes');
  if ([...list.children].map((li) => li.textContent).join('\n') !== notes.join('\n')) {
    list.replaceChildren(...notes.map((n) => element('li', {}, n)));
  }
  setText($('timings'), `Opening: ${state.timings.opening}. ${state.timings.picture ? `The last picture, ${state.timings.picture}.` : ''}`);
  showView();
  showPicture();
  showLegend();
  showHistogram();
  showInspection();
  showOptions();
}

async function showRepositories() {
  try {
    const answer = JSON.parse(await request('GET', '/api/settings'));
    chooseIn($('repositories'), answer.repositories, state && state.repository);
    $('load').disabled = answer.repositories.length === 0;
  } catch (error) {
    announce(error.message);
  }
}

// ---- controls ----

// Downloads asked as requests: a refusal is told, as every other one is; a file is saved.
function wireDownloads() {
  for (const link of document.querySelectorAll('a[download]')) {
    link.addEventListener('click', async (e) => {
      e.preventDefault();
      try {
        const response = await fetchPatiently(link.href);
        if (!response.ok) throw new Error((await response.text()).trim() || `${response.status} ${response.statusText}`);
        const named = /filename="([^"]+)"/.exec(response.headers.get('Content-Disposition') ?? '');
        const name = named ? named[1] : link.getAttribute('download') || new URL(link.href).pathname.split('/').pop();
        const url = URL.createObjectURL(await response.blob());
        const save = element('a', { href: url, download: name });
        document.body.append(save);
        save.click();
        save.remove();
        setTimeout(() => URL.revokeObjectURL(url), 60000);
      } catch (error) {
        announce(`The download of ${link.textContent.trim()} failed: ${error.message}`);
      }
    });
  }
}

function wire() {
  wireNumberFields();
  wireDownloads();
  $('alert-dismiss').onclick = clearAlert;
  $('undo').onclick = () => change('/api/undo');
  $('redo').onclick = () => change('/api/redo');
  document.addEventListener('keydown', (e) => {
    if (!(e.ctrlKey || e.metaKey) || e.target.matches('input, textarea')) return;
    if (e.key === 'z' && !e.shiftKey && !$('undo').disabled) { e.preventDefault(); $('undo').click(); }
    if ((e.key === 'y' || (e.key === 'z' && e.shiftKey)) && !$('redo').disabled) { e.preventDefault(); $('redo').click(); }
  });
  $('apply-preset').onclick = () => {
    const blocks = Number($('block-count').value);
    const most = state.limits.blocks;
    if (!Number.isInteger(blocks) || blocks < 1 || blocks > most) return announce(`blocks: a whole number from 1 to ${most}`);
    change('/api/preset', { name: $('preset').value, blocks });
  };
  $('block-count').addEventListener('keydown', (e) => { if (e.key === 'Enter') $('apply-preset').click(); });
  $('classify').onclick = () => change('/api/classify', { method: $('method').value });
  $('range-part').onchange = () => change('/api/range', { range: 'part' });
  $('range-fixed').onchange = () => change('/api/range', { range: `${state.extremes.first.exact},${state.extremes.last.exact}` });
  $('outliers').onchange = () => {
    const p = Number($('outliers').value);
    const most = state.limits.outlierShare;
    if (!Number.isInteger(p) || p < 0 || p > most) return announce(`the share left out is a whole number from 0 to ${most}`);
    script(`SetAutoMinMaxOption ${p}`);
  };
  const imposeRange = () => {
    const first = typedNumber($('first'), 'the first boundary');
    const last = first === null ? null : typedNumber($('last'), 'the last boundary');
    if (last !== null) change('/api/range', { range: `${first},${last}` });
  };
  $('set-extremes').onclick = imposeRange;
  for (const id of ['first', 'last']) $(id).addEventListener('keydown', (e) => { if (e.key === 'Enter') imposeRange(); });
  $('symmetric').onclick = () => change('/api/range', { range: 'symmetric' });
  $('absolute').onchange = () => script(`SetAbsoluteExtrema ${$('absolute').checked ? 1 : 0}`);
  $('green').onchange = () => script(`SetGreenIsFlat ${$('green').checked ? 1 : 0}`);
  $('nonlinear').onchange = () => script(`SetNonlinearScale ${$('nonlinear').checked ? 1 : 0}`);
  $('set-undefined').onclick = () => {
    const a = Number($('undefined-alpha').value);
    if (!Number.isInteger(a) || a < 0 || a > 255) return announce('alpha is a whole number from 0 to 255');
    script(`SetColorUndefine ${fromHex($('undefined-color').value).join(' ')} ${a}`);
  };
  $('load').onclick = () => {
    if (state.unsaved && !confirm('The scale has changes that are not saved. Load over them?')) return;
    change('/api/settings/load', { name: $('repositories').value });
  };
  $('save').onclick = async () => {
    const name = $('save-name').value.trim();
    await change('/api/settings/save', { name });
    if (state.repository === name && !state.unsaved) tell(`saved as ${name}`);
    showRepositories();
  };
  $('save-name').addEventListener('keydown', (e) => { if (e.key === 'Enter') $('save').click(); });
  $('run-script').onclick = async () => {
    try {
      const answer = JSON.parse(await request('POST', '/api/edit', $('script').value + '\n', 'text/plain'));
      $('script-output').textContent = answer.output;
      show(answer.state);
    } catch (error) {
      $('script-output').textContent = error.message;
    }
  };
  wirePicture();
  window.addEventListener('beforeunload', (e) => { if (state && state.unsaved) e.preventDefault(); });
  // Edits made in another tab show here too.
  setInterval(async () => {
    if (document.hidden || moving) return;
    try {
      const next = JSON.parse(await request('GET', '/api/scale'));
      if (!state || next.revision !== state.revision || next.unsaved !== state.unsaved) show(next);
    } catch (error) { /* the server may have stopped; the next edit tells */ }
  }, 3000);
}

wire();
refresh().then(showRepositories);
