#pragma once

#include <string>
#include <utility>
#include <vector>

// Metrics in the Prometheus text exposition format: each family once, with its HELP and
// TYPE lines in front of its samples; families without a sample are left out.
class PrometheusText {
  public:
    using Labels = std::vector<std::pair<std::string, std::string>>;

    // Declares a gauge family (a value that goes up and down) or a counter family (a count
    // that only grows, back to 0 when its source starts again; its name ends in _total). The
    // families are written in the order they were declared, the samples of each in the order
    // they came; a sample of a family not declared is dropped.
    void Gauge(const std::string& name, const std::string& help);
    void Counter(const std::string& name, const std::string& help);
    bool Declared(const std::string& name) const;
    void Sample(const std::string& name, const Labels& labels, double value);
    std::string Text() const;

    // A label value as the format takes it: valid UTF-8 (bytes that are not are read as
    // Latin-1), with backslash, double quote and new-line escaped.
    static std::string LabelValue(const std::string& bytes);
    // A HELP text as the format takes it: valid UTF-8 as above, backslash and new-line
    // escaped.
    static std::string HelpText(const std::string& bytes);
    // A sample value: the shortest text that reads back as the same number.
    static std::string Number(double value);

  private:
    struct Family {
        std::string name, help;
        const char* type;
        std::vector<std::string> samples;
    };
    std::vector<Family> m_families;
};
