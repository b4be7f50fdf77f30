#!/usr/bin/env python3
"""Compares two JSON outputs of robustez-informe (one JSON value a line): the
same lines, members in the same order, the same strings, booleans and nulls,
and numbers that agree to 13 significant digits, or to within 1e-15 where a
number is the small difference of larger ones (an interval's end near zero).
Exit 0 when they agree; otherwise prints the first difference and exits 1."""
import json
import sys

RELATIVE = 1e-13
ABSOLUTE = 1e-15


def agree(a, b, where):
    if isinstance(a, bool) or isinstance(b, bool) or a is None or b is None:
        return None if a is b else f"{where}: {a!r} != {b!r}"
    if isinstance(a, (int, float)) and isinstance(b, (int, float)):
        if a == b:
            return None
        if abs(a - b) <= RELATIVE * max(abs(a), abs(b)) + ABSOLUTE:
            return None
        return f"{where}: {a!r} != {b!r}"
    if type(a) is not type(b):
        return f"{where}: {a!r} != {b!r}"
    if isinstance(a, list):
        if len(a) != len(b):
            return f"{where}: {len(a)} items != {len(b)}"
        for i, (x, y) in enumerate(zip(a, b)):
            why = agree(x, y, f"{where}[{i}]")
            if why:
                return why
        return None
    if isinstance(a, dict):
        if list(a) != list(b):
            return f"{where}: members {list(a)} != {list(b)}"
        for key in a:
            why = agree(a[key], b[key], f"{where}.{key}")
            if why:
                return why
        return None
    return None if a == b else f"{where}: {a!r} != {b!r}"


def values(path):
    with open(path, encoding="utf-8") as f:
        return [json.loads(line) for line in f.read().split("\n") if line.strip()]


def main():
    left = values(sys.argv[1])
    right = values(sys.argv[2])
    why = agree(left, right, "$")
    if why:
        print(why)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
