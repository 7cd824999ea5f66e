#include "cli/options.h"

namespace tarn::cli {

std::string usageText() {
  return R"(Usage: tarnview-cli [--port COMn|DEVICE] [--model pellan2|quorin2|pellan] COMMAND ...

Talks to the ADC board as the tarnview window does: the same commands, the
same messages and the same data file.

Commands:
  check                 connect and check the board: its status, reference or
                        input range, filter, rate and the serial line settings
  rate                  read the current rate
  rate set CODE|TEXT    set the rate, by its position in the filter's rate list
                        (0 is the first) or by its text ("100.2sps")
  measure --count N [--channels 0|1|both] [--format binary|mv] [--rate CODE|TEXT]
          [--out FILE.csv] [--report REPORT.html] [--json] [--max-pp X]
          [--min-bits B]
                        set the rate (the given one, otherwise the board's own),
                        take N records (0: until Ctrl-C or the table's 66001),
                        print the summary and the noise figures
  sweep [--rates all|LIST] [--count N | --seconds S] [--channels 0|1|both]
        [--format binary|mv] --out DIR [--note TEXT] [--json]
                        measure at each rate in turn (every rate of the
                        filter by default), then set the board back to the
                        rate it was at. DIR (made if missing) gets one data
                        file per rate, rate-CODE-TEXT.csv, each as measure
                        --out writes it, and report.html, the noise report of
                        every run under the sweep's conditions; the table
                        gives a line per rate: records, how the run ended,
                        and per channel the figures of stats. A rate whose
                        start is refused, that the board does not take, that
                        sends no record for the reply time and three record
                        periods, or whose records are all damaged is marked
                        so and the sweep goes on; a lost port ends it, and
                        Ctrl-C stops it. Before it starts it tells on stderr
                        how long it takes: each run's records at the line's
                        pace or the rate's, whichever is slower
  stats FILE.csv [--json] [--max-pp X] [--min-bits B]
                        the same figures from a data file the window or
                        'measure --out' saved; rows that are not values are
                        left out of them: the text says how many and the
                        first one's number, the JSON's "discarded" counts them
  report FILE.csv --out REPORT.html [--json]
                        the figures of stats, and the noise report of the file:
                        one HTML page that needs nothing else (pictures inline,
                        nothing fetched), for the screen and for A4 paper: the
                        settings, per channel the figures with their formulas,
                        the waveform, the histogram and the spectrum
  report A.csv B.csv ... --out REPORT.html [--json]
                        runs compared on one such page: their settings side by
                        side, one table of figures with a column per run, and
                        per channel the spectra and histograms (as densities)
                        overlaid and the waveforms one above the other. Each
                        run's rms noise against the first's: "real" when their
                        95% intervals do not overlap, "within the spread" when
                        they do. Channels not in every file are left out; the
                        runs are compared in codes (binary data of one input
                        range), mV (mV data), or else uV (mV x 1000, codes x
                        span / 2^24); binary data whose settings name no range
                        cannot join uV (exit 2). --json gives "runs", one
                        object per file with the figures of stats

Options:
  --port COMn|DEVICE    COMn is the port itself on Windows (\\.\COMn); elsewhere
                        the device in the environment variable TARNVIEW_COMn,
                        otherwise /dev/ttyS<n-1>. COM1 to COM16 on the current
                        boards; any other name is a device path. Default COM4,
                        as in the window.
  --model NAME          pellan2 (115200,N,8,1; default), quorin2 (38400,N,8,1)
                        or pellan (the older board and its protocol). For stats
                        it sets the mV unit.
  --count N             records to take, 0 to 65535; for sweep 1 to 65535 per
                        rate, 256 by default
  --seconds S           (sweep) S seconds per rate: rate x S records, at least
                        256 and at most 65535. 256 values put the rms noise's
                        95 % interval within about +-9 % and give the Allan
                        deviation averaging lengths up to 64 (n/4); at
                        1.25 sps they take 3 min 25 s
  --rates all|LIST      (sweep) codes or rate texts separated by commas
                        ("2,5,11", "5sps,1007sps") or ranges of codes ("0-11"),
                        measured in that order; default all
  --note TEXT           (sweep) a note for the report's conditions, such as
                        "inputs shorted at the connector"
  --channels 0|1|both   CH0=Ain0-Ain1, CH1=Ain2-Ain3 or both (default 0)
  --format binary|mv    24-bit codes in hexadecimal, or mV data (default binary)
  --rate CODE|TEXT      the rate to measure at
  --out FILE.csv        save the records as the window saves them (its lines,
                        the user's character set, CR LF), replacing FILE.csv in
                        one step; nothing is written when no record arrived
  --out REPORT.html     (report) where the report goes, replaced in one step
  --out DIR             (sweep) the folder of the data files and the report
  --report REPORT.html  (measure) the noise report of the records, as 'report'
                        writes it
  --json                print one JSON object (UTF-8): the settings, the counts
                        and the figures, in place of the text
  --quiet               no progress on stderr; progress (count, rate, time
                        remaining) is shown only when stderr is a terminal
  --max-pp X            pass only when every channel's peak-to-peak <= X
                        (codes for binary data, mV for mV data)
  --min-bits B          pass only when every channel's noise-free bits >= B
                        (binary data only)
  -h, --help            this text
  --version             the program's name and version

Noise figures, for each measured channel of the n records:
  count                 n
  mean                  m = (x1 + ... + xn) / n
  standard deviation    sd = sqrt(((x1 - m)^2 + ... + (xn - m)^2) / n), the rms
                        noise (divided by n, not n - 1)
  peak-to-peak          pp = max(x) - min(x)
  sd 95% interval       sd sqrt(n / q(0.975)) to sd sqrt(n / q(0.025)), q(p)
                        the chi-square quantile of n - 1 degrees of freedom:
                        it assumes independent values of normal noise, for
                        which n sd^2 / sigma^2 has that distribution (none
                        below 2 values)
  Allan deviation       (JSON and report) overlapping, at m = 1, 2, 4 ... up to
                        n/4 values: ADEV(m)^2 = sum over j = 0 ... n - 2m of
                        (S(j+2m) - 2 S(j+m) + S(j))^2 / (2 m^2 (n - 2m + 1)),
                        S(k) = x(0) + ... + x(k-1); tau = m / rate seconds. It
                        stops falling at the m of the least ADEV, unless that
                        is the last m
  binary data only:
  noise-free bits       log2(2^24 / pp)
  effective resolution  log2(2^24 / sd)
                        each 24 when its spread is 0, and never above 24
  in µV (binary data)   sd, its interval, pp and the Allan deviation times the
                        input range's span over 2^24 codes: 5 V for ±2.5V,
                        10 V for ±5V, as the settings line names the range
  noise density         the median over f of the amplitude spectral density
                        √P(f), per √Hz (also µV/√Hz for binary data). P is
                        Welch's one-sided power spectral density at the rate
                        of the rate text ("1007sps"): segments of L values
                        (the largest power of two up to 4096 and up to a
                        quarter of the values, 16 at least) overlapped by
                        half, less their mean, times the 4-term Blackman-Harris window w;
                        P(f) = 2 |FFT(w x)(f)|^2 / (rate sum(w^2)), averaged.
                        The median is divided by its bias (1 - 2/(9 v))^3,
                        v = 2 x segments
  lines                 peaks whose P is 10 times the median P of the bins
                        around them: the frequency (the P-weighted centre of
                        the peak's +-4 bins) and the rms size
                        sqrt(sum(P - floor) x bin width); those within 1 % (or
                        1.5 bins) of a multiple of 50 or 60 Hz are named as
                        mains, with the harmonic
Units: codes (0 to FFFFFF) for binary data; mV for mV data, the board's value
divided by 1000 (Pellan2, Quorin2) or 100 (Pellan), as the window's summary.
Codes are summed exactly in integers, so 65535 records lose nothing to rounding.
A value is six hexadecimal digits, or in mV data one decimal number (blanks, a
sign, digits and one point); a record or row holding any other text was damaged
on the way, and measure discards it as it does a record broken in length.

The summary line is the window's final status text, for example
  測定終了... CH0[digit pp]= 380
Ctrl-C (or SIGTERM; Ctrl-Break on Windows) during measure or sweep stops as
the window's stop does: the stop command goes out, and the records that arrived
are summed up and saved; a sweep then sets the rate back.

Exit status:
  0  success
  1  a board or port failure (the window's message on stderr), a file that
     cannot be read or written, or a measurement with no valid record; for
     sweep, any rate that did not finish (failed, or not reached after a
     lost port or Ctrl-C) or a rate that could not be set back
  2  a usage error: an unknown option or command, a count outside 0-65535, an
     unknown rate, a rate listed twice, --count with --seconds, sweep
     without --out, a port name out of range, a file that is not a data file
     or holds no records, a channel without a value (report), files that
     cannot be compared (report A.csv B.csv ...);
     nothing is sent to the board (a rate text that only the board's other
     filter offers is found after the check, which changes nothing)
  3  --max-pp or --min-bits given and a channel misses the limit
)";
}

std::string versionText() { return "tarnview-cli " TARNVIEW_VERSION "\n"; }

}  // namespace tarn::cli
