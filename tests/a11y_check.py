#!/usr/bin/env python3
"""Reads the control panel through AT-SPI and checks that what a sighted user
reads can be read: the status, the computer's time and the clock's, and the
value of every control on every page of the clock's settings."""
import re
import sys
import time

import pyatspi

DATE_TIME = re.compile(r'\d\d-\d\d-\d{4}\s+\d\d:\d\d:\d\d')
VALUE_ROLES = {'combo box', 'spin button', 'text', 'password text', 'check box', 'radio button',
               'push button', 'label', 'page tab'}
problems = []


def find_app(name, seconds=30):
    end = time.time() + seconds
    while time.time() < end:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name:
                return app
        time.sleep(0.5)
    return None


def text_of(acc):
    try:
        text = acc.queryText()
        return text.getText(0, -1)
    except NotImplementedError:
        return ''
    except Exception:
        return ''


def readable(acc):
    """Everything a screen reader can say of an object."""
    return ' '.join(s for s in (acc.name or '', acc.description or '', text_of(acc)) if s)


def showing(acc):
    return acc.getState().contains(pyatspi.STATE_SHOWING)


def walk(acc, depth=0):
    if acc is None or depth > 60:
        return
    yield acc
    for i in range(acc.childCount):
        yield from walk(acc.getChildAtIndex(i), depth + 1)


def wait_for(what, predicate, seconds=30):
    end = time.time() + seconds
    while time.time() < end:
        if predicate():
            return True
        time.sleep(0.3)
    problems.append(f'never saw {what}')
    return False


def main():
    app = find_app('tarvo-control-panel')
    if app is None:
        print('FAIL: the program never appeared on the accessibility bus')
        return 1
    window = next((c for c in walk(app) if c.getRoleName() == 'frame'), None)

    def readings():
        return [readable(a) for a in walk(window) if showing(a)]

    wait_for('the status "Clock Found on Comport 1"',
             lambda: any('Clock Found on Comport 1' in r for r in readings()))
    # The computer's time and the clock's, both as the window shows them.
    wait_for('two times read as date and time (the computer\'s and the clock\'s)',
             lambda: sum(1 for r in readings() if DATE_TIME.search(r)) >= 2)

    tabs = next((a for a in walk(window) if a.getRoleName() == 'page tab list'), None)
    if tabs is None:
        problems.append('no page tab list')
    else:
        for i in range(tabs.childCount):
            tab = tabs.getChildAtIndex(i)
            if tab.getRoleName() != 'page tab' or not tab.getState().contains(
                    pyatspi.STATE_ENABLED):
                continue
            # A screen reader user moves to a page by its tab's action.
            tab.queryAction().doAction(0)
            time.sleep(0.5)
            for acc in walk(window):
                role = acc.getRoleName()
                if role not in VALUE_ROLES or not showing(acc):
                    continue
                if not readable(acc).strip():
                    problems.append(f'page "{tab.name}": a {role} that says nothing')
    for p in problems:
        print('FAIL:', p)
    if not problems:
        print('every status, time and control value can be read')
    return 1 if problems else 0


sys.exit(main())
