"""The frames every other build of the show is held to: the native
recorder's frames of the same music times.

The frames cover every scene: the title, the background with the tube,
both meshes, the slides and credits late and early, and through an Escape
the fade and the logo. A frame matches when every channel of >= 99.9 % of
its pixels lies within 2 levels of the native one and the rest within 8.
"""
import itertools
import os
import shutil
import struct
import subprocess
import zlib
from dataclasses import dataclass


class FrameError(Exception):
    """A frame that could not be recorded or read, in one line."""


@dataclass(frozen=True)
class ShowFrame:
    name: str
    at_ms: int
    escape_ms: int = None

    def query(self):
        return f'at={self.at_ms}' + (f'&escape={self.escape_ms}' if self.escape_ms is not None else '')

    def stem(self):
        return self.query().replace('&', '-').replace('=', '')


SHOW_FRAMES = [
    ShowFrame('title', 5000),
    ShowFrame('background, tube, first slide', 13000),
    ShowFrame('tube, slides, credits', 20000),
    ShowFrame('sphere, credits', 35000),
    ShowFrame('sphere, slides', 50000),
    ShowFrame('late in the show', 100000),
    ShowFrame('fade', 61000, escape_ms=60000),
    ShowFrame('logo', 70000, escape_ms=60000),
]

WITHIN_LEVELS = 2
WITHIN_SHARE = 0.999
MAX_LEVELS = 8
RECORDER_CEILING_S = 120


def _run(command, env, ceiling_s, what):
    try:
        run = subprocess.run(command, env=env, capture_output=True, text=True, timeout=ceiling_s)
    except subprocess.TimeoutExpired:
        raise FrameError(f'{" ".join(command)}: no {what} in {ceiling_s} s') from None
    if run.returncode != 0:
        last = (run.stderr.strip().splitlines() or ['no message'])[-1]
        raise FrameError(f'{" ".join(command)}: status {run.returncode}: {last}')


def record_folder(recorder, args, folder, env=None, ceiling_s=RECORDER_CEILING_S):
    """A recording into folder (frame_000000.png ... and audio.wav) by
    `recorder`, a command (a list, which may start with an emulator) given
    the range and rate in args."""
    _run([*recorder, *args, folder], env, ceiling_s, 'recording')


def record(recorder, frame, out, env=None, ceiling_s=RECORDER_CEILING_S):
    """Records `frame` as the PNG `out` with `recorder`, as record_folder's."""
    if frame.escape_ms is None:
        _run([*recorder, '--at', str(frame.at_ms), out], env, ceiling_s, 'frame')
        return out
    # A one-frame recording into a folder: --at has no Escape.
    folder = out[:-len('.png')] + '/'
    record_folder(recorder, ['--fps', '1', '--from', str(frame.at_ms), '--to', str(frame.at_ms + 1),
                             '--escape-at', str(frame.escape_ms)], folder, env, ceiling_s)
    shutil.move(os.path.join(folder, 'frame_000000.png'), out)
    shutil.rmtree(folder)
    return out


def record_native(capture, frame, folder):
    """The native recorder's PNG of `frame`, recorded offscreen into folder."""
    env = {**os.environ, 'SDL_VIDEODRIVER': 'offscreen', 'SDL_AUDIODRIVER': 'dummy'}
    return record([capture], frame, os.path.join(folder, f'native-{frame.stem()}.png'), env)


@dataclass
class FrameFigures:
    pixels: int
    within: int  # pixels within WITHIN_LEVELS
    max_levels: int
    worst_at: tuple

    def matches(self):
        return self.within >= WITHIN_SHARE * self.pixels and self.max_levels <= MAX_LEVELS

    def __str__(self):
        return (f'{100 * self.within / self.pixels:.3f} % within {WITHIN_LEVELS} '
                f'({self.pixels - self.within} pixels beyond), max {self.max_levels} '
                f'at {self.worst_at[0]},{self.worst_at[1]}')


PNG_SIGNATURE = b'\x89PNG\r\n\x1a\n'
RGB_COLOUR_TYPE = 2


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else b if pb <= pc else c


def png_rgb(path):
    """(width, height, rows of RGB bytes) of an 8-bit RGB PNG, as the
    recorder writes them."""
    with open(path, 'rb') as f:
        data = f.read()
    if not data.startswith(PNG_SIGNATURE):
        raise FrameError(f'{path}: not a PNG')
    at, header, compressed = len(PNG_SIGNATURE), None, []
    while at + 8 <= len(data):
        length, kind = struct.unpack('>I4s', data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b'IHDR':
            header = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            compressed.append(body)
        at += 12 + length
    if header is None or header[2:4] != (8, RGB_COLOUR_TYPE) or header[6] != 0:
        raise FrameError(f'{path}: not an 8-bit, non-interlaced RGB PNG')
    width, height = header[:2]
    raw = zlib.decompress(b''.join(compressed))
    stride, rows, previous = 3 * width, [], bytes(3 * width)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        if kind == 1:  # Sub, the recorder's own: a running sum per channel
            for c in range(3):
                line[c::3] = bytes(v & 0xff for v in itertools.accumulate(line[c::3]))
        elif kind == 2:
            line = bytearray((a + b) & 0xff for a, b in zip(line, previous))
        elif kind in (3, 4):
            for i in range(stride):
                left = line[i - 3] if i >= 3 else 0
                up, corner = previous[i], previous[i - 3] if i >= 3 else 0
                line[i] = (line[i] + ((left + up) // 2 if kind == 3 else _paeth(left, up, corner))) & 0xff
        elif kind != 0:
            raise FrameError(f'{path}: row {y} has filter {kind}')
        rows.append(bytes(line))
        previous = rows[-1]
    return width, height, rows


def compare_pngs(drawn_path, native_path):
    """The figures of the PNG drawn_path against the native one."""
    width, height, drawn = png_rgb(drawn_path)
    native_size = png_rgb(native_path)
    if native_size[:2] != (width, height):
        raise FrameError(f'drawn {width}x{height} against {native_size[0]}x{native_size[1]}')
    within, worst, worst_at = 0, 0, (0, 0)
    for y, (a, b) in enumerate(zip(drawn, native_size[2])):
        if a == b:
            within += width
            continue
        for x in range(width):
            d = max(abs(a[3 * x] - b[3 * x]), abs(a[3 * x + 1] - b[3 * x + 1]), abs(a[3 * x + 2] - b[3 * x + 2]))
            if d <= WITHIN_LEVELS:
                within += 1
            if d > worst:
                worst, worst_at = d, (x, y)
    return FrameFigures(width * height, within, worst, worst_at)
