// A node graph drawn as boxes with their connectors and wires, laid out by
// dagre. Module nodes wear the colour they gave themselves in the editor.
import dagre from './vendor/dagre/dagre.esm.js';

const SVG = 'http://www.w3.org/2000/svg';
const ROW = 18;
const HEADER = 38;
const WIDTH = 170;

function element(name, attributes = {}, text) {
  const made = document.createElementNS(SVG, name);
  for (const [key, value] of Object.entries(attributes)) made.setAttribute(key, value);
  if (text !== undefined) made.textContent = text;
  return made;
}

function nodeHeight(node) {
  return HEADER + ROW * Math.max(node.inputs.length, node.outputs.length) + 6;
}

// Draws the graph into the SVG; onSelect(name) when a node is clicked.
export function drawGraph(svg, graph, selected, onSelect) {
  const layout = new dagre.graphlib.Graph();
  layout.setGraph({rankdir: 'LR', nodesep: 24, ranksep: 60, marginx: 12, marginy: 12});
  layout.setDefaultEdgeLabel(() => ({}));
  for (const node of graph.nodes)
    layout.setNode(node.name, {width: WIDTH, height: nodeHeight(node)});
  for (const wire of graph.connections) layout.setEdge(wire.from[0], wire.to[0]);
  dagre.layout(layout);

  svg.replaceChildren();
  const size = layout.graph();
  svg.setAttribute('viewBox', `0 0 ${Math.max(size.width, 200)} ${Math.max(size.height, 100)}`);
  const ports = new Map();
  const boxes = element('g');
  for (const node of graph.nodes) {
    const place = layout.node(node.name);
    const x = place.x - WIDTH / 2;
    const y = place.y - place.height / 2;
    const group = element('g', {class: 'node', 'data-name': node.name, tabindex: 0});
    if (node.name === selected) group.classList.add('selected');
    const fill = node.color ? `rgb(${node.color.join(',')})` : '#5a6270';
    group.append(element('rect', {x, y, width: WIDTH, height: place.height, rx: 6, class: 'box'}));
    group.append(element('rect', {x, y, width: WIDTH, height: HEADER - 8, rx: 6, fill, class: 'title'}));
    group.append(element('text', {x: x + 8, y: y + 14, class: 'name'}, node.name));
    group.append(element('text', {x: x + 8, y: y + 26, class: 'kind'}, node.kind));
    node.inputs.forEach((input, i) => {
      const py = y + HEADER + i * ROW + 4;
      ports.set(`in:${node.name}:${input.name}`, [x, py]);
      group.append(element('circle', {cx: x, cy: py, r: 4, class: `port ${input.type}`}));
      group.append(element('text', {x: x + 8, y: py + 4, class: 'port-name'}, input.name));
    });
    node.outputs.forEach((output, i) => {
      const py = y + HEADER + i * ROW + 4;
      ports.set(`out:${node.name}:${output.name}`, [x + WIDTH, py]);
      group.append(element('circle', {cx: x + WIDTH, cy: py, r: 4, class: `port ${output.type}`}));
      group.append(element('text', {x: x + WIDTH - 8, y: py + 4, class: 'port-name end'}, output.name));
    });
    const choose = () => onSelect(node.name);
    group.addEventListener('click', choose);
    group.addEventListener('keydown', (event) => {
      if (event.key === 'Enter' || event.key === ' ') choose();
    });
    boxes.append(group);
  }
  const wires = element('g', {class: 'wires'});
  for (const wire of graph.connections) {
    const from = ports.get(`out:${wire.from[0]}:${wire.from[1]}`);
    const to = ports.get(`in:${wire.to[0]}:${wire.to[1]}`);
    if (!from || !to) continue;
    const bend = Math.max(30, (to[0] - from[0]) / 2);
    wires.append(element('path', {
      d: `M${from[0]},${from[1]} C${from[0] + bend},${from[1]} ${to[0] - bend},${to[1]} ${to[0]},${to[1]}`,
      class: 'wire',
    }));
  }
  svg.append(wires, boxes);
}
