#pragma once

#include <string>
#include <utility>
#include <vector>

// Metrics in the Prometheus text exposition format: each family once, with its HELP and
// TYPE lines in front of its samples; families without a sample are left out.
class PrometheusText {
  public:
    using Labels = std::vector<std::pair<std::string, std::string>>;

    // Declares a gauge family; its samples are written in the order the families were
    // declared.
    void Gauge(const std::string& name, const std::string& help);
    void Sample(const std::string& name, const Labels& labels, double value);
    std::string Text() const;

    // A label value as the format takes it: valid UTF-8 (bytes that are not are read as
    // Latin-1), with backslash, double quote and new-line escaped.
    static std::string LabelValue(const std::string& bytes);
    // A sample value: the shortest text that reads back as the same number.
    static std::string Number(double value);

  private:
    struct Family {
        std::string name, help;
        std::vector<std::string> samples;
    };
    std::vector<Family> m_families;
};

// A figure's text as a number: decimal, blanks around it allowed; false for anything else
// (text, hexadecimal, empty), which a metric cannot carry.
bool ParseFigure(const std::string& text, double* value);
