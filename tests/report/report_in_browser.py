#!/usr/bin/python3
"""The noise report of a data file with known noise, read back by headless
Chromium: its figures are those numpy computes (the rms noise's interval from
chi-square quantiles found here by integrating the density, the Allan
deviation from block means) and those the command line prints, and each
channel has its four pictures. Then the same file compared with a second one
whose CH0 is noisier: each run's figures are those of stats, every number the
text prints is in the page, CH0's difference is real and CH1's within the
spread, and each channel has its pictures. With TARNBOARD, the report of a
sweep of three rates against the simulated board: a row per rate, every
figure of the printed table in the page, the picture of the noise against the
rate with its bars and lines, and each run's pictures. The pages' text and
screenshots go to the artifacts folder.

usage: report_in_browser.py TARNVIEW_CLI ARTIFACTS_DIR [TARNBOARD]"""
import json
import math
import os
import re
import subprocess
import sys
import tempfile

import numpy as np

cli, artifacts = sys.argv[1], sys.argv[2]
os.makedirs(artifacts, exist_ok=True)
work = tempfile.mkdtemp()
RATE, N, SD, LINE_HZ, LINE_RMS, DRIFT = 1007.0, 20000, 20.0, 50.0, 30.0, 0.001

rng = np.random.default_rng(3)
t = np.arange(N) / RATE
# CH1 drifts by DRIFT codes a value: its Allan deviation turns near m = 256.
codes = [np.rint(8388608 + rng.normal(0, SD, N) +
                 LINE_RMS * np.sqrt(2) * np.sin(2 * np.pi * LINE_HZ * t)).astype(int),
         np.rint(8000000 + rng.normal(0, SD / 4, N) + DRIFT * np.arange(N)).astype(int)]
header = ["データ", "2026/12/08 9:30:00", "設定 : ±2.5V / IntRef / Sinc5+Sinc1",
          "データレート : 1007sps", "測定CH : CH0 / CH1", "データ個数 : %d" % N,
          "CH0=Ain0-Ain1,CH1=Ain2-Ain3"]
rows = ["%06X,%06X" % pair for pair in zip(*codes)]
data = os.path.join(work, "noise.csv")
with open(data, "wb") as f:
    f.write(("\r\n".join(header + rows) + "\r\n").encode())


def welch_density(x):
    """Welch's one-sided ASD with the periodic 4-term Blackman-Harris window."""
    length = 4096
    while length > 16 and length > len(x) // 4:
        length //= 2
    i = np.arange(length)
    w = (0.35875 - 0.48829 * np.cos(2 * np.pi * i / length) +
         0.14128 * np.cos(4 * np.pi * i / length) - 0.01168 * np.cos(6 * np.pi * i / length))
    starts = range(0, len(x) - length + 1, length // 2)
    p = np.mean([np.abs(np.fft.rfft((x[s:s + length] - x[s:s + length].mean()) * w)) ** 2
                 for s in starts], axis=0) * 2 / (RATE * np.sum(w * w))
    p[[0, -1]] /= 2  # DC and rate/2 have no mirror image
    nu = 2 * len(starts)
    return np.sqrt(np.median(p[4:]) / (1 - 2 / (9 * nu)) ** 3)


def chi2_cdf(k, x, points=20001):
    """P(chi-square of k degrees <= x): Simpson's rule over u = sqrt(t), where the
    density 2u f(u^2) is finite, from where the mass below is negligible."""
    top = math.sqrt(x)
    bottom = max(0.0, min(top, math.sqrt(k) - 14))
    u = np.linspace(bottom, top, points)
    log_f = (math.log(2) + (k - 1) * np.log(np.maximum(u, 1e-300)) - u * u / 2 -
             k / 2 * math.log(2) - math.lgamma(k / 2))
    f = np.exp(log_f)
    return (top - bottom) / (points - 1) / 3 * (f[0] + f[-1] + 4 * f[1:-1:2].sum() +
                                                2 * f[2:-1:2].sum())


def chi2_quantile(k, p):
    """By bisection on the integrated distribution."""
    low, high = 0.0, k + 20 * math.sqrt(2 * k) + 40
    while high - low > 1e-13 * high:
        mid = (low + high) / 2
        low, high = (mid, high) if chi2_cdf(k, mid) < p else (low, mid)
    return (low + high) / 2


def allan(x):
    """Overlapping ADEV from the means of every run of m values, m = 1, 2, 4 ... n/4."""
    points, m = [], 1
    while m <= len(x) // 4:
        means = np.convolve(x, np.ones(m) / m, mode="valid")
        points.append((m, np.sqrt(np.mean((means[m:] - means[:-m]) ** 2) / 2)))
        m *= 2
    return points


failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


out = os.path.join(work, "report.html")
run = subprocess.run([cli, "report", data, "--out", out, "--json"], capture_output=True, check=True)
figures = json.loads(run.stdout)["figures"]
text = subprocess.run([cli, "report", data, "--out", out], capture_output=True, text=True,
                      check=True).stdout
uv = 5e6 / 2 ** 24
for f, x in zip(figures, codes):
    ch = "CH%d" % f["channel"]
    check(abs(f["sd"] - np.std(x)) < 1e-9 * np.std(x), ch + " sd is numpy's")
    check(f["pp"] == x.max() - x.min(), ch + " pp is numpy's")
    check(abs(f["sdUv"] - np.std(x) * uv) < 1e-9, ch + " sd in µV")
    density = f["spectrum"]["noiseDensity"]
    check(abs(density / welch_density(x.astype(float)) - 1) < 1e-6, ch + " noise density")
    white = np.sqrt((SD ** 2 if ch == "CH0" else (SD / 4) ** 2) * 2 / RATE)
    check(abs(density / white - 1) < 0.06, ch + " noise density of the white noise")
    n = len(x)
    ci = [np.std(x) * math.sqrt(n / chi2_quantile(n - 1, p)) for p in (0.975, 0.025)]
    check(all(abs(got / want - 1) < 1e-8 for got, want in zip(f["sdCi95"], ci)),
          "%s sd interval %s, numpy's %s" % (ch, f["sdCi95"], ci))
    check(all(abs(got - want * uv) < 1e-9 for got, want in zip(f["sdUvCi95"], ci)),
          ch + " sd interval in µV")
    ours = allan(x.astype(float))
    check([(p["values"], p["seconds"]) for p in f["allan"]] == [(m, m / RATE) for m, _ in ours],
          ch + " Allan lengths and times")
    check(all(abs(p["adev"] / a - 1) < 1e-9 for p, (_, a) in zip(f["allan"], ours)),
          ch + " Allan deviation")
    least = int(np.argmin([a for _, a in ours]))
    turn = None if least == len(ours) - 1 else ours[least][0]
    check((f["allanTurn"] or {}).get("values") == turn, "%s turn at m = %s" % (ch, turn))
check(figures[1]["allanTurn"] is not None, "CH1's drift stops the Allan deviation falling")
lines = figures[0]["spectrum"]["lines"]
check(len(lines) == 1 and abs(lines[0]["hz"] - LINE_HZ) < 0.3 and
      abs(lines[0]["rms"] / LINE_RMS - 1) < 0.04 and lines[0]["mainsHz"] == 50,
      "the 50 Hz line and its size: %s" % lines)

browser = ["/usr/bin/chromium", "--headless", "--no-sandbox", "--disable-gpu",
           "--disable-background-networking", "--disable-component-update", "--disable-sync",
           "--no-first-run", "--hide-scrollbars", "--user-data-dir=" + tempfile.mkdtemp()]


def read_page(path, size, shot):
    """The page as Chromium reads it, and its screenshot `shot` in the artifacts."""
    subprocess.run(browser + ["--window-size=" + size, "--screenshot=" +
                              os.path.join(artifacts, shot), "file://" + path],
                   capture_output=True, timeout=120)
    return subprocess.run(browser + ["--dump-dom", "file://" + path], capture_output=True,
                          text=True, timeout=120).stdout


dom = read_page(out, "900,2400", "noise-report.png")
shot = os.path.join(artifacts, "noise-report.png")
page = re.sub(r"<[^>]+>", " ", re.sub(r"<svg.*?</svg>", "[picture]", dom, flags=re.S))
with open(os.path.join(artifacts, "noise-report.txt"), "w") as f:
    f.write(re.sub(r"\s+", " ", page))
for f, section in zip(figures, re.split(r"<h2>", dom)[1:3]):
    check(section.count("<svg") == 4, "four pictures in " + section[:20])
    check('aria-label="CH%d Allan deviation"' % f["channel"] in section, "the Allan picture")
    check("assumes independent values" in section, "the interval's assumption")
    if f["allanTurn"]:
        check("stops falling: τ = " in section and "<circle" in section, "the turn marked")


def check_printed(text, dom, where, numbers_of):
    """Every figure that numbers_of finds in a line of the printed text is in
    the page, with the same decimals."""
    for line in text.splitlines():
        for value in numbers_of(line):
            check(">" + value + "<" in dom, "%s of '%s' in %s" % (value, line, where))


def report_numbers(line):
    if re.match(r"CH\d (count|noise|lines)", line):
        return [a or b for a, b in re.findall(r"=(-?\d+\.\d+)|(\d+\.\d+)(?:Hz|codes|uV)", line)]
    if re.match(r"CH\d sd 95% interval", line):
        numbers = re.findall(r"\d+\.\d+", line)
        check(len(numbers) == 4, "both bounds in codes and µV: " + line)
        return numbers
    return []


check_printed(text, dom, "the page", report_numbers)
check(os.path.getsize(shot) > 20000 if os.path.exists(shot) else False, "a screenshot")

# Runs compared: a second file, its CH0 half as noisy again and without the
# line, its CH1 as the first's; named with characters that markup escapes.
second = os.path.join(work, "b <2> & c.csv")
rows = ["%06X,%06X" % pair for pair in zip(
    np.rint(8388608 + rng.normal(0, SD * 1.5, N)).astype(int),
    np.rint(8000000 + rng.normal(0, SD / 4, N) + DRIFT * np.arange(N)).astype(int))]
with open(second, "wb") as f:
    f.write(("\r\n".join(header + rows) + "\r\n").encode())
compared = os.path.join(work, "compared.html")
runs = json.loads(subprocess.run([cli, "report", data, second, "--out", compared, "--json"],
                                 capture_output=True, check=True).stdout)["runs"]
text = subprocess.run([cli, "report", data, second, "--out", compared], capture_output=True,
                      text=True, check=True).stdout
for run, path in zip(runs, [data, second]):
    stats = json.loads(subprocess.run([cli, "stats", path, "--json"], capture_output=True,
                                      check=True).stdout)
    check(run["file"] == path and run["figures"] == stats["figures"], path + ": stats' figures")
check([d["verdict"] for d in runs[1]["sdAgainstFirst"]] == ["real", "within the spread"],
      "CH0's difference real, CH1's within the spread: %s" % runs[1]["sdAgainstFirst"])
dom = read_page(compared, "900,3000", "runs-compared.png")
for name in [data, second]:
    check(name.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;") in dom, name)
for ch in ("CH0", "CH1"):
    for picture in (" spectra compared", " histograms compared", " waveform, " + data):
        check(dom.count('aria-label="%s%s"' % (ch, picture)) == 1, ch + picture)


def comparison_numbers(line):
    if re.match(r"CH\d (count|noise|lines|sd 95% interval)", line):
        return [a or b or c for a, b, c in re.findall(
            r"=(-?\d+\.\d+)|(\d+\.\d+)(?:Hz|codes|uV)|(\d+\.\d+)\.\.", line)]
    if " against " in line:
        numbers = re.findall(r"(\d+\.\d+) %", line)
        check(len(numbers) == 1, "the difference's size: " + line)
        return numbers
    return []


check_printed(text, dom, "the comparison", comparison_numbers)

if len(sys.argv) > 3:
    board = subprocess.Popen([sys.argv[3], "--no-pacing"], stdin=subprocess.PIPE,
                             stdout=subprocess.PIPE, text=True)
    port = board.stdout.readline().strip()
    folder = os.path.join(work, "sweep")
    rates = ["1.25sps", "59.52sps", "1007sps"]
    run = subprocess.run([cli, "--port", port, "sweep", "--rates", ",".join(rates), "--count",
                          "3000", "--channels", "both", "--out", folder, "--note", "shorted"],
                         capture_output=True, text=True, timeout=120,
                         env=dict(os.environ, TARNVIEW_REPLY_MS="10000"))
    board.stdin.close()
    board.wait(timeout=10)
    check(run.returncode == 0, "sweep: " + run.stderr)
    sweep = os.path.join(folder, "report.html")
    dom = read_page(sweep, "800,1300", "sweep-report.png")
    table = dom[dom.find('<table class="rates"'):]
    table = table[:table.find("</table>")]
    bodies = re.findall(r"<tbody>(.*?)</tbody>", table, re.S)
    check([re.match(r"<tr><td[^>]*>([^<]+)<", b).group(1) for b in bodies] == rates,
          "a row per rate: %s" % [b[:40] for b in bodies])
    # Each row of the printed table: its µV and bits in the rate's row, every figure in the page.
    rows = [line for line in run.stdout.splitlines() if re.match(r"\d+=", line)]
    check(len(rows) == len(rates), "the printed table: " + run.stdout)
    for line, body in zip(rows, bodies):
        numbers = re.findall(r"\d+\.\d+", line.split("finished", 1)[-1])
        check(len(numbers) == 10, "ten figures in " + line)
        for i, value in enumerate(numbers):
            check(">" + value + "<" in dom, "%s of '%s' in the page" % (value, line))
            check(i % 5 == 0 or ">" + value + "<" in body, "%s of '%s' in its row" % (value, line))
    picture = re.search(r'<svg[^>]*aria-label="rms noise against the rate".*?</svg>', dom, re.S)
    picture = picture.group(0) if picture else ""
    check(len(re.findall(r"M[-\d.]+ [-\d.]+V[-\d.]+m-3", picture)) == 6, "a bar per point")
    check(len(re.findall(r'L[-\d.]+ [-\d.]+" stroke="#[0f]+" stroke-width="1.5" '
                         r'stroke-dasharray', picture)) == 2, "a white-noise line per channel")
    check(dom.count("<svg") == 1 + len(rates) * 2 * 4, "the rate picture and four per channel")
    check("assumes independent values" in table + dom[dom.find("</table>", dom.find(table)):]
          [:2000], "the interval's assumption under the table")
for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
