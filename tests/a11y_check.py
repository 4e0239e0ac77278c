#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads the control panel through AT-SPI and checks that what a sighted user
reads can be read: the status, the link indicator, the computer's time and
the clock's (each by its name), the value of every control on every page of
the clock's settings, and the Clock Monitor's figures."""
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


def menu_item(root, name):
    return next((a for a in walk(root) if a.getRoleName() == 'menu item'
                 and a.name.replace('&', '') == name), None)


def check_monitor(app, window):
    """Opens View > Clock Monitor by the menu items' actions and reads its figures."""
    view = menu_item(window, 'View')
    if view is None:
        problems.append('no View menu')
        return
    view.queryAction().doAction(0)
    time.sleep(0.5)
    item = menu_item(app, 'Clock Monitor')
    if item is None:
        problems.append('no Clock Monitor item in the View menu')
        return
    item.queryAction().doAction(0)

    def figures():
        monitor = next((a for a in walk(app) if a.getRoleName() == 'frame'
                        and a.name == 'Clock Monitor'), None)
        return [readable(a) for a in walk(monitor) if showing(a)] if monitor else []

    for name in ('Offset', 'Mean (last 60)', 'Jitter (last 60)', 'GPS'):
        wait_for(f'the monitor\'s "{name}" read with its value',
                 lambda: any(r.endswith(' ' + name) and len(r) > len(name) + 1
                             for r in figures()))
    wait_for('the monitor\'s offset in milliseconds',
             lambda: any(re.match(r'-?\d+(\.\d+)? ms Offset$', r) for r in figures()))


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
    # The computer's time and the clock's, each said with whose time it is.
    for whose in ('Computer Time', 'Master Clock Time'):
        wait_for(f'"{whose}" read with a date and time',
                 lambda: any(r.endswith(' ' + whose) and DATE_TIME.search(r)
                             for r in readings()))
    wait_for('the link indicator saying the clock is connected on its port',
             lambda: any(re.search(r'Connected: \d+ on /dev/', r) for r in readings()))

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
    check_monitor(app, window)
    for p in problems:
        print('FAIL:', p)
    if not problems:
        print('every status, time and control value can be read')
    return 1 if problems else 0


sys.exit(main())
