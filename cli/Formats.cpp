#include "cli/Formats.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <tuple>

namespace {

template <typename T> std::string Shortest(T value) {
    char text[32];
    return {text, std::to_chars(text, text + sizeof text, value).ptr};
}

std::string Hex(uint16_t word) {
    char text[8];
    std::snprintf(text, sizeof text, "%X", word);
    return text;
}

nlohmann::json StatisticsJson(const quelto::Statistics& s) {
    return {{"samples", s.samples},
            {"min", JsonNum(s.min)},
            {"max", JsonNum(s.max)},
            {"pk_pk", JsonNum(s.pk_pk)},
            {"mean", JsonNum(s.mean)},
            {"ac_rms", JsonNum(s.ac_rms)},
            {"period_ms", JsonNum(s.period_ms)},
            {"sample_rate_hz", JsonNum(s.sample_rate_hz)},
            {"temperature_c", JsonNum(s.temperature_c)}};
}

std::string Comment(const std::string& key, const std::string& value, char sep) {
    return "# " + key + sep + value + "\n";
}

nlohmann::json RecordJson(const RecordSource& source) {
    return {{"source", source.name},
            {"samples", source.samples},
            {"sample_rate_hz", source.rate},
            {"units", source.units}};
}

// The "#" lines that end each sweep or spectrum of a run.
std::string StatisticsText(const char* what, int number, const quelto::Statistics& s, char sep) {
    const auto stats = StatisticsJson(s);
    std::string text = Comment(what, std::to_string(number), sep);
    for (const char* key : {"samples", "min", "max", "pk_pk", "mean", "ac_rms", "period_ms",
                            "sample_rate_hz", "temperature_c"}) {
        std::ostringstream value;
        value << stats[key];
        text += Comment(key, value.str(), sep);
    }
    return text;
}

std::string RecordHeading(const RecordSource& source) {
    return "# " + source.name + ", " + std::to_string(source.samples) + " samples at " +
           Num(source.rate) + " Hz\n";
}

} // namespace

std::string Num(float value) { return Shortest(value); }
std::string Num(double value) { return Shortest(value); }
double JsonNum(float value) { return std::strtod(Num(value).c_str(), nullptr); }

std::string Fixed2(float value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    std::string s = text;
    // No minus sign on a value that shows as zero.
    if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) {
        s.erase(0, 1);
    }
    return s;
}

std::string SweepText(const quelto::Sweep& sweep, int number, char sep) {
    std::string text;
    text.reserve(sweep.codes.size() * 24 + 256);
    if (number == 1) {
        text += "# " + sweep.channel.device + " channel " + std::to_string(sweep.channel.number) +
                ": " + sweep.channel.title + "\n";
        text +=
            std::string("sample") + sep + "code" + sep + "value (" + sweep.channel.units + ")\n";
    }
    // Each field gets room for its longest form (a float's shortest is 15 characters) and the
    // character after it, so a conversion that failed could not write past the line.
    constexpr ptrdiff_t kField = 24;
    char line[3 * (kField + 1)];
    for (size_t k = 0; k < sweep.codes.size(); ++k) {
        char* p = std::to_chars(line, line + kField, k + 1).ptr;
        *p++ = sep;
        p = std::to_chars(p, p + kField, sweep.codes[k]).ptr;
        *p++ = sep;
        p = std::to_chars(p, p + kField, sweep.values[k]).ptr;
        *p++ = '\n';
        text.append(line, p);
    }
    return text + StatisticsText("sweep", number, sweep.stats, sep);
}

nlohmann::json SweepJson(const quelto::Sweep& sweep) {
    nlohmann::json values = nlohmann::json::array();
    for (float value : sweep.values) {
        values.push_back(JsonNum(value));
    }
    return {{"code", sweep.codes}, {"value", values}, {"statistics", StatisticsJson(sweep.stats)}};
}

std::string SweepsJsonHead(const quelto::Channel& channel) {
    std::string head = nlohmann::json{
        {"device", channel.device},
        {"channel", channel.number},
        {"title", channel.title},
        {"units",
         channel.units}}.dump();
    head.pop_back();
    return head + ",\"sweeps\":[";
}

std::string SpectrumText(const quelto::Spectrum& s, int number, char sep) {
    std::string text;
    if (number == 1) {
        text = "# " + s.channel.device + " spectrum of " + s.channel.title + ", " +
               std::to_string(s.points) + " points\n";
        text += std::string("bin") + sep + "frequency_hz" + sep + "magnitude (" + s.channel.units +
                ")\n";
    }
    for (size_t k = 0; k < s.magnitude.size(); ++k) {
        text += std::to_string(k) + sep + Num(s.frequency_hz[k]) + sep + Num(s.magnitude[k]) + "\n";
    }
    text += Comment("peak_bin", std::to_string(s.peak_bin), sep);
    text += Comment("peak_frequency_hz", Num(s.peak_frequency_hz), sep);
    text += Comment("peak_magnitude", Num(s.peak_magnitude), sep);
    return text + StatisticsText("spectrum", number, s.stats, sep);
}

nlohmann::json SpectrumJson(const quelto::Spectrum& s) {
    nlohmann::json frequency = nlohmann::json::array();
    nlohmann::json magnitude = nlohmann::json::array();
    for (size_t k = 0; k < s.magnitude.size(); ++k) {
        frequency.push_back(JsonNum(s.frequency_hz[k]));
        magnitude.push_back(JsonNum(s.magnitude[k]));
    }
    return {{"points", s.points},
            {"bin_width_hz", JsonNum(s.bin_width_hz)},
            {"frequency_hz", frequency},
            {"magnitude", magnitude},
            {"peak",
             {{"bin", s.peak_bin},
              {"frequency_hz", JsonNum(s.peak_frequency_hz)},
              {"magnitude", JsonNum(s.peak_magnitude)}}},
            {"statistics", StatisticsJson(s.stats)}};
}

nlohmann::json SelfTestJson(const quelto::SelfTest& test) {
    nlohmann::json lines = nlohmann::json::object();
    for (const auto& line : test.lines) {
        lines[line.key] = {{"value", JsonNum(line.value)}, {"code", JsonNum(line.code)}};
    }
    nlohmann::json phases = nlohmann::json::array();
    for (float average : test.phase_averages) {
        phases.push_back(JsonNum(average));
    }
    return {{"device", test.device},
            {"units", test.units},
            {"phase_averages", phases},
            {"lines", lines},
            {"report", test.report}};
}

std::string AdaptersText(const std::vector<quelto::Adapter>& adapters, char sep) {
    std::string text = std::string("number") + sep + "name" + sep + "descriptor" + sep +
                       "firmware" + sep + "speed" + sep + "board" + sep + "descriptor2\n";
    for (const auto& a : adapters) {
        text += std::to_string(a.number) + sep + a.name + sep + a.descriptor + sep + a.firmware +
                sep + a.speed + sep + a.board + sep + a.descriptor2 + "\n";
    }
    return text;
}

nlohmann::json AdaptersJson(const std::vector<quelto::Adapter>& adapters) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& a : adapters) {
        list.push_back({{"number", a.number},
                        {"name", a.name},
                        {"descriptor", a.descriptor},
                        {"firmware", a.firmware},
                        {"speed", a.speed},
                        {"board", a.board},
                        {"descriptor2", a.descriptor2}});
    }
    return list;
}

std::string SpiText(const std::vector<std::vector<uint16_t>>& answers) {
    std::string text;
    for (const auto& words : answers) {
        for (size_t k = 0; k < words.size(); ++k) {
            text += (k > 0 ? " " : "") + Hex(words[k]);
        }
        text += "\n";
    }
    return text;
}

nlohmann::json SpiJson(const std::vector<std::vector<uint16_t>>& answers) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& words : answers) {
        nlohmann::json texts = nlohmann::json::array();
        for (uint16_t word : words) {
            texts.push_back(Hex(word));
        }
        list.push_back(texts);
    }
    return list;
}

std::string DensityText(const RecordSource& source, const quelto::NoiseDensity& r, char sep) {
    std::string text = RecordHeading(source);
    text += std::string("frequency_hz") + sep + "density (" + source.units + "/sqrt(Hz))\n";
    for (size_t k = 0; k < r.frequency_hz.size(); ++k) {
        text += Num(r.frequency_hz[k]) + sep + Num(r.density[k]) + "\n";
    }
    text += Comment("floor", Num(r.floor), sep);
    text += Comment("band_hz", Num(r.band_low_hz) + sep + Num(r.band_high_hz), sep);
    text += Comment("segments", std::to_string(r.segments), sep);
    return text;
}

nlohmann::json DensityJson(const RecordSource& source, const quelto::NoiseDensity& r) {
    nlohmann::json json = RecordJson(source);
    json["frequency_hz"] = r.frequency_hz;
    json["density"] = r.density;
    json["floor"] = r.floor;
    json["band_hz"] = {r.band_low_hz, r.band_high_hz};
    json["segment"] = r.segment;
    json["segments"] = r.segments;
    return json;
}

std::string AllanText(const RecordSource& source, const quelto::AllanDeviation& r, char sep) {
    std::string text = RecordHeading(source);
    text += std::string("tau_s") + sep + "adev" + sep + "adev_error" + sep + "m" + sep +
            "adev_low" + sep + "adev_high" + sep + "edf\n";
    for (const auto& p : r.points) {
        text += Num(p.tau_s) + sep + Num(p.deviation) + sep + Num(p.uncertainty) + sep +
                std::to_string(p.m) + sep + Num(p.adev_low) + sep + Num(p.adev_high) + sep +
                Num(p.edf) + "\n";
    }
    for (const auto& [key, value, fit] :
         {std::tuple{"white_noise", r.white_noise, &r.white_noise_fit},
          {"bias_instability", r.bias_instability, &r.bias_instability_fit},
          {"rate_random_walk", r.rate_random_walk, &r.rate_random_walk_fit}}) {
        text += Comment(key, value && std::isfinite(*value) ? Num(*value) : "null", sep);
        text += Comment(std::string(key) + (fit->reason.empty() ? "_tau_s" : "_reason"),
                        fit->reason.empty() ? Num(fit->tau_low_s) + sep + Num(fit->tau_high_s) +
                                                  sep + std::to_string(fit->points)
                                            : fit->reason,
                        sep);
    }
    return text;
}

nlohmann::json AllanJson(const RecordSource& source, const quelto::AllanDeviation& r) {
    nlohmann::json json = RecordJson(source);
    nlohmann::json tau = nlohmann::json::array(), adev = tau, error = tau, low = tau, high = tau,
                   edf = tau;
    for (const auto& p : r.points) {
        tau.push_back(p.tau_s);
        adev.push_back(p.deviation);
        error.push_back(p.uncertainty);
        low.push_back(p.adev_low);
        high.push_back(p.adev_high);
        edf.push_back(p.edf);
    }
    auto fit = [](const quelto::AllanFit& f) {
        return f.reason.empty() ? nlohmann::json{{"tau_low_s", f.tau_low_s},
                                                 {"tau_high_s", f.tau_high_s},
                                                 {"points", f.points}}
                                : nlohmann::json{{"reason", f.reason}};
    };
    auto optional = [](const std::optional<double>& v) {
        return v ? nlohmann::json(*v) : nlohmann::json(nullptr);
    };
    json["tau_s"] = tau;
    json["adev"] = adev;
    json["adev_error"] = error;
    json["adev_low"] = low;
    json["adev_high"] = high;
    json["edf"] = edf;
    json["white_noise"] = optional(r.white_noise);
    json["white_noise_fit"] = fit(r.white_noise_fit);
    json["bias_instability_fit"] = fit(r.bias_instability_fit);
    json["rate_random_walk_fit"] = fit(r.rate_random_walk_fit);
    json["bias_instability"] = optional(r.bias_instability);
    json["bias_instability_tau_s"] = r.bias_instability_tau_s;
    json["rate_random_walk"] = optional(r.rate_random_walk);
    return json;
}
