#!/usr/bin/env python3
"""The Windows recorder under Wine against the native recorder: a frame of
every scene (support/recorded_frames.py: which frames, and what a match is),
and the sound of a stretch of the show. A frame that does not match is left
as windows-frames/<frame>-{windows,native}.png in the working directory."""
import array
import os
import shutil
import sys
import tempfile
import wave

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'support'))
import recorded_frames  # noqa: E402
import windows_checks  # noqa: E402
from recorded_frames import SHOW_FRAMES, FrameError  # noqa: E402
from windows_checks import CAPTURE_EXE, CheckError  # noqa: E402

FAILED_FRAMES = 'windows-frames'
# A stretch with the music at full strength, recorded to a folder: frames at
# one a second and the sound beside them.
SOUND_FROM_MS = 20000
SOUND_TO_MS = 23000
# libmpg123 built for Windows may round a sample the other way.
SOUND_WITHIN_LSB = 1


def windows_recorder(checks):
    return ['wine', checks.program(CAPTURE_EXE)]


def frame_check(frame, scratch):
    def check(checks):
        try:
            native = recorded_frames.record_native(checks.capture, frame, scratch)
            drawn = recorded_frames.record(windows_recorder(checks), frame,
                                           os.path.join(scratch, f'windows-{frame.stem()}.png'),
                                           checks.env(SDL_AUDIODRIVER='dummy'))
            figures = recorded_frames.compare_pngs(drawn, native)
        except FrameError as error:
            raise CheckError(str(error)) from None
        if not figures.matches():
            os.makedirs(FAILED_FRAMES, exist_ok=True)
            stem = os.path.join(FAILED_FRAMES, frame.stem())
            shutil.copy(drawn, stem + '-windows.png')
            shutil.copy(native, stem + '-native.png')
            raise CheckError(f'{figures} (kept as {os.path.abspath(stem)}-*.png)')
        return figures
    check.__doc__ = f'{frame.query()} ({frame.name}) draws the native frame'
    return check


def samples(path):
    with wave.open(path) as sound:
        shape = (sound.getnchannels(), sound.getsampwidth(), sound.getframerate())
        data = array.array('h', sound.readframes(sound.getnframes()))
    return shape, data


def sound_check(scratch):
    def check(checks):
        args = ['--fps', '1', '--from', str(SOUND_FROM_MS), '--to', str(SOUND_TO_MS)]
        native_folder, windows_folder = (os.path.join(scratch, f'{name}-sound') + '/' for name in ('native', 'windows'))
        env = checks.env(SDL_AUDIODRIVER='dummy')
        native_env = {**os.environ, 'SDL_VIDEODRIVER': 'offscreen', 'SDL_AUDIODRIVER': 'dummy'}
        for recorder, folder, with_env in (([checks.capture], native_folder, native_env),
                                           (windows_recorder(checks), windows_folder, env)):
            try:
                recorded_frames.record_folder(recorder, args, folder, with_env)
            except FrameError as error:
                raise CheckError(str(error)) from None
        native_shape, native = samples(os.path.join(native_folder, 'audio.wav'))
        windows_shape, drawn = samples(os.path.join(windows_folder, 'audio.wav'))
        if windows_shape != native_shape or len(drawn) != len(native):
            raise CheckError(f'{windows_shape} x {len(drawn)} samples against {native_shape} x {len(native)}')
        differing = sum(1 for a, b in zip(drawn, native) if a != b)
        worst = max((abs(a - b) for a, b in zip(drawn, native)), default=0)
        figures = f'{len(native)} samples, {differing} differ, by at most {worst} LSB'
        if worst > SOUND_WITHIN_LSB:
            raise CheckError(figures)
        return figures
    check.__doc__ = f'the sound of {SOUND_FROM_MS}-{SOUND_TO_MS} ms is the native recorder\'s'
    return check


if __name__ == '__main__':
    with tempfile.TemporaryDirectory(prefix='pelmira-windows-frames-') as scratch:
        sys.exit(windows_checks.run([frame_check(frame, scratch) for frame in SHOW_FRAMES] + [sound_check(scratch)]))
