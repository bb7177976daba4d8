"""Frames of the show drawn by the page (?at=MS) against the native
recorder's frames of the same music times (support/recorded_frames.py: the
frames and what a match is).
"""
import base64
import json
import os
import sys

from headless_chromium import WebTestError
from show_page import wait_state

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'support'))
import recorded_frames  # noqa: E402
from recorded_frames import SHOW_FRAMES, WITHIN_LEVELS, FrameFigures  # noqa: E402,F401


def record_native(capture, frame, folder):
    """The recorder's PNG of `frame`, recorded offscreen into folder."""
    try:
        return recorded_frames.record_native(capture, frame, folder)
    except recorded_frames.FrameError as error:
        raise WebTestError(str(error)) from None


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
