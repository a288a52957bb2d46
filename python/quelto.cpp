// The library API as a Python module: a session with NumPy arrays, Python's exceptions and
// Ctrl+C, and the noise figures and the log reader. quelto.pyi gives the types and the same
// docstrings at more length.
#include <quelto/Analysis.h>
#include <quelto/Session.h>
#include <quelto/Version.h>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <map>
#include <mutex>
#include <optional>

namespace py = pybind11;
using namespace py::literals;

namespace {

// The exception classes, made once and kept for the life of the process.
PyObject* usageError = nullptr;
PyObject* runError = nullptr;

[[noreturn]] void Refuse(const std::string& reason, const std::string& parameter = {}) {
    throw quelto::Error(quelto::ErrorKind::Usage, reason, parameter);
}

// The keyword a library parameter is given with here.
std::string Keyword(const std::string& parameter) {
    static const std::map<std::string, std::string> renamed{
        {"read_delay", "delay"}, {"settings", "config"}, {"file_base", "file"}, {"log", "path"}};
    const auto it = renamed.find(parameter);
    return it != renamed.end() ? it->second : parameter;
}

// The number the command line prints for a float: the double nearest its shortest decimal.
double Printed(float value) {
    char text[32];
    const char* end = std::to_chars(text, text + sizeof text, value).ptr;
    double printed = value;
    std::from_chars(text, end, printed);
    return printed;
}

// The vector's own buffer, owned by the array from now on.
template <typename T> py::array_t<T> Owned(std::vector<T>&& values) {
    auto* held = new std::vector<T>(std::move(values));
    py::capsule owner(held, [](void* p) { delete static_cast<std::vector<T>*>(p); });
    return py::array_t<T>(static_cast<py::ssize_t>(held->size()), held->data(), owner);
}

py::array_t<double> PrintedArray(const std::vector<float>& values) {
    py::array_t<double> array(static_cast<py::ssize_t>(values.size()));
    std::transform(values.begin(), values.end(), array.mutable_data(), Printed);
    return array;
}

// 16-bit words as such; a code outside them (none is expected) keeps its value in int32.
py::array Codes(const std::vector<int32_t>& codes) {
    if (std::any_of(codes.begin(), codes.end(), [](int32_t c) { return c < 0 || c > 0xFFFF; })) {
        return py::array_t<int32_t>(static_cast<py::ssize_t>(codes.size()), codes.data());
    }
    py::array_t<uint16_t> array(static_cast<py::ssize_t>(codes.size()));
    std::copy(codes.begin(), codes.end(), array.mutable_data());
    return array;
}

py::dict StatsDict(const quelto::Statistics& s) {
    return py::dict("samples"_a = s.samples, "min"_a = Printed(s.min), "max"_a = Printed(s.max),
                    "pk_pk"_a = Printed(s.pk_pk), "mean"_a = Printed(s.mean),
                    "ac_rms"_a = Printed(s.ac_rms), "period_ms"_a = Printed(s.period_ms),
                    "sample_rate_hz"_a = Printed(s.sample_rate_hz),
                    "temperature_c"_a = Printed(s.temperature_c));
}

py::dict ChannelDict(const quelto::Channel& c) {
    return py::dict("device"_a = c.device, "number"_a = c.number, "title"_a = c.title,
                    "units"_a = c.units);
}

// A channel by name ("rate", "ain1") or number; None keeps the session's.
int ChannelArgument(const py::object& channel) {
    if (channel.is_none()) {
        return -1;
    }
    if (py::isinstance<py::str>(channel)) {
        return quelto::channel_number(channel.cast<std::string>());
    }
    if (py::isinstance<py::int_>(channel) && !py::isinstance<py::bool_>(channel)) {
        return quelto::channel_number(std::to_string(channel.cast<long long>()));
    }
    Refuse("a channel is a name (x, y, rate, ain1, ain2) or a number 0 to 3", "channel");
}

int Samples(const std::optional<long long>& samples) {
    if (samples && (*samples < 1 || *samples > 65536)) {
        Refuse("samples a sweep are 1 to 65536, not " + std::to_string(*samples), "samples");
    }
    return samples ? static_cast<int>(*samples) : 0;
}

double Finite(double value, const char* name, bool positive) {
    if (!std::isfinite(value) || value < 0 || (positive && value == 0)) {
        Refuse(std::string("must be a finite number, ") + (positive ? "above 0" : "0 or more"),
               name);
    }
    return value;
}

std::vector<double>
Record(const py::array_t<double, py::array::c_style | py::array::forcecast>& v) {
    if (v.ndim() != 1) {
        Refuse("the values are one-dimensional", "values");
    }
    return {v.data(), v.data() + v.size()};
}

struct Sweep {
    py::dict channel;
    py::array codes;
    py::array_t<double> values;
    py::dict stats;
    bool stopped = false;
};

struct Spectrum {
    py::dict channel;
    int points = 0;
    double bin_width_hz = 0;
    py::array_t<double> freq_hz, magnitude;
    int peak_bin = 0;
    double peak_hz = 0, peak = 0;
    py::dict stats;
    bool stopped = false;
};

struct SelfTest {
    std::string device, units, report;
    std::vector<double> phase_averages;
    py::dict lines, codes, shifts;
};

struct NoiseDensity {
    py::array_t<double> freq_hz, density;
    double floor = 0, band_low_hz = 0, band_high_hz = 0;
    size_t segment = 0;
    int64_t segments = 0;
};

struct AllanDeviation {
    py::array_t<double> tau_s, adev, adev_error, adev_low, adev_high;
    py::array_t<int64_t> m;
    std::optional<double> white_noise, bias_instability, rate_random_walk;
    double bias_instability_tau_s = 0;
    py::dict fits; // per coefficient: its tau range, or why it is absent
};

py::dict FitDict(const quelto::AllanFit& f) {
    py::dict d;
    d["tau_low_s"] = f.tau_low_s;
    d["tau_high_s"] = f.tau_high_s;
    d["points"] = f.points;
    d["reason"] = f.reason;
    return d;
}

Sweep ToPython(const quelto::Sweep& s) {
    return {ChannelDict(s.channel), Codes(s.codes), PrintedArray(s.values), StatsDict(s.stats),
            s.stopped};
}

Spectrum ToPython(const quelto::Spectrum& s) {
    return {ChannelDict(s.channel),       s.points,
            Printed(s.bin_width_hz),      PrintedArray(s.frequency_hz),
            PrintedArray(s.magnitude),    s.peak_bin,
            Printed(s.peak_frequency_hz), Printed(s.peak_magnitude),
            StatsDict(s.stats),           s.stopped};
}

// Python's signal handlers, run while a call goes on without the GIL; the first exception one
// raises (KeyboardInterrupt) stops the run as the Stop button does.
class Interrupt {
public:
    void Reset() {
        Discard();
        next_ = {};
    }
    ~Interrupt() { Discard(); }
    bool Raised() const { return type_ != nullptr; }
    // Every 20 ms at most: the GIL is not taken a sample.
    bool Poll() {
        const auto now = std::chrono::steady_clock::now();
        if (type_ != nullptr || now < next_) {
            return type_ != nullptr;
        }
        next_ = now + std::chrono::milliseconds(20);
        py::gil_scoped_acquire gil;
        if (PyErr_CheckSignals() != 0) {
            PyErr_Fetch(&type_, &value_, &trace_);
            PyErr_NormalizeException(&type_, &value_, &trace_);
        }
        return type_ != nullptr;
    }
    // Raises the handler's exception, a KeyboardInterrupt carrying what the run took.
    [[noreturn]] void Throw(const py::object& partial) {
        if (PyErr_GivenExceptionMatches(type_, PyExc_KeyboardInterrupt) && value_ != nullptr) {
            PyObject_SetAttrString(value_, "partial", partial.ptr());
        }
        PyErr_Restore(std::exchange(type_, nullptr), std::exchange(value_, nullptr),
                      std::exchange(trace_, nullptr));
        throw py::error_already_set();
    }

private:
    void Discard() {
        Py_CLEAR(type_);
        Py_CLEAR(value_);
        Py_CLEAR(trace_);
    }
    std::chrono::steady_clock::time_point next_{};
    PyObject* type_ = nullptr;
    PyObject* value_ = nullptr;
    PyObject* trace_ = nullptr;
};

class Session {
public:
    explicit Session(const py::dict& given) {
        quelto::Options o;
        py::object notes = py::none();
        for (const auto& [key, item] : given) {
            const py::object value = py::reinterpret_borrow<py::object>(item);
            const std::string name = key.cast<std::string>();
            if (value.is_none()) {
                continue;
            }
            try {
                const auto number = [&](double& out, bool positive) {
                    out = Finite(value.cast<double>(), name.c_str(), positive);
                };
                if (name == "interface" || name == "model" || name == "port" || name == "config") {
                    (name == "interface" ? o.interface
                 : name == "model"   ? o.model
                 : name == "port"    ? o.port
                                     : o.settings) = value.cast<std::string>();
                } else if (name == "adapter") {
                    o.adapter = value.cast<int>();
                    if (o.adapter < 0 || o.adapter > 3) {
                        Refuse("a USB adapter is 0 to 3", "adapter");
                    }
                } else if (name == "samples") {
                    o.samples = Samples(value.cast<long long>());
                } else if (name == "channel") {
                    o.channel = std::max(ChannelArgument(value), 0);
                } else if (name == "delay") {
                    number(o.read_delay, false);
                } else if (name == "simulate") {
                    o.simulate = py::isinstance<py::str>(value) || value.cast<bool>();
                    o.simulate_model =
                        py::isinstance<py::str>(value) ? value.cast<std::string>() : "";
                } else if (name == "density" || name == "bias_instability" ||
                           name == "rate_random_walk" || name == "amplitude") {
                    double v = 0;
                    number(v, false);
                    (name == "density"            ? o.density
                     : name == "bias_instability" ? o.bias_instability
                     : name == "rate_random_walk" ? o.rate_random_walk
                                                  : o.amplitude) = v;
                } else if (name == "seed") {
                    const long long seed = value.cast<long long>();
                    if (seed < 0 || seed > 0xFFFFFFFFLL) {
                        Refuse("a seed is 0 to 4294967295", "seed");
                    }
                    o.seed = static_cast<uint32_t>(seed);
                } else if (name == "direct_io") {
                    o.direct_io = value.cast<bool>();
                } else if (name == "notes") {
                    notes = value;
                }
            } catch (const py::cast_error&) {
                throw py::type_error(
                    name + ": " + py::str(value.get_type().attr("__name__")).cast<std::string>() +
                    " is not of the type it takes");
            }
        }
        if (!o.interface.empty() && o.interface != "parallel" && o.interface != "usb" &&
            o.interface != "none") {
            Refuse(o.interface + " is not an interface (parallel, usb or none)", "interface");
        }
        if (o.model.empty() && !o.simulate_model.empty()) {
            o.model = o.simulate_model;
        }
        for (std::string* model : {&o.model, &o.simulate_model}) {
            *model = KnownModel(*model);
        }
        if (!o.simulate &&
            (o.density || o.bias_instability || o.rate_random_walk || o.amplitude || o.seed)) {
            Refuse("the simulated part's noise and seed need simulate=True", "simulate");
        }
        notes_ = notes.is_none() ? py::module_::import("sys").attr("stderr").attr("write") : notes;
        prefix_ = notes.is_none() ? "quelto: " : "";
        quelto::Hooks hooks;
        hooks.note = [this](const std::string& text) {
            py::gil_scoped_acquire gil;
            try {
                notes_(prefix_ + text + (prefix_.empty() ? "" : "\n"));
            } catch (py::error_already_set& e) {
                e.discard_as_unraisable("quelto note");
            }
        };
        hooks.stop_requested = [this] { return interrupt_.Poll(); };
        if (open != nullptr) {
            // A notebook's cell run again makes the new session before the old one is freed.
            Refuse("a session is open already: the program has one state (close() the other, or "
                   "open sessions in a with block)");
        }
        Call([&] { session_.emplace(o, std::move(hooks)); }, [] { return py::none(); });
        open = this;
    }

    ~Session() {
        session_.reset();
        open = open == this ? nullptr : open;
    }

    Session* Enter() { return this; }

    void Close() {
        std::unique_lock lock(busy_, std::try_to_lock);
        if (!lock) {
            Refuse("the session is busy with a call in another thread");
        }
        if (session_) {
            // Ended whether or not the settings could be saved.
            struct End {
                std::optional<quelto::Session>& s;
                ~End() { s.reset(); }
            } end{session_};
            open = nullptr;
            session_->save_settings();
        }
    }

    py::dict Channel() {
        quelto::Channel channel;
        Call([&] { channel = Open().channel(); }, [] { return py::none(); });
        return ChannelDict(channel);
    }

    Sweep TakeSweep(std::optional<long long> samples, const py::object& channel) {
        const int n = Samples(samples);
        const int ch = ChannelArgument(channel);
        quelto::Sweep sweep;
        Call([&] { sweep = Open().sweep(n, ch); }, [&] { return py::cast(ToPython(sweep)); });
        return ToPython(sweep);
    }

    Spectrum TakeSpectrum(std::optional<long long> samples, const py::object& channel) {
        const int n = Samples(samples);
        const int ch = ChannelArgument(channel);
        quelto::Spectrum s;
        Call([&] { s = Open().spectrum(n, ch); }, [&] { return py::cast(ToPython(s)); });
        return ToPython(s);
    }

    SelfTest RunSelfTest() {
        quelto::SelfTest t;
        Call([&] { t = Open().selftest(); }, [] { return py::none(); });
        SelfTest out{t.device, t.units, t.report, {}, {}, {}, {}};
        for (float average : t.phase_averages) {
            out.phase_averages.push_back(Printed(average));
        }
        for (const auto& line : t.lines) {
            out.lines[line.key.c_str()] = Printed(line.value);
            out.codes[line.key.c_str()] = Printed(line.code);
            if (line.key.rfind("self_test", 0) == 0) {
                out.shifts[line.key.c_str()] = Printed(line.value);
            }
        }
        return out;
    }

    double Temperature() {
        float t = 0;
        Call([&] { t = Open().temperature(); }, [] { return py::none(); });
        return Printed(t);
    }

    std::string Log(const std::optional<std::vector<py::object>>& channels, bool temperature,
                    std::optional<long long> samples, long long passes, const std::string& file,
                    long long index) {
        std::vector<int> numbers;
        for (const auto& channel : channels.value_or(std::vector<py::object>{})) {
            numbers.push_back(ChannelArgument(channel));
        }
        const int n = Samples(samples);
        if (passes < 0 || passes > 0x7FFFFFFF) {
            Refuse("passes are 1 or more, or 0 to log until Ctrl+C", "passes");
        }
        if (index < 1 || index > 1000000) {
            Refuse("the file's number is 1 to 1000000", "index");
        }
        quelto::Log log;
        Call(
            [&] {
                log = Open().log(numbers, temperature, n, static_cast<int>(passes), file,
                                 static_cast<int>(index));
            },
            [&] { return py::cast(log.path); });
        return log.path;
    }

private:
    quelto::Session& Open() {
        if (!session_) {
            Refuse("the session is closed");
        }
        return *session_;
    }

    // A model's name in any case, as the model table spells it.
    static std::string KnownModel(const std::string& name) {
        std::string list;
        for (const auto& model : quelto::models()) {
            if (std::equal(model.begin(), model.end(), name.begin(), name.end(),
                           [](unsigned char a, unsigned char b) {
                               return std::tolower(a) == std::tolower(b);
                           })) {
                return model;
            }
            list += (list.empty() ? "" : ", ") + model;
        }
        if (!name.empty()) {
            Refuse(name + " is not a sensor model (" + list + ")", "model");
        }
        return name;
    }

    // One call at a time, without the GIL; an interrupt raised meanwhile is raised after it
    // with what partial() gives.
    template <typename Run, typename Partial> void Call(Run&& run, Partial&& partial) {
        std::unique_lock lock(busy_, std::try_to_lock);
        if (!lock) {
            Refuse("the session is busy with a call in another thread");
        }
        interrupt_.Reset();
        try {
            py::gil_scoped_release release;
            run();
        } catch (...) {
            if (interrupt_.Raised()) {
                interrupt_.Throw(py::none());
            }
            throw;
        }
        if (interrupt_.Raised()) {
            interrupt_.Throw(partial());
        }
    }

    static inline Session* open = nullptr;
    std::optional<quelto::Session> session_;
    std::mutex busy_;
    Interrupt interrupt_;
    py::object notes_;
    std::string prefix_;
};

py::dict ReadLog(const std::string& path) {
    quelto::LogFile log;
    {
        py::gil_scoped_release release;
        log = quelto::read_log(path);
    }
    const auto header = [](const std::vector<std::pair<std::string, std::string>>& lines) {
        py::dict fields;
        for (const auto& [label, text] : lines) {
            // "25.1  dgrC", "0 mS", "2048": the number; a flag line alone: True.
            const char* end = text.data() + text.size();
            const auto unitOnly = [end](const char* rest) {
                rest = std::find_if(rest, end, [](char c) { return c != ' '; });
                return std::all_of(rest, end, [](unsigned char c) { return std::isalpha(c); });
            };
            long long whole = 0;
            double number = 0;
            const auto asWhole = std::from_chars(text.data(), end, whole);
            const auto asReal = std::from_chars(text.data(), end, number);
            fields[label.c_str()] =
                text.empty() ? py::object(py::bool_(true))
                : asWhole.ec == std::errc() && asWhole.ptr == asReal.ptr && unitOnly(asWhole.ptr)
                    ? py::object(py::int_(whole))
                : asReal.ec == std::errc() && unitOnly(asReal.ptr) ? py::object(py::float_(number))
                                                                   : py::object(py::str(text));
        }
        return fields;
    };
    py::dict out;
    py::list headers;
    for (const auto& lines : log.headers) {
        headers.append(header(lines));
    }
    if (!log.headers.empty()) {
        out.attr("update")(header(log.headers.front()));
    }
    py::dict units;
    for (size_t k = 0; k < log.names.size(); ++k) {
        out[log.names[k].c_str()] = Owned(std::move(log.columns[k]));
        units[log.names[k].c_str()] = log.units[k];
    }
    out["device"] = log.model;
    out["passes"] = log.passes;
    out["units"] = units;
    out["columns"] = log.names;
    out["headers"] = headers;
    return out;
}

// An analysis without the GIL; what it refuses is the values given (too few, not finite).
template <typename Analyse> void AboutValues(Analyse&& analyse) {
    try {
        py::gil_scoped_release release;
        analyse();
    } catch (const quelto::Error& e) {
        Refuse(e.what(), "values");
    }
}

NoiseDensity Density(const py::array_t<double, py::array::c_style | py::array::forcecast>& values,
                     double rate_hz, std::optional<long long> segment,
                     std::optional<std::pair<double, double>> band) {
    Finite(rate_hz, "rate_hz", true);
    if (segment && (*segment < 16 || *segment > (1LL << 24) || (*segment & (*segment - 1)))) {
        Refuse(std::to_string(*segment) + " is not a power of two from 16 to 16777216", "segment");
    }
    if (band && !(Finite(band->first, "band", false) < Finite(band->second, "band", false))) {
        Refuse("the band's low end must be below its high end", "band");
    }
    std::vector<double> record = Record(values);
    quelto::NoiseDensity r;
    AboutValues([&] {
        r = quelto::noise_density(record, rate_hz, static_cast<size_t>(segment.value_or(0)), band);
    });
    return {Owned(std::move(r.frequency_hz)),
            Owned(std::move(r.density)),
            r.floor,
            r.band_low_hz,
            r.band_high_hz,
            r.segment,
            r.segments};
}

AllanDeviation Allan(const py::array_t<double, py::array::c_style | py::array::forcecast>& values,
                     double rate_hz, const std::optional<std::vector<double>>& taus) {
    Finite(rate_hz, "rate_hz", true);
    for (double tau : taus.value_or(std::vector<double>{})) {
        Finite(tau, "taus", true);
    }
    std::vector<double> record = Record(values);
    quelto::AllanDeviation r;
    AboutValues([&] {
        r = quelto::allan_deviation(record, rate_hz, taus.value_or(std::vector<double>{}));
    });
    std::vector<double> tau, adev, error, low, high;
    std::vector<int64_t> m;
    for (const auto& p : r.points) {
        tau.push_back(p.tau_s);
        adev.push_back(p.deviation);
        error.push_back(p.uncertainty);
        low.push_back(p.adev_low);
        high.push_back(p.adev_high);
        m.push_back(p.m);
    }
    py::dict fits;
    fits["white_noise"] = FitDict(r.white_noise_fit);
    fits["bias_instability"] = FitDict(r.bias_instability_fit);
    fits["rate_random_walk"] = FitDict(r.rate_random_walk_fit);
    return {Owned(std::move(tau)),   Owned(std::move(adev)),
            Owned(std::move(error)), Owned(std::move(low)),
            Owned(std::move(high)),  Owned(std::move(m)),
            r.white_noise,           r.bias_instability,
            r.rate_random_walk,      r.bias_instability_tau_s,
            std::move(fits)};
}

std::string Repr(const char* name, const py::str& what) {
    return std::string(name) + "(" + what.cast<std::string>() + ")";
}

} // namespace

PYBIND11_MODULE(quelto, m) {
    m.attr("__version__") = quelto::version();
    const auto exception = [&m](const char* name, const char* doc, PyObject* bases) {
        PyObject* type =
            PyErr_NewExceptionWithDoc((std::string("quelto.") + name).c_str(), doc, bases, nullptr);
        if (type == nullptr) {
            throw py::error_already_set();
        }
        m.attr(name) = py::handle(type);
        return type;
    };
    PyObject* error = exception("Error", "The program's own reason, and .parameter.", nullptr);
    usageError = exception("UsageError", "A bad argument: the call is refused.",
                           py::make_tuple(py::handle(error), py::handle(PyExc_ValueError)).ptr());
    runError = exception("RunError", "The board, the adapter or a file failed the run.",
                         py::make_tuple(py::handle(error), py::handle(PyExc_RuntimeError)).ptr());
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) {
                std::rethrow_exception(thrown);
            }
        } catch (const quelto::Error& e) {
            PyObject* type = e.kind() == quelto::ErrorKind::Usage ? usageError : runError;
            const std::string keyword = Keyword(e.parameter());
            py::object value = py::handle(type)((keyword.empty() ? "" : keyword + ": ") + e.what());
            value.attr("parameter") = keyword.empty() ? py::object(py::none()) : py::str(keyword);
            PyErr_SetObject(type, value.ptr());
        }
    });

    m.def("models", &quelto::models, "The sensor models the program knows, in menu order.");
    py::class_<Sweep>(m, "Sweep")
        .def_readonly("channel", &Sweep::channel)
        .def_readonly("codes", &Sweep::codes)
        .def_readonly("values", &Sweep::values)
        .def_readonly("stats", &Sweep::stats)
        .def_readonly("stopped", &Sweep::stopped)
        .def("__repr__", [](const Sweep& s) {
            return Repr("Sweep", py::str("{} {}, {} samples{}")
                                     .format(s.channel["device"], s.channel["title"],
                                             s.values.size(), s.stopped ? ", stopped" : ""));
        });
    py::class_<Spectrum>(m, "Spectrum")
        .def_readonly("channel", &Spectrum::channel)
        .def_readonly("points", &Spectrum::points)
        .def_readonly("bin_width_hz", &Spectrum::bin_width_hz)
        .def_readonly("freq_hz", &Spectrum::freq_hz)
        .def_readonly("magnitude", &Spectrum::magnitude)
        .def_readonly("peak_bin", &Spectrum::peak_bin)
        .def_readonly("peak_hz", &Spectrum::peak_hz)
        .def_readonly("peak", &Spectrum::peak)
        .def_readonly("stats", &Spectrum::stats)
        .def_readonly("stopped", &Spectrum::stopped)
        .def("__repr__", [](const Spectrum& s) {
            return Repr("Spectrum",
                        py::str("{} points, peak {} at {} Hz{}")
                            .format(s.points, s.peak, s.peak_hz, s.stopped ? ", stopped" : ""));
        });
    py::class_<SelfTest>(m, "SelfTest")
        .def_readonly("device", &SelfTest::device)
        .def_readonly("units", &SelfTest::units)
        .def_readonly("phase_averages", &SelfTest::phase_averages)
        .def_readonly("lines", &SelfTest::lines)
        .def_readonly("codes", &SelfTest::codes)
        .def_readonly("shifts", &SelfTest::shifts)
        .def_readonly("report", &SelfTest::report)
        .def("__repr__", [](const SelfTest& t) {
            return Repr("SelfTest", py::str("{}, shifts {}").format(t.device, t.shifts));
        });
    py::class_<NoiseDensity>(m, "NoiseDensity")
        .def_readonly("freq_hz", &NoiseDensity::freq_hz)
        .def_readonly("density", &NoiseDensity::density)
        .def_readonly("floor", &NoiseDensity::floor)
        .def_readonly("band_low_hz", &NoiseDensity::band_low_hz)
        .def_readonly("band_high_hz", &NoiseDensity::band_high_hz)
        .def_readonly("segment", &NoiseDensity::segment)
        .def_readonly("segments", &NoiseDensity::segments)
        .def("__repr__", [](const NoiseDensity& d) {
            return Repr("NoiseDensity", py::str("floor {}, segment {}").format(d.floor, d.segment));
        });
    py::class_<AllanDeviation>(m, "AllanDeviation")
        .def_readonly("tau_s", &AllanDeviation::tau_s)
        .def_readonly("adev", &AllanDeviation::adev)
        .def_readonly("adev_error", &AllanDeviation::adev_error)
        .def_readonly("adev_low", &AllanDeviation::adev_low)
        .def_readonly("adev_high", &AllanDeviation::adev_high)
        .def_readonly("fits", &AllanDeviation::fits)
        .def_readonly("m", &AllanDeviation::m)
        .def_readonly("white_noise", &AllanDeviation::white_noise)
        .def_readonly("bias_instability", &AllanDeviation::bias_instability)
        .def_readonly("bias_instability_tau_s", &AllanDeviation::bias_instability_tau_s)
        .def_readonly("rate_random_walk", &AllanDeviation::rate_random_walk)
        .def("__repr__", [](const AllanDeviation& a) {
            return Repr("AllanDeviation",
                        py::str("white_noise {}, bias_instability {}, rate_random_walk {}")
                            .format(a.white_noise, a.bias_instability, a.rate_random_walk));
        });

    py::class_<Session>(m, "Session",
                        R"(A session on one board, as the windows have it after start-up.

One session may be open at a time in a process (the program has one state); use it as a
context manager, or close() it. Every call runs without the GIL, one at a time; Ctrl+C stops
a run as the Stop button does and raises KeyboardInterrupt with what it took in .partial.)")
        .def(py::init(
                 [](const py::object& interface, const py::object& model, const py::object& port,
                    const py::object& adapter, const py::object& samples, const py::object& channel,
                    const py::object& delay, const py::object& config, const py::object& simulate,
                    const py::object& density, const py::object& bias_instability,
                    const py::object& rate_random_walk, const py::object& amplitude,
                    const py::object& seed, const py::object& direct_io, const py::object& notes) {
                     return std::make_unique<Session>(py::dict(
                         "interface"_a = interface, "model"_a = model, "port"_a = port,
                         "adapter"_a = adapter, "samples"_a = samples, "channel"_a = channel,
                         "delay"_a = delay, "config"_a = config, "simulate"_a = simulate,
                         "density"_a = density, "bias_instability"_a = bias_instability,
                         "rate_random_walk"_a = rate_random_walk, "amplitude"_a = amplitude,
                         "seed"_a = seed, "direct_io"_a = direct_io, "notes"_a = notes));
                 }),
             py::kw_only(), "interface"_a = py::none(), "model"_a = py::none(),
             "port"_a = py::none(), "adapter"_a = py::none(), "samples"_a = py::none(),
             "channel"_a = py::none(), "delay"_a = 0.0, "config"_a = py::none(),
             "simulate"_a = false, "density"_a = py::none(), "bias_instability"_a = py::none(),
             "rate_random_walk"_a = py::none(), "amplitude"_a = py::none(), "seed"_a = py::none(),
             "direct_io"_a = false, "notes"_a = py::none(),
             R"(Opens the board as the command line's options say (see quelto.pyi for each).)")
        .def("__enter__", &Session::Enter, py::return_value_policy::reference)
        .def("__exit__", [](Session& s, const py::args&) { s.Close(); })
        .def("close", &Session::Close,
             "Saves the settings to config (when given) and ends the session; later calls raise.")
        .def_property_readonly("channel", &Session::Channel,
                               "The channel sweeps take: device, number, title, units.")
        .def("sweep", &Session::TakeSweep, "samples"_a = py::none(), "channel"_a = py::none(),
             R"(One sweep of samples (1..65536; None keeps the length) of channel ("rate", "x",
"y", "ain1", "ain2" or 0..3; None keeps it). Returns a Sweep: .codes (uint16), .values
(float64, the channel's units), .stats (min, max, pk_pk, mean, ac_rms, period_ms,
sample_rate_hz, temperature_c), .stopped. Ctrl+C raises KeyboardInterrupt with the samples
taken so far in .partial.)")
        .def("spectrum", &Session::TakeSpectrum, "samples"_a = py::none(), "channel"_a = py::none(),
             R"(A sweep and its spectrum: .freq_hz, .magnitude (the channel's units), .peak_hz,
.peak, .stats.)")
        .def("selftest", &Session::RunSelfTest,
             R"(The self-test measurement: .phase_averages (four), .shifts, .lines, .report (the
report box's text).)")
        .def("temperature", &Session::Temperature, "The board's temperature, degrees C.")
        .def("log", &Session::Log, "channels"_a = py::none(), "temperature"_a = false,
             "samples"_a = py::none(), "passes"_a = 1, "file"_a = "", "index"_a = 1,
             R"(Logs channels (None: the session's) and the temperature column, passes of samples
each (0: until Ctrl+C), to FILE_INDEX.txt in the working folder (file "": the model's name),
as "Log Data" does. Returns the file's path.)");

    m.def("read_log", &ReadLog, "path"_a,
          R"(Every column of a log the program wrote, every pass joined: column name -> float64
array ("Sample" and the channels), the first pass's header fields ("Date", "Temperature",
"Num Samples", "Loop Delay", flags as True), "device", "passes", "units" (column -> units),
"columns" (in file order) and "headers" (each pass's fields).)");
    m.def("noise_density", &Density, "values"_a, "rate_hz"_a, "segment"_a = py::none(),
          "band"_a = py::none(),
          R"(Noise density by Welch's method, as the noise command: segment a power of two
(None: 4096, or the largest at most an eighth of the record), band (low, high) Hz of the
white-noise floor (None: 10 % to 40 % of the rate).)");
    m.def("allan_deviation", &Allan, "values"_a, "rate_hz"_a, "taus"_a = py::none(),
          R"(Overlapping Allan deviation at taus, s (None: octaves from one sample period to a
tenth of the record), and its coefficients, as the adev command.)");
}
