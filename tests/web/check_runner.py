"""The main of a web test program: one Chromium and one page for all its
checks, build-web/ served beside it.

A check is a function of a Checks whose docstring names it; it passes,
answering the figures it measured if any, or raises WebTestError with one
line. Every check runs, each prints one line.
Exit status: 0 all passed, 1 a check failed or nothing could be checked,
77 (CTest's SKIP_RETURN_CODE here) when Chromium is not installed.
"""
import argparse
import os
import sys
from dataclasses import dataclass

from headless_chromium import Browser, Page, WebTestError, chromium_path, end_on_signals, require_websocket
from show_page import require_web_build
from static_site import StaticSite

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'support'))
from check_list import CheckList  # noqa: E402

SKIPPED = 77


@dataclass
class Checks:
    page: Page
    site: StaticSite
    web: str
    capture: str


def run(checks):
    program = os.path.basename(sys.argv[0])
    parser = argparse.ArgumentParser(prog=program)
    parser.add_argument('--web', required=True, help='the web build (build-web/)')
    parser.add_argument('--capture', required=True, help="the native recorder (build/pelmira15-capture)")
    args = parser.parse_args()
    end_on_signals()
    if chromium_path() is None:
        print(f'{program}: skipped: chromium is not installed (Debian package chromium)')
        return SKIPPED
    check_list = CheckList(checks, WebTestError)
    try:
        require_websocket()
        require_web_build(args.web)
        with StaticSite(args.web) as site, Browser() as browser:
            check_list.run(Checks(browser.new_page(), site, args.web, args.capture))
    except WebTestError as error:
        print(f'{program}: {error}')
        return 1
    except KeyboardInterrupt as signal_name:
        print(f'{program}: interrupted ({signal_name or "SIGINT"}), Chromium ended')
        return 1
    return check_list.summary(program)
