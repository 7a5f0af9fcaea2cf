#!/usr/bin/python3
"""orvhost serve's page in headless Chromium: every module node kind's panel
as orvhost panel prints it, an edit that changes the picture and the saved
scene, a nested graph opened by "Edit Nodes", a drawn thumbnail."""
import json
import os
import re
import shutil
import subprocess
import sys
import unittest

import serving

ORVHOST = None
SCENES = None

# What the page shows of each panel item, read from the page itself.
READ_PANEL = r"""
const kindOf = (el) => ['control', 'group', 'tabs', 'stack'].find((k) => el.classList.contains(k));
return [...document.querySelectorAll('#panel [data-id]')].map((el) => {
  const entry = {id: el.dataset.id, kind: kindOf(el), hidden: el.hidden,
                 disabled: el.classList.contains('disabled'), border: el.dataset.border || null};
  if (entry.kind !== 'control') {
    entry.label = el.querySelector(':scope > legend')?.textContent || '';
    return entry;
  }
  const label = el.querySelector(':scope > label');
  const widget = el.querySelector(':scope > .widget');
  const button = widget.querySelector(':scope > button');
  entry.label = label.textContent || (button ? button.textContent : '');
  entry.path = label.title ? label.title.replace(/^as "(.*)"$/, '$1') : null;
  entry.type = el.dataset.type;
  entry.limits = widget.querySelector(':scope > .limits')?.textContent || '';
  const select = widget.querySelector(':scope > select');
  const radios = [...widget.querySelectorAll('input[type=radio]')];
  const box = widget.querySelector(':scope > input[type=checkbox]');
  const numbers = [...widget.querySelectorAll(':scope > input[type=number]')];
  const text = widget.querySelector(':scope > input[type=text]');
  const none = widget.querySelector(':scope > output.no-value');
  entry.unit = widget.querySelector(':scope > .unit')?.textContent || '';
  if (select) {
    const chosen = select.options[select.selectedIndex];
    entry.value = chosen.disabled ? chosen.text : chosen.value;
    entry.choices = [...select.options].filter((o) => !o.disabled).map((o) => o.value);
  } else if (radios.length) {
    entry.value = radios.find((r) => r.checked)?.value;
    entry.choices = radios.map((r) => r.value);
  } else if (box) entry.value = box.checked ? 'on' : 'off';
  else if (numbers.length) entry.numbers = numbers.map((n) => Number(n.value));
  else if (text) entry.value = '"' + text.value + '"';
  else if (none) entry.value = none.textContent;
  return entry;
});
"""

CONTROL = re.compile(r'^(0x[0-9a-f]+) (.*?) \(([\w-]+)\)(?= as "| =|; |$)'
                     r'(?: as "([^"]*)")?(?: =(?: (.*?))?)?(?:; (.*))?$')


def parse_printout(text):
    """orvhost panel's lines as items: controls with their value, choices,
    limits and states; layouts with their label and states; borders."""
    items, borders = [], {}
    for line in text.splitlines()[1:]:
        line = line.strip()
        hidden = line.endswith(' [hidden]')
        if hidden:
            line = line[:-len(' [hidden]')]
        disabled = re.search(r' \[disabled(: [^\]]*)?\]$', line)
        if disabled:
            line = line[:disabled.start()]
        entry = {'hidden': hidden, 'disabled': bool(disabled)}
        if line.startswith('Border '):
            border_id = line.split()[1]
            for member in line.split(' around ')[1].split(', '):
                borders[member] = border_id
            continue
        layout = re.match(r'^(Tabs|Tab|Group|Stack) (?:"([^"]*)" \((0x[0-9a-f]+)\)|(0x[0-9a-f]+)(?: "([^"]*)")?)', line)
        if layout:
            kind = {'Tabs': 'tabs', 'Tab': 'group', 'Group': 'group', 'Stack': 'stack'}[layout[1]]
            entry.update(kind=kind, id=layout[3] or layout[4], label=layout[2] or layout[5] or '')
            items.append(entry)
            continue
        control = CONTROL.match(line)
        assert control, f'unparsed line: {line}'
        entry.update(kind='control', id=control[1], label=control[2], type=control[3],
                     path=control[4], value=control[5] or '', limits='', choices=None)
        for note in (control[6] or '').split('; ') if control[6] else []:
            if note.startswith('choices: '):
                entry['choices'] = note[len('choices: '):].split(', ')
            else:
                entry['limits'] = note
        items.append(entry)
    return items, borders


class BrowserTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        kinds = []
        # One line per node under its menu group: user name, server name.
        listing = subprocess.run([ORVHOST, 'servers'], capture_output=True, text=True, check=True)
        for line in listing.stdout.splitlines():
            if line.startswith('  '):
                kinds.append(re.split(r'\s{2,}', line.strip())[0])
        cls.kinds = kinds
        cls.folder = serving.scene_copy(SCENES, ['grouped_occlusion.json', 'env/card.png'])
        with open(os.path.join(SCENES, 'grouped_occlusion.json')) as source:
            text = re.sub(r'^\s*//.*$', '', source.read(), flags=re.M)
        scene = json.loads(text)
        scene['images'] = ['env/card.png']
        nodes = [{'name': kind, 'server': kind} for kind in kinds]
        for node in nodes:
            if node['server'] == 'Pixel Image':
                node['settings'] = {'Image': 'card'}
        scene.setdefault('graphs', {})['Kinds'] = {'nodes': nodes}
        cls.scene = os.path.join(cls.folder, 'scene.json')
        with open(cls.scene, 'w') as out:
            json.dump(scene, out, indent=1)
        cls.server = serving.Server(ORVHOST, cls.scene, '--width', '64', '--height', '40')
        cls.driver = serving.browser()
        cls.driver.get(cls.server.url)
        serving.wait_for(lambda: cls.pass_shown() == 'full done', 120)

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        code = cls.server.stop()
        if code != 0 or 'runtime error' in cls.server.stderr:
            raise AssertionError(f'orvhost serve ended with {code}: {cls.server.stderr}')
        shutil.rmtree(cls.folder, ignore_errors=True)

    @classmethod
    def pass_shown(cls):
        return cls.driver.execute_script("return document.getElementById('image').dataset.pass")

    def script(self, code, *arguments):
        return self.driver.execute_script(code, *arguments)

    def open_graph(self, name):
        tabs = serving.wait_for(lambda: [tab for tab in self.driver.find_elements(
            'css selector', '#graph-tabs button') if tab.text == name])
        tabs[0].click()
        serving.wait_for(lambda: self.script(
            "return document.getElementById('graph').dataset.graph") == name)

    def select(self, name, kind):
        node = self.driver.find_element('css selector', f'.node[data-name="{name}"]')
        self.script("arguments[0].dispatchEvent(new MouseEvent('click', {bubbles: true}))", node)
        serving.wait_for(lambda: self.script(
            "return document.getElementById('panel-title').textContent") == f'{name} ({kind})')

    def test_every_kinds_panel_is_the_printed_one(self):
        self.open_graph('Kinds')
        for kind in self.kinds:
            with self.subTest(kind=kind):
                self.select(kind, kind)
                printed = subprocess.run(
                    [ORVHOST, 'panel', kind, '--scene', self.scene, '--graph', 'Kinds'],
                    capture_output=True, text=True, check=True).stdout
                shown = self.script(READ_PANEL)
                if 'has no panel' in printed:
                    self.assertEqual(shown, [])
                    continue
                expected, borders = parse_printout(printed)
                self.assertEqual([e['id'] for e in shown], [e['id'] for e in expected])
                for page, text in zip(shown, expected):
                    self.compare(page, text, borders.get(text['id']))

    def compare(self, page, text, border):
        where = f"{text['id']} {text['label']}"
        for key in ('kind', 'label', 'hidden', 'disabled'):
            self.assertEqual(page[key], text[key], f'{where}: {key}')
        self.assertEqual(page['border'], border, f'{where}: border')
        if text['kind'] != 'control':
            return
        for key in ('type', 'path', 'limits', 'choices'):
            self.assertEqual(page.get(key), text[key], f'{where}: {key}')
        if 'numbers' in page:
            unit = '%' if text['value'].endswith('%') else '°' if text['value'].endswith('°') else ''
            self.assertEqual(page['unit'], unit, where)
            printed = [float(v.rstrip('%°')) for v in text['value'].split()]
            self.assertEqual(len(page['numbers']), len(printed), where)
            for a, b in zip(page['numbers'], printed):
                self.assertAlmostEqual(a, b, delta=1e-4 * max(1, abs(b)), msg=where)
        else:
            self.assertEqual(page.get('value') or '', text['value'], f'{where}: value')

    def canvas_sum(self):
        return self.script("""
            const c = document.getElementById('image');
            return c.getContext('2d').getImageData(0, 0, c.width, c.height).data
              .reduce((s, v) => s + v, 0);""")

    def test_edit_nodes_then_an_edit_changes_picture_and_saved_scene(self):
        self.open_graph('Ground')
        self.select('Occlusion', 'Group Node')
        self.driver.find_element('css selector', '#panel button').click()
        serving.wait_for(lambda: self.script(
            "return document.getElementById('graph').dataset.graph") == 'Ground/Occlusion')
        self.assertTrue(self.driver.find_elements('css selector', '#graph-back'))
        names = self.script("return [...document.querySelectorAll('.node')].map(n => n.dataset.name)")
        self.assertIn('AO', names)
        self.assertIn('Tinted', names)
        self.select('AO', 'Ambient Occlusion')
        serving.wait_for(lambda: self.pass_shown() == 'full done', 60)
        before = self.canvas_sum()
        sequence = int(self.script("return document.getElementById('image').dataset.sequence"))
        samples = self.driver.find_element('xpath', "//div[@data-label='Max']//input")
        self.assertFalse(samples.is_enabled())  # until Ranged is on
        ranged = self.driver.find_element('xpath', "//div[@data-label='Ranged']//input")
        ranged.click()
        serving.wait_for(lambda: self.script(
            "return !document.querySelector('[data-label=Max] input').disabled"))
        distance = self.driver.find_element('xpath', "//div[@data-label='Max']//input")
        distance.clear()
        distance.send_keys('0.3\n')
        self.script("document.activeElement.blur()")
        serving.wait_for(lambda: int(self.script(
            "return document.getElementById('image').dataset.sequence")) > sequence
            and self.pass_shown() == 'full done' and self.canvas_sum() != before, 60)
        self.driver.find_element('id', 'save-name').send_keys('edited.json')
        self.driver.find_element('id', 'save').click()
        serving.wait_for(lambda: 'saved' in self.driver.find_element('id', 'message').text)
        with open(os.path.join(self.folder, 'edited.json')) as saved:
            text = saved.read()
        # A Group Node is saved as its data, the nested AO's Max within.
        self.assertIn('\\"value\\":0.3}', text)
        self.driver.find_element('id', 'graph-back').click()
        serving.wait_for(lambda: not self.driver.find_elements('css selector', '#graph-back'))

    def test_a_pixel_image_thumbnail_is_a_picture(self):
        self.open_graph('Kinds')
        self.select('Pixel Image', 'Pixel Image')
        serving.wait_for(lambda: self.script(
            "return document.querySelector('#panel canvas.thumbnail')?.dataset.drawn") == 'yes')
        colours = self.script("""
            const c = document.querySelector('#panel canvas.thumbnail');
            const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
            const seen = new Set();
            for (let i = 0; i < d.length; i += 4) seen.add(d[i] << 16 | d[i + 1] << 8 | d[i + 2]);
            return seen.size;""")
        self.assertGreater(colours, 3)


    def test_load_image_offers_the_scene_folders_images(self):
        # A server of its own: the image it loads joins the scene's image
        # list, which the other tests compare with the scene file's.
        with serving.Server(ORVHOST, self.scene, '--width', '16', '--height', '10') as other:
            self.driver.get(other.url)
            self.open_graph('Kinds')
            self.select('Pixel Image', 'Pixel Image')
            self.script('''const s = document.querySelector('[data-label=Image] select');
                s.value = '(load Image)'; s.dispatchEvent(new Event('change'));''')
            serving.wait_for(lambda: self.driver.find_elements('css selector', '.load-image button'))
            offered = self.script(
                "return [...document.querySelectorAll('.load-image option')].map(o => o.value)")
            self.assertEqual(offered, ['env/card.png'])
            self.driver.find_element('css selector', '.load-image button').click()
            serving.wait_for(lambda: self.script(
                "return document.querySelector('[data-label=Image] select')?.value") == 'card (2)')
        self.driver.get(self.server.url)
        serving.wait_for(lambda: self.pass_shown() == 'full done', 120)


if __name__ == '__main__':
    if not (shutil.which('chromedriver') or os.path.exists('/usr/bin/chromedriver')):
        print('skipped: chromium-driver is not installed')
        sys.exit(77)
    serving.run_tests(skip_unless=['selenium'])
