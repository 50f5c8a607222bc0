// The review page's script: asks the server's JSON answers and draws them.
// Every text that comes from the recorded data (titles, addresses, program,
// project and task names) is put into the page as text (textContent, title,
// option text), never as markup.
'use strict';

const TYPES = {1: 'active', 2: 'idle', 3: 'locked', 4: 'offline'};
const AWAY_SECONDS = 15 * 60;
const POLL_MS = 5000;

const state = {
  day: null,          // the last /api/day answer
  dayTicket: 0,       // counts the requests of days
  selected: new Set(),  // "month:id" of the selected rows
  hour: null,         // the hour whose rows are listed
  version: '',
  catalogue: null,
  rule: null,         // the rule being edited (id 0: a new one)
  previewTimer: 0,
};

const $ = (id) => document.getElementById(id);

// An element with attributes (on* never given) and children (strings become text).
function el(tag, attributes, ...children) {
  const node = document.createElement(tag);
  for (const [name, value] of Object.entries(attributes || {})) {
    if (name === 'class') node.className = value;
    else if (name === 'dataset') Object.assign(node.dataset, value);
    else if (name in node && name !== 'list') node[name] = value;
    else node.setAttribute(name, value);
  }
  for (const child of children) {
    if (child === null || child === undefined) continue;
    node.append(child instanceof Node ? child : String(child));
  }
  return node;
}

function say(text, isError) {
  const status = $('status');
  status.textContent = text;
  status.classList.toggle('error', !!isError);
}

async function call(path, body) {
  const options = body === undefined ? {} : {
    method: 'POST', headers: {'Content-Type': 'application/json'}, body: JSON.stringify(body),
  };
  const response = await fetch(path, Object.assign({credentials: 'same-origin'}, options));
  const answer = await response.json().catch(() => ({error: 'the server gave no answer'}));
  if (!response.ok) throw new Error(answer.error || ('error ' + response.status));
  return answer;
}

// --- Time and names ------------------------------------------------------
const pad = (n) => String(n).padStart(2, '0');
// Seconds since midnight of a packed YYYYMMDDhhmmss stamp.
function secondOfDay(stamp) {
  const time = stamp % 1000000;
  return Math.floor(time / 10000) * 3600 + Math.floor(time / 100) % 100 * 60 + time % 100;
}
const clock = (stamp) => { const s = secondOfDay(stamp); return pad(Math.floor(s / 3600)) + ':' + pad(Math.floor(s / 60) % 60); };
function duration(seconds) {
  const h = Math.floor(seconds / 3600), m = Math.floor(seconds / 60) % 60;
  return h ? h + ' h ' + pad(m) + ' min' : m + ' min ' + pad(seconds % 60) + ' s';
}
function isoDay(date) { return date.getFullYear() + '-' + pad(date.getMonth() + 1) + '-' + pad(date.getDate()); }
function shiftDay(text, days) {
  const [y, m, d] = text.split('-').map(Number);
  return isoDay(new Date(y, m - 1, d + days));
}
const stampDay = (stamp) => String(Math.floor(stamp / 1000000)).replace(/^(\d{4})(\d\d)(\d\d)$/, '$1-$2-$3');
const rowKey = (row) => row.month + ':' + row.id;

function projectName(id) {
  if (!id) return 'Uncategorised';
  const project = state.day && state.day.projects.find((p) => p.id === id);
  return project ? project.name : 'project #' + id;
}
// "Project / task" of names as the library gives them ("" for none).
const named = (project, task) => (project || 'Uncategorised') + (task ? ' / ' + task : '');
function colour(projectId) {
  return projectId ? 'hsl(' + Math.round(projectId * 137.508 % 360) + ' 55% 52%)' : '#8a949c';
}
function describe(row) {
  return [row.program, row.title, row.address].filter(Boolean).join(' — ') || TYPES[row.type] || '';
}

// --- The day ---------------------------------------------------------------
// Shows the day `date`; an answer to an older request that comes later is
// dropped, so the day asked last is the one shown.
async function loadDay(date) {
  const ticket = ++state.dayTicket;
  try {
    const day = await call('/api/day?date=' + encodeURIComponent(date));
    if (ticket !== state.dayTicket) return;
    state.day = day;
    const present = new Set(day.rows.map(rowKey));
    for (const key of [...state.selected]) if (!present.has(key)) state.selected.delete(key);
    drawDay();
  } catch (error) {
    say(error.message, true);
  }
}

function drawDay() {
  const day = state.day;
  $('day-date').value = day.date;
  drawTimeline(day);
  drawAway(day);
  drawTotals(day);
  drawHour();
  fillProjects($('assign-project'), day.projects, true);
  fillTasks($('assign-task'), day.tasks, Number($('assign-project').value));
  drawSelection();
}

// Consecutive rows of one type, project and task, each starting where the
// last one finished, drawn as one block; selecting it selects them all.
function blocksOf(rows) {
  const blocks = [];
  let last = null;
  for (const row of rows) {
    if (last && last.finish === row.start && last.type === row.type && last.projectId === row.projectId &&
        last.taskId === row.taskId) {
      last.finish = row.finish;
      last.keys.push(rowKey(row));
      last.count++;
      continue;
    }
    last = {start: row.start, finish: row.finish, type: row.type, projectId: row.projectId, taskId: row.taskId,
            keys: [rowKey(row)], count: 1, first: row};
    blocks.push(last);
  }
  return blocks;
}

function drawTimeline(day) {
  const lanes = [];
  const cells = [];
  for (let h = 0; h < 24; h++) {
    lanes.push(el('div', {class: 'lane'}));
    cells.push(el('button', {type: 'button', class: 'hour', dataset: {hour: h}}, pad(h) + ':00'), lanes[h]);
  }
  const place = (block, extra) => {
    const from = secondOfDay(block.start);
    const to = Math.max(from + 1, block.finish > block.start && stampDay(block.finish) === day.date ? secondOfDay(block.finish) : 86400);
    const what = block.count > 1 ? block.count + ' rows' : describe(block.first);
    const selected = block.keys.length && block.keys.every((key) => state.selected.has(key));
    for (let h = Math.floor(from / 3600); h < 24 && h * 3600 < to; h++) {
      const a = Math.max(from, h * 3600) - h * 3600, b = Math.min(to, h * 3600 + 3600) - h * 3600;
      const node = document.createElement('div');
      node.className = 'block type-' + block.type + extra + (selected ? ' selected' : '');
      node.title = clock(block.start) + '–' + clock(block.finish) + ' ' + named(block.first.project, block.first.task) + ': ' + what;
      if (block.keys.length) node.dataset.rows = block.keys.join(' ');
      node.style.left = (a / 36) + '%';
      node.style.width = ((b - a) / 36) + '%';
      node.style.backgroundColor = colour(block.projectId);
      lanes[h].append(node);
    }
  };
  for (const block of blocksOf(day.rows)) place(block, '');
  if (day.current) place({start: day.current.start, finish: day.current.finish, type: day.current.type, projectId: 0,
                          keys: [], count: 1, first: day.current}, ' current');
  $('timeline').replaceChildren(...cells);
}

function drawAway(day) {
  const away = day.rows.filter((row) => row.type >= 2 && row.type <= 4 && !row.projectId && row.seconds >= AWAY_SECONDS);
  $('away').hidden = away.length === 0;
  $('away-list').replaceChildren(...away.map((row) => {
    const key = rowKey(row);
    const box = el('input', {type: 'checkbox', checked: state.selected.has(key), dataset: {row: key}});
    return el('li', {}, el('label', {}, box, ' ' + clock(row.start) + '–' + clock(row.finish) + ' ' +
      TYPES[row.type] + ', ' + duration(row.seconds)));
  }));
}

function drawTotals(day) {
  const byProject = new Map(), byType = new Map();
  for (const row of day.rows) {
    byProject.set(row.projectId, (byProject.get(row.projectId) || 0) + row.seconds);
    byType.set(row.type, (byType.get(row.type) || 0) + row.seconds);
  }
  const lines = [...byProject].sort((a, b) => b[1] - a[1]).map(([id, seconds]) =>
    el('tr', {dataset: {project: id, seconds}}, el('td', {}, el('span', {class: 'colour'}), projectName(id)),
      el('td', {class: 'num'}, duration(seconds))));
  for (const line of lines) line.querySelector('.colour').style.backgroundColor = colour(Number(line.dataset.project));
  for (const [type, name] of Object.entries(TYPES))
    lines.push(el('tr', {dataset: {type, seconds: byType.get(Number(type)) || 0}}, el('td', {}, name),
      el('td', {class: 'num'}, duration(byType.get(Number(type)) || 0))));
  if (day.current)
    lines.push(el('tr', {}, el('td', {}, 'in progress: ' + describe(day.current)),
      el('td', {class: 'num'}, 'since ' + clock(day.current.start))));
  $('day-totals').tBodies[0].replaceChildren(...lines);
}

function drawHour() {
  const body = $('hour-rows').tBodies[0];
  if (state.hour === null) {
    $('hour-title').textContent = 'Rows';
    body.replaceChildren(el('tr', {}, el('td', {colSpan: 5, class: 'note'}, 'Tap an hour of the timeline to list its rows.')));
    return;
  }
  $('hour-title').textContent = 'Rows from ' + pad(state.hour) + ':00';
  const rows = state.day.rows.filter((row) => {
    const from = secondOfDay(row.start), to = stampDay(row.finish) === state.day.date ? secondOfDay(row.finish) : 86400;
    return from < state.hour * 3600 + 3600 && to >= state.hour * 3600;
  });
  body.replaceChildren(...rows.map((row) => {
    const key = rowKey(row);
    return el('tr', {dataset: {row: key}, class: state.selected.has(key) ? 'selected' : ''},
      el('td', {}, el('input', {type: 'checkbox', checked: state.selected.has(key), dataset: {row: key}, 'aria-label': 'select'})),
      el('td', {}, clock(row.start)), el('td', {}, clock(row.finish)),
      el('td', {class: 'text'}, TYPES[row.type] + ': ' + describe(row)),
      el('td', {}, named(row.project, row.task)));
  }));
}

// Selects the rows of `keys`, or unselects them when all were selected.
function toggle(keys) {
  const select = !keys.every((key) => state.selected.has(key));
  for (const key of keys) if (select) state.selected.add(key); else state.selected.delete(key);
  for (const node of document.querySelectorAll('[data-row]'))
    if (keys.includes(node.dataset.row)) {
      if (node.type === 'checkbox') node.checked = select;
      else node.classList.toggle('selected', select);
    }
  for (const node of $('timeline').querySelectorAll('[data-rows]'))
    node.classList.toggle('selected', node.dataset.rows.split(' ').every((key) => state.selected.has(key)));
  drawSelection();
}

function drawSelection() {
  const count = state.selected.size;
  $('assign-count').textContent = count === 1 ? '1 row' : count + ' rows';
  $('assign-button').disabled = count === 0;
}

async function assign(event) {
  event.preventDefault();
  const rows = [...state.selected].map((key) => { const [month, id] = key.split(':').map(Number); return {month, id}; });
  const project = Number($('assign-project').value), task = Number($('assign-task').value);
  try {
    const answer = await call('/api/assign', {rows, projectId: project, taskId: task});
    state.selected.clear();
    await loadDay(state.day.date);
    say(answer.nothing ? 'Those rows already had that project and task.'
                       : 'Assigned ' + rows.length + (rows.length === 1 ? ' row' : ' rows') + ' to ' +
                         projectName(project) + ' (edit #' + answer.editId + ').');
  } catch (error) {
    say(error.message, true);
  }
}

// --- Pause -------------------------------------------------------------
// The collector's pause as the server answers it ({paused, since, until}).
function drawPause(pause) {
  const untilMidnight = pause.until % 1000000 === 0;
  $('pause-state').textContent = !pause.paused ? 'Recording'
    : untilMidnight ? 'Paused until the end of the day' : 'Paused until ' + clock(pause.until);
  $('pause').classList.toggle('paused', pause.paused);
  $('pause-length').hidden = $('pause-button').hidden = pause.paused;
  $('resume-button').hidden = !pause.paused;
}

async function loadPause() {
  try { drawPause(await call('/api/pause')); } catch (error) { say(error.message, true); }
}

async function pauseOrResume(body) {
  for (const id of ['pause-button', 'resume-button']) $(id).disabled = true;
  try {
    drawPause(await call(body ? '/api/pause' : '/api/resume', body || {}));
  } catch (error) {
    say(error.message, true);
  } finally {
    for (const id of ['pause-button', 'resume-button']) $(id).disabled = false;
  }
}

async function poll() {
  if (document.hidden || !state.day) return;
  loadPause();
  try {
    const answer = await call('/api/status');
    if (answer.version !== state.version) {
      state.version = answer.version;
      await loadDay(state.day.date);
    }
  } catch (error) {
    say(error.message, true);
  }
}

// --- Catalogue and rules ---------------------------------------------------
function fillProjects(select, projects, withNone) {
  const keep = select.value;
  const options = projects.filter((p) => !p.hidden).map((p) => el('option', {value: p.id}, p.name));
  if (withNone) options.unshift(el('option', {value: 0}, 'Uncategorised'));
  select.replaceChildren(...options);
  if ([...select.options].some((o) => o.value === keep)) select.value = keep;
}
function fillTasks(select, tasks, projectId) {
  const keep = select.value;
  const options = tasks.filter((t) => t.projectId === projectId && !t.hidden).map((t) => el('option', {value: t.id}, t.name));
  options.unshift(el('option', {value: 0}, '(no task)'));
  select.replaceChildren(...options);
  if ([...select.options].some((o) => o.value === keep)) select.value = keep;
}

async function loadCatalogue() {
  try {
    state.catalogue = await call('/api/catalogue');
  } catch (error) {
    say(error.message, true);
    return;
  }
  const {projects, tasks, rules} = state.catalogue;
  $('project-list').replaceChildren(...projects.filter((p) => !p.hidden).map((p) =>
    el('li', {}, p.name, el('ul', {}, ...tasks.filter((t) => t.projectId === p.id && !t.hidden).map((t) =>
      el('li', {}, t.name + (t.isDefault ? ' (default)' : '')))))));
  fillProjects($('task-project'), projects, false);
  fillProjects($('rule-project'), projects, false);
  fillTasks($('rule-task'), tasks, Number($('rule-project').value));
  $('rule-list').tBodies[0].replaceChildren(...rules.map((info) => {
    const rule = info.rule;
    const when = [info.program && 'program ' + info.program, rule.path && 'path: ' + rule.path,
      rule.title && 'title: ' + rule.title, info.site && 'site ' + info.site,
      rule.address && 'address: ' + rule.address, rule.type].filter(Boolean).join('; ');
    return el('tr', {dataset: {rule: rule.id}, class: rule.inForce ? '' : 'note'},
      el('td', {}, named(info.project, info.task)),
      el('td', {class: 'text'}, when), el('td', {class: 'num'}, rule.priority),
      el('td', {}, el('button', {type: 'button', dataset: {edit: rule.id}}, 'Edit'), ' ',
        el('button', {type: 'button', dataset: {remove: rule.id}}, 'Remove')));
  }));
}

// Fills the rule form with `rule` (the library's fields; the program and
// site also by name) and shows its preview.
function editRule(rule) {
  state.rule = rule;
  $('rule-title').textContent = rule.id ? 'Rule #' + rule.id : 'New rule';
  if (rule.projectId) $('rule-project').value = rule.projectId;
  fillTasks($('rule-task'), state.catalogue ? state.catalogue.tasks : [], Number($('rule-project').value));
  $('rule-task').value = rule.taskId || 0;
  $('rule-program').value = rule.programName || '';
  $('rule-path').value = rule.path || '';
  $('rule-words').value = rule.title || '';
  $('rule-site').value = rule.siteName || '';
  $('rule-address').value = rule.address || '';
  $('rule-type').value = rule.type || '';
  $('rule-priority').value = rule.priority || 0;
  schedulePreview();
}

function ruleFromForm() {
  return {
    id: state.rule ? state.rule.id : 0, inForce: state.rule ? state.rule.inForce !== false : true,
    projectId: Number($('rule-project').value), taskId: Number($('rule-task').value),
    programName: $('rule-program').value.trim(), path: $('rule-path').value, title: $('rule-words').value,
    siteName: $('rule-site').value.trim(), address: $('rule-address').value, type: $('rule-type').value,
    priority: Number($('rule-priority').value) || 0,
  };
}

function schedulePreview() {
  clearTimeout(state.previewTimer);
  state.previewTimer = setTimeout(preview, 250);
}

async function preview() {
  const rule = ruleFromForm();
  const summary = $('preview-summary'), body = $('preview-rows').tBodies[0];
  if (!rule.programName && !rule.path && !rule.title && !rule.siteName && !rule.address && !rule.type) {
    summary.textContent = 'Fill in a condition to see the rows it catches.';
    body.replaceChildren();
    return;
  }
  try {
    const answer = await call('/api/preview', {rule, from: $('preview-from').value, to: $('preview-to').value});
    summary.textContent = 'Catches ' + answer.caughtRows + ' rows (' + duration(answer.caughtSeconds) + '); ' +
      answer.changingRows + ' of them (' + duration(answer.changingSeconds) + ') would change when applied.';
    summary.dataset.caught = answer.caughtRows;
    summary.dataset.changing = answer.changingRows;
    body.replaceChildren(...answer.rows.map((caught) => el('tr', {class: caught.changes ? 'selected' : ''},
      el('td', {}, stampDay(caught.row.start) + ' ' + clock(caught.row.start)),
      el('td', {class: 'text'}, describe(caught.row)), el('td', {}, named(caught.row.project, caught.row.task)),
      el('td', {}, named(caught.newProject, caught.newTask)))));
  } catch (error) {
    summary.textContent = error.message;
    delete summary.dataset.caught;
    body.replaceChildren();
  }
}

async function saveRule(event) {
  event.preventDefault();
  try {
    const answer = await call('/api/rule', {rule: ruleFromForm()});
    say('Rule #' + answer.id + ' saved. ' + (answer.reload || ''));
    state.rule = Object.assign(ruleFromForm(), {id: answer.id});
    $('rule-title').textContent = 'Rule #' + answer.id;
    await loadCatalogue();
  } catch (error) {
    say(error.message, true);
  }
}

// --- Uncategorised, apply, edits --------------------------------------------
async function loadUncategorized() {
  try {
    const answer = await call('/api/uncategorized?from=' + $('unc-from').value + '&to=' + $('unc-to').value);
    $('unc-list').tBodies[0].replaceChildren(...answer.items.map((item, index) =>
      el('tr', {}, el('td', {}, item.kind), el('td', {class: 'text'}, item.text),
        el('td', {class: 'num'}, duration(item.seconds)), el('td', {class: 'num'}, item.rows),
        el('td', {}, el('button', {type: 'button', dataset: {make: index}}, 'Make a rule from this')))));
    state.uncategorized = answer.items;
  } catch (error) {
    say(error.message, true);
  }
}

// A rule proposal from an uncategorised item: its program, site, or the
// words of its title as the keyword test reads them (lower case, at most 7).
function ruleFromItem(item) {
  const rule = {id: 0};
  if (item.kind === 'program') rule.programName = item.text;
  else if (item.kind === 'site') rule.siteName = item.text;
  else rule.title = item.text.toLowerCase().split(/\s+/).filter((w) => /[a-z0-9]/.test(w) && w.length <= 64).slice(0, 7).join(' ');
  return rule;
}

async function applyRules(dryRun) {
  try {
    const answer = await call('/api/apply', {from: $('apply-from').value, to: $('apply-to').value, dryRun});
    const changed = answer.nothing ? 'Nothing would change.' :
      answer.changedRows + ' of ' + answer.checkedRows + ' rows (' + duration(answer.changedSeconds) + ') ' +
      (dryRun ? 'would change.' : 'changed (edit #' + answer.editId + ').');
    $('apply-summary').textContent = changed;
    $('apply-run').disabled = !dryRun || !!answer.nothing;
    $('apply-totals').tBodies[0].replaceChildren(...answer.totals.map((total) =>
      el('tr', {}, el('td', {}, named(total.project, total.task)),
        el('td', {class: 'num'}, duration(total.before)), el('td', {class: 'num'}, duration(total.after)))));
    if (!dryRun) say('Applied the rules: ' + changed);
  } catch (error) {
    say(error.message, true);
  }
}

async function loadEdits() {
  try {
    const answer = await call('/api/edits');
    $('edit-list').tBodies[0].replaceChildren(...answer.edits.map((edit) =>
      el('tr', {dataset: {edit: edit.id, state: edit.state}}, el('td', {}, edit.id),
        el('td', {}, stampDay(edit.made) + ' ' + clock(edit.made)), el('td', {class: 'text'}, edit.summary),
        el('td', {class: 'num'}, edit.rows),
        el('td', {}, edit.state === 'done' ? el('button', {type: 'button', dataset: {undo: edit.id}}, 'Undo') : edit.state))));
  } catch (error) {
    say(error.message, true);
  }
}

async function undo(id) {
  try {
    const answer = await call('/api/undo', {id});
    say('Undone: edit #' + answer.id + ' (' + answer.summary + ').');
    await loadEdits();
  } catch (error) {
    say(error.message, true);
  }
}

// --- Views and events --------------------------------------------------------
function show(view) {
  if (!document.getElementById(view) || !document.getElementById(view).classList.contains('view')) view = 'day';
  for (const section of document.querySelectorAll('.view')) section.hidden = section.id !== view;
  for (const link of document.querySelectorAll('nav a')) link.classList.toggle('active', link.dataset.view === view);
  if (view === 'day' && state.day) loadDay(state.day.date);
  if (view === 'catalogue') loadCatalogue();
  if (view === 'uncategorized') loadUncategorized();
  if (view === 'edits') loadEdits();
}

function start() {
  // The secret came in the address once; the cookie carries it from now on.
  if (location.search) history.replaceState(null, '', location.pathname + location.hash);
  const today = isoDay(new Date());
  const weekAgo = shiftDay(today, -6);
  for (const id of ['preview-from', 'unc-from', 'apply-from']) $(id).value = weekAgo;
  for (const id of ['preview-to', 'unc-to', 'apply-to']) $(id).value = today;

  $('day-date').addEventListener('change', () => loadDay($('day-date').value));
  $('day-prev').addEventListener('click', () => loadDay(shiftDay(state.day.date, -1)));
  $('day-next').addEventListener('click', () => loadDay(shiftDay(state.day.date, 1)));
  $('day-today').addEventListener('click', () => loadDay(isoDay(new Date())));
  $('timeline').addEventListener('click', (event) => {
    const block = event.target.closest('.block[data-rows]');
    if (block) toggle(block.dataset.rows.split(' '));
    const hour = event.target.closest('.hour');
    if (hour) { state.hour = Number(hour.dataset.hour); drawHour(); }
  });
  for (const id of ['away-list', 'hour-rows'])
    $(id).addEventListener('change', (event) => { if (event.target.dataset.row) toggle([event.target.dataset.row]); });
  $('assign-project').addEventListener('change', () => fillTasks($('assign-task'), state.day.tasks, Number($('assign-project').value)));
  $('assign').addEventListener('submit', assign);
  $('assign-clear').addEventListener('click', () => { state.selected.clear(); drawDay(); });

  $('project-add').addEventListener('submit', async (event) => {
    event.preventDefault();
    try {
      await call('/api/project', {name: $('project-name').value});
      $('project-name').value = '';
      await loadCatalogue();
    } catch (error) { say(error.message, true); }
  });
  $('task-add').addEventListener('submit', async (event) => {
    event.preventDefault();
    try {
      await call('/api/task', {projectId: Number($('task-project').value), name: $('task-name').value});
      $('task-name').value = '';
      await loadCatalogue();
    } catch (error) { say(error.message, true); }
  });
  $('rule-list').addEventListener('click', async (event) => {
    const id = Number(event.target.dataset.edit || event.target.dataset.remove || 0);
    if (!id) return;
    if (event.target.dataset.edit) {
      const info = state.catalogue.rules.find((r) => r.rule.id === id);
      editRule(Object.assign({}, info.rule, {programName: info.program, siteName: info.site}));
      return;
    }
    try {
      await call('/api/rule/remove', {id});
      say('Rule #' + id + ' removed.');
      await loadCatalogue();
    } catch (error) { say(error.message, true); }
  });
  $('rule-project').addEventListener('change', () => fillTasks($('rule-task'), state.catalogue.tasks, Number($('rule-project').value)));
  $('rule-form').addEventListener('input', schedulePreview);
  $('rule-form').addEventListener('submit', saveRule);
  $('rule-new').addEventListener('click', () => editRule({id: 0}));
  for (const id of ['preview-from', 'preview-to']) $(id).addEventListener('change', schedulePreview);

  $('unc-show').addEventListener('click', loadUncategorized);
  $('unc-list').addEventListener('click', (event) => {
    const index = event.target.dataset.make;
    if (index === undefined) return;
    location.hash = '#catalogue';
    editRule(ruleFromItem(state.uncategorized[Number(index)]));
  });
  $('apply-preview').addEventListener('click', () => applyRules(true));
  $('apply-run').addEventListener('click', () => applyRules(false));
  $('undo-last').addEventListener('click', () => undo(0));
  $('edit-list').addEventListener('click', (event) => { if (event.target.dataset.undo) undo(Number(event.target.dataset.undo)); });

  $('pause-button').addEventListener('click', () => pauseOrResume({duration: $('pause-length').value}));
  $('resume-button').addEventListener('click', () => pauseOrResume(null));
  loadPause();

  window.addEventListener('hashchange', () => show(location.hash.slice(1)));
  loadDay(today).then(() => show(location.hash.slice(1) || 'day'));
  setInterval(poll, POLL_MS);
}

start();
