#!/usr/bin/env python3
"""The Windows packages under Wine. The installer, silent, for the current
user and then for all users: the zip's files, the Start-menu shortcut and
the uninstall key are there; the show starts from its shortcut and the
recorder, started from the Start-menu folder, draws the native frame; the
silent uninstaller leaves no file and no key. The zip, unpacked into a folder
with a non-ASCII name, records the native frame from there."""
import os
import re
import subprocess
import sys
import tempfile
import time
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'support'))
import recorded_frames  # noqa: E402
import windows_checks  # noqa: E402
from recorded_frames import SHOW_FRAMES, FrameError  # noqa: E402
from wine_session import START_CEILING_S, wineserver  # noqa: E402
from windows_checks import CAPTURE_EXE, TITLE, CheckError  # noqa: E402

UNINSTALL_KEY = r'Software\Microsoft\Windows\CurrentVersion\Uninstall\pelmira15'
SHORTCUT = f'{TITLE}.lnk'
START_MENU = r'\Microsoft\Windows\Start Menu\Programs'
UNINSTALLER = 'uninstall.exe'
KEY_VALUES = ('DisplayName', 'DisplayVersion', 'Publisher', 'DisplayIcon', 'EstimatedSize',
              'UninstallString', 'QuietUninstallString')
# A picture frame: the cross-built maths cannot move its pixels.
FRAME = SHOW_FRAMES[0]
UNICODE_FOLDER = 'Démo ünïcødé 表示 пример'
# The uninstaller runs from a copy of itself in %TEMP%, which stays there
# until Windows next starts, as NSIS's always do.
TEMP_FOLDER = re.compile(r'^users/[^/]+/Temp(/|$)')
ESCAPE_GAP_S = 0.5


class Mode:
    """An install mode: its switch, its hive and where it puts things."""

    def __init__(self, name, switch, hive, programs_variable, start_menu_variable):
        self.name = name
        self.switch = switch
        self.hive = hive
        self.programs_variable = programs_variable
        self.start_menu_variable = start_menu_variable
        self.installed = {}  # what the install check found, for the later checks


MODES = (Mode('the current user', '/CurrentUser', 'HKCU', 'LOCALAPPDATA', 'APPDATA'),
         Mode('all users', '/AllUsers', 'HKLM', 'ProgramFiles', 'ProgramData'))


def wine(checks, *args, cwd=None, **extra):
    try:
        return subprocess.run(['wine', *args], env=checks.env(**extra), cwd=cwd, capture_output=True,
                              text=True, timeout=START_CEILING_S)
    except subprocess.TimeoutExpired:
        raise CheckError(f'wine {" ".join(args)}: still running after {START_CEILING_S} s') from None


def drive_c(checks):
    return os.path.join(checks.session.env['WINEPREFIX'], 'drive_c')


def unix_path(checks, windows_path):
    """Where a C: path of the session lies."""
    if not windows_path.upper().startswith('C:\\'):
        raise CheckError(f'{windows_path} is not on drive C:')
    return os.path.join(drive_c(checks), *windows_path[3:].split('\\'))


def windows_variable(checks, name):
    run = wine(checks, 'cmd', '/c', f'echo %{name}%')
    value = run.stdout.strip()
    if run.returncode != 0 or not value or '%' in value:
        raise CheckError(f'%{name}% is not set in the session')
    return value


def uninstall_key(checks, hive):
    """The uninstall key's values by name, None when there is no key."""
    run = wine(checks, 'reg', 'query', f'{hive}\\{UNINSTALL_KEY}', '/reg:64')
    if run.returncode != 0:
        return None
    values = {}
    for line in run.stdout.splitlines():
        found = re.match(r'^\s+(\S+)\s+REG_(?:SZ|DWORD)\s+(.*)$', line)
        if found:
            values[found.group(1)] = found.group(2).strip()
    return values


def files_under(folder):
    return {os.path.relpath(os.path.join(parent, name), folder)
            for parent, _, names in os.walk(folder) for name in names}


def drive_c_entries(checks):
    """Every file and folder of drive C: but %TEMP%'s."""
    root = drive_c(checks)
    entries = set()
    for parent, folders, names in os.walk(root):
        for name in folders + names:
            entry = os.path.relpath(os.path.join(parent, name), root)
            if not TEMP_FOLDER.match(entry):
                entries.add(entry)
    return entries


def package_files(zip_path):
    """The zip's top folder and the files inside it."""
    with zipfile.ZipFile(zip_path) as package:
        names = [name for name in package.namelist() if not name.endswith('/')]
    top = {name.split('/')[0] for name in names}
    if len(top) != 1:
        raise CheckError(f'the zip holds {len(top)} top folders, not one')
    folder = top.pop()
    return folder, {os.path.relpath(name, folder) for name in names}


def native_frame(checks, scratch):
    path = os.path.join(scratch, f'native-{FRAME.stem()}.png')
    if not os.path.exists(path):
        recorded_frames.record_native(checks.capture, FRAME, scratch)
    return path


def draws_native_frame(checks, recorder, scratch, out, cwd):
    """Records FRAME with the Windows recorder at the Windows path recorder,
    started in cwd, into out; CheckError unless it is the native frame."""
    run = wine(checks, recorder, '--at', str(FRAME.at_ms), checks.session.windows_path(out), cwd=cwd,
               SDL_AUDIODRIVER='dummy')
    if run.returncode != 0:
        raise CheckError(f'the recorder gave status {run.returncode}: {windows_checks.last_line(run.stderr)}')
    try:
        figures = recorded_frames.compare_pngs(out, native_frame(checks, scratch))
    except FrameError as error:
        raise CheckError(str(error)) from None
    if not figures.matches():
        raise CheckError(f'its frame is not the native one: {figures}')
    return figures


def install_check(mode):
    def check(checks):
        mode.installed = {'before': drive_c_entries(checks)}
        run = wine(checks, checks.options.setup, '/S', mode.switch)
        if run.returncode != 0:
            raise CheckError(f'the installer gave status {run.returncode}')
        key = uninstall_key(checks, mode.hive)
        if key is None:
            raise CheckError(f'no uninstall key in {mode.hive}')
        missing = [name for name in KEY_VALUES if not key.get(name)]
        if missing:
            raise CheckError(f'the uninstall key lacks {", ".join(missing)}')
        if key['DisplayName'] != TITLE or not key['QuietUninstallString'].endswith(' /S'):
            raise CheckError(f'the uninstall key says {key}')
        folder = key.get('InstallLocation', '')
        programs = windows_variable(checks, mode.programs_variable)
        if not folder.startswith(programs + '\\'):
            raise CheckError(f'installed in {folder}, not under {programs}')
        installed = files_under(unix_path(checks, folder))
        _, packaged = package_files(checks.options.zip)
        if installed != packaged | {UNINSTALLER}:
            extra, lacking = installed - packaged - {UNINSTALLER}, packaged - installed
            raise CheckError(f'the installed files differ from the zip\'s: more {sorted(extra)[:3]}, '
                             f'fewer {sorted(lacking)[:3]}')
        start_menu = windows_variable(checks, mode.start_menu_variable) + START_MENU
        shortcut = unix_path(checks, f'{start_menu}\\{SHORTCUT}')
        if not os.path.isfile(shortcut):
            raise CheckError(f'no shortcut {start_menu}\\{SHORTCUT}')
        mode.installed.update(key=key, folder=folder, shortcut=shortcut)
        # reg query shows a DWORD in hexadecimal.
        return f'{len(installed)} files, {int(key["EstimatedSize"], 0)} KiB, in {folder}'
    check.__doc__ = f'the installer installs silently for {mode.name}: files, shortcut, uninstall key'
    return check


def installed(mode):
    if 'key' not in mode.installed:
        raise CheckError(f'not installed for {mode.name}')
    return mode.installed


def wait_for_wine_to_end(checks, what):
    """Waits until every program of the session has ended."""
    try:
        subprocess.run([wineserver(), '-w'], env=checks.env(), timeout=START_CEILING_S)
    except subprocess.TimeoutExpired:
        subprocess.run([wineserver(), '-k'], env=checks.env())
        raise CheckError(f'{what} still runs after {START_CEILING_S} s') from None


def start_check(mode, scratch):
    def check(checks):
        found = installed(mode)
        # As the desktop opens a shortcut: through the shell, which starts
        # its program in the shortcut's folder and returns.
        # The show would hold output pipes open to its end.
        try:
            started = subprocess.run(['wine', 'start', '/unix', found['shortcut']], cwd=scratch,
                                     env=checks.env(SDL_AUDIODRIVER='dummy'), stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL, timeout=START_CEILING_S)
        except subprocess.TimeoutExpired:
            raise CheckError(f'start of the shortcut still runs after {START_CEILING_S} s') from None
        if started.returncode != 0:
            raise CheckError(f'start of the shortcut gave status {started.returncode}')
        window = checks.wait_for_window(TITLE)
        for _ in range(2):
            checks.xdotool('key', 'Escape')
            time.sleep(ESCAPE_GAP_S)
        wait_for_wine_to_end(checks, 'the show')
        if not window:
            raise CheckError(f'no window "{TITLE}" from the shortcut')
        recorder = found['folder'] + '\\' + CAPTURE_EXE
        start_menu = os.path.dirname(found['shortcut'])
        out = os.path.join(scratch, f'installed-{mode.switch[1:]}.png')
        return draws_native_frame(checks, recorder, scratch, out, cwd=start_menu)
    check.__doc__ = (f'for {mode.name}, the show starts from its shortcut and the recorder draws '
                     f'from the Start-menu folder')
    return check


def uninstall_check(mode):
    def check(checks):
        found = installed(mode)
        command = re.match(r'^"([^"]+)"\s*(.*)$', found['key']['QuietUninstallString'])
        if not command:
            raise CheckError(f'QuietUninstallString {found["key"]["QuietUninstallString"]} names no program')
        run = wine(checks, command.group(1), *command.group(2).split())
        if run.returncode != 0:
            raise CheckError(f'the uninstaller gave status {run.returncode}')
        # It returns at once, leaving its copy in %TEMP% to do the work.
        wait_for_wine_to_end(checks, 'the uninstaller')
        left = sorted(drive_c_entries(checks) - found['before'])
        if left:
            raise CheckError(f'{len(left)} entries left, such as {left[:3]}')
        if uninstall_key(checks, mode.hive) is not None:
            raise CheckError(f'the uninstall key is left in {mode.hive}')
        mode.installed = {}
    check.__doc__ = f'the uninstaller removes every file and the key silently for {mode.name}'
    return check


def zip_check(scratch):
    def check(checks):
        folder = os.path.join(scratch, UNICODE_FOLDER)
        with zipfile.ZipFile(checks.options.zip) as package:
            package.extractall(folder)
        top, _ = package_files(checks.options.zip)
        recorder = checks.session.windows_path(os.path.join(folder, top, CAPTURE_EXE))
        return draws_native_frame(checks, recorder, scratch, os.path.join(folder, 'frame.png'), cwd=folder)
    check.__doc__ = f'the zip unpacked into "{UNICODE_FOLDER}" records the native frame'
    return check


if __name__ == '__main__':
    with tempfile.TemporaryDirectory(prefix='pelmira-windows-packages-') as scratch:
        checks = [zip_check(scratch)]
        for mode in MODES:
            checks += [install_check(mode), start_check(mode, scratch), uninstall_check(mode)]
        sys.exit(windows_checks.run(checks, files=(('--setup', 'the installer (build-windows/*-setup.exe)'),
                                                   ('--zip', 'the zip (build-windows/*-windows-x64.zip)'))))
