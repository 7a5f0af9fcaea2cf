"""Starting orvhost serve for the tests and the benchmark, and driving its
page in headless Chromium."""
import os
import shutil
import signal
import subprocess
import tempfile
import time
import urllib.parse


class Server:
    """orvhost serve on a scene, on a free port; the URL it printed."""

    def __init__(self, orvhost, scene, *arguments):
        self.process = subprocess.Popen(
            [orvhost, 'serve', scene, '--port', '0', *arguments],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.url = self.process.stdout.readline().strip()
        if not self.url.startswith('http://'):
            self.process.kill()
            raise RuntimeError('orvhost serve printed no address: ' + self.process.stderr.read())
        parts = urllib.parse.urlsplit(self.url)
        self.host, self.port = parts.hostname, parts.port
        self.token = urllib.parse.parse_qs(parts.query)['token'][0]
        self.base = f'http://{parts.netloc}'

    def stop(self, sig=signal.SIGTERM, timeout=20):
        if self.process.stdout.closed:
            return self.process.returncode
        if self.process.poll() is None:
            self.process.send_signal(sig)
        try:
            code = self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            raise
        self.stderr = self.process.stderr.read()
        self.process.stdout.close()
        self.process.stderr.close()
        return code

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.process.poll() is None:
            self.stop()


def scene_copy(source_dir, names):
    """A folder of its own holding copies of the named files of source_dir
    (saves and images stay out of the source tree)."""
    folder = tempfile.mkdtemp(prefix='orv-serve-')
    for name in names:
        target = os.path.join(folder, name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy(os.path.join(source_dir, name), target)
    return folder


def browser(width=1400, height=950):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    for argument in ('--headless=new', '--no-sandbox', '--disable-gpu',
                     f'--window-size={width},{height}', '--disable-dev-shm-usage'):
        options.add_argument(argument)
    service = Service(executable_path=shutil.which('chromedriver')
                                      or '/usr/bin/chromedriver')
    return webdriver.Chrome(options=options, service=service)


def run_tests(skip_unless=()):
    """Runs the calling file's tests with its --orvhost and --scenes; exits
    with 77 (skipped) when a module named in skip_unless is missing."""
    import argparse
    import importlib.util
    import sys
    import unittest
    parser = argparse.ArgumentParser()
    parser.add_argument('--orvhost', required=True)
    parser.add_argument('--scenes', required=True)
    arguments, rest = parser.parse_known_args()
    for module in skip_unless:
        if importlib.util.find_spec(module) is None:
            print(f'skipped: {module} is not installed')
            sys.exit(77)
    main = sys.modules['__main__']
    main.ORVHOST, main.SCENES = arguments.orvhost, arguments.scenes
    unittest.main(module=main, argv=[sys.argv[0], *rest])


def wait_for(condition, timeout=30, step=0.02):
    ends = time.monotonic() + timeout
    while time.monotonic() < ends:
        value = condition()
        if value:
            return value
        time.sleep(step)
    raise TimeoutError('timed out waiting')
