#include "cli/PrometheusText.h"

#include <QString>
#include <charconv>

namespace {

// `bytes` as UTF-8: unchanged when they are, read as Latin-1 when they are not.
std::string Utf8(const std::string& bytes) {
    const QByteArray raw = QByteArray::fromStdString(bytes);
    const QString text = QString::fromUtf8(raw);
    return (text.toUtf8() == raw ? text : QString::fromLatin1(raw)).toStdString();
}

// `text` with backslash and new-line escaped, and double quote too when `quote` is set.
std::string Escaped(const std::string& text, bool quote) {
    std::string escaped;
    for (char c : text) {
        if (c == '\\' || (quote && c == '"')) {
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

}  // namespace

void PrometheusText::Gauge(const std::string& name, const std::string& help) {
    m_families.push_back({name, help, "gauge", {}});
}

void PrometheusText::Counter(const std::string& name, const std::string& help) {
    m_families.push_back({name, help, "counter", {}});
}

bool PrometheusText::Declared(const std::string& name) const {
    for (const Family& family : m_families) {
        if (family.name == name) {
            return true;
        }
    }
    return false;
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
        text += "# HELP " + family.name + ' ' + HelpText(family.help) + '\n';
        text += "# TYPE " + family.name + ' ' + family.type + '\n';
        for (const std::string& sample : family.samples) {
            text += sample + '\n';
        }
    }
    return text;
}

std::string PrometheusText::LabelValue(const std::string& bytes) {
    return Escaped(Utf8(bytes), true);
}

std::string PrometheusText::HelpText(const std::string& bytes) {
    return Escaped(Utf8(bytes), false);
}

std::string PrometheusText::Number(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}
