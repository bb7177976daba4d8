"""The main of a Windows test program: the Windows build's programs run
under Wine, in one session for all of a program's checks.

A check is a function of a Checks whose docstring names it; it passes,
answering the figures it measured if any, or raises CheckError with one
line. Every check runs, each prints one line.
Exit status: 0 all passed, 1 a check failed or nothing could be checked,
77 (CTest's SKIP_RETURN_CODE here) when Wine or the Windows build is missing.
"""
import argparse
import os
import shutil
import subprocess
import sys
import time
from dataclasses import dataclass

from wine_session import SKIPPED, WineError, WineSession, wine_missing

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'support'))
from check_list import CheckList  # noqa: E402

SHOW_EXE = 'pelmira15.exe'
CAPTURE_EXE = 'pelmira15-capture.exe'
TITLE = 'Pelmira 15 Advert'
WINDOW_CEILING_S = 120
POLL_S = 0.1


class CheckError(Exception):
    """A check that failed, in one line."""


@dataclass
class Checks:
    session: WineSession
    windows: str  # the folder of the Windows programs, with data/ beside them
    capture: str  # the native recorder
    options: argparse.Namespace  # the command line, with a test's own options

    def program(self, exe):
        return os.path.join(self.windows, exe)

    def env(self, **extra):
        return {**self.session.env, **extra}

    def start(self, exe, args=(), cwd=None, **extra):
        """A Windows program (of the build, or a path) started under Wine,
        its output kept."""
        return subprocess.Popen(['wine', self.program(exe), *args], env=self.env(**extra), cwd=cwd,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

    def xdotool(self, *args):
        run = subprocess.run(['xdotool', *args], env=self.session.env, capture_output=True, text=True)
        return run.stdout.strip() if run.returncode == 0 else ''

    def wait_for_window(self, name, program=None, ceiling_s=WINDOW_CEILING_S):
        """The id of the window named exactly `name`, once it is mapped;
        empty when program (if given) ended first or none came within the
        ceiling."""
        deadline = time.monotonic() + ceiling_s
        while time.monotonic() < deadline and (program is None or program.poll() is None):
            found = self.xdotool('search', '--onlyvisible', '--name', f'^{name}$')
            if found:
                return found.splitlines()[0]
            time.sleep(POLL_S)
        return ''


def ended(program, ceiling_s=WINDOW_CEILING_S):
    """(status, stdout, stderr) of a program once it ends; CheckError if it
    does not within the ceiling."""
    try:
        out, err = program.communicate(timeout=ceiling_s)
    except subprocess.TimeoutExpired:
        program.kill()
        program.communicate()
        raise CheckError(f'still running after {ceiling_s} s') from None
    return program.returncode, out, err


def last_line(text):
    return (text.strip().splitlines() or ['nothing'])[-1]


def run(checks, files=()):
    """Runs the checks; files are (option, help) pairs of further files they
    need, options of the command line, skipped like the programs when
    missing."""
    program = os.path.basename(sys.argv[0])
    parser = argparse.ArgumentParser(prog=program)
    parser.add_argument('--windows', required=True, help='the folder of the Windows programs')
    parser.add_argument('--capture', required=True, help='the native recorder (build/pelmira15-capture)')
    parser.add_argument('--template', required=True, help="the Wine template prefix, made if missing")
    for option, explanation in files:
        parser.add_argument(option, required=True, help=explanation)
    args = parser.parse_args()
    missing = wine_missing()
    if missing:
        print(f'{program}: skipped: Wine is not installed (Debian package {missing})')
        return SKIPPED
    needed = [os.path.join(args.windows, exe) for exe in (SHOW_EXE, CAPTURE_EXE)]
    needed += [getattr(args, option.lstrip('-').replace('-', '_')) for option, _ in files]
    for path in needed:
        if not os.path.exists(path):
            print(f'{program}: skipped: {path} is not built (make windows)')
            return SKIPPED
    if shutil.which('xdotool') is None:
        print(f'{program}: xdotool is missing (Debian package xdotool)')
        return 1
    check_list = CheckList(checks, CheckError)
    try:
        with WineSession(args.template) as session:
            check_list.run(Checks(session, os.path.abspath(args.windows), args.capture, args))
    except WineError as error:
        print(f'{program}: {error}')
        return 1
    return check_list.summary(program)
