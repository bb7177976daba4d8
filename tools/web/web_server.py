#!/usr/bin/env python3
"""A static server for the web build (make serve-web), and the handler the
web tests' server builds on:
  - .wasm goes out as application/wasm, which streaming compilation needs;
  - where a file has its gzip copy beside it (make web writes pelmira15.js.gz
    and pelmira15.wasm.gz) and the browser takes gzip, the copy goes out as is,
    with Content-Encoding: gzip and the original's type.

  web_server.py FOLDER PORT
"""
import functools
import http.server
import os
import sys
import urllib.parse


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        '.wasm': 'application/wasm',
        '.js': 'text/javascript',
    }

    def send_head(self):
        path = self.translate_path(urllib.parse.urlsplit(self.path).path)
        if 'gzip' not in self.headers.get('Accept-Encoding', '') or not os.path.isfile(path + '.gz'):
            return super().send_head()
        try:
            body = open(path + '.gz', 'rb')
        except OSError:
            return super().send_head()
        self.send_response(200)
        self.send_header('Content-Type', self.guess_type(path))
        self.send_header('Content-Encoding', 'gzip')
        self.send_header('Content-Length', str(os.fstat(body.fileno()).st_size))
        self.send_header('Vary', 'Accept-Encoding')
        self.end_headers()
        return body


def main():
    if len(sys.argv) != 3 or not sys.argv[2].isdigit():
        print('usage: web_server.py FOLDER PORT', file=sys.stderr)
        return 2
    handler = functools.partial(Handler, directory=sys.argv[1])
    server = http.server.ThreadingHTTPServer(('127.0.0.1', int(sys.argv[2])), handler)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == '__main__':
    sys.exit(main())
