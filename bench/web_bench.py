#!/usr/bin/env python3
"""Figures of the web build in headless Chromium beside the native
program's on the same machine: what the page downloads, the time from the
click to the first drawn frame, each phase's frame time, and how close its
frames come to the native recorder's; the first frame also on throttled links under ANGLE on Mesa and under
SwiftShader. Figures, not verdicts. Prints a table and writes the figures
as JSON.

  web_bench.py --web BUILD_WEB --capture CAPTURE --capture-bench CAPTURE_BENCH --json OUT

Chromium and the page come from the web tests' driver (tests/web/).
"""
import argparse
import gzip
import json
import os
import statistics
import subprocess
import sys
import tempfile

REPOSITORY = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(REPOSITORY, 'tests', 'web'))

from headless_chromium import RENDERER_FLAGS, Browser, WebTestError, chromium_path, end_on_signals  # noqa: E402
from show_frames import SHOW_FRAMES, WITHIN_LEVELS, compare, record_native, web_frame  # noqa: E402
from show_page import (LOAD_CEILING_S, open_to_card, require_web_build, throttle, wait_music_time,  # noqa: E402
                       wait_state)
from static_site import StaticSite  # noqa: E402

PROGRAM_FILES = ('pelmira15.js', 'pelmira15.wasm')
FIRST_FRAME_RUNS = 3
ESCAPE_MS = 60000
PHASE_SPAN_MS = 1000
# The phases of capture_bench's native frame times, by the same keys.
PHASES = [
    ('title', 'title', 5000),
    ('tube', 'tube half, slides, credits', 20000),
    ('sphere', 'sphere half, slides, credits', 50000),
    ('fade', f'fade, Escape at {ESCAPE_MS}', 61000),
    ('logo', f'logo, Escape at {ESCAPE_MS}', 70000),
]
PLAY_CEILING_S = 300
# Links as the browser's throttling makes them, the cache off: name, down and
# up in bit/s, latency in ms.
LINKS = [('fast 3G', 1.6e6, 750e3, 150), ('4G', 9e6, 9e6, 40)]
NATIVE_CEILING_S = 600

# Times every animation frame of the page that draws: when its callback
# starts, and how long until a one-pixel readPixels on the context it drew
# with comes back (WebGL's finish() is only a flush in Chromium), so the
# drawing in the GPU process counts too; the show's clock beside it. A
# mousedown marks the click.
FRAME_TIMER_JS = """(() => {
  const bench = window.__bench = {clickAt: -1, firstFrameEnd: -1, frames: []};
  addEventListener('mousedown', () => { bench.clickAt = performance.now(); bench.firstFrameEnd = -1; }, true);
  // Bodies still being read: their resource entries count only once whole.
  const reading = new Map();
  const read = ReadableStreamDefaultReader.prototype.read;
  ReadableStreamDefaultReader.prototype.read = function() {
    return read.call(this).then(part => {
      if (part.done) reading.delete(this);
      else reading.set(this, (reading.get(this) || 0) + part.value.length);
      return part;
    });
  };
  const pixel = new Uint8Array(4);
  let context = null;
  for (const type of [window.WebGL2RenderingContext, window.WebGLRenderingContext]) {
    for (const name of ['drawArrays', 'drawElements', 'drawRangeElements']) {
      const draw = type && type.prototype[name];
      if (!draw) continue;
      type.prototype[name] = function(...args) { context = this; return draw.apply(this, args); };
    }
  }
  const request = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = callback => request(time => {
    const start = performance.now();
    context = null;
    try {
      callback(time);
    } finally {
      if (context) {
        context.readPixels(0, 0, 1, 1, context.RGBA, context.UNSIGNED_BYTE, pixel);
        const end = performance.now();
        if (bench.clickAt >= 0 && bench.firstFrameEnd < 0) {
          bench.firstFrameEnd = end;
          // What had come in by then: the files in whole, headers included, and the bodies still coming.
          const entries = performance.getEntriesByType('navigation').concat(performance.getEntriesByType('resource'));
          bench.bytesBefore = entries.reduce((sum, entry) => sum + entry.transferSize, 0) +
                              [...reading.values()].reduce((sum, bytes) => sum + bytes, 0);
        }
        bench.frames.push([window.showMusicTimeMs(), start, end - start]);
      }
    }
  });
})()"""
FIRST_FRAME_MS_JS = '__bench.firstFrameEnd >= 0 && __bench.firstFrameEnd - __bench.clickAt'


class Report:
    def __init__(self):
        self.sections = {}

    def heading(self, text):
        print(f'\n{text}', flush=True)

    def add(self, section, key, label, value, unit, note=''):
        self.sections.setdefault(section, {})[key] = {'value': value, 'unit': unit, **({'note': note} if note else {})}
        print(f'  {label:<46} {value:10.2f} {unit:<4} {note}', flush=True)


def download(report, web):
    report.heading('Download')
    for name in PROGRAM_FILES:
        with open(os.path.join(web, name), 'rb') as f:
            data = f.read()
        report.add('download_kib', name, f'{name}, gzip -9', len(gzip.compress(data, 9)) / 1024, 'KiB',
                   f'{len(data) / 1024:.0f} KiB as built')
    data_folder = os.path.join(web, 'data')
    total = sum(os.path.getsize(os.path.join(data_folder, name)) for name in os.listdir(data_folder))
    report.add('download_kib', 'data', 'data/ (pictures and music, already compressed)', total / 1024, 'KiB')


def first_frames(report, page, site):
    report.heading(f'From the click to the first drawn frame, median of {FIRST_FRAME_RUNS} page loads')
    at_once, again = [], []
    for _ in range(FIRST_FRAME_RUNS):
        page.navigate(site.url())
        wait_state(page, 'start')
        page.click()
        at_once.append(page.wait_for(FIRST_FRAME_MS_JS, LOAD_CEILING_S, 'the first drawn frame'))
        page.press_escape()
        wait_state(page, 'ending')
        page.press_escape()
        wait_state(page, 'ended')
        page.click()
        again.append(page.wait_for(FIRST_FRAME_MS_JS, LOAD_CEILING_S, 'the first drawn frame again'))
    report.add('first_frame_ms', 'click_at_start_card', 'click as the start card shows (loading left)',
               statistics.median(at_once), 'ms')
    report.add('first_frame_ms', 'click_on_end_card', 'click on the end card (all loaded)',
               statistics.median(again), 'ms')


def throttled_first_frames(report, page, site):
    report.heading('From a click as the start card paints to the first drawn frame, throttled, cache off')
    for name, down, up, latency in LINKS:
        throttle(page, down, up, latency)
        try:
            open_to_card(page, site.url())
            page.click()
            first_ms = page.wait_for(FIRST_FRAME_MS_JS, PLAY_CEILING_S, f'the first drawn frame on {name}')
            fetched = page.evaluate('__bench.bytesBefore')
        finally:
            throttle(page)
        key = name.replace(' ', '_').lower()
        report.add('throttled_first_frame_ms', key, f'{name} ({down / 1e6:g} Mbit/s, {latency} ms)', first_ms, 'ms',
                   f'{fetched / 1e3:.0f} kB in before it')
        report.add('throttled_bytes_before_first_frame', key, f'{name}: bytes in before it', fetched / 1e3, 'kB')


def native_phases(capture_bench):
    with tempfile.TemporaryDirectory(prefix='pelmira-web-bench-') as folder:
        out = os.path.join(folder, 'phases.json')
        # The show reads data/ under its working directory.
        subprocess.run([capture_bench, '--phases', out], stdout=subprocess.DEVNULL, check=True,
                       timeout=NATIVE_CEILING_S, cwd=REPOSITORY)
        with open(out) as f:
            return {key: row['value'] for key, row in json.load(f)['frame_ms_median'].items()}


def phase_frames(report, page, site, capture_bench):
    report.heading(f'Frame time, median over {PHASE_SPAN_MS} ms of show: web (ANGLE on Mesa) from one drawn frame '
                   f'to the next\n(a 60 Hz refresh at least), and its drawing alone, against native (capture_bench)')
    native = native_phases(capture_bench)
    page.navigate(site.url())
    wait_state(page, 'start')
    page.click()
    wait_state(page, 'playing')
    wait_music_time(page, ESCAPE_MS, PLAY_CEILING_S)
    page.press_escape()
    wait_music_time(page, PHASES[-1][2] + PHASE_SPAN_MS // 2, PLAY_CEILING_S)
    frames = page.evaluate('__bench.frames')
    for key, label, centre in PHASES:
        inside = [i for i, (clock, _, _) in enumerate(frames) if i > 0 and abs(clock - centre) <= PHASE_SPAN_MS // 2]
        period = statistics.median(frames[i][1] - frames[i - 1][1] for i in inside) if inside else 0.0
        drawing = statistics.median(frames[i][2] for i in inside) if inside else 0.0
        report.add('frame_ms_median', key, f'{label} ({len(inside)} frames)', period, 'ms',
                   f'drawing {drawing:.2f} ms; native {native[key]:.2f} ms, web/native {period / native[key]:.2f}')


def pixel_figures(report, site, capture):
    report.heading(f'Frames against the native recorder: pixels beyond {WITHIN_LEVELS} levels (of 1024 x 768), '
                   'largest difference')
    with tempfile.TemporaryDirectory(prefix='pelmira-web-bench-') as folder:
        native = {frame: record_native(capture, frame, folder) for frame in SHOW_FRAMES}
        for renderer in RENDERER_FLAGS:
            with Browser(renderer) as browser:
                page = browser.new_page()
                for frame in SHOW_FRAMES:
                    figures = compare(page, web_frame(page, site, frame), native[frame])
                    report.add(f'frames_{renderer}', frame.query(), f'{renderer}: {frame.name}',
                               figures.pixels - figures.within, 'px', f'max {figures.max_levels}')


def main():
    parser = argparse.ArgumentParser(prog='web_bench')
    parser.add_argument('--web', required=True)
    parser.add_argument('--capture', required=True)
    parser.add_argument('--capture-bench', required=True)
    parser.add_argument('--json', required=True)
    args = parser.parse_args()
    end_on_signals()
    if chromium_path() is None:
        print('web_bench: not run: chromium is not installed (Debian package chromium)')
        return 0
    try:
        require_web_build(args.web)
    except WebTestError as error:
        print(f'web_bench: not run: {error}')
        return 0
    print('Pelmira 15 in the browser: figures, not pass or fail')
    report = Report()
    try:
        with StaticSite(args.web) as site:
            download(report, args.web)
            with Browser() as browser:
                page = browser.new_page()
                page.run_on_new_documents(FRAME_TIMER_JS)
                first_frames(report, page, site)
                throttled_first_frames(report, page, site)
                phase_frames(report, page, site, args.capture_bench)
            pixel_figures(report, site, args.capture)
    except (WebTestError, subprocess.SubprocessError) as error:
        print(f'web_bench: not run to the end: {error}')
        return 1
    except KeyboardInterrupt as signal_name:
        print(f'web_bench: interrupted ({signal_name or "SIGINT"}), Chromium ended')
        return 1
    with open(args.json, 'w') as f:
        json.dump(report.sections, f, indent=2)
    print(f'\nwritten to {args.json}')
    return 0


if __name__ == '__main__':
    sys.exit(main())
