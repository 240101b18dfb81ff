#!/usr/bin/env python3
"""Works out expected resample results straight from the written rules (no folding, no fixed
point tricks), to be pasted into resample_test.cpp. Python's round() is half-to-even."""
import math

def tri(t): t = abs(t); return 1 - t if t < 1 else 0.0
def herm(t): t = abs(t); return (2 * t - 3) * t * t + 1 if t < 1 else 0.0
def bell(t):
    t = abs(t)
    if t < 0.5: return 0.75 - t * t
    if t < 1.5: return 0.5 * (t - 1.5) ** 2
    return 0.0
def bspl(t):
    t = abs(t)
    if t < 1: return 0.5 * t ** 3 - t * t + 2 / 3
    if t < 2: return (2 - t) ** 3 / 6
    return 0.0
def sinc(x): return 1.0 if x == 0 else math.sin(math.pi * x) / (math.pi * x)
def lanc(t): t = abs(t); return sinc(t) * sinc(t / 3) if t < 3 else 0.0
FILTERS = [("Triangle", tri, 1), ("Hermite", herm, 1), ("Bell", bell, 1.5),
           ("BSpline", bspl, 2), ("Lanczos3", lanc, 3)]

def contributors(n, m, K, R):
    s = m / n if n == 1 or m == 1 else (m - 1) / (n - 1)
    out = []
    for i in range(m):
        c = i / s
        lst = []
        if s < 1:
            width, f = R / s, 1 / s
            js = range(math.floor(c - width), math.ceil(c + width) + 1)
            ws = [round(K((c - j) / f) * 256 / f) for j in js]
        else:
            js = range(math.floor(c - R), math.ceil(c + R) + 1)
            ws = [round(K(c - j) * 256) for j in js]
        for j, w in zip(js, ws):
            if w == 0: continue
            if j < 0: j = -j
            elif j >= n: j = 2 * n - j - 1
            lst.append((min(max(j, 0), n - 1), w))
        out.append(lst)
    return out

def apply(values, contrib):
    res = []
    for lst in contrib:
        s = sum(w * values[j] for j, w in lst); t = sum(w for _, w in lst)
        if t == 0: v = (s & 0xFFFFFFFF) >> 8
        else: v = int(s / t) if abs(s) < 2**52 else s // t
        res.append(min(255, max(0, v)))
    return res

def resample(img, m_w, m_h, K, R):  # img: rows of single-channel values
    h_c = contributors(len(img[0]), m_w, K, R)
    mid = [apply(row, h_c) for row in img]
    v_c = contributors(len(img), m_h, K, R)
    cols = [apply([mid[y][x] for y in range(len(mid))], v_c) for x in range(m_w)]
    return [[cols[x][y] for x in range(m_w)] for y in range(m_h)]

row = [10, 200, 40, 250]
for name, K, R in FILTERS:
    print(name, "up 4->7:", resample([row], 7, 1, K, R)[0])
    print(name, "down 7->3:", resample([[0, 60, 255, 30, 90, 180, 20]], 3, 1, K, R)[0])
grid = [[0, 255, 0], [255, 0, 255], [0, 255, 0]]
print("Lanczos3 2D 3x3->5x4:", resample(grid, 5, 4, lanc, 3))
print("Triangle 2D 3x3->2x2:", resample(grid, 2, 2, tri, 1))
