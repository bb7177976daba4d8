"""Debian's Chromium, headless, driven over the DevTools protocol.

What the web tests and the web benchmark may rely on:
  - Browser(renderer) starts Chromium on a profile of its own with a free
    debugging port, and close() ends it, its whole process group, and
    removes the profile; `with Browser() as browser:` closes it on every way
    out, a ceiling passed or a signal included. Should this process die
    without closing, the kernel ends the browser with it.
  - browser.new_page() gives a Page of 1024 x 768 CSS pixels: navigate,
    wait_for an expression with a ceiling, evaluate, click, press keys, the
    console errors seen so far, the show's canvas as a PNG data URL; it can
    become a touch screen of another size (emulate_screen) and be tapped.
  - Every failure is a WebTestError whose text is one line.
"""
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

try:
    import websocket
except ImportError:
    websocket = None

RENDERER_FLAGS = {
    # ANGLE over Mesa's llvmpipe, the native build's renderer.
    'mesa': ['--use-angle=gl-egl', '--ignore-gpu-blocklist'],
    'swiftshader': ['--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
}
COMMON_FLAGS = [
    '--headless=new', '--no-sandbox', '--remote-debugging-port=0',
    '--no-first-run', '--no-default-browser-check', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--disable-extensions',
]
VIEWPORT = {'width': 1024, 'height': 768}
START_CEILING_S = 60
CALL_CEILING_S = 60
POLL_S = 0.05
# What Runtime.evaluate answers while a navigation swaps the document.
NAVIGATION_ERRORS = ('Execution context was destroyed', 'Cannot find context', 'Inspected target navigated')
# Ends Chromium with this process should it die without closing it
# (util-linux, in every Debian system).
DIE_WITH_PARENT = ['setpriv', '--pdeathsig', 'KILL']


class WebTestError(Exception):
    pass


def chromium_path():
    return shutil.which('chromium')


def require_websocket():
    if websocket is None:
        raise WebTestError(f'{sys.executable} has no websocket module: apt-get install python3-websocket')


def end_on_signals():
    """SIGTERM and SIGHUP unwind like Ctrl-C, so that every `with` closes."""
    def interrupt(number, _frame):
        raise KeyboardInterrupt(signal.Signals(number).name)
    for number in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(number, interrupt)


class Browser:
    def __init__(self, renderer='mesa', extra_flags=()):
        require_websocket()
        executable = chromium_path()
        if executable is None:
            raise WebTestError('chromium is not installed (Debian package chromium)')
        self._profile = tempfile.mkdtemp(prefix='pelmira-chromium-')
        self._log = open(os.path.join(self._profile, 'stderr.log'), 'w+b')
        self._socket = None
        self._next_id = 0
        self._pages = {}
        self._process = subprocess.Popen(
            [*DIE_WITH_PARENT, executable, *COMMON_FLAGS, *RENDERER_FLAGS[renderer], *extra_flags,
             f'--user-data-dir={self._profile}', 'about:blank'],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=self._log, start_new_session=True)
        try:
            self._socket = websocket.create_connection(self._endpoint(), timeout=CALL_CEILING_S,
                                                       suppress_origin=True)
        except BaseException:
            self.close()
            raise

    def _endpoint(self):
        """The browser's own DevTools address, once Chromium has written it."""
        active_port = os.path.join(self._profile, 'DevToolsActivePort')
        deadline = time.monotonic() + START_CEILING_S
        while time.monotonic() < deadline:
            if self._process.poll() is not None:
                raise WebTestError(f'chromium exited with status {self._process.returncode} at start: '
                                   f'{self._stderr_tail()}')
            try:
                with open(active_port) as f:
                    lines = f.read().split('\n')
                if len(lines) >= 2 and lines[1]:
                    return f'ws://127.0.0.1:{lines[0]}{lines[1]}'
            except FileNotFoundError:
                pass
            time.sleep(POLL_S)
        raise WebTestError(f'chromium wrote no DevToolsActivePort in {START_CEILING_S} s: {self._stderr_tail()}')

    def _stderr_tail(self):
        self._log.seek(0)
        lines = [line for line in self._log.read().decode(errors='replace').splitlines() if line.strip()]
        return lines[-1] if lines else '(nothing on stderr)'

    def close(self):
        if self._socket is not None:
            try:
                self._socket.close()
            except Exception:
                pass
            self._socket = None
        # The group outlives its leader while a renderer or the GPU process lingers.
        try:
            os.killpg(self._process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self._process.wait()
        self._log.close()
        shutil.rmtree(self._profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def call(self, method, params=None, session=None, ceiling=CALL_CEILING_S):
        self._next_id += 1
        message = {'id': self._next_id, 'method': method, 'params': params or {}}
        if session:
            message['sessionId'] = session
        try:
            self._socket.send(json.dumps(message))
        except (websocket.WebSocketException, OSError) as error:
            raise WebTestError(f'{method}: the DevTools connection is gone ({error})') from None
        deadline = time.monotonic() + ceiling
        while True:
            reply = self._receive(deadline, method)
            if reply.get('id') == self._next_id:
                if 'error' in reply:
                    raise WebTestError(f'{method}: {reply["error"].get("message")}')
                return reply.get('result', {})
            self._dispatch(reply)

    def pump_events(self, seconds):
        """Takes in the events that arrive within `seconds`."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            try:
                self._dispatch(self._receive(deadline, 'events'))
            except WebTestError:
                if self._process.poll() is not None:
                    raise
                return

    def _receive(self, deadline, waiting_for):
        self._socket.settimeout(max(0.001, deadline - time.monotonic()))
        try:
            return json.loads(self._socket.recv())
        except websocket.WebSocketTimeoutException:
            raise WebTestError(f'{waiting_for}: no answer from chromium in time') from None
        except (websocket.WebSocketException, OSError) as error:
            raise WebTestError(f'{waiting_for}: the DevTools connection is gone ({error}); '
                               f'chromium: {self._stderr_tail()}') from None

    def _dispatch(self, event):
        page = self._pages.get(event.get('sessionId'))
        if page is not None:
            page.take_event(event.get('method'), event.get('params', {}))

    def new_page(self):
        target = self.call('Target.createTarget', {'url': 'about:blank'})['targetId']
        session = self.call('Target.attachToTarget', {'targetId': target, 'flatten': True})['sessionId']
        page = Page(self, session)
        self._pages[session] = page
        for domain in ('Runtime', 'Log', 'Page'):
            page.call(f'{domain}.enable')
        page.emulate_screen(VIEWPORT['width'], VIEWPORT['height'])
        return page


def _remote_text(value):
    return str(value.get('value', value.get('description', value.get('type', ''))))


class Page:
    def __init__(self, browser, session):
        self._browser = browser
        self._session = session
        self.errors = []

    def call(self, method, params=None, ceiling=CALL_CEILING_S):
        return self._browser.call(method, params, self._session, ceiling)

    def take_event(self, method, params):
        if method == 'Runtime.consoleAPICalled' and params.get('type') in ('error', 'assert'):
            self.errors.append('console: ' + ' '.join(_remote_text(arg) for arg in params.get('args', [])))
        elif method == 'Runtime.exceptionThrown':
            details = params.get('exceptionDetails', {})
            text = _remote_text(details.get('exception', {})) or details.get('text', '')
            self.errors.append('exception: ' + text.split('\n')[0])
        elif method == 'Log.entryAdded' and params.get('entry', {}).get('level') == 'error':
            entry = params['entry']
            self.errors.append(f'log: {entry.get("text")} {entry.get("url", "")}'.rstrip())

    def evaluate(self, expression, await_promise=False, ceiling=CALL_CEILING_S, shown=None):
        """The value of expression; `shown` stands for it in an error."""
        result = self.call('Runtime.evaluate', {'expression': expression, 'returnByValue': True,
                                                'awaitPromise': await_promise}, ceiling)
        if 'exceptionDetails' in result:
            details = result['exceptionDetails']
            text = _remote_text(details.get('exception', {})) or details.get('text', '')
            shown = (shown or expression)[:80]
            raise WebTestError(f'evaluating {shown!r}: {text.splitlines()[0] if text else "exception"}')
        return result['result'].get('value')

    def emulate_screen(self, width, height, scale=1, mobile=False):
        """A screen of width x height CSS px; mobile also makes it a touch screen."""
        self.call('Emulation.setDeviceMetricsOverride', {'width': width, 'height': height,
                                                          'deviceScaleFactor': scale, 'mobile': mobile})
        self.call('Emulation.setTouchEmulationEnabled', {'enabled': mobile, 'maxTouchPoints': 5 if mobile else 1})

    def run_on_new_documents(self, source):
        """Runs source in every document loaded from now on, before its own
        scripts; answers what stop_running takes to end it."""
        return self.call('Page.addScriptToEvaluateOnNewDocument', {'source': source})['identifier']

    def stop_running(self, identifier):
        self.call('Page.removeScriptToEvaluateOnNewDocument', {'identifier': identifier})

    def navigate(self, url, ceiling=CALL_CEILING_S):
        """Loads url and waits for its load event, its scripts run; later
        waits see the new document, never the one before."""
        self.evaluate('window.__leftBehind = true')
        reply = self.call('Page.navigate', {'url': url})
        if reply.get('errorText'):
            raise WebTestError(f'{url}: {reply["errorText"]}')
        self.wait_for("document.readyState === 'complete'", ceiling, f'{url} loaded')

    def wait_for(self, expression, ceiling, what):
        """Polls expression on the current document until it is truthy, and answers it."""
        deadline = time.monotonic() + ceiling
        guarded = f'window.__leftBehind || !document.documentElement ? null : ({expression})'
        while True:
            try:
                value = self.evaluate(guarded, shown=expression)
            except WebTestError as error:
                if not any(text in str(error) for text in NAVIGATION_ERRORS):
                    raise
                value = None
            if value:
                return value
            if time.monotonic() >= deadline:
                raise WebTestError(f'{what}: not within {ceiling} s')
            self._browser.pump_events(POLL_S)

    def click(self, x=VIEWPORT['width'] // 2, y=VIEWPORT['height'] // 2):
        for kind in ('mousePressed', 'mouseReleased'):
            self.call('Input.dispatchMouseEvent', {'type': kind, 'x': x, 'y': y, 'button': 'left', 'clickCount': 1})

    def tap(self, x, y):
        """A finger down and up; on an emulated touch screen, a click follows."""
        self.call('Input.dispatchTouchEvent', {'type': 'touchStart', 'touchPoints': [{'x': x, 'y': y}]})
        self.call('Input.dispatchTouchEvent', {'type': 'touchEnd', 'touchPoints': []})

    def press_key(self, key, code, key_code):
        for kind in ('keyDown', 'keyUp'):
            self.call('Input.dispatchKeyEvent', {'type': kind, 'key': key, 'code': code,
                                                 'windowsVirtualKeyCode': key_code, 'nativeVirtualKeyCode': key_code})

    def press_escape(self):
        self.press_key('Escape', 'Escape', 27)

    def canvas_png(self):
        return self.evaluate("document.getElementById('show').toDataURL('image/png')")

    def take_errors(self):
        """The console errors since the last call."""
        self._browser.pump_events(POLL_S)
        errors, self.errors = self.errors, []
        return errors
