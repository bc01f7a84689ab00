#!/usr/bin/env python3
"""The benchmark's table from its results: one line per step, "PRODUCT STEP MS [PEAK_KIB]".

  report.py [--measured WHAT] RESULTS PRODUCT...

WHAT says which build of Setup.exe ran in which Wine prefix, beside which NSIS installers; it is
printed under the table's heading line, so that a table copied elsewhere keeps it.

Times are medians over the rounds; ratios are of medians. "wizard" is Setup.exe from the Enter on
Install to the Ready page, "no window" the same run without a window (install_bench), "nsis" the
NSIS installer from its start to its end; "uninstall" is Uninst.exe from the Yes to its report,
"nsis uninst." NSIS's uninstaller from its start to its end.
"""
import statistics
import sys


def main() -> int:
    args = sys.argv[1:]
    measured = None
    if args[:1] == ["--measured"] and len(args) > 1:
        measured, args = args[1], args[2:]
    if not args:
        print("usage: report.py [--measured WHAT] RESULTS PRODUCT...", file=sys.stderr)
        return 2
    times, peaks = {}, {}
    for line in open(args[0]):
        product, step, ms, *kib = line.split()
        times.setdefault((product, step), []).append(float(ms))
        if step == "wizard" and kib:
            peaks[product] = max(peaks.get(product, 0), int(kib[0]))

    def median(product, step):
        values = times.get((product, step))
        return statistics.median(values) if values else None

    def ms(value):
        return f"{value:.0f}" if value is not None else "-"

    def ratio(a, b):
        return f"{a / b:.2f}" if a is not None and b else "-"

    rounds = max((len(v) for v in times.values()), default=0)
    print(f"medians of {rounds} rounds, milliseconds")
    if measured:
        print(f"measured: {measured}")
    head = ("product", "wizard", "no window", "nsis", "xcopy", "wiz/nsis", "wiz/xcopy",
            "uninstall", "nsis uninst.", "uninst/nsis", "peak KiB")
    print("| " + " | ".join(head) + " |")
    print("|" + "|".join("---" for _ in head) + "|")
    for product in args[1:]:
        wizard, nsis, xcopy = (median(product, s) for s in ("wizard", "nsis", "xcopy"))
        uninstall, nsis_uninstall = median(product, "uninstall"), median(product, "nsis-uninstall")
        row = (product, ms(wizard), ms(median(product, "no-window")), ms(nsis), ms(xcopy),
               ratio(wizard, nsis), ratio(wizard, xcopy), ms(uninstall), ms(nsis_uninstall),
               ratio(uninstall, nsis_uninstall), str(peaks.get(product, "-")))
        print("| " + " | ".join(row) + " |")
    if "sample" in peaks:
        print(f"Setup.exe's peak working set with the sample product: {peaks['sample']} KiB")
    return 0


if __name__ == "__main__":
    sys.exit(main())
