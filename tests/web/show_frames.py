"""Frames of the show drawn by the page (?at=MS) against the native
recorder's frames of the same music times.

The frames cover every scene: the title, the background with the tube,
both meshes, the slides and credits late and early, and through an Escape
the fade and the logo. A frame matches when every channel of >= 99.9 % of
its pixels lies within 2 levels of the native one and the rest within 8.
"""
import base64
import json
import os
import shutil
import subprocess
from dataclasses import dataclass

from headless_chromium import WebTestError
from show_page import wait_state


@dataclass(frozen=True)
class ShowFrame:
    name: str
    at_ms: int
    escape_ms: int = None

    def query(self):
        return f'at={self.at_ms}' + (f'&escape={self.escape_ms}' if self.escape_ms is not None else '')


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


def record_native(capture, frame, folder):
    """The recorder's PNG of `frame`, recorded offscreen into folder."""
    out = os.path.join(folder, f'native-{frame.query().replace("&", "-").replace("=", "")}.png')
    if frame.escape_ms is None:
        args = ['--at', str(frame.at_ms), out]
    else:
        # A one-frame recording into a folder: --at has no Escape.
        args = ['--fps', '1', '--from', str(frame.at_ms), '--to', str(frame.at_ms + 1),
                '--escape-at', str(frame.escape_ms), out[:-len('.png')] + '/']
    env = {**os.environ, 'SDL_VIDEODRIVER': 'offscreen', 'SDL_AUDIODRIVER': 'dummy'}
    try:
        run = subprocess.run([capture, *args], env=env, capture_output=True, text=True, timeout=RECORDER_CEILING_S)
    except subprocess.TimeoutExpired:
        raise WebTestError(f'{capture} {" ".join(args)}: no frame in {RECORDER_CEILING_S} s') from None
    if run.returncode != 0:
        last = (run.stderr.strip().splitlines() or ['no message'])[-1]
        raise WebTestError(f'{capture} {" ".join(args)}: status {run.returncode}: {last}')
    if frame.escape_ms is not None:
        shutil.move(os.path.join(args[-1], 'frame_000000.png'), out)
        shutil.rmtree(args[-1])
    return out


def record_all_native(capture, folder):
    return {frame: record_native(capture, frame, folder) for frame in SHOW_FRAMES}


def web_frame(page, site, frame):
    """The page's own frame at `frame`, as a PNG data URL."""
    page.navigate(site.url(query=frame.query()))
    wait_state(page, 'frame')
    return page.canvas_png()


# Decodes both PNGs in the browser (no colour conversion, no premultiplying)
# and compares them. The page's alpha counts as a channel that should be 255:
# the native frame has none.
COMPARE_JS = """async (webUrl, nativeUrl) => {
  const pixels = async url => {
    const bitmap = await createImageBitmap(await (await fetch(url)).blob(),
                                           {colorSpaceConversion: 'none', premultiplyAlpha: 'none'});
    const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
    const context = canvas.getContext('2d');
    context.drawImage(bitmap, 0, 0);
    return context.getImageData(0, 0, bitmap.width, bitmap.height);
  };
  const [web, native] = await Promise.all([pixels(webUrl), pixels(nativeUrl)]);
  if (web.width !== native.width || web.height !== native.height)
    return {size: `${web.width}x${web.height} against ${native.width}x${native.height}`};
  const a = web.data, b = native.data;
  let within = 0, max = 0, maxAt = 0;
  for (let i = 0; i < a.length; i += 4) {
    const d = Math.max(Math.abs(a[i] - b[i]), Math.abs(a[i + 1] - b[i + 1]), Math.abs(a[i + 2] - b[i + 2]),
                       255 - a[i + 3]);
    if (d <= %d) within++;
    if (d > max) { max = d; maxAt = i / 4; }
  }
  return {pixels: a.length / 4, within, max, maxX: maxAt %% web.width, maxY: Math.floor(maxAt / web.width)};
}""" % WITHIN_LEVELS


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


def png_data_url(path):
    with open(path, 'rb') as f:
        return 'data:image/png;base64,' + base64.b64encode(f.read()).decode()


def compare(page, web_url, native_path):
    result = page.evaluate(f'({COMPARE_JS})({json.dumps(web_url)}, {json.dumps(png_data_url(native_path))})',
                           await_promise=True)
    if 'size' in result:
        raise WebTestError(f'the page drew {result["size"]}')
    return FrameFigures(result['pixels'], result['within'], result['max'], (result['maxX'], result['maxY']))


def save_data_url(url, path):
    with open(path, 'wb') as f:
        f.write(base64.b64decode(url.split(',', 1)[1]))
