#!/usr/bin/env python3
"""The page in use: the start card, playing on the music's clock, the
viewer's keys, the player's bar, touch and #t=, what a screen reader hears,
the ending by Escape, touch screens, a shared link's preview, and the errors
a missing file, a file:// page and a browser without WebGL 2 give."""
import json
import os
import sys
import time

import check_runner
from headless_chromium import VIEWPORT, WebTestError
from page_failures import expect_error, file_page, full_screen_refused, no_webgl2, program_missing
from page_screens import touch_screens_fit
from show_page import (ENDING_CEILING_S, MUSIC_TIME, music_time, open_to_card, state, throttle, wait_music_time,
                       wait_state)

START_TEXTS = ('Pelmira 15 Advert', 'Click or press a key to start', 'Space')
CLOCK_STEP_MS = 1000
CLOCK_CEILING_S = 30
# After the Escape the fade runs 2500 ms and the logo quits once 95 % of its
# 14000 ms have passed: 15800 ms of music from the frame that took the Escape.
ENDING_MS = 15800
# A second Escape ends the show within this much music, where the logo would
# take some 15 s: ample for a frame on a busy machine.
AT_ONCE_WITHIN_MS = 8000
RESTARTED_BELOW_MS = 10000
# The viewer's keys: KeyboardEvent key, code and key code.
SPACE = (' ', 'Space', 32)
RIGHT = ('ArrowRight', 'ArrowRight', 39)
HOME = ('Home', 'Home', 36)
PAGE_DOWN = ('PageDown', 'PageDown', 34)
FULL_STOP = ('.', 'Period', 190)
PAGE_DOWN = ('PageDown', 'PageDown', 34)
SHORT_SEEK_MS = 5000
# The clock is carried on from the output's timestamps, each of which may set
# it on by a little more than the time between them.
CLOCK_GRAIN_MS = 50
# One step: the next frame of a 60 fps recording.
STEP_MS = (1, 17)
# Long enough for a running clock to move a good way.
PAUSED_FRAMES = 30
RESUMED_STEP_MS = 200
# The player's bar: a seek there lands within this much music of its target.
SEEK_BAR_TARGET_MS = 60000
SEEK_WITHIN_MS = 2000
HALF_VOLUME = 50
# #t=42 on a phone: 390 x 844 at 3 device pixels, touch.
START_AT_MS = 42000
PHONE = (390, 844, 3)
PLAYER = "document.querySelector('.player-%s')"
AWAKE = "document.documentElement.classList.contains('player-awake')"
PAUSED = 'Module._showPaused() === 1'

# Resolves once the page has drawn `count` animation frames: a key pressed
# before the call has then reached the program's pump.
FRAMES_JS = '''new Promise(done => {
  let left = %d;
  const next = () => (--left > 0 ? requestAnimationFrame(next) : done(true));
  requestAnimationFrame(next);
})'''

# Kept by the page's own frames, one read of the show clock in each, in turn
# with the show's frames: the last read in state "playing", the first in
# "ending", and the last two in "ending". The frame that took the Escape read
# the clock between the first two of these; the last frame that did not quit,
# no sooner than the last but one.
TRACK_ENDING_JS = """(() => {
  window.__ending = {playing: -1, first: -1, last: [-1, -1]};
  const track = () => {
    const state = document.documentElement.dataset.state;
    const ending = window.__ending;
    const now = window.showMusicTimeMs();
    if (state === 'playing' && ending.first < 0) ending.playing = now;
    if (state === 'ending') {
      if (ending.first < 0) ending.first = now;
      ending.last = [ending.last[1], now];
    }
    requestAnimationFrame(track);
  };
  requestAnimationFrame(track);
})()"""


def expect_no_errors(page, during):
    errors = page.take_errors()
    if errors:
        raise WebTestError(f'{len(errors)} console error(s) {during}, the first: {errors[0]}')


def after_frames(page, count=2):
    page.evaluate(FRAMES_JS % count, await_promise=True)


def press_and_read(page, *keys):
    """Presses the keys, and answers the show's clock once they took effect."""
    for key in keys:
        page.press_key(*key)
    after_frames(page)
    return music_time(page)


def start_show(checks):
    """Playing, from a fresh page when the last check left it elsewhere."""
    if state(checks.page) != 'playing':
        checks.page.navigate(checks.site.url())
        wait_state(checks.page, 'start')
        checks.page.click()
        wait_state(checks.page, 'playing')


def start_card(checks):
    """the page loads to its start card without a console error"""
    page = checks.page
    page.navigate(checks.site.url())
    wait_state(page, 'start')
    # innerText holds only the text that is shown.
    text = page.evaluate('document.body.innerText')
    for wanted in START_TEXTS:
        if wanted not in text:
            raise WebTestError(f'the start card does not show {wanted!r}: {text.strip()[:80]!r}')
    if music_time(page) != -1:
        raise WebTestError(f'showMusicTimeMs() is {music_time(page)} before the start, not -1')
    expect_no_errors(page, 'while loading')


# The tags a shared link is previewed from, by name or property.
PREVIEW_TAGS_JS = """Object.fromEntries([...document.querySelectorAll('meta[name], meta[property]')]
  .map(meta => [meta.getAttribute('name') || meta.getAttribute('property'), meta.content]))"""
PREVIEW_TAGS = ('description', 'og:title', 'og:description', 'og:image', 'twitter:card')


def link_preview(checks):
    """a shared link finds a description and a served preview picture of the size its tags give"""
    tags = checks.page.evaluate(PREVIEW_TAGS_JS)
    missing = [name for name in PREVIEW_TAGS if not tags.get(name)]
    if missing:
        raise WebTestError(f'index.html has no {", ".join(missing)}')
    # Beside index.html, whatever site address the build put before it.
    path = os.path.join(checks.web, tags['og:image'].rsplit('/', 1)[-1])
    try:
        with open(path, 'rb') as f:
            header = f.read(24)
    except OSError as error:
        raise WebTestError(f'og:image {tags["og:image"]}: {error.strerror}') from None
    # A PNG's IHDR chunk, first in the file, gives its width and height.
    size = (int.from_bytes(header[16:20], 'big'), int.from_bytes(header[20:24], 'big'))
    declared = (int(tags.get('og:image:width', 0)), int(tags.get('og:image:height', 0)))
    if not header.startswith(b'\x89PNG') or size != declared:
        raise WebTestError(f'og:image {tags["og:image"]} is {size[0]}x{size[1]}, its tags say {declared}')


def click_plays(checks):
    """a click plays the show and its clock runs"""
    page = checks.page
    if state(page) != 'start':
        start_card(checks)
    page.click()
    wait_state(page, 'playing')
    first = music_time(page)
    if first < 0:
        raise WebTestError(f'showMusicTimeMs() is {first} while playing')
    wait_music_time(page, first + CLOCK_STEP_MS, CLOCK_CEILING_S)
    expect_no_errors(page, 'while playing')


def viewer_keys(checks):
    """Right seeks 5 s on; Space pauses, full stop steps a frame, Space resumes"""
    page = checks.page
    start_show(checks)
    after_frames(page)  # the first frame's pump drops keys
    started = time.monotonic()
    before = music_time(page)
    seeked = press_and_read(page, RIGHT)
    # The music ran on between the two reads, but not faster than real time.
    ran_ms = (time.monotonic() - started) * 1000
    if not before + SHORT_SEEK_MS <= seeked <= before + SHORT_SEEK_MS + ran_ms + CLOCK_GRAIN_MS:
        raise WebTestError(f'Right took the clock from {before} to {seeked} ms in {ran_ms:.0f} ms, '
                           f'not {SHORT_SEEK_MS} ms on')
    paused = press_and_read(page, SPACE)
    after_frames(page, PAUSED_FRAMES)
    if music_time(page) != paused or state(page) != 'playing':
        raise WebTestError(f'paused at {paused} ms, {PAUSED_FRAMES} frames later the clock reads '
                           f'{music_time(page)} ms in state {state(page)!r}')
    stepped = press_and_read(page, FULL_STOP)
    if not STEP_MS[0] <= stepped - paused <= STEP_MS[1]:
        raise WebTestError(f'a step took the paused clock from {paused} to {stepped} ms')
    page.press_key(*SPACE)
    wait_music_time(page, stepped + RESUMED_STEP_MS, CLOCK_CEILING_S)
    expect_no_errors(page, 'under the viewer\'s keys')


SCREEN_TEXT = "document.getElementById('screen-slide').textContent"
SCREEN_CREDIT = "document.getElementById('screen-credit').textContent"
CANVAS_NAME_JS = """(() => {
  const canvas = document.getElementById('show');
  return canvas.getAttribute('role') === 'img' && canvas.getAttribute('aria-label');
})()"""


def screen_reader_text(checks):
    """a screen reader hears the canvas named, and the words of the text slide and credits on screen as the show goes on"""
    page = checks.page
    start_show(checks)
    if not page.evaluate(CANVAS_NAME_JS):
        raise WebTestError('the canvas has no role img and label')
    texts = page.evaluate('window.showSlideTexts') or []
    heard = []
    # Two long seeks on: into the slides, then to another of them.
    for _ in range(2):
        page.press_key(*PAGE_DOWN)
        text = page.wait_for(f"{SCREEN_TEXT} !== {json.dumps(heard[-1] if heard else '')} && {SCREEN_TEXT}",
                             CLOCK_CEILING_S, 'the words of a text slide')
        if text not in texts:
            raise WebTestError(f'the live region reads {text!r}, none of the slides\' words')
        heard.append(text)
    credit = page.evaluate(SCREEN_CREDIT) or ''
    heading, _, name = credit.partition(': ')
    if heading not in page.evaluate('window.showCreditHeadings') or name not in page.evaluate('window.showCreditNames'):
        raise WebTestError(f'the credits region reads {credit!r}, not a heading and a name')
    expect_no_errors(page, 'reading the slides')


def centre_of(page, selector):
    rect = page.evaluate(f'(r => [r.x + r.width / 2, r.y + r.height / 2])({selector}.getBoundingClientRect())')
    return int(rect[0]), int(rect[1])


def expect_still(page, what):
    """The clock stands still over PAUSED_FRAMES frames: paused."""
    before = music_time(page)
    after_frames(page, PAUSED_FRAMES)
    if music_time(page) != before:
        raise WebTestError(f'{what}: the clock went on from {before} to {music_time(page)} ms')


def player_bar(checks):
    """the bar shows on a mouse move; its button pauses, its seek bar seeks, M and its slider set the gain; sound runs"""
    page = checks.page
    start_show(checks)
    after_frames(page)
    if page.evaluate("Module.audioContext && Module.audioContext.state") != 'running':
        raise WebTestError(f'the sound is {page.evaluate("Module.audioContext && Module.audioContext.state")!r} '
                           'after the start click, not running')
    page.call('Input.dispatchMouseEvent', {'type': 'mouseMoved', 'x': 300, 'y': 300})
    page.wait_for(AWAKE, CLOCK_CEILING_S, 'the bar shown on a mouse move')
    page.click(*centre_of(page, PLAYER % 'play'))
    page.wait_for(PAUSED, CLOCK_CEILING_S, 'paused by the bar\'s button')
    expect_still(page, 'paused by the bar')
    page.evaluate(f"(bar => {{ bar.value = '{SEEK_BAR_TARGET_MS}'; bar.dispatchEvent(new Event('change')); }})"
                  f"({PLAYER % 'seek'})")
    after_frames(page)
    if abs(music_time(page) - SEEK_BAR_TARGET_MS) > SEEK_WITHIN_MS:
        raise WebTestError(f'the seek bar asked for {SEEK_BAR_TARGET_MS} ms, the clock reads {music_time(page)} ms')
    page.press_key('m', 'KeyM', 77)
    muted = page.evaluate('Module.viewerGainNode.gain.value')
    page.press_key('m', 'KeyM', 77)
    page.evaluate(f"(slider => {{ slider.value = '{HALF_VOLUME}'; slider.dispatchEvent(new Event('input')); }})"
                  f"({PLAYER % 'volume'})")
    half = page.evaluate('Module.viewerGainNode.gain.value')
    if muted != 0 or abs(half - HALF_VOLUME / 100) > 0.01:
        raise WebTestError(f'the viewer\'s gain is {muted} muted and {half} at half volume')
    page.click(*centre_of(page, PLAYER % 'play'))
    wait_music_time(page, music_time(page) + RESUMED_STEP_MS, CLOCK_CEILING_S)
    expect_no_errors(page, 'under the player\'s bar')


def touch_start_at(checks):
    """on a touch phone #t=42 offers "Tap to start" at 0:42 and no keys; a tap shows the bar, a second pauses"""
    page = checks.page
    page.emulate_screen(*PHONE, mobile=True)
    try:
        # A new document: from the page itself a new #t= is no load.
        page.navigate('about:blank')
        page.navigate(checks.site.url() + f'#t={START_AT_MS // 1000}')
        wait_state(page, 'start')
        text = page.evaluate('document.body.innerText')
        if 'Tap to start' not in text or 'Starts at 0:42' not in text or 'Space' in text:
            raise WebTestError(f'the touch start card reads {text.strip()[:120]!r}')
        page.tap(*centre_of(page, "document.getElementById('start')"))
        wait_state(page, 'playing')
        started = wait_music_time(page, START_AT_MS, CLOCK_CEILING_S)
        if started > START_AT_MS + SEEK_WITHIN_MS:
            raise WebTestError(f'#t=42 started the show at {started} ms')
        picture = centre_of(page, "document.getElementById('show')")
        page.tap(*picture)
        page.wait_for(AWAKE, CLOCK_CEILING_S, 'the bar shown on a tap')
        page.tap(*picture)
        page.wait_for(PAUSED, CLOCK_CEILING_S, 'paused by a second tap')
        expect_still(page, 'paused by a tap')
        expect_no_errors(page, 'under touch')
    finally:
        page.emulate_screen(VIEWPORT['width'], VIEWPORT['height'])
        page.navigate('about:blank')


def expect_only_pause_in_ending(page):
    """In the ending Space pauses and resumes; seeks and steps do nothing."""
    paused = press_and_read(page, SPACE)
    moved = press_and_read(page, RIGHT, HOME, FULL_STOP)
    if moved != paused:
        raise WebTestError(f'paused in the ending at {paused} ms, a seek and a step took the clock to {moved} ms')
    page.press_key(*SPACE)
    wait_music_time(page, paused + RESUMED_STEP_MS, CLOCK_CEILING_S)


def escape_ends(checks):
    """Escape fades out to the logo, which ends the show by itself"""
    page = checks.page
    start_show(checks)
    page.evaluate(TRACK_ENDING_JS)
    after_frames(page)  # the tracker has read the clock while playing
    page.press_escape()
    wait_state(page, 'ending', CLOCK_CEILING_S)
    wait_state(page, 'ended', ENDING_CEILING_S)
    ended = music_time(page)
    ending = page.evaluate('window.__ending')
    # However far apart the frames came, these hold for an ending of ENDING_MS.
    if ended - ending['playing'] < ENDING_MS or ending['last'][0] - ending['first'] > ENDING_MS:
        raise WebTestError(f'the ending began between {ending["playing"]} and {ending["first"]} ms and ended at '
                           f'{ended} ms, its last frames at {ending["last"]} ms: not {ENDING_MS} ms of music')
    expect_no_errors(page, 'in the ending')


def again_and_escape_twice(checks):
    """from the end card a key starts the show again; in the ending only Space works; a second Escape ends it at once"""
    page = checks.page
    if state(page) != 'ended':
        start_show(checks)
        page.press_escape()
        page.press_escape()
        wait_state(page, 'ended', ENDING_CEILING_S)
    page.press_key(*SPACE)
    wait_state(page, 'playing')
    restarted = wait_music_time(page, 0, CLOCK_CEILING_S)
    if restarted >= RESTARTED_BELOW_MS:
        raise WebTestError(f'the show started again at {restarted} ms, not from the beginning')
    page.press_escape()
    wait_state(page, 'ending', CLOCK_CEILING_S)
    expect_only_pause_in_ending(page)
    before = music_time(page)
    page.press_escape()
    wait_state(page, 'ended', ENDING_CEILING_S)
    if music_time(page) - before > AT_ONCE_WITHIN_MS:
        raise WebTestError(f'a second Escape at {before} ms ended the show at {music_time(page)} ms, not at once')
    expect_no_errors(page, 'starting again')


# Slow enough that the data take a few seconds to come.
SLOW_LINK_BITS_S = 20e6
# From the click, slower, so that a minute's seek lands well past the music in.
SLOWER_LINK_BITS_S = 4e6
WAITING = "document.documentElement.classList.contains('waiting')"
# A frame's worth of clock, which may show after the sound is back but
# before the frame that takes the note away.
WAIT_MOVE_MS = 200
LOADING_LINE = "document.getElementById('loading').textContent"
# Each data file and program file the page fetched: how often, and whether
# it came compressed. (The browser may ask for the icon more than once.)
FETCHED_JS = '''(() => {
  const fetched = {};
  const ours = SHOW_DATA_FILES.pictures.concat([SHOW_DATA_FILES.music, 'pelmira15.js', 'pelmira15.wasm']);
  for (const entry of performance.getEntriesByType('resource')) {
    const name = new URL(entry.name).pathname.slice(1);
    if (!ours.includes(name)) continue;
    const seen = fetched[name] || {times: 0, compressed: false};
    fetched[name] = {times: seen.times + 1, compressed: entry.encodedBodySize < entry.decodedBodySize};
  }
  return fetched;
})()'''


def wait_for_music(page):
    """A seek past the music in: the clock stands with the Loading note shown
    until the music there is in, and then goes on from there."""
    page.press_key(*PAGE_DOWN)
    page.press_key(*PAGE_DOWN)
    stood_at = page.wait_for(f'{WAITING} && {MUSIC_TIME}', CLOCK_CEILING_S, 'the Loading note after a seek')
    throttle(page)
    moved = page.wait_for(f"!{WAITING} ? 'gone' : {MUSIC_TIME} > {stood_at + WAIT_MOVE_MS} && {MUSIC_TIME}",
                          CLOCK_CEILING_S, 'the music in after a seek')
    if moved != 'gone':
        raise WebTestError(f'the clock went on from {stood_at} to {moved} ms while waiting for the music')
    wait_music_time(page, stood_at + CLOCK_STEP_MS, CLOCK_CEILING_S)


def slow_link(checks):
    """slow link: the card counts and says Starting; a seek past the music in waits; files come once, gzipped"""
    page = checks.page
    throttle(page, SLOW_LINK_BITS_S)
    try:
        open_to_card(page, checks.site.url())
        progress = page.wait_for(f"/^Loading [0-9]+ %$/.test({LOADING_LINE}) && {LOADING_LINE}", CLOCK_CEILING_S,
                                 'the card counting the bytes in')
        throttle(page, SLOWER_LINK_BITS_S)
        page.click()
        line = page.evaluate(LOADING_LINE)
        if state(page) == 'start' and not line.startswith('Starting'):
            raise WebTestError(f'after a click the card reads {line!r}, not Starting')
        wait_state(page, 'playing')
        wait_for_music(page)
    finally:
        throttle(page)
    fetched = page.evaluate(FETCHED_JS)
    again = sorted(name for name, seen in fetched.items() if seen['times'] > 1)
    if again:
        raise WebTestError(f'fetched more than once: {", ".join(again)}')
    for program in ('pelmira15.js', 'pelmira15.wasm'):
        if not fetched.get(program, {}).get('compressed'):
            raise WebTestError(f'{program} came uncompressed: {fetched.get(program)}')
    expect_no_errors(page, f'on a slow link (the card read {progress!r})')


# A tag of padding alone, larger than the music's first part the show starts
# on: ID3v2.3, its size syncsafe (7 bits a byte).
TAG_BODY_BYTES = 300_000
ID3_TAG = b'ID3\x03\x00\x00' + bytes((TAG_BODY_BYTES >> shift) & 0x7f for shift in (21, 14, 7, 0)) + bytes(
    TAG_BODY_BYTES)


def tagged_music(checks):
    """a music file led by a large tag (a cover picture) still starts and plays on a slow link"""
    page = checks.page
    music = page.evaluate('SHOW_DATA_FILES.music')
    checks.site.prefixed = {music: ID3_TAG}
    throttle(page, SLOWER_LINK_BITS_S)
    try:
        open_to_card(page, checks.site.url())
        page.click()
        wait_state(page, 'playing')
        wait_music_time(page, CLOCK_STEP_MS, CLOCK_CEILING_S)
    finally:
        throttle(page)
        checks.site.prefixed = {}
    expect_no_errors(page, 'playing a tagged music file')


def expect_missing(checks, name):
    checks.site.missing = {name}
    try:
        message = expect_error(checks.page, 'cannot be fetched: check the connection and reload', checks.site.url(),
                               click=True)
        if name not in message:
            raise WebTestError(f'#message does not name {name}: {message!r}')
    finally:
        checks.site.missing = set()


def missing_picture(checks):
    """a missing picture gives state error naming the file"""
    expect_missing(checks, 'data/drosk_logo.png')


def missing_track(checks):
    """a missing music track gives state error naming the file"""
    tracks = sorted(name for name in os.listdir(os.path.join(checks.web, 'data')) if name.endswith('.mp3'))
    if not tracks:
        raise WebTestError(f'{checks.web}/data holds no .mp3')
    expect_missing(checks, 'data/' + tracks[0])


if __name__ == '__main__':
    sys.exit(check_runner.run([start_card, link_preview, click_plays, viewer_keys, player_bar, screen_reader_text,
                               touch_start_at, escape_ends, again_and_escape_twice, slow_link, tagged_music,
                               touch_screens_fit, missing_picture, missing_track, file_page, program_missing,
                               no_webgl2, full_screen_refused]))
