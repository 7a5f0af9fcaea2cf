#!/usr/bin/python3
"""orvhost serve's speed as a user meets it, measured by driving its page in
headless Chromium, each figure beside its reference:

  - the first picture of scenes/demo.json at 320 x 240 after the page opens
    (goal: 300 ms);
  - after Ambient Occlusion's "Samples" changes in scenes/occlusion.json, the
    first updated picture (goal: 150 ms) and the full one (goal: a plain
    `orvhost render` of the same size and settings, plus 10 %).

  bench/serve_page.py --orvhost build/orvhost [--rounds 5]
"""
import argparse
import json
import os
import re
import statistics
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', 'tests', 'serve'))
import serving  # noqa: E402

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..')
SIZE = ['--width', '320', '--height', '240']


def first_picture(orvhost, driver, rounds):
    times = []
    for _ in range(rounds):
        with serving.Server(orvhost, os.path.join(SOURCE, 'scenes', 'demo.json'), *SIZE) as server:
            driver.get(server.url)
            times.append(serving.wait_for(lambda: driver.execute_script(
                'return window.orvTimes && window.orvTimes.firstImage'), 60))
            driver.get('about:blank')
    return times


def plain_render_seconds(orvhost, scene):
    output = subprocess.run([orvhost, 'render', scene, '-o', scene + '.png', *SIZE],
                            capture_output=True, text=True, check=True).stderr
    return float(re.search(r'done in ([0-9.]+) s', output)[1])


def edited_samples(orvhost, driver, rounds):
    folder = tempfile.mkdtemp(prefix='orv-bench-')
    with open(os.path.join(SOURCE, 'scenes', 'occlusion.json')) as source:
        scene = json.loads(re.sub(r'^\s*//.*$', '', source.read(), flags=re.M))
    path = os.path.join(folder, 'occlusion.json')
    with open(path, 'w') as out:
        json.dump(scene, out)
    values = [48, 64]
    firsts, fulls, passes, plains = [], [], [], []
    with serving.Server(orvhost, path, *SIZE) as server:
        driver.get(server.url)
        serving.wait_for(lambda: driver.execute_script(
            "return document.getElementById('image').dataset.pass") == 'full done', 120)
        node = driver.find_element('css selector', '.node[data-name="AO"]')
        driver.execute_script("arguments[0].dispatchEvent(new MouseEvent('click', {bubbles: true}))", node)
        serving.wait_for(lambda: driver.find_elements('css selector', '[data-label=Samples] input'))
        for round_ in range(rounds):
            value = values[round_ % 2]
            driver.execute_script("""
                const input = document.querySelector('[data-label=Samples] input');
                input.value = arguments[0];
                input.dispatchEvent(new Event('change'));""", str(value))
            edit = serving.wait_for(lambda: driver.execute_script(f"""
                const e = window.orvTimes.edits[{round_}];
                return e && e.full !== null ? e : null;"""), 120)
            firsts.append(edit['first'])
            fulls.append(edit['full'])
            passes.append(edit['fullPass'])
            # The reference: the same scene and setting rendered by orvhost
            # render, between the page's renders so both meet the same load.
            scene['surfaces']['Occluded']['nodes'][0]['settings']['Samples'] = value
            reference = os.path.join(folder, f'plain{value}.json')
            with open(reference, 'w') as out:
                json.dump(scene, out)
            plains.append(plain_render_seconds(orvhost, reference) * 1000)
    return firsts, fulls, passes, plains


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--orvhost', default=os.path.join(SOURCE, 'build', 'orvhost'))
    parser.add_argument('--rounds', type=int, default=5)
    arguments = parser.parse_args()
    driver = serving.browser()
    try:
        firsts = first_picture(arguments.orvhost, driver, arguments.rounds)
        edit_first, edit_full, edit_pass, plain = edited_samples(arguments.orvhost, driver, arguments.rounds)
    finally:
        driver.quit()
    median = statistics.median
    print(f'demo.json 320x240, first picture after opening the page: '
          f'{median(firsts):7.1f} ms (goal 300 ms)   rounds: '
          + ' '.join(f'{t:.0f}' for t in firsts))
    print(f'occlusion.json 320x240, Samples changed, first updated picture: '
          f'{median(edit_first):7.1f} ms (goal 150 ms)   rounds: '
          + ' '.join(f'{t:.0f}' for t in edit_first))
    print(f'occlusion.json 320x240, Samples changed, full picture: '
          f'{median(edit_full):7.1f} ms beside a plain render of {median(plain):.0f} ms '
          f'(goal {median(plain) * 1.1:.0f} ms, ratio {median(edit_full) / median(plain):.3f})'
          '   rounds: ' + ' '.join(f'{a:.0f}/{b:.0f}' for a, b in zip(edit_full, plain)))
    print(f'  of which the full pass itself: {median(edit_pass):7.1f} ms '
          f'(ratio to the plain render {median(edit_pass) / median(plain):.3f})   rounds: '
          + ' '.join(f'{t:.0f}' for t in edit_pass))


if __name__ == '__main__':
    main()
