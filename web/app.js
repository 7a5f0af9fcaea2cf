// orvhost serve's page: the scene's graphs, the selected node's panel and a
// live render that follows every edit.
import {get, post, nextFrame} from './api.js';
import {drawPanel} from './panel.js';
import {RenderView} from './image.js';

const state = {
  overview: null,
  graphPath: [],     // graph name, then the Group Nodes opened inside it
  selected: null,    // node name within the graph shown
  activeTabs: new Map(),
  output: null,      // {node, output} chosen in the chooser
};
// The graph drawing and its layout library are not needed for the first
// picture, which is asked for before they arrive.
const graphDrawing = import('./graph.js');
// Timings the benchmark reads: when the first picture came, and for each
// edit when its first and its full picture came (ms since the page opened).
window.orvTimes = {firstImage: null, edits: []};

const $ = (id) => document.getElementById(id);
const view = new RenderView($('image'));

function say(text, isError = false) {
  $('message').textContent = text;
  $('message').classList.toggle('error', isError);
}

async function guarded(work) {
  try {
    return await work();
  } catch (error) {
    say(error.message, true);
    return null;
  }
}

// ---- Graphs ----

async function showGraph() {
  const graph = await post('/api/graph', {graph: state.graphPath});
  const {drawGraph} = await graphDrawing;
  drawGraph($('graph'), graph, state.selected, selectNode);
  $('graph').dataset.graph = state.graphPath.join('/');
  const path = $('graph-path');
  path.replaceChildren();
  // The way back out of nested graphs; a surface's own graph needs none.
  if (state.graphPath.length === 1) return;
  state.graphPath.forEach((name, i) => {
    const step = document.createElement('button');
    step.type = 'button';
    step.textContent = name;
    step.disabled = i === state.graphPath.length - 1;
    step.addEventListener('click', () => guarded(() => openGraph(state.graphPath.slice(0, i + 1))));
    if (i) path.append(' › ');
    path.append(step);
  });
  const back = document.createElement('button');
  back.type = 'button';
  back.id = 'graph-back';
  back.textContent = 'Back';
  back.addEventListener('click', () => guarded(() => openGraph(state.graphPath.slice(0, -1))));
  path.prepend(back, ' ');
}

async function openGraph(path, selected = null) {
  state.graphPath = path;
  state.selected = selected;
  for (const tab of $('graph-tabs').children)
    tab.setAttribute('aria-selected', tab.textContent === path[0]);
  await showGraph();
  if (selected) await showPanel(await post('/api/panel', {node: [...path, selected]}));
  else clearPanel();
}

function clearPanel() {
  $('panel-title').textContent = 'Select a node';
  $('panel').replaceChildren();
}

// ---- Panel ----

function nodePath() {
  return [...state.graphPath, state.selected];
}

async function selectNode(name) {
  state.selected = name;
  await guarded(async () => {
    await showGraph();
    await showPanel(await post('/api/panel', {node: nodePath()}));
  });
}

async function edited(reply) {
  if (reply.version) window.orvTimes.edits.push({sent: reply.sentAt, version: reply.version,
    first: null, full: null});
  await showPanel(reply);
  // A setting may change the node's connectors.
  await showGraph();
}

const actions = {
  async onEdit(control, value, file) {
    await guarded(async () => {
      const sentAt = performance.now();
      const reply = await post('/api/edit', {node: nodePath(), control, value, file: file || ''});
      reply.sentAt = sentAt;
      await edited(reply);
      say('');
    });
  },
  async onPress(control) {
    await guarded(async () => {
      const reply = await post('/api/press', {node: nodePath(), control});
      if (reply.opened) return openGraph(reply.opened);
      await edited(reply);
    });
  },
  loadImages: () => guarded(() => get('/api/images')).then((files) => files || []),
  async thumbnail(control, canvas) {
    await guarded(async () => {
      const response = await post('/api/thumbnail',
        {node: nodePath(), control, width: canvas.width, height: canvas.height});
      const width = Number(response.headers.get('X-Width'));
      const height = Number(response.headers.get('X-Height'));
      const rgb = new Uint8Array(await response.arrayBuffer());
      const picture = new ImageData(width, height);
      for (let i = 0; i < width * height; ++i) {
        picture.data.set(rgb.subarray(i * 3, i * 3 + 3), i * 4);
        picture.data[i * 4 + 3] = 255;
      }
      canvas.getContext('2d').putImageData(picture, 0, 0);
      canvas.dataset.drawn = 'yes';
    });
  },
};

async function showPanel(reply) {
  $('panel-title').textContent = `${reply.name} (${reply.kind})`;
  $('undo').disabled = !reply.undo;
  if (!reply.items) {
    $('panel').textContent = `${reply.name} (${reply.kind}) has no panel.`;
    return;
  }
  drawPanel($('panel'), reply.items, actions, state.activeTabs);
}

// ---- Render ----

function chooserValue(output) {
  return output ? JSON.stringify(output) : '';
}

function fillChooser() {
  const chooser = $('aov');
  chooser.replaceChildren(new Option('Beauty', ''));
  for (const output of state.overview.outputs)
    chooser.append(new Option(`${output.node.join('/')}.${output.output}`, chooserValue(output)));
  chooser.addEventListener('change', () => guarded(async () => {
    state.output = chooser.value ? JSON.parse(chooser.value) : null;
    view.showAov = Boolean(state.output);
    await post('/api/output', state.output || {node: [], output: ''});
  }));
}

function statsText(info) {
  const parts = [`${info.pass} ${info.width}×${info.height}`,
    info.done ? 'done' : info.cancelled ? 'cancelled' : `row ${info.rows}/${info.height}`];
  if (info.seconds !== undefined) parts.push(`${(info.seconds * 1000).toFixed(0)} ms`);
  if (info.primaryRays !== undefined)
    parts.push(`${info.primaryRays} camera rays, ${info.secondaryRays} more`);
  parts.push(`${info.samples} sample${info.samples === 1 ? '' : 's'}`,
    `${info.threads} thread${info.threads === 1 ? '' : 's'}`);
  if (info.error) parts.push(`error: ${info.error}`);
  return parts.join(' · ');
}

function noteTimes(info) {
  const now = performance.now();
  if (window.orvTimes.firstImage === null) window.orvTimes.firstImage = now;
  for (const edit of window.orvTimes.edits) {
    if (info.version < edit.version) continue;
    if (edit.first === null) edit.first = now - edit.sent;
    if (edit.full === null && info.pass === 'full' && info.done) {
      edit.full = now - edit.sent;
      edit.fullPass = info.seconds * 1000;
    }
  }
}

async function followRender() {
  let after = 0;
  for (;;) {
    try {
      const frame = await nextFrame(after);
      if (!frame) continue;
      after = frame.info.sequence;
      view.show(frame);
      noteTimes(frame.info);
      $('stats').textContent = statsText(frame.info);
      $('image').dataset.sequence = after;
      $('image').dataset.pass = frame.info.done ? `${frame.info.pass} done` : frame.info.pass;
    } catch (error) {
      say(`render: ${error.message}`, true);
      await new Promise((resolve) => setTimeout(resolve, 1000));
    }
  }
}

// The selected node's output under the pointer is evaluated where the
// camera ray through that pixel lands, one request at a time: the newest
// place wins and those passed over are never asked for.
const pointer = {asking: false, next: null};

async function askValue(found) {
  const number = (v) => Number(v.toPrecision(4));
  let text = `(${found.x}, ${found.y}) colour ${found.color.map(number).join(' ')}`;
  if (found.value && found.aov)
    text += ` · ${found.aov.node.join('/')}.${found.aov.output} = ${found.value.map(number).join(' ')}`;
  if (state.selected) {
    try {
      const reply = await post('/api/value', {node: nodePath(), output: '', x: found.x, y: found.y});
      text += ` · ${state.selected}.${reply.output} = ` + (reply.value
        ? reply.value.map(number).join(' ')
        : reply.surface ? `(surface ${reply.surface})` : '(backdrop)');
    } catch (error) {
      text += ` · ${error.message}`;
    }
  }
  $('pointer').textContent = text;
}

async function showPointer(event) {
  const found = view.probe(event);
  if (!found) {
    $('pointer').textContent = '';
    return;
  }
  pointer.next = found;
  if (pointer.asking) return;
  pointer.asking = true;
  while (pointer.next) {
    const place = pointer.next;
    pointer.next = null;
    await askValue(place);
  }
  pointer.asking = false;
}

// ---- Start ----

async function start() {
  followRender();
  state.overview = await get('/api/overview');
  $('scene-name').textContent = state.overview.scene;
  document.title = `${state.overview.scene} · orvhost`;
  const canvas = $('image');
  canvas.width = state.overview.width;
  canvas.height = state.overview.height;
  for (const graph of state.overview.graphs) {
    const tab = document.createElement('button');
    tab.type = 'button';
    tab.textContent = graph.name;
    tab.addEventListener('click', () => guarded(() => openGraph([graph.name])));
    $('graph-tabs').append(tab);
  }
  fillChooser();
  canvas.addEventListener('mousemove', showPointer);
  $('undo').addEventListener('click', () => guarded(async () => {
    const reply = await post('/api/undo');
    await openGraph(reply.node.slice(0, -1), reply.node[reply.node.length - 1]);
    say('undone');
  }));
  $('save').addEventListener('click', () => guarded(async () => {
    const name = $('save-name').value.trim();
    let reply = await post('/api/save', {name});
    if (reply.exists) {
      if (!confirm(`${reply.exists} exists. Replace it?`)) return say('not saved');
      reply = await post('/api/save', {name, replace: true});
    }
    say(`saved ${reply.saved}`);
  }));
  if (state.overview.graphs.length) await openGraph([state.overview.graphs[0].name]);
}

guarded(start);
