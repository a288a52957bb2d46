"""The sensor evaluation program as a Python module.

A Session takes sweeps, spectra, self-tests, temperatures and logs with the same handlers as
the windows and the command line, so the numbers are theirs; noise_density, allan_deviation
and read_log need no session. Names, units and defaults are the command line's.
"""

from typing import Any, Callable, Dict, Iterable, Literal, Optional, Sequence, Union

import numpy as np
import numpy.typing as npt

__version__: str

ChannelName = Union[Literal["rate", "x", "y", "ain1", "ain2"], int]

class Error(Exception):
    """The program's own reason; .parameter names the argument at fault, or is None."""

    parameter: Optional[str]

class UsageError(Error, ValueError):
    """A bad argument: the call is refused before anything runs."""

class RunError(Error, RuntimeError):
    """The board, the adapter or a file failed the run."""

def models() -> list[str]:
    """The sensor models the program knows, in menu order."""

class Sweep:
    """One sweep of one channel."""

    channel: dict[str, Union[str, int]]
    """device, number, title, units."""
    codes: npt.NDArray[np.uint16]
    """The converter's codes, one per sample."""
    values: npt.NDArray[np.float64]
    """The samples in the channel's units, the numbers the command line prints."""
    stats: dict[str, float]
    """samples, min, max, pk_pk, mean, ac_rms (channel units), period_ms, sample_rate_hz
    (measured), temperature_c."""
    stopped: bool
    """Stopped by Ctrl+C, with the samples taken until then."""

class Spectrum:
    """A sweep's spectrum, as the spectrum window computes it."""

    channel: dict[str, Union[str, int]]
    points: int
    bin_width_hz: float
    freq_hz: npt.NDArray[np.float64]
    magnitude: npt.NDArray[np.float64]
    """In the channel's units."""
    peak_bin: int
    peak_hz: float
    peak: float
    stats: dict[str, float]
    stopped: bool

class SelfTest:
    """The self-test measurement."""

    device: str
    units: str
    phase_averages: list[float]
    """The averages of the four quarters (before, self-test on, ..., after)."""
    lines: dict[str, float]
    """Each line of the report by key (avg_before, self_test_pos, ...), in units."""
    codes: dict[str, float]
    """The same lines in converter codes."""
    shifts: dict[str, float]
    """The self-test shifts alone (self_test, or self_test_pos and self_test_neg)."""
    report: str
    """The report box's text."""

class NoiseDensity:
    """One-sided noise density by Welch's method."""

    freq_hz: npt.NDArray[np.float64]
    density: npt.NDArray[np.float64]
    """units/sqrt(Hz)."""
    floor: float
    """Median density over the band: the white-noise floor."""
    band_low_hz: float
    band_high_hz: float
    segment: int
    segments: int

class AllanDeviation:
    """Overlapping Allan deviation and the coefficients read off its slopes."""

    tau_s: npt.NDArray[np.float64]
    adev: npt.NDArray[np.float64]
    adev_error: npt.NDArray[np.float64]
    adev_low: npt.NDArray[np.float64]
    adev_high: npt.NDArray[np.float64]
    """68 % chi-squared bounds from the estimator's equivalent degrees of freedom."""
    m: npt.NDArray[np.int64]
    """Samples averaged at each tau."""
    white_noise: Optional[float]
    """N, units/sqrt(Hz), at tau = 1 s on the -1/2 slope; None when there is none."""
    bias_instability: Optional[float]
    bias_instability_tau_s: float
    rate_random_walk: Optional[float]
    """K, units*sqrt(Hz); None when the record is too short."""
    fits: Dict[str, Dict[str, Any]]
    """Per coefficient (white_noise, bias_instability, rate_random_walk): tau_low_s,
    tau_high_s and points of its fit, or the reason it is absent."""

class Session:
    """A session on one board, as the windows have it after start-up.

    One session may be open at a time in a process (the program has one state): a second one
    raises UsageError. Use it as a context manager, or close() it. Every call runs without the
    GIL, one at a time. Ctrl+C stops a run as the Stop button does and raises
    KeyboardInterrupt carrying what the run took in its .partial attribute (Python runs its
    signal handlers in the main thread only: a call from another thread runs to its end).
    """

    def __init__(
        self,
        *,
        interface: Optional[Literal["parallel", "usb", "none"]] = None,
        model: Optional[str] = None,
        port: Optional[str] = None,
        adapter: Optional[int] = None,
        samples: Optional[int] = None,
        channel: Optional[ChannelName] = None,
        delay: float = 0.0,
        config: Optional[str] = None,
        simulate: Union[bool, str] = False,
        density: Optional[float] = None,
        bias_instability: Optional[float] = None,
        rate_random_walk: Optional[float] = None,
        amplitude: Optional[float] = None,
        seed: Optional[int] = None,
        direct_io: bool = False,
        notes: Optional[Callable[[str], object]] = None,
    ) -> None:
        """Opens the board.

        interface: how the board is reached (default: the configuration's, else parallel).
        model: the sensor model, any case (default: the simulated board's or the
            configuration's).
        port: the parallel port's base address in hexadecimal (default: 378).
        adapter: USB adapter 0..3 (default: the first found).
        samples: samples a sweep, 1..65536 (default: the configuration's, else 2048).
        channel: the channel sweeps take (default 0, "rate" or "x").
        delay: read delay between samples, ms, 0..60000.
        config: settings file read now and written back by close().
        simulate: simulated boards instead of hardware; a model's name plugs in that board.
        density, bias_instability, rate_random_walk, amplitude, seed: the simulated part's
            white noise (g or deg/s per sqrt(Hz)), bias instability (deg/s), rate random walk
            (deg/s*sqrt(Hz)), sine peak (fraction of full scale) and noise seed; simulate only.
        direct_io: raw port I/O instead of the parport driver (x86, root).
        notes: called with each message the windows would show in a box (default: printed
            to standard error).
        """
    def __enter__(self) -> "Session": ...
    def __exit__(self, *exc: object) -> None: ...
    def close(self) -> None:
        """Saves the settings to config (when given) and ends the session."""
    @property
    def channel(self) -> dict[str, Union[str, int]]:
        """The channel sweeps take: device, number, title, units."""
    def sweep(self, samples: Optional[int] = None, channel: Optional[ChannelName] = None) -> Sweep:
        """One sweep of samples (1..65536; None keeps the length) of channel (None keeps it).

        Ctrl+C raises KeyboardInterrupt with the samples taken so far in .partial (a Sweep
        with stopped True).
        """
    def spectrum(
        self, samples: Optional[int] = None, channel: Optional[ChannelName] = None
    ) -> Spectrum:
        """A sweep and its spectrum, peak included (as "Plot Data" with FFT on)."""
    def selftest(self) -> SelfTest:
        """The self-test measurement and its report (needs 16 samples a sweep or more)."""
    def temperature(self) -> float:
        """The board's temperature, degrees C."""
    def log(
        self,
        channels: Optional[Sequence[ChannelName]] = None,
        temperature: bool = False,
        samples: Optional[int] = None,
        passes: int = 1,
        file: str = "",
        index: int = 1,
    ) -> str:
        """Logs as "Log Data" does and returns the file's path.

        channels: those to log (default: the session's); temperature: a temperature column;
        passes of samples each (0: until Ctrl+C, which raises KeyboardInterrupt with the path
        in .partial); the file is FILE_INDEX.txt in the working folder (file "": the model's
        name).
        """

def read_log(path: str) -> dict[str, object]:
    """Every column of a log the program wrote, every pass joined.

    Keys: each column's name ("Sample" and the channels, such as "Gyro", "Ain1", "Temp") ->
    float64 array; the first pass's header fields by their labels ("Date" str, "Temperature"
    float, "Num Samples", "Loop Delay" ms, flag lines such as "Neg Self Test On" -> True);
    "device"; "passes"; "units" (column -> units); "columns" (names in file order); "headers"
    (each pass's header fields). Raises RunError with the line at fault.
    """

def noise_density(
    values: npt.ArrayLike,
    rate_hz: float,
    segment: Optional[int] = None,
    band: Optional[tuple[float, float]] = None,
) -> NoiseDensity:
    """Noise density by Welch's method, as the noise command computes it.

    segment: a power of two from 16 (None: 4096, or the largest at most an eighth of the
    record); band: (low, high) Hz of the white-noise floor (None: 10 % to 40 % of the rate).
    Values it cannot analyse (too few, not finite) raise UsageError about "values".
    """

def allan_deviation(
    values: npt.ArrayLike, rate_hz: float, taus: Optional[Iterable[float]] = None
) -> AllanDeviation:
    """Overlapping Allan deviation, as the adev command computes it.

    taus: averaging times, s (None: octaves from one sample period to a tenth of the record).
    Values it cannot analyse (too few, not finite) raise UsageError about "values".
    """
