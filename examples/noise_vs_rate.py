#!/usr/bin/python3
"""The board's noise at a few rates: measures each in turn and prints a table
of CH0's rms and peak-to-peak noise and its noise-free and effective bits.

    python3 noise_vs_rate.py COM4 --rates 1.25sps,10sps,100.2sps --count 1000
"""

import argparse

import tarnview


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("port", help='"COM4", or a device such as /dev/ttyUSB0')
    parser.add_argument("--model", default="pellan2", help="pellan2, quorin2 or pellan")
    parser.add_argument("--rates", default="1.25sps,10sps,100.2sps",
                        help="rate texts or codes, separated by commas")
    parser.add_argument("--count", type=int, default=1000, help="records at each rate")
    args = parser.parse_args()

    with tarnview.Board(args.port, model=args.model) as board:
        first = board.check()
        print(f"{'rate':>10} {'rms(uV)':>10} {'pp(uV)':>10} {'nf_bits':>8} {'eff_bits':>9}")
        try:
            for rate in args.rates.split(","):
                board.set_rate(rate)
                run = board.measure(count=args.count, channels=0, format="binary",
                                    progress=None)
                (ch0,) = tarnview.analyse(run)
                print(f"{run.rate_text:>10} {ch0['sdUv']:10.3f} {ch0['ppUv']:10.3f} "
                      f"{ch0['noiseFreeBits']:8.2f} {ch0['effectiveBits']:9.2f}")
        finally:
            board.set_rate(first.rate)  # the rate the board had


if __name__ == "__main__":
    main()
