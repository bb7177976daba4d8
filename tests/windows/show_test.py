#!/usr/bin/env python3
"""The Windows show under Wine: its window, its sound into SDL's disk
driver, the Escape protocol, and the statuses and messages of a wrong
argument and a missing track. The sound file's length is the show's own
clock, which the checks wait on."""
import os
import shutil
import sys
import tempfile
import time

import windows_checks
from windows_checks import SHOW_EXE, TITLE, CheckError, ended, last_line

MUSIC_FILE = 'lunhal-amber_tide.mp3'
SOUND_BYTES_PER_SECOND = 44100 * 2 * 2
HEARD_CEILING_S = 120
# The first Escape only starts the ending: the show still runs this much
# sound later.
AFTER_FIRST_ESCAPE_S = 0.3


def heard_seconds(path):
    return os.path.getsize(path) / SOUND_BYTES_PER_SECOND if os.path.exists(path) else 0.0


def wait_until_heard(path, seconds, program):
    deadline = time.monotonic() + HEARD_CEILING_S
    while heard_seconds(path) < seconds:
        if program.poll() is not None or time.monotonic() > deadline:
            return False
        time.sleep(windows_checks.POLL_S)
    return True


def window_and_escapes(scratch):
    def check(checks):
        sound = os.path.join(scratch, 'sound.raw')
        show = checks.start(SHOW_EXE, SDL_AUDIODRIVER='disk', SDL_DISKAUDIOFILE=sound)
        try:
            window = checks.wait_for_window(TITLE, show)
            if not window:
                status, _, err = ended(show)
                raise CheckError(f'no window "{TITLE}"; status {status}: {last_line(err)}')
            geometry = checks.xdotool('getwindowgeometry', window)
            if 'Position: 0,0' not in geometry or 'Geometry: 1024x768' not in geometry:
                raise CheckError(f'the window is not the full 1024x768 screen: {" ".join(geometry.split())}')
            if not wait_until_heard(sound, 1.0, show):
                raise CheckError('no sound reached the disk driver')
            checks.xdotool('key', 'Escape')
            at_escape = heard_seconds(sound)
            if not wait_until_heard(sound, at_escape + AFTER_FIRST_ESCAPE_S, show):
                raise CheckError('the first Escape ended the show; it only starts the ending')
            checks.xdotool('key', 'Escape')
            status, _, err = ended(show)
            if status != 0:
                raise CheckError(f'the second Escape gave status {status}: {last_line(err)}')
            return f'{heard_seconds(sound):.1f} s of sound played'
        finally:
            if show.poll() is None:
                show.kill()
                show.communicate()
    check.__doc__ = f'the show opens its full-screen window "{TITLE}", plays, and two Escapes end it with status 0'
    return check


def ended_dismissing_boxes(checks, program):
    """(status, stderr, boxes) of a program that ends with a message, each
    message box it shows answered with Return."""
    boxes = 0
    deadline = time.monotonic() + windows_checks.WINDOW_CEILING_S
    while program.poll() is None and time.monotonic() < deadline:
        if checks.xdotool('search', '--onlyvisible', '--name', '.'):
            boxes += 1
            checks.xdotool('key', 'Return')
            time.sleep(windows_checks.POLL_S * 5)
        time.sleep(windows_checks.POLL_S)
    status, _, err = ended(program)
    return status, err, boxes


def expect_message(status, err, want_status, want_text, boxes):
    if status != want_status or want_text not in err:
        raise CheckError(f'status {status} (want {want_status}), said: {" | ".join(err.strip().splitlines())}')
    return f'status {status}, "{err.strip().splitlines()[0]}"' + (f', {boxes} message box' if boxes else '')


def wrong_argument(checks):
    """a wrong argument gives status 2 and names the argument"""
    status, err, boxes = ended_dismissing_boxes(checks, checks.start(SHOW_EXE, ['--bogus'], SDL_AUDIODRIVER='dummy'))
    return expect_message(status, err, 2, "unknown option '--bogus'", boxes)


def missing_track(scratch):
    def check(checks):
        folder = os.path.join(scratch, 'no-music')
        shutil.copytree(os.path.join(checks.windows, 'data'), os.path.join(folder, 'data'),
                        ignore=lambda _, names: [n for n in names if n == MUSIC_FILE])
        for name in os.listdir(checks.windows):
            if name.endswith(('.exe', '.dll')):
                shutil.copy(os.path.join(checks.windows, name), folder)
        program = checks.start(os.path.join(folder, SHOW_EXE), cwd=folder, SDL_AUDIODRIVER='dummy')
        status, err, boxes = ended_dismissing_boxes(checks, program)
        return expect_message(status, err, 1, f'data/{MUSIC_FILE}', boxes)
    check.__doc__ = 'a missing track gives status 1 and names the file'
    return check


if __name__ == '__main__':
    with tempfile.TemporaryDirectory(prefix='pelmira-windows-show-') as scratch:
        sys.exit(windows_checks.run([window_and_escapes(scratch), wrong_argument, missing_track(scratch)]))
