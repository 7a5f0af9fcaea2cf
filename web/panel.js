// A node's panel drawn from the panel model orvhost serve sends, the same
// model orvhost panel prints: tabs, groups, stacks and borders, every control
// with its value, choices and limits, disabled and hidden as the model says.
// Nothing is drawn that the model does not hold.

// What the panel tells the page: onEdit(id, text, file), onPress(id),
// loadImages() for "(load Image)", thumbnail(id, canvas) for drawn controls.
export function drawPanel(container, items, actions, activeTabs) {
  container.replaceChildren();
  const borders = [];
  for (const item of items) {
    if (item.item === 'border') borders.push(item);
    else container.append(drawItem(item, actions, activeTabs));
  }
  for (const border of borders) {
    for (const id of border.members) {
      const framed = container.querySelector(`[data-id="${id}"]`);
      if (!framed) continue;
      framed.classList.add('bordered');
      framed.dataset.border = border.id;
      if (border.label) framed.dataset.borderLabel = border.label;
    }
  }
}

function drawItem(item, actions, activeTabs) {
  let made;
  switch (item.item) {
    case 'control': made = drawControl(item, actions); break;
    case 'group': made = drawGroup(item, actions, activeTabs); break;
    case 'tabs': made = drawTabs(item, actions, activeTabs); break;
    case 'stack': made = drawStack(item, actions, activeTabs); break;
    default:
      made = document.createElement('div');
      made.textContent = `${item.id} (not on the panel)`;
  }
  made.dataset.id = item.id;
  applyStates(made, item);
  return made;
}

function applyStates(made, item) {
  if (item.visible === false) made.hidden = true;
  if (item.enabled === false) {
    made.classList.add('disabled');
    if (item.disabledNote) made.title = item.disabledNote;
    for (const input of made.querySelectorAll('input, select, button, textarea'))
      input.disabled = true;
  }
}

function drawGroup(item, actions, activeTabs) {
  const set = document.createElement('fieldset');
  set.className = 'group';
  if (item.label) {
    const legend = document.createElement('legend');
    legend.textContent = item.label;
    set.append(legend);
  }
  for (const member of item.members) set.append(drawItem(member, actions, activeTabs));
  return set;
}

function drawStack(item, actions, activeTabs) {
  const stack = document.createElement('div');
  stack.className = 'stack';
  stack.dataset.controller = item.controller;
  for (const member of item.members) stack.append(drawItem(member, actions, activeTabs));
  return stack;
}

function drawTabs(item, actions, activeTabs) {
  const tabs = document.createElement('div');
  tabs.className = 'tabs';
  const bar = document.createElement('div');
  bar.setAttribute('role', 'tablist');
  const pages = item.members.map((member) => drawItem(member, actions, activeTabs));
  const show = (index) => {
    activeTabs.set(item.id, index);
    pages.forEach((page, i) => page.classList.toggle('tab-inactive', i !== index));
    [...bar.children].forEach((button, i) => button.setAttribute('aria-selected', i === index));
  };
  item.members.forEach((member, i) => {
    const button = document.createElement('button');
    button.type = 'button';
    button.setAttribute('role', 'tab');
    button.textContent = member.label || member.id;
    button.addEventListener('click', () => show(i));
    bar.append(button);
  });
  tabs.append(bar, ...pages);
  show(Math.min(activeTabs.get(item.id) || 0, Math.max(0, pages.length - 1)));
  return tabs;
}

let uniqueId = 0;

// A few words beside a control: its unit or its limits.
function note(className, text) {
  const made = document.createElement('span');
  made.className = className;
  made.textContent = text;
  return made;
}

function drawControl(item, actions) {
  const row = document.createElement('div');
  row.className = 'control';
  row.dataset.type = item.type;
  row.dataset.label = item.label;
  const id = `control-${++uniqueId}`;
  const label = document.createElement('label');
  label.textContent = item.label || '(no label)';
  label.htmlFor = id;
  if (item.path) label.title = `as "${item.path}"`;
  const widget = document.createElement('span');
  widget.className = 'widget';
  row.append(label, widget);

  if (item.button) {
    const button = document.createElement('button');
    button.type = 'button';
    button.id = id;
    button.textContent = item.label || 'Press';
    button.addEventListener('click', () => actions.onPress(item.id));
    widget.append(button);
    label.textContent = '';
  } else if (item.drawn) {
    const canvas = document.createElement('canvas');
    canvas.id = id;
    canvas.className = 'thumbnail';
    canvas.width = 128;
    canvas.height = 96;
    canvas.setAttribute('role', 'img');
    canvas.setAttribute('aria-label', item.label || 'thumbnail');
    widget.append(canvas);
    actions.thumbnail(item.id, canvas);
  } else if (item.valueKind !== 'none' && item.value === null) {
    const none = document.createElement('output');
    none.id = id;
    none.className = 'no-value';
    none.textContent = '(no value)';
    widget.append(none);
  } else if (item.choices) {
    drawChoices(item, widget, id, actions);
  } else if (item.type === 'iBoolean') {
    const box = document.createElement('input');
    box.type = 'checkbox';
    box.id = id;
    box.checked = item.value !== 0;
    box.addEventListener('change', () => actions.onEdit(item.id, box.checked ? 'on' : 'off'));
    widget.append(box);
  } else if (item.valueKind === 'integer') {
    widget.append(numberInput(item, item.value, id, (text) => actions.onEdit(item.id, text)));
  } else if (item.valueKind === 'envelope') {
    drawEnvelope(item, widget, id, actions);
  } else if (item.valueKind === 'string') {
    const text = document.createElement('input');
    text.type = 'text';
    text.id = id;
    text.value = item.value;
    text.addEventListener('change', () => actions.onEdit(item.id, text.value));
    widget.append(text);
  }
  if (item.limitsText) widget.append(note('limits', item.limitsText));
  return row;
}

function numberInput(item, value, id, changed) {
  const input = document.createElement('input');
  input.type = 'number';
  if (id) input.id = id;
  input.value = String(value);
  input.step = item.valueKind === 'integer' ? (item.limits?.step || 1) : 'any';
  if (item.limits?.min !== undefined) input.min = item.limits.min;
  if (item.limits?.max !== undefined) input.max = item.limits.max;
  input.addEventListener('change', () => changed(input.value));
  return input;
}

function drawChoices(item, widget, id, actions) {
  const position = item.choices.indexOf(item.valueText);
  if (item.type === 'iChoice') {
    const group = document.createElement('span');
    group.className = 'choice';
    group.setAttribute('role', 'radiogroup');
    group.id = id;
    item.choices.forEach((choice, i) => {
      const option = document.createElement('label');
      const radio = document.createElement('input');
      radio.type = 'radio';
      radio.name = id;
      radio.value = choice;
      radio.checked = i === position;
      radio.addEventListener('change', () => actions.onEdit(item.id, choice));
      option.append(radio, document.createTextNode(choice));
      group.append(option);
    });
    widget.append(group);
    return;
  }
  const select = document.createElement('select');
  select.id = id;
  for (const choice of item.choices) select.append(new Option(choice, choice));
  if (position < 0) {
    // A stored value no choice holds: shown as the printout shows it.
    const odd = new Option(item.valueText, '', true, true);
    odd.disabled = true;
    select.append(odd);
  } else {
    select.selectedIndex = position;
  }
  widget.append(select);
  select.addEventListener('change', async () => {
    if (select.value !== '(load Image)') return actions.onEdit(item.id, select.value);
    // The file request a user would answer: an image of the scene's folder.
    const files = await actions.loadImages();
    const chooser = document.createElement('span');
    chooser.className = 'load-image';
    const list = document.createElement('select');
    list.setAttribute('aria-label', 'Image to load');
    for (const file of files) list.append(new Option(file, file));
    const load = document.createElement('button');
    load.type = 'button';
    load.textContent = 'Load';
    load.disabled = files.length === 0;
    load.addEventListener('click', () => actions.onEdit(item.id, '(load Image)', list.value));
    const cancel = document.createElement('button');
    cancel.type = 'button';
    cancel.textContent = 'Cancel';
    cancel.addEventListener('click', () => {
      chooser.remove();
      select.selectedIndex = position;
    });
    chooser.append(list, load, cancel);
    if (!files.length) chooser.prepend('(no images in the scene\'s folder) ');
    widget.append(chooser);
  });
}

function hexOf(values) {
  return '#' + values.map((v) => Math.round(Math.min(1, Math.max(0, v)) * 255)
    .toString(16).padStart(2, '0')).join('');
}

function drawEnvelope(item, widget, id, actions) {
  const inputs = item.value.map((value, i) =>
    numberInput(item, value, i === 0 ? id : undefined, () =>
      actions.onEdit(item.id, inputs.map((input) => input.value).join(' '))));
  if (inputs.length === 3) widget.classList.add('triple');
  inputs.forEach((input, i) => {
    if (inputs.length === 3) input.setAttribute('aria-label', `${item.label} ${'xyz'[i]}`);
    widget.append(input);
  });
  if (item.unit) widget.append(note('unit', item.unit));
  if (item.dataType === 'color-env' && item.value.length === 3) {
    const picker = document.createElement('input');
    picker.type = 'color';
    picker.value = hexOf(item.value);
    picker.setAttribute('aria-label', `${item.label} picker`);
    picker.addEventListener('change', () => {
      const hex = picker.value.slice(1);
      const channels = [0, 2, 4].map((at) => (parseInt(hex.slice(at, at + 2), 16) / 255).toFixed(4));
      actions.onEdit(item.id, channels.join(' '));
    });
    widget.append(picker);
  }
}
