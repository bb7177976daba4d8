"""The page on phones and tablets: emulated touch screens, where a mobile
browser lays a page out wider than the screen if anything on it is wider."""
from headless_chromium import VIEWPORT, WebTestError
from show_page import wait_state

# width, height (CSS px), device pixels per CSS px: phone portrait, phone
# landscape, tablet portrait.
SCREENS = ((390, 844, 3), (844, 390, 3), (820, 1180, 2))
# The page places the frame on whole device pixels with a width a multiple of
# 4, its height then whole: up to 4 device pixels short of the exact fit.
FIT_GRAIN_DEVICE_PX = 4

FIT_JS = '''(() => {
  const box = document.getElementById('show').getBoundingClientRect();
  const visual = window.visualViewport;
  return {left: box.left, top: box.top, width: box.width, height: box.height,
          viewWidth: visual.width, viewHeight: visual.height, scale: visual.scale,
          scrollX: window.scrollX, scrollY: window.scrollY, innerWidth: window.innerWidth};
})()'''


def expect_fitted(page, width, height, scale):
    fit = page.evaluate(FIT_JS)
    seen = f'{width}x{height}: canvas {fit["width"]:.1f}x{fit["height"]:.1f} at {fit["left"]:.1f},{fit["top"]:.1f}'
    if fit['scale'] != 1 or fit['scrollX'] or fit['scrollY'] or fit['innerWidth'] != width:
        raise WebTestError(f'{seen}: the page zoomed or scrolled (scale {fit["scale"]}, scroll '
                           f'{fit["scrollX"]},{fit["scrollY"]}, layout {fit["innerWidth"]} px wide)')
    best_width = min(width, height * 4 / 3)
    grain = FIT_GRAIN_DEVICE_PX / scale
    slack = 1 / scale
    inside = (fit['left'] >= 0 and fit['top'] >= 0 and fit['left'] + fit['width'] <= width + slack
              and fit['top'] + fit['height'] <= height + slack)
    centred = (abs(2 * fit['left'] + fit['width'] - width) <= 2 * slack
               and abs(2 * fit['top'] + fit['height'] - height) <= 2 * slack)
    if not inside or not centred or not best_width - grain - slack <= fit['width'] <= best_width:
        raise WebTestError(f'{seen}, not the largest centred 4:3 fit ({best_width:.1f} px wide)')
    if abs(fit['width'] * 3 - fit['height'] * 4) > 4 * slack:
        raise WebTestError(f'{seen}: not 4:3')


def touch_screens_fit(checks):
    """on phone and tablet touch screens, upright and turned, a tap starts the show in the largest 4:3 fit"""
    page = checks.page
    first_width, first_height, first_scale = SCREENS[0]
    try:
        page.emulate_screen(first_width, first_height, first_scale, mobile=True)
        page.navigate(checks.site.url())
        wait_state(page, 'start')
        page.tap(first_width // 2, first_height // 2)
        wait_state(page, 'playing')
        # The later screens turn and resize the page as it plays.
        for width, height, scale in SCREENS:
            page.emulate_screen(width, height, scale, mobile=True)
            page.wait_for(f'screen.width === {width} && screen.height === {height}', 10,
                          f'a screen of {width}x{height}')
            page.evaluate('new Promise(done => requestAnimationFrame(() => requestAnimationFrame(done)))',
                          await_promise=True)
            expect_fitted(page, width, height, scale)
    finally:
        page.emulate_screen(VIEWPORT['width'], VIEWPORT['height'])
        page.take_errors()
