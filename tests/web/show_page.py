"""The show's page as the tests and the benchmark see it: its states, its
clock, and the web build's folder.

A state is document.documentElement.dataset.state: start, playing, ending,
ended, error (with one line in #message) or frame (?at=MS drawn).
"""
import os

from headless_chromium import WebTestError

STATE = 'document.documentElement.dataset.state'
MESSAGE = "(document.getElementById('message') || {}).textContent"
MUSIC_TIME = 'window.showMusicTimeMs()'
# Loading, compiling and decoding everything on a busy 2-core machine.
LOAD_CEILING_S = 90
# The ending runs about 15.8 s of music before the logo quits.
ENDING_CEILING_S = 60


def require_web_build(folder):
    if not os.path.isfile(os.path.join(folder, 'index.html')):
        raise WebTestError(f'{folder}/index.html is missing: run make web')


def state(page):
    return page.evaluate(STATE)


def wait_state(page, wanted, ceiling=LOAD_CEILING_S):
    """Waits for one of the states in `wanted`; "error" ends the wait early
    with the page's own message unless it is wanted."""
    wanted = [wanted] if isinstance(wanted, str) else list(wanted)
    try:
        reached = page.wait_for(f"{sorted(set(wanted) | {'error'})}.includes({STATE}) ? {STATE} : ''", ceiling,
                                f'state {" or ".join(wanted)}')
    except WebTestError as error:
        raise WebTestError(f'{error} (the page is in state {page.evaluate(STATE)!r})') from None
    if reached == 'error' and 'error' not in wanted:
        raise WebTestError(f'state error instead of {" or ".join(wanted)}: {page.evaluate(MESSAGE)}')
    return reached


def music_time(page):
    return page.evaluate(MUSIC_TIME)


def wait_music_time(page, past_ms, ceiling):
    """Waits until the show's clock has passed past_ms, and answers it."""
    return page.wait_for(f'{MUSIC_TIME} > {past_ms} && {MUSIC_TIME}', ceiling,
                         f'the show clock passing {past_ms} ms')


def throttle(page, down_bits_s=None, up_bits_s=None, latency_ms=0):
    """The page's network at these speeds with the cache off; without speeds,
    as it is again."""
    page.call('Network.enable')
    page.call('Network.setCacheDisabled', {'cacheDisabled': down_bits_s is not None})
    page.call('Network.emulateNetworkConditions', {
        'offline': False, 'latency': latency_ms,
        'downloadThroughput': down_bits_s / 8 if down_bits_s else -1,
        'uploadThroughput': up_bits_s / 8 if up_bits_s else -1})


def open_to_card(page, url, ceiling=LOAD_CEILING_S):
    """Opens url and returns as soon as its start card is painted, long
    before the page has loaded on a slow link."""
    page.evaluate('window.__leftBehind = true')
    page.call('Page.navigate', {'url': url})
    page.wait_for("document.readyState !== 'loading' && "
                  "getComputedStyle(document.getElementById('card')).display === 'flex'", ceiling,
                  f'{url}: the start card')
