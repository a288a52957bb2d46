// The data as the command line writes them: tab- or comma-separated text with "#" lines, or
// JSON. Numbers are the shortest text that reads back as the same float or double.
#pragma once

#include <quelto/Analysis.h>
#include <quelto/Session.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

std::string Num(float value);
std::string Num(double value);
// A float as the JSON double that prints as Num does.
double JsonNum(float value);
// Two decimals, as the windows show a temperature.
std::string Fixed2(float value);

std::string SweepText(const quelto::Sweep& sweep, int number, char sep);
nlohmann::json SweepJson(const quelto::Sweep& sweep);
// The object all of one run's sweeps or spectra go into, open at its end.
std::string SweepsJsonHead(const quelto::Channel& channel);
std::string SpectrumText(const quelto::Spectrum& spectrum, int number, char sep);
nlohmann::json SpectrumJson(const quelto::Spectrum& spectrum);
nlohmann::json SelfTestJson(const quelto::SelfTest& test);
std::string AdaptersText(const std::vector<quelto::Adapter>& adapters, char sep);
nlohmann::json AdaptersJson(const std::vector<quelto::Adapter>& adapters);
std::string SpiText(const std::vector<std::vector<uint16_t>>& answers);
nlohmann::json SpiJson(const std::vector<std::vector<uint16_t>>& answers);

// A record's analyses: the heading line, then the figures.
struct RecordSource {
    std::string name;
    size_t samples;
    double rate;
    std::string units;
};
std::string DensityText(const RecordSource& source, const quelto::NoiseDensity& density, char sep);
nlohmann::json DensityJson(const RecordSource& source, const quelto::NoiseDensity& density);
std::string AllanText(const RecordSource& source, const quelto::AllanDeviation& allan, char sep);
nlohmann::json AllanJson(const RecordSource& source, const quelto::AllanDeviation& allan);
