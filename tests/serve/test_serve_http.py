#!/usr/bin/python3
"""orvhost serve's rules over HTTP: who may reach it, what a request may
read or write, and that no request, however malformed, stops it."""
import concurrent.futures
import http.client
import json
import os
import signal
import socket
import subprocess
import time
import unittest

import serving

ORVHOST = None
SCENES = None


def request(server, method, path, body=None, headers=None, token=True, host=None):
    """(status, headers, body bytes); the token as a cookie unless told not."""
    connection = http.client.HTTPConnection(server.host, server.port, timeout=30)
    sent = {'Host': host or f'{server.host}:{server.port}'}
    if token:
        sent['Cookie'] = f'orv_token={server.token}'
    if body is not None and not isinstance(body, bytes):
        body = json.dumps(body).encode()
        sent['Content-Type'] = 'application/json'
    sent.update(headers or {})
    connection.putrequest(method, path, skip_host=True)
    for key, value in sent.items():
        connection.putheader(key, value)
    if body is not None:
        connection.putheader('Content-Length', str(len(body)))
    connection.endheaders(body)
    response = connection.getresponse()
    answer = (response.status, dict(response.getheaders()), response.read())
    connection.close()
    return answer


def control(items, label):
    """The control of that label among a panel's items, at any depth."""
    for item in items:
        if item.get('item') == 'control' and item['label'] == label:
            return item
        found = control([m for m in item.get('members', []) if isinstance(m, dict)], label)
        if found:
            return found
    return None


class ServeTest(unittest.TestCase):
    def setUp(self):
        self.folder = serving.scene_copy(SCENES, ['occlusion.json', 'env/card.png'])
        self.scene = os.path.join(self.folder, 'occlusion.json')
        self.server = serving.Server(ORVHOST, self.scene, '--width', '48', '--height', '30')

    def tearDown(self):
        # Every run ends cleanly: exit code 0, and under the sanitizers no
        # report (a leak at exit changes the code too).
        code = self.server.stop()
        self.assertEqual(code, 0, self.server.stderr)
        self.assertNotIn('runtime error', self.server.stderr)
        self.assertNotIn('Sanitizer', self.server.stderr)

    def alive(self):
        status, _, body = request(self.server, 'GET', '/api/overview')
        self.assertEqual(status, 200)
        return json.loads(body)

    def test_listens_on_loopback_with_the_token_in_the_printed_address(self):
        self.assertEqual(self.server.host, '127.0.0.1')
        self.assertEqual(len(self.server.token), 32)
        # Another loopback address reaches the machine but not the server.
        with self.assertRaises(OSError):
            socket.create_connection(('127.0.0.2', self.server.port), timeout=5).close()

    def test_every_request_needs_the_token_then_a_cookie_carries_it(self):
        for path in ('/', '/app.js', '/api/overview'):
            self.assertEqual(request(self.server, 'GET', path, token=False)[0], 403, path)
        status, _, _ = request(self.server, 'GET', '/api/overview',
                               headers={'Cookie': 'orv_token=' + '0' * 32}, token=False)
        self.assertEqual(status, 403)
        status, headers, body = request(self.server, 'GET', f'/?token={self.server.token}',
                                        token=False)
        self.assertEqual(status, 200)
        self.assertIn(b'<!doctype html>', body)
        self.assertIn(f'orv_token={self.server.token}', headers['Set-Cookie'])
        self.assertIn('HttpOnly', headers['Set-Cookie'])
        self.alive()

    def test_a_foreign_host_or_origin_is_refused(self):
        status, _, _ = request(self.server, 'GET', '/api/overview', host=f'evil.example:{self.server.port}')
        self.assertEqual(status, 403)
        # A name that resolves here (DNS rebinding) is still not the server's.
        status, _, _ = request(self.server, 'GET', '/api/overview', host='127.0.0.1.nip.io')
        self.assertEqual(status, 403)
        for origin in ('http://evil.example', f'http://127.0.0.1:{self.server.port + 1}', 'null'):
            status, _, _ = request(self.server, 'POST', '/api/undo', {},
                                   headers={'Origin': origin})
            self.assertEqual(status, 403, origin)
        status, _, _ = request(self.server, 'GET', '/api/overview',
                               headers={'Origin': self.server.base})
        self.assertEqual(status, 200)

    def test_large_bodies_get_413(self):
        status, _, body = request(self.server, 'POST', '/api/edit', b'{' + b' ' * 200000 + b'}')
        self.assertEqual(status, 413)
        self.assertIn('error', json.loads(body))
        self.alive()

    def test_nothing_outside_the_scenes_folder_is_read_or_written(self):
        outside = os.path.join(os.path.dirname(self.folder), 'outside.json')
        for name in ('../outside.json', outside, 'sub/x.json', '.hidden.json', 'x.txt'):
            answer = request(self.server, 'POST', '/api/save', {'name': name})
            self.assertEqual(answer[0], 400, name)
        self.assertFalse(os.path.exists(outside))
        for file in ('../occlusion.json', '/etc/passwd', '..\\card.png', 'missing.png'):
            answer = request(self.server, 'POST', '/api/edit',
                             {'node': ['Occluded', 'AO'], 'control': 'Samples', 'value': '8',
                              'file': file})
            self.assertEqual(answer[0], 400, file)
        for path in ('/../../etc/passwd', '/%2e%2e/%2e%2e/etc/passwd', '/../occlusion.json',
                     '/serve_session.cpp'):
            self.assertEqual(request(self.server, 'GET', path)[0], 404, path)
        status, _, body = request(self.server, 'GET', '/api/images')
        self.assertEqual(json.loads(body), ['env/card.png'])
        os.makedirs(os.path.join(self.folder, 'env', 'deeper'))
        os.rename(os.path.join(self.folder, 'env', 'card.png'),
                  os.path.join(self.folder, 'env', 'deeper', 'card.png'))
        self.assertEqual(json.loads(request(self.server, 'GET', '/api/images')[2]), [])

    def test_malformed_requests_get_a_json_4xx_and_the_server_goes_on(self):
        cases = [
            ('POST', '/api/panel', b'{"node": ['),
            ('POST', '/api/panel', b'[1, 2]'),
            ('POST', '/api/panel', {'node': 'AO'}),
            ('POST', '/api/panel', {'node': ['Occluded', 7]}),
            ('POST', '/api/panel', {'node': ['Nowhere', 'AO']}),
            ('POST', '/api/panel', {'node': ['Occluded', 'Nobody']}),
            ('POST', '/api/edit', {'node': ['Occluded', 'AO'], 'control': 'Samples'}),
            ('POST', '/api/edit', {'node': ['Occluded', 'AO'], 'control': 'Nothing', 'value': '1'}),
            ('POST', '/api/edit', {'node': ['Occluded', 'AO'], 'control': 'Mode', 'value': 'Sideways'}),
            ('POST', '/api/edit', {'node': ['Occluded', 'Surface'], 'control': 'Color', 'value': '1'}),
            ('POST', '/api/press', {'node': ['Occluded', 'AO'], 'control': 'Nothing'}),
            ('POST', '/api/thumbnail', {'node': ['Occluded', 'AO'], 'control': 'Mode',
                                        'width': 1 << 40, 'height': 2}),
            ('POST', '/api/output', {'node': ['Occluded', 'AO'], 'output': 'Nothing'}),
            ('POST', '/api/undo', {}),
            ('GET', '/api/frame?after=x', None),
            ('GET', '/api/nothing', None),
            ('DELETE', '/api/overview', None),
        ]
        for method, path, body in cases:
            status, headers, answer = request(self.server, method, path, body)
            self.assertTrue(400 <= status < 500, (path, body, status))
            self.assertTrue(json.loads(answer)['error'], (path, body))
        # The failed edits took nothing back and changed nothing.
        panel = json.loads(request(self.server, 'POST', '/api/panel',
                                   {'node': ['Occluded', 'AO']})[2])
        self.assertEqual(panel['undo'], 0)
        self.alive()

    def wait_for_full_picture(self, version):
        after = 0
        ends = time.monotonic() + 60
        while time.monotonic() < ends:
            status, _, payload = request(self.server, 'GET', f'/api/frame?after={after}')
            if status == 204:
                continue
            length = int.from_bytes(payload[:4], 'little')
            info = json.loads(payload[4:4 + length])
            after = info['sequence']
            if info['version'] >= version and info['pass'] == 'full' and info['done']:
                return info
        self.fail(f'no full picture of version {version}')

    def test_an_edit_renders_again_and_is_saved_and_undone(self):
        frame = request(self.server, 'GET', '/api/frame?after=0')
        self.assertEqual(frame[0], 200)
        status, _, body = request(self.server, 'POST', '/api/edit',
                                  {'node': ['Occluded', 'AO'], 'control': 'Samples', 'value': '5'})
        self.assertEqual(status, 200)
        self.wait_for_full_picture(json.loads(body)['version'])
        status, _, body = request(self.server, 'POST', '/api/save', {'name': 'edited.json'})
        self.assertEqual((status, json.loads(body)['saved']), (200, 'edited.json'))
        with open(os.path.join(self.folder, 'edited.json')) as saved:
            self.assertIn('"Samples": 5', saved.read())
        # Another file of that name is replaced only when asked to.
        answer = json.loads(request(self.server, 'POST', '/api/save', {'name': 'edited.json'})[2])
        self.assertEqual(answer, {'exists': 'edited.json'})
        answer = request(self.server, 'POST', '/api/save', {'name': 'edited.json', 'replace': True})
        self.assertEqual(json.loads(answer[2])['saved'], 'edited.json')
        undone = json.loads(request(self.server, 'POST', '/api/undo', {})[2])
        self.assertEqual(control(undone['items'], 'Samples')['value'], 64)
        self.assertEqual(undone['undo'], 0)
        request(self.server, 'POST', '/api/save', {})
        with open(self.scene) as saved:
            self.assertIn('"Samples": 64', saved.read())

    def test_a_failed_edit_during_a_render_still_leaves_a_finished_picture(self):
        heavy = json.loads(request(self.server, 'POST', '/api/edit',
                                   {'node': ['Occluded', 'AO'], 'control': 'Samples',
                                    'value': '3000'})[2])
        status, _, _ = request(self.server, 'POST', '/api/edit',
                               {'node': ['Occluded', 'AO'], 'control': 'Nothing', 'value': '1'})
        self.assertEqual(status, 400)
        self.wait_for_full_picture(heavy['version'])

    def test_a_client_gone_mid_render_leaves_it_serving(self):
        for _ in range(5):
            connection = socket.create_connection((self.server.host, self.server.port))
            connection.sendall(f'GET /api/frame?after=999999 HTTP/1.1\r\nHost: 127.0.0.1:'
                               f'{self.server.port}\r\nCookie: orv_token={self.server.token}'
                               f'\r\n\r\n'.encode())
            connection.close()
            connection = socket.create_connection((self.server.host, self.server.port))
            connection.sendall(b'POST /api/edit HTTP/1.1\r\nContent-Length: 50\r\n\r\n{"no')
            connection.close()
        request(self.server, 'POST', '/api/edit',
                {'node': ['Occluded', 'AO'], 'control': 'Samples', 'value': '200'})
        self.alive()

    def test_two_hundred_requests_at_once(self):
        def one(i):
            kinds = [('GET', '/api/overview', None),
                     ('POST', '/api/panel', {'node': ['Occluded', 'AO']}),
                     ('POST', '/api/edit', {'node': ['Occluded', 'AO'], 'control': 'Samples',
                                            'value': str(1 + i % 7)}),
                     ('GET', '/app.js', None),
                     ('POST', '/api/panel', b'{broken')]
            method, path, body = kinds[i % len(kinds)]
            return request(self.server, method, path, body)[0]
        with concurrent.futures.ThreadPoolExecutor(200) as pool:
            statuses = list(pool.map(one, range(200)))
        self.assertEqual(statuses.count(400), 40)
        self.assertEqual(statuses.count(200), 160)
        self.alive()

    def test_sigint_and_sigterm_end_it_cleanly(self):
        request(self.server, 'POST', '/api/edit',
                {'node': ['Occluded', 'AO'], 'control': 'Samples', 'value': '300'})
        self.assertEqual(self.server.stop(signal.SIGINT), 0)
        self.assertIn('stopping', self.server.stderr)
        other = serving.Server(ORVHOST, self.scene, '--width', '48', '--height', '30')
        self.assertEqual(other.stop(signal.SIGTERM), 0)

    def test_a_taken_port_is_an_error_not_a_shared_one(self):
        taken = subprocess.run([ORVHOST, 'serve', self.scene, '--port', str(self.server.port)],
                               capture_output=True, text=True, timeout=60)
        self.assertEqual(taken.returncode, 1)
        self.assertIn(f'cannot listen on 127.0.0.1:{self.server.port}', taken.stderr)
        self.alive()

    def test_the_value_under_the_pointer_is_the_nodes_where_the_ray_lands(self):
        status, _, body = request(self.server, 'POST', '/api/value',
                                  {'node': ['Occluded', 'AO'], 'output': 'Scalar', 'x': 24, 'y': 25})
        self.assertEqual(status, 200)
        reply = json.loads(body)
        self.assertEqual((reply['surface'], reply['output']), ('Occluded', 'Scalar'))
        self.assertEqual(len(reply['value']), 1)
        self.assertTrue(0 <= reply['value'][0] <= 1)
        status, _, body = request(self.server, 'POST', '/api/value',
                                  {'node': ['Occluded', 'AO'], 'x': 48, 'y': 0})
        self.assertEqual(status, 400)
        self.assertIn('outside the 48x30 frame', json.loads(body)['error'])

    def test_listening_elsewhere_warns(self):
        other = serving.Server(ORVHOST, self.scene, '--listen', '127.0.0.3')
        self.assertEqual(other.host, '127.0.0.3')
        self.assertEqual(request(other, 'GET', '/api/overview')[0], 200)
        other.stop()
        self.assertIn('warning', other.stderr)


if __name__ == '__main__':
    serving.run_tests()
