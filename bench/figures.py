"""Order statistics and the printed form of a benchmark's figures."""

import math


def percentile(values, fraction):
    """Nearest-rank percentile: the smallest value with at least that fraction at or below it."""
    ordered = sorted(values)
    if not ordered:
        raise ValueError("no samples")
    rank = max(1, math.ceil(fraction * len(ordered)))
    return ordered[rank - 1]


def median(values):
    ordered = sorted(values)
    middle = len(ordered) // 2
    if len(ordered) % 2:
        return ordered[middle]
    return (ordered[middle - 1] + ordered[middle]) / 2


def ratio(value, reference):
    """value / reference; None when the reference is zero (no ratio can be told)."""
    return None if reference == 0 else value / reference


def verdict(met):
    return "met" if met else "MISSED"


def show_ratio(value):
    return "n/a" if value is None else f"{value:.2f}"


class Report:
    """Collects the printed lines and the figures, so both can be written out at the end."""

    def __init__(self):
        self.lines = []
        self.figures = {}

    def say(self, text=""):
        print(text, flush=True)
        self.lines.append(text)

    def heading(self, text):
        self.say()
        self.say(f"== {text}")

    def record(self, key, value):
        self.figures[key] = value
