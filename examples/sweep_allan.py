#!/usr/bin/env python3
"""A sweep of the simulated gyroscope's rate, plotted with its Allan deviation to two PNG
files when Matplotlib is there; the figures are printed either way.

    PYTHONPATH=build/debug python3 examples/sweep_allan.py [output folder]
"""
import sys

import quelto


def main(folder="."):
    with quelto.Session(model="KXS306", simulate=True, seed=1, amplitude=0) as session:
        sweep = session.sweep(samples=65536, channel="rate")
    units = sweep.channel["units"]
    rate = sweep.stats["sample_rate_hz"]
    allan = quelto.allan_deviation(sweep.values, rate_hz=rate)
    print(f"{sweep.channel['device']} {sweep.channel['title']}: {sweep.values.size} samples "
          f"at {rate:.0f} Hz, mean {sweep.stats['mean']:.4f} {units}, "
          f"AC RMS {sweep.stats['ac_rms']:.4f} {units}")
    # A coefficient the record cannot support is None, with the reason in allan.fits.
    for name, value, unit in [("white noise", allan.white_noise, f"{units}/sqrt(Hz)"),
                              ("bias instability", allan.bias_instability, units),
                              ("rate random walk", allan.rate_random_walk, f"{units}*sqrt(Hz)")]:
        fit = allan.fits[name.replace(" ", "_")]
        print(f"{name}: {value:.3g} {unit}, tau {fit['tau_low_s']:.3g} to {fit['tau_high_s']:.3g} s"
              if value is not None else f"{name}: absent, {fit['reason']}")
    try:
        import matplotlib

        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        print("Matplotlib is not installed: no plots", file=sys.stderr)
        return
    time_s = [k / rate for k in range(sweep.values.size)]
    fig, ax = plt.subplots(figsize=(8, 4), layout="constrained")
    ax.plot(time_s, sweep.values, linewidth=0.4)
    ax.set(xlabel="time (s)", ylabel=f"rate ({units})",
           title=f"{sweep.channel['device']} sweep, {rate:.0f} Hz")
    ax.grid(True, alpha=0.3)
    fig.savefig(f"{folder}/python-sweep.png", dpi=100)
    fig, ax = plt.subplots(figsize=(8, 4.5), layout="constrained")
    # The 68 % bounds are not symmetric about the deviation.
    ax.errorbar(allan.tau_s, allan.adev, fmt="o-", markersize=3,
                yerr=[allan.adev - allan.adev_low, allan.adev_high - allan.adev])
    ax.set(xscale="log", yscale="log", xlabel="tau (s)", ylabel=f"Allan deviation ({units})",
           title=f"{sweep.channel['device']} overlapping Allan deviation")
    ax.grid(True, which="both", alpha=0.3)
    fig.savefig(f"{folder}/python-allan.png", dpi=100)
    print(f"plots in {folder}/python-sweep.png and {folder}/python-allan.png")


if __name__ == "__main__":
    main(*sys.argv[1:2])
