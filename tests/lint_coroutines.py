#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Fails on the forms of co_await that GCC 12 gets wrong.

GCC 12 destroys the closure temporaries of a co_await expression twice, which
corrupts the heap at run time; a lambda given to a wait is named first:
    const auto ready = [&] { ... };
    co_await WaitFor(sender, &Class::signal, ready, ms);
and a co_await inside a condition or after && or || is taken into a named
variable first, where GCC has miscompiled and crashed on it.
"""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else '.')
lambda_in_place = re.compile(r'\[[^\]]*\]\s*(\([^)]*\)\s*)?(mutable\s*)?(->\s*[\w:<>]+\s*)?\{')
problems = []
for path in sorted(list(root.glob('src/**/*.cpp')) + list(root.glob('src/**/*.h')) +
                   list(root.glob('tests/**/*.cpp')) + list(root.glob('tests/**/*.h'))):
    text = path.read_text(encoding='utf-8')
    for match in re.finditer(r'co_await\b', text):
        # The statement the co_await belongs to: up to the next ';'.
        end = text.find(';', match.end())
        statement = text[match.end():end if end >= 0 else len(text)]
        line = text.count('\n', 0, match.start()) + 1
        where = f'{path.relative_to(root)}:{line}'
        if lambda_in_place.search(statement):
            problems.append(f'{where}: lambda inside a co_await expression')
        line_start = text.rfind('\n', 0, match.start()) + 1
        before = text[line_start:match.start()]
        if re.search(r'(\|\||&&|\?|\bif\s*\(|\bwhile\s*\()', before):
            problems.append(f'{where}: co_await inside a condition; take it into a variable first')
for p in problems:
    print(p)
sys.exit(1 if problems else 0)
