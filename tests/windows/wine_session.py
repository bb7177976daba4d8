#!/usr/bin/env python3
"""A Wine of the tests' own: a private prefix and an X server, so that the
Windows programs run under Wine leave nothing in the user's home, desktop
menus or display.

    wine_session.py --template DIR -- COMMAND...

runs COMMAND inside one session (WINEPREFIX, DISPLAY and the Wine settings
in its environment): what make test does, so that Wine starts once for all
the Windows tests. A test started alone opens a session of its own; one
started inside a session joins it.

The prefix is a copy of a template made once per build tree (wineboot takes
several seconds, a copy under one), with the settings tests need: no window
manager's say over windows (else closing one waits 2 s without a window
manager), no sound driver (none opens here; the programs use SDL's disk and
dummy outputs). Each session's copy is removed at its end.
"""
import argparse
import fcntl
import os
import shutil
import signal
import subprocess
import sys
import tempfile

SESSION_VARIABLE = 'PELMIRA_WINE_SESSION'
BASE_ENVIRONMENT = {
    'WINEDEBUG': '-all',
    # No menu entries or file associations written into the real home, and
    # no offer to install Wine's .NET and HTML engines.
    'WINEDLLOVERRIDES': 'winemenubuilder.exe=d;mscoree=d;mshtml=d',
}
SETTINGS = [
    (r'HKCU\Software\Wine\X11 Driver', 'Managed', 'N'),
    (r'HKCU\Software\Wine\Drivers', 'Audio', ''),
]
SCREEN = '1024x768x24'
START_CEILING_S = 120
SKIPPED = 77


class WineError(Exception):
    """What kept Wine from starting, in one line."""


def wine_missing():
    """The Debian package to install, when Wine is not there."""
    for tool, package in (('wine', 'wine'), ('wineserver', 'wine'), ('Xvfb', 'xvfb')):
        if shutil.which(tool) is None and not os.path.exists(f'/usr/lib/wine/{tool}'):
            return package
    return None


def wineserver():
    return shutil.which('wineserver') or '/usr/lib/wine/wineserver'


def _checked(command, env, what):
    try:
        run = subprocess.run(command, env=env, capture_output=True, text=True, timeout=START_CEILING_S)
    except subprocess.TimeoutExpired:
        raise WineError(f'{what}: no answer in {START_CEILING_S} s') from None
    if run.returncode != 0:
        last = (run.stderr.strip().splitlines() or ['no message'])[-1]
        raise WineError(f'{what}: status {run.returncode}: {last}')


def _make_template(template, env):
    """The template prefix, made under a lock so that tests started at once
    make it once."""
    os.makedirs(os.path.dirname(os.path.abspath(template)), exist_ok=True)
    with open(template + '.lock', 'w') as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.exists(os.path.join(template, 'system.reg')):
            return
        shutil.rmtree(template, ignore_errors=True)
        env = {**env, 'WINEPREFIX': template}
        _checked(['wineboot', '--init'], env, 'wineboot --init')
        for key, name, value in SETTINGS:
            _checked(['wine', 'reg', 'add', key, '/v', name, '/d', value, '/f'], env, f'wine reg add {key}')
        # The registry reaches its files when the server ends.
        _checked([wineserver(), '-w'], env, 'wineserver -w')


class WineSession:
    """Xvfb and a private prefix for the life of a with-block; env is what a
    Windows program needs to run in it (pass it to subprocess)."""

    def __init__(self, template):
        # Wine takes no relative prefix.
        self.template = os.path.abspath(template)
        self.env = None
        self._xvfb = None
        self._folder = None

    def __enter__(self):
        if os.environ.get(SESSION_VARIABLE):
            self.env = dict(os.environ)
            return self
        missing = wine_missing()
        if missing:
            raise WineError(f'Wine is not installed (Debian package {missing})')
        self._folder = tempfile.mkdtemp(prefix='pelmira-wine-')
        try:
            display = self._start_xvfb()
            env = {**os.environ, **BASE_ENVIRONMENT, 'DISPLAY': display}
            env.pop('WAYLAND_DISPLAY', None)
            _make_template(self.template, env)
            prefix = os.path.join(self._folder, 'prefix')
            subprocess.run(['cp', '-a', self.template, prefix], check=True)
            self.env = {**env, 'WINEPREFIX': prefix, SESSION_VARIABLE: '1'}
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def _start_xvfb(self):
        read_end, write_end = os.pipe()
        self._xvfb = subprocess.Popen(['Xvfb', '-displayfd', str(write_end), '-screen', '0', SCREEN,
                                       '-nolisten', 'tcp'],
                                      pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(write_end)
        with os.fdopen(read_end) as answer:
            number = answer.readline().strip()
        if not number:
            raise WineError('Xvfb did not start')
        return f':{number}'

    def __exit__(self, *exc):
        if self._folder is None:
            return
        if self.env and 'WINEPREFIX' in self.env:
            subprocess.run([wineserver(), '-k'], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=START_CEILING_S)
        if self._xvfb:
            os.killpg(self._xvfb.pid, signal.SIGTERM)
            self._xvfb.wait()
        shutil.rmtree(self._folder, ignore_errors=True)
        self._folder = None

    def windows_path(self, path):
        """A Unix path as Windows programs in the session name it."""
        return 'Z:' + os.path.abspath(path).replace('/', '\\')


def main():
    parser = argparse.ArgumentParser(description='Runs COMMAND in a Wine session of its own.')
    parser.add_argument('--template', required=True, help='the template prefix, made if missing')
    parser.add_argument('command', nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ['--'] else args.command
    if not command:
        parser.error('no COMMAND')
    # A signal ends the command; the session then closes in finally.
    signal.signal(signal.SIGTERM, lambda number, frame: sys.exit(128 + number))
    try:
        with WineSession(args.template) as session:
            return subprocess.run(command, env=session.env).returncode
    except WineError as error:
        print(f'wine_session: {error}', file=sys.stderr)
        return 1


if __name__ == '__main__':
    sys.exit(main())
