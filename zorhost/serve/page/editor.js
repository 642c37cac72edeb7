// The scale editor's page. It computes no color and no boundary: every change is sent to the
// server, which makes it through the color scale module, and the page shows the state the
// module then reports.
'use strict';

const $ = (id) => document.getElementById(id);
let state = null;
let pictureRevision = 0;

// ---- talking to the server ----

async function request(method, path, body, type) {
  const options = { method, headers: {} };
  if (body !== undefined) {
    options.body = body;
    options.headers['Content-Type'] = type;
  }
  const response = await fetch(path, options);
  const text = await response.text();
  if (!response.ok) throw new Error(text.trim() || `${response.status} ${response.statusText}`);
  return text;
}

const postJson = (path, object) => request('POST', path, JSON.stringify(object ?? {}), 'application/json');

// Runs an edit, then shows the state; a refused edit is told, and nothing changed.
async function edit(action) {
  try {
    const answer = await action();
    show(answer && answer.startsWith('{') ? JSON.parse(answer) : JSON.parse(await request('GET', '/api/scale')));
  } catch (error) {
    tell(error.message, true);
    await refresh();
  }
}

// Script lines, run on the served scale.
const script = (...lines) => edit(() => request('POST', '/api/script', lines.join('\n') + '\n', 'text/plain'));

async function refresh() {
  try {
    show(JSON.parse(await request('GET', '/api/scale')));
  } catch (error) {
    tell(error.message, true);
  }
}

let messageTimer = 0;
function tell(text, bad = false) {
  const box = $('message');
  box.textContent = text;
  box.className = 'shown' + (bad ? ' bad' : '');
  clearTimeout(messageTimer);
  messageTimer = setTimeout(() => { box.className = ''; }, bad ? 8000 : 2500);
}

// ---- values as the page shows and sends them ----

const hex = (c) => '#' + c.slice(0, 3).map((v) => Math.max(0, Math.min(255, v)).toString(16).padStart(2, '0')).join('');
const fromHex = (text) => [1, 3, 5].map((i) => parseInt(text.slice(i, i + 2), 16));
// A color for CSS: the components as the server gave them, alpha scaled by CSS itself.
const css = (c) => `rgb(${c[0]} ${c[1]} ${c[2]} / calc(${c[3]} / 255))`;

// A number the user typed, or null with a message.
function typedNumber(input, what) {
  const text = input.value.trim();
  const value = Number(text);
  if (text === '' || !Number.isFinite(value)) {
    tell(`${what}: '${text}' is not a number`, true);
    input.focus();
    return null;
  }
  return text;
}

function element(tag, attributes = {}, ...children) {
  const e = document.createElement(tag);
  for (const [key, value] of Object.entries(attributes)) {
    if (key === 'class') e.className = value;
    else if (key === 'style') e.style.cssText = value;
    else if (key.startsWith('on')) e.addEventListener(key.slice(2), value);
    else e.setAttribute(key, value);
  }
  for (const child of children) e.append(child);
  return e;
}

// ---- showing the state ----

const kMostRowsShown = 1000;

function blockRow(k, block) {
  const color = element('input', { type: 'color', value: hex(block.color), 'aria-label': `color of block ${k}` });
  const alpha = element('input', { type: 'number', min: 0, max: 255, step: 1, value: block.color[3], 'aria-label': `alpha of block ${k}` });
  const impose = () => {
    const a = Number(alpha.value);
    if (!Number.isInteger(a) || a < 0 || a > 255) return tell('alpha is a whole number from 0 to 255', true);
    script(`SetColor ${k} ${fromHex(color.value).join(' ')} ${a}`);
  };
  color.addEventListener('change', impose);
  const buttons = element('td');
  buttons.append(element('button', { class: 'impose', onclick: impose }, block.imposed ? 'Set' : 'Impose'));
  if (block.imposed) buttons.append(' ', element('button', { class: 'release', onclick: () => script(`UnsetImposedColors [${k}] 1`) }, 'Release'));
  return element('tr', { class: 'block', 'data-block': k, 'data-color': block.color.join(','), 'data-imposed': block.imposed ? 1 : 0 },
    element('td', {}, element('div', { class: 'swatch' + (block.imposed ? '' : ' blended'), style: `background:${css(block.color)}`, title: block.colorText })),
    element('td', {}, `${k}`),
    element('td', {}, color, ' ', alpha),
    buttons,
    element('td', {}, element('span', { class: block.imposed ? 'tag' : 'tag free' }, block.imposed ? 'imposed' : 'blended')),
    element('td', { class: 'range' }, block.span),
    element('td', { class: 'count', title: 'values in this block' }, String(block.count)));
}

function boundaryRow(j, boundary) {
  const value = element('input', { type: 'text', inputmode: 'decimal', value: boundary.value.exact, 'aria-label': `boundary ${j}` });
  const impose = () => {
    const typed = typedNumber(value, `boundary ${j}`);
    if (typed !== null) script(`SetImposedValue ${j} ${typed}`);
  };
  value.addEventListener('keydown', (e) => { if (e.key === 'Enter') impose(); });
  const buttons = element('td');
  buttons.append(element('button', { class: 'impose', onclick: impose }, boundary.imposed ? 'Set' : 'Impose'));
  if (boundary.imposed) buttons.append(' ', element('button', { class: 'release', onclick: () => script(`UnsetImposedValues [${j}] 1`) }, 'Release'));
  return element('tr', { class: 'boundary' + (boundary.imposed ? ' imposed' : ''), 'data-boundary': j, 'data-value': boundary.value.exact, 'data-imposed': boundary.imposed ? 1 : 0 },
    element('td', { colspan: 2, class: 'hint' }, `boundary ${j}`),
    element('td', {}, value),
    buttons,
    element('td', { colspan: 3 }, element('span', { class: boundary.imposed ? 'tag' : 'tag free' }, boundary.imposed ? 'imposed' : 'interpolated')));
}

function showLegend() {
  const body = $('legend').tBodies[0];
  const rows = [];
  const n = state.blocks.length;
  const lowest = Math.max(1, n - kMostRowsShown + 1);
  for (let k = n; k >= lowest; --k) {
    rows.push(blockRow(k, state.blocks[k - 1]));
    if (k > 1) rows.push(boundaryRow(k - 1, state.boundaries[k - 2]));
  }
  if (lowest > 1) rows.push(element('tr', {}, element('td', { colspan: 7, class: 'hint' }, `blocks 1 to ${lowest - 1} not shown`)));
  body.replaceChildren(...rows);
}

function showHistogram() {
  const most = Math.max(1, ...state.blocks.map((b) => b.count));
  const bars = state.blocks.map((b, i) => element('div', {
    style: `height:${(100 * b.count) / most}%;background:${css(b.color)}`,
    title: `block ${i + 1}: ${b.count} values`,
    'data-count': b.count,
  }));
  $('histogram').replaceChildren(...bars);
}

function showOptions() {
  const o = state.options;
  $('auto').checked = o.AutoMinMaxStatus !== null && o.AutoMinMaxStatus !== 0;
  $('outliers').value = o.AutoMinMaxOption ?? '';
  $('absolute').checked = !!o.AbsoluteExtrema;
  $('green').checked = !!o.GreenIsFlat;
  $('nonlinear').checked = !!o.NonlinearScale;
  for (const id of ['first', 'last', 'set-extremes']) $(id).disabled = $('auto').checked;
  $('first').value = state.extremes.first.exact;
  $('last').value = state.extremes.last.exact;
  $('first').title = $('last').title = $('auto').checked ? 'the extremes follow the values: untick to impose them' : '';
  $('undefined-color').value = hex(state.undefinedColor);
  $('undefined-alpha').value = state.undefinedColor[3];
}

// The server's limits, on the controls that take them.
function showLimits() {
  const limits = state.limits;
  $('block-count').max = limits.blocks;
  $('outliers').max = limits.outlierShare;
  $('save-name').maxLength = limits.repositoryNameLength;
  $('name-rule').textContent = `Names: ${limits.repositoryName}.`;
}

function fillSelect(select, names, chosen) {
  const kept = select.value || chosen;
  select.replaceChildren(...names.map((name) => element('option', { value: name }, name)));
  if (names.includes(kept)) select.value = kept;
}

function showPicture() {
  if (pictureRevision === state.revision) return;
  pictureRevision = state.revision;
  const picture = $('picture');
  const revision = state.revision;
  picture.onload = () => { document.body.dataset.pictureRevision = String(revision); };
  picture.src = `/api/picture.png?revision=${revision}`;
  $('legend-link').href = `/api/legend.svg?revision=${revision}`;
}

function show(newState) {
  state = newState;
  document.body.dataset.revision = String(state.revision);
  $('title').textContent = state.title;
  const saved = $('saved-state');
  saved.classList.toggle('unsaved', state.unsaved);
  saved.textContent = state.unsaved ? '● changes not saved' : state.repository ? `saved as ${state.repository}` : 'no changes';
  $('undo').disabled = state.undo === 0;
  $('redo').disabled = state.redo === 0;
  $('block-count').value = state.blocks.length;
  fillSelect($('preset'), state.presets, 'default');
  fillSelect($('method'), state.methods, 'quantile');
  $('caption').textContent = `${state.title}; measured from ${state.measured.smallest.text} to ${state.measured.largest.text}`;
  showLimits();
  const notes = [...state.optionsDone, ...state.warnings, ...state.notes];
  if (state.histogram.undefined) notes.push(`${state.histogram.undefined} values undefined`);
  if (state.histogram.noColor) notes.push(`${state.histogram.noColor} values given no color`);
  $('notes').replaceChildren(...notes.map((n) => element('li', {}, n)));
  showPicture();
  showLegend();
  showHistogram();
  showOptions();
}

async function showRepositories() {
  try {
    const answer = JSON.parse(await request('GET', '/api/settings'));
    fillSelect($('repositories'), answer.repositories, state && state.repository);
    $('load').disabled = answer.repositories.length === 0;
  } catch (error) {
    tell(error.message, true);
  }
}

// ---- controls ----

function wire() {
  $('undo').onclick = () => edit(() => request('POST', '/api/undo'));
  $('redo').onclick = () => edit(() => request('POST', '/api/redo'));
  document.addEventListener('keydown', (e) => {
    if (!(e.ctrlKey || e.metaKey) || e.target.matches('input, textarea')) return;
    if (e.key === 'z' && !e.shiftKey && !$('undo').disabled) { e.preventDefault(); $('undo').click(); }
    if ((e.key === 'y' || (e.key === 'z' && e.shiftKey)) && !$('redo').disabled) { e.preventDefault(); $('redo').click(); }
  });
  $('apply-preset').onclick = () => {
    const blocks = Number($('block-count').value);
    const most = state.limits.blocks;
    if (!Number.isInteger(blocks) || blocks < 1 || blocks > most) return tell(`blocks: a whole number from 1 to ${most}`, true);
    edit(() => postJson('/api/preset', { name: $('preset').value, blocks }));
  };
  $('block-count').addEventListener('keydown', (e) => { if (e.key === 'Enter') $('apply-preset').click(); });
  $('classify').onclick = () => edit(() => postJson('/api/classify', { method: $('method').value }));
  $('auto').onchange = () => script(`SetAutoMinMaxStatus ${$('auto').checked ? 1 : 0}`);
  $('outliers').onchange = () => {
    const p = Number($('outliers').value);
    const most = state.limits.outlierShare;
    if (!Number.isInteger(p) || p < 0 || p > most) return tell(`the share left out is a whole number from 0 to ${most}`, true);
    script(`SetAutoMinMaxOption ${p}`);
  };
  $('absolute').onchange = () => script(`SetAbsoluteExtrema ${$('absolute').checked ? 1 : 0}`);
  $('green').onchange = () => script(`SetGreenIsFlat ${$('green').checked ? 1 : 0}`);
  $('nonlinear').onchange = () => script(`SetNonlinearScale ${$('nonlinear').checked ? 1 : 0}`);
  $('set-extremes').onclick = () => {
    const first = typedNumber($('first'), 'first boundary');
    const last = first === null ? null : typedNumber($('last'), 'last boundary');
    if (last !== null) script(`SetExtremeImposedValues ${first} ${last}`);
  };
  $('set-undefined').onclick = () => {
    const a = Number($('undefined-alpha').value);
    if (!Number.isInteger(a) || a < 0 || a > 255) return tell('alpha is a whole number from 0 to 255', true);
    script(`SetColorUndefine ${fromHex($('undefined-color').value).join(' ')} ${a}`);
  };
  $('load').onclick = () => {
    if (state.unsaved && !confirm('The scale has changes that are not saved. Load over them?')) return;
    edit(() => postJson('/api/settings/load', { name: $('repositories').value }));
  };
  $('save').onclick = async () => {
    const name = $('save-name').value.trim();
    await edit(() => postJson('/api/settings/save', { name }));
    if (state.repository === name && !state.unsaved) tell(`saved as ${name}`);
    showRepositories();
  };
  $('save-name').addEventListener('keydown', (e) => { if (e.key === 'Enter') $('save').click(); });
  $('run-script').onclick = async () => {
    try {
      $('script-output').textContent = await request('POST', '/api/script', $('script').value + '\n', 'text/plain');
    } catch (error) {
      $('script-output').textContent = error.message;
    }
    refresh();
  };
  window.addEventListener('beforeunload', (e) => { if (state && state.unsaved) e.preventDefault(); });
  // Edits made in another tab show here too.
  setInterval(async () => {
    if (document.hidden) return;
    try {
      const next = JSON.parse(await request('GET', '/api/scale'));
      if (!state || next.revision !== state.revision || next.unsaved !== state.unsaved) show(next);
    } catch (error) { /* the server may have stopped; the next edit tells */ }
  }, 3000);
}

wire();
refresh().then(showRepositories);
