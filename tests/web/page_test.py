#!/usr/bin/env python3
"""The page in use: the start card, playing on the music's clock, the
ending by Escape, and the error a missing data file gives."""
import os
import sys

import check_runner
from headless_chromium import WebTestError
from show_page import ENDING_CEILING_S, MESSAGE, music_time, state, wait_music_time, wait_state

START_TEXTS = ('Pelmira 15 Advert', 'Click or press a key to start')
CLOCK_STEP_MS = 1000
CLOCK_CEILING_S = 30
# After the Escape the fade runs 2500 ms and the logo quits once 95 % of its
# 14000 ms have passed: 15800 ms of music, give or take a frame.
ENDING_SPAN_MS = (15000, 16500)
# A second Escape ends the show at once, well before the logo would.
AT_ONCE_CEILING_S = 5
RESTARTED_BELOW_MS = 10000

# Kept by the page's own frames: the show clock on the first and the last
# frame drawn in state "ending".
TRACK_ENDING_JS = """(() => {
  window.__ending = {first: -1, last: -1};
  const track = () => {
    if (document.documentElement.dataset.state === 'ending') {
      const now = window.showMusicTimeMs();
      if (window.__ending.first < 0) window.__ending.first = now;
      window.__ending.last = now;
    }
    requestAnimationFrame(track);
  };
  requestAnimationFrame(track);
})()"""


def expect_no_errors(page, during):
    errors = page.take_errors()
    if errors:
        raise WebTestError(f'{len(errors)} console error(s) {during}, the first: {errors[0]}')


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


def escape_ends(checks):
    """Escape fades out to the logo, which ends the show by itself"""
    page = checks.page
    start_show(checks)
    page.evaluate(TRACK_ENDING_JS)
    page.press_escape()
    wait_state(page, 'ending', AT_ONCE_CEILING_S)
    wait_state(page, 'ended', ENDING_CEILING_S)
    ending = page.evaluate('window.__ending')
    span = ending['last'] - ending['first']
    if not ENDING_SPAN_MS[0] <= span <= ENDING_SPAN_MS[1]:
        raise WebTestError(f'the ending ran {span} ms of music ({ending["first"]} to {ending["last"]}), '
                           f'not {ENDING_SPAN_MS[0]} to {ENDING_SPAN_MS[1]}')
    expect_no_errors(page, 'in the ending')


def again_and_escape_twice(checks):
    """from the end card a key starts the show again; a second Escape ends it at once"""
    page = checks.page
    if state(page) != 'ended':
        start_show(checks)
        page.press_escape()
        page.press_escape()
        wait_state(page, 'ended', AT_ONCE_CEILING_S)
    page.press_key(' ', 'Space', 32)
    wait_state(page, 'playing')
    restarted = wait_music_time(page, 0, CLOCK_CEILING_S)
    if restarted >= RESTARTED_BELOW_MS:
        raise WebTestError(f'the show started again at {restarted} ms, not from the beginning')
    page.press_escape()
    wait_state(page, 'ending', AT_ONCE_CEILING_S)
    page.press_escape()
    wait_state(page, 'ended', AT_ONCE_CEILING_S)
    expect_no_errors(page, 'starting again')


def expect_missing(checks, name):
    page = checks.page
    checks.site.missing = {name}
    try:
        page.navigate(checks.site.url())
        wait_state(page, ['start', 'error'])
        # The data may still be on their way: a click starts once they are in.
        if state(page) == 'start':
            page.click()
        wait_state(page, 'error')
        message = page.evaluate(MESSAGE) or ''
        if name not in message:
            raise WebTestError(f'#message does not name {name}: {message!r}')
        if '\n' in message.strip():
            raise WebTestError(f'#message holds more than one line: {message!r}')
    finally:
        checks.site.missing = set()
        page.take_errors()  # the 404 itself is logged


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
    sys.exit(check_runner.run([start_card, click_plays, escape_ends, again_and_escape_twice,
                               missing_picture, missing_track]))
