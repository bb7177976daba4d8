"""A folder served over HTTP on a free loopback port, from a thread of the
calling process, so it ends with it.

What the web tests may rely on:
  - StaticSite(folder) serves at once; url() names a file of it; close()
    stops it (also as a context manager).
  - It serves as make serve-web does (tools/web/web_server.py: the program
    gzipped where the browser takes it), and nothing may be cached: a later page load sees the files as
    they are served then.
  - The paths in `missing` ("data/pelmira.png") answer 404, as if the file
    had been taken out of the folder; those in `prefixed` (path -> bytes)
    answer their file with those bytes before it.
"""
import io
import functools
import http.server
import os
import sys
import threading
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
                                'tools', 'web'))
from web_server import Handler  # noqa: E402


class _Handler(Handler):
    def __init__(self, *args, site, **kwargs):
        self._site = site
        super().__init__(*args, **kwargs)

    def send_head(self):
        path = urllib.parse.urlsplit(self.path).path.lstrip('/')
        if path in self._site.missing:
            self.send_error(404)
            return None
        if path in self._site.prefixed:
            with open(self.translate_path(self.path), 'rb') as file:
                body = self._site.prefixed[path] + file.read()
            self.send_response(200)
            self.send_header('Content-Type', self.guess_type(path))
            self.send_header('Content-Length', str(len(body)))
            self.end_headers()
            return io.BytesIO(body)
        return super().send_head()

    def end_headers(self):
        self.send_header('Cache-Control', 'no-store')
        super().end_headers()

    def log_message(self, *args):
        pass


class _Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        # A browser that leaves a page or closes drops its downloads midway.
        if not isinstance(sys.exc_info()[1], (BrokenPipeError, ConnectionResetError)):
            super().handle_error(request, client_address)


class StaticSite:
    def __init__(self, folder):
        self.missing = set()
        self.prefixed = {}
        handler = functools.partial(_Handler, directory=str(folder), site=self)
        self._server = _Server(('127.0.0.1', 0), handler)
        self._thread = threading.Thread(target=self._server.serve_forever, daemon=True)
        self._thread.start()

    def url(self, path='index.html', query=''):
        port = self._server.server_address[1]
        return f'http://127.0.0.1:{port}/{path}' + (f'?{query}' if query else '')

    def close(self):
        self._server.shutdown()
        self._server.server_close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
