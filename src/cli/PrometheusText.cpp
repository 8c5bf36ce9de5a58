#include "cli/PrometheusText.h"

#include <QString>
#include <charconv>
#include <cmath>

void PrometheusText::Gauge(const std::string& name, const std::string& help) {
    m_families.push_back({name, help, {}});
}

void PrometheusText::Sample(const std::string& name, const Labels& labels, double value) {
    for (Family& family : m_families) {
        if (family.name != name) {
            continue;
        }
        std::string line = name;
        if (!labels.empty()) {
            line += '{';
            for (std::size_t i = 0; i < labels.size(); ++i) {
                line +=
                    (i ? "," : "") + labels[i].first + "=\"" + LabelValue(labels[i].second) + '"';
            }
            line += '}';
        }
        family.samples.push_back(line + ' ' + Number(value));
        return;
    }
}

std::string PrometheusText::Text() const {
    std::string text;
    for (const Family& family : m_families) {
        if (family.samples.empty()) {
            continue;
        }
        text += "# HELP " + family.name + ' ' + family.help + '\n';
        text += "# TYPE " + family.name + " gauge\n";
        for (const std::string& sample : family.samples) {
            text += sample + '\n';
        }
    }
    return text;
}

std::string PrometheusText::LabelValue(const std::string& bytes) {
    const QByteArray raw = QByteArray::fromStdString(bytes);
    QString text = QString::fromUtf8(raw);
    if (text.toUtf8() != raw) {
        text = QString::fromLatin1(raw);
    }
    std::string escaped;
    for (char c : text.toStdString()) {
        if (c == '\\' || c == '"') {
            escaped += '\\';
            escaped += c;
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string PrometheusText::Number(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

bool ParseFigure(const std::string& text, double* value) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return false;
    }
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    const char* begin = text.data() + first;
    const char* end = text.data() + last + 1;
    const auto [stop, error] = std::from_chars(begin, end, *value, std::chars_format::general);
    return error == std::errc() && stop == end && std::isfinite(*value);
}
