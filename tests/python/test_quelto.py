"""The Python module against the command line on the same simulated board and seed."""
import json
import os
import signal
import subprocess
import threading
import time

import numpy as np
import pytest

import quelto

BOARD = dict(interface="parallel", model="KXS306", simulate=True, seed=1)
CLI_BOARD = ["--simulate", "--device", "KXS306", "--sim-seed", "1", "--samples", "1024", "-q"]


def cli(*args):
    run = subprocess.run([os.environ["QUELTO_CLI"], *args], capture_output=True, text=True)
    assert run.returncode == 0, run.stderr
    return run.stdout


def cli_json(*args):
    return json.loads(cli(*args, *CLI_BOARD, "--format", "json"))


# A fresh session each time: the simulated noise goes on from one call to the next.
@pytest.fixture
def session(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    with quelto.Session(**BOARD, samples=1024, notes=lambda text: None) as s:
        yield s


def test_version_is_the_command_lines():
    assert quelto.__version__ == cli("--version").strip()


def test_sweep_is_the_command_lines(session):
    sweep = session.sweep(samples=1024, channel="rate")
    expected = cli_json("sweep")["sweeps"][0]
    assert sweep.codes.dtype == np.uint16 and sweep.values.dtype == np.float64
    assert sweep.codes.tolist() == expected["code"]
    assert sweep.values.tolist() == expected["value"]
    measured = {"period_ms", "sample_rate_hz"}
    assert {k: v for k, v in sweep.stats.items() if k not in measured} == {
        k: v for k, v in expected["statistics"].items() if k not in measured
    }
    assert sweep.stats["sample_rate_hz"] > 0 and not sweep.stopped


def test_spectrum_peak_is_the_command_lines(session):
    spectrum = session.spectrum()
    expected = cli_json("spectrum")["sweeps"][0]
    peak = expected["peak"]
    assert (spectrum.peak_bin, spectrum.peak) == (peak["bin"], peak["magnitude"])
    assert spectrum.magnitude.tolist() == expected["magnitude"]
    assert spectrum.freq_hz[spectrum.peak_bin] == spectrum.peak_hz


def test_selftest_is_the_command_lines(session):
    test = session.selftest()
    expected = cli_json("selftest")
    assert test.report == expected["report"]
    assert test.phase_averages == expected["phase_averages"]
    assert test.shifts == {
        k: v["value"] for k, v in expected["lines"].items() if k.startswith("self_test")
    }
    assert -40 < session.temperature() < 125


def test_log_read_back_and_noise_figures_are_the_command_lines(session):
    path = session.log(channels=["rate", "ain1"], temperature=True, samples=512, passes=3)
    log = quelto.read_log(path)
    assert log["columns"] == ["Sample", "Gyro", "Ain1", "Temp"]
    assert log["device"] == "KXS306" and log["passes"] == 3
    assert log["headers"][0]["Num Samples"] == 512 and log["units"]["Temp"] == "DgrC"
    assert log["Sample"].tolist() == list(range(1, 513)) * 3
    assert np.all(np.isfinite(log["Gyro"])) and log["Gyro"].size == 3 * 512

    density = quelto.noise_density(log["Gyro"], rate_hz=6620, segment=128)
    expected = cli_json("noise", "--from-log", path, "--rate", "6620", "--segment", "128")
    assert density.density.tolist() == expected["density"]
    assert (density.floor, density.segments) == (expected["floor"], expected["segments"])

    allan = quelto.allan_deviation(log["Gyro"], rate_hz=6620)
    expected = cli_json("adev", "--from-log", path, "--rate", "6620")
    assert allan.adev.tolist() == expected["adev"] and allan.tau_s.tolist() == expected["tau_s"]
    assert allan.white_noise == expected["white_noise"]
    assert allan.adev_low.tolist() == expected["adev_low"]
    assert allan.adev_high.tolist() == expected["adev_high"]


@pytest.mark.parametrize(
    "call, error, reason",
    [
        (lambda s: s.sweep(samples=0), quelto.UsageError, "samples: samples a sweep are 1 to 65536"),
        (lambda s: s.sweep(channel="z"), ValueError, "channel: z is not a channel"),
        (lambda s: s.sweep(channel=7), ValueError, "channel: 7 is not a channel"),
        (lambda s: s.spectrum(channel=1.5), ValueError, "channel: a channel is a name"),
        (lambda s: s.log(passes=-1), ValueError, "passes: passes are 1 or more"),
        (lambda s: s.log(file="a/b"), ValueError, 'file: a log file name may not contain "/"'),
        (lambda s: quelto.Session(**BOARD), quelto.Error, "a session is open already"),
        (lambda s: quelto.noise_density([1.0] * 64, rate_hz=0), ValueError, "rate_hz: must be"),
        (lambda s: quelto.noise_density([1.0] * 64, 10, segment=100), ValueError, "segment: 100 is not"),
        (lambda s: quelto.allan_deviation([[1.0]], 10), ValueError, "values: the values are one"),
        (lambda s: quelto.allan_deviation([1.0] * 3, 10), ValueError, "values: An Allan deviation"),
        (lambda s: quelto.noise_density([np.nan] * 64, 10), ValueError, "values: Sample 0 of"),
        (lambda s: quelto.read_log("missing.txt"), RuntimeError, "path: missing.txt is not a file"),
    ],
)
def test_bad_arguments_are_refused_with_the_programs_reason(session, call, error, reason):
    with pytest.raises(error) as raised:
        call(session)
    assert str(raised.value).startswith(reason)


def test_session_arguments_are_checked_before_the_board_is_opened():
    for given, reason in [
        (dict(model="KXS999"), "model: KXS999 is not a sensor model"),
        (dict(delay=-1), "delay: must be a finite number"),
        (dict(seed=1), "simulate: the simulated part's noise and seed need simulate=True"),
        (dict(simulate=True, seed=-1), "seed: a seed is 0 to 4294967295"),
    ]:
        with pytest.raises(quelto.UsageError, match="^" + reason):
            quelto.Session(**given)


def test_ctrl_c_stops_a_long_sweep_and_keeps_its_samples(session):
    threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT)).start()
    started = time.monotonic()
    with pytest.raises(KeyboardInterrupt) as raised:
        session.sweep(samples=65536)  # half a minute at the simulated board's pace
    partial = raised.value.partial
    assert time.monotonic() - started < 5
    assert partial.stopped and 0 < partial.values.size < 65536
    assert partial.codes.size == partial.values.size == partial.stats["samples"]
    assert session.sweep(samples=16).values.size == 16
