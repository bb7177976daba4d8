"""The page where the show cannot run: each way ends in state error with a
sentence a viewer can act on in #message and the technical line below it;
and where full screen is refused, a notice says so."""
import os

from headless_chromium import WebTestError
from show_page import MESSAGE, wait_state

DETAIL = "(document.getElementById('message-detail') || {}).textContent"
# Stands in for a browser without WebGL 2, in every document from then on.
NO_WEBGL2_JS = '''(() => {
  const getContext = HTMLCanvasElement.prototype.getContext;
  HTMLCanvasElement.prototype.getContext = function(kind, ...rest) {
    return kind === 'webgl2' ? null : getContext.call(this, kind, ...rest);
  };
})()'''
# What the page fetched beyond its own files: the program and the data.
FETCHED_JS = '''performance.getEntriesByType('resource').map(entry => entry.name)
  .filter(name => /pelmira15\\.(js|wasm)$|\\/data\\/(?!icon)/.test(name))'''


def expect_error(page, sentence, url, click=False):
    """Opens url, and waits for the error whose #message holds `sentence`
    and whose #message-detail says more; answers the message."""
    page.navigate(url)
    wait_state(page, ['start', 'error'])
    # Data may still be on their way: a click starts once they are in.
    if click and page.evaluate("document.documentElement.dataset.state") == 'start':
        page.click()
    wait_state(page, 'error')
    message = (page.evaluate(MESSAGE) or '').strip()
    detail = (page.evaluate(DETAIL) or '').strip()
    if sentence not in message or '\n' in message:
        raise WebTestError(f'{url}: #message is {message!r}, not one line saying {sentence!r}')
    if not detail or detail == message:
        raise WebTestError(f'{url}: #message-detail gives no technical line: {detail!r}')
    page.take_errors()  # the failure itself is logged
    return message


def file_page(checks):
    """opened as a file:// path, the page asks for a web server"""
    expect_error(checks.page, 'Open this page from a web server',
                 'file://' + os.path.abspath(os.path.join(checks.web, 'index.html')))


def program_missing(checks):
    """without its script or its wasm, the page says the program could not be loaded"""
    for name in ('pelmira15.js', 'pelmira15.wasm'):
        checks.site.missing = {name}
        try:
            expect_error(checks.page, 'could not be loaded: check the connection and reload', checks.site.url())
        except WebTestError as error:
            raise WebTestError(f'{name} missing: {error}') from None
        finally:
            checks.site.missing = set()


def no_webgl2(checks):
    """without WebGL 2 the page says so at once and fetches neither the program nor the data"""
    page = checks.page
    script = page.run_on_new_documents(NO_WEBGL2_JS)
    try:
        expect_error(page, 'This browser cannot show WebGL 2', checks.site.url())
        fetched = page.evaluate(FETCHED_JS)
        if fetched:
            raise WebTestError(f'without WebGL 2 the page still fetched {len(fetched)} file(s), the first {fetched[0]}')
    finally:
        page.stop_running(script)


# The page in an iframe without allowfullscreen, on a page of the same site
# so that the test can reach into it.
EMBED_JS = '''new Promise(done => {
  document.open();
  document.write('<iframe src="index.html" width="640" height="480"></iframe>');
  document.close();
  const frame = document.querySelector('iframe');
  frame.onload = () => done(true);
})'''
NOTICE_JS = '''(() => {
  const notice = document.querySelector('iframe').contentDocument.getElementById('notice');
  return notice && !notice.hidden ? notice.textContent : '';
})()'''


def full_screen_refused(checks):
    """embedded without allowfullscreen, F says that full screen is not allowed"""
    page = checks.page
    page.navigate(checks.site.url('licences.txt'))
    page.evaluate(EMBED_JS, await_promise=True)
    page.evaluate("document.querySelector('iframe').contentDocument.dispatchEvent("
                  "new KeyboardEvent('keydown', {key: 'f'}))")
    notice = page.wait_for(NOTICE_JS, 10, 'a notice in the iframe')
    if 'Full screen is not allowed here' not in notice:
        raise WebTestError(f'the refused full screen gave the notice {notice!r}')
    page.take_errors()
