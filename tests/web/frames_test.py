#!/usr/bin/env python3
"""The page's frames (?at=MS) against the native recorder's frames of the
same music times, one check per frame, with its figures. A frame that
does not match is left as web-frames/<query>-{web,native}.png in the
working directory."""
import os
import shutil
import sys
import tempfile

import check_runner
from headless_chromium import WebTestError
from show_frames import SHOW_FRAMES, compare, record_native, save_data_url, web_frame

FAILED_FRAMES = 'web-frames'


def frame_check(frame, native_folder):
    def check(checks):
        native = record_native(checks.capture, frame, native_folder)
        drawn = web_frame(checks.page, checks.site, frame)
        figures = compare(checks.page, drawn, native)
        if not figures.matches():
            os.makedirs(FAILED_FRAMES, exist_ok=True)
            stem = os.path.join(FAILED_FRAMES, os.path.basename(native)[len('native-'):-len('.png')])
            save_data_url(drawn, stem + '-web.png')
            shutil.copy(native, stem + '-native.png')
            raise WebTestError(f'{figures} (kept as {os.path.abspath(stem)}-*.png)')
        return figures
    check.__doc__ = f'{frame.query()} ({frame.name}) draws the native frame'
    return check


def no_console_errors(checks):
    """no console error while drawing the frames"""
    errors = checks.page.take_errors()
    if errors:
        raise WebTestError(f'{len(errors)} console error(s), the first: {errors[0]}')


if __name__ == '__main__':
    with tempfile.TemporaryDirectory(prefix='pelmira-native-frames-') as native_folder:
        sys.exit(check_runner.run([frame_check(frame, native_folder) for frame in SHOW_FRAMES] +
                                  [no_console_errors]))
