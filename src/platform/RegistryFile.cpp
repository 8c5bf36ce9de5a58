#include "platform/RegistryFile.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sstream>

#include "base/Text.h"
#include "platform/TextFile.h"

namespace platform {

namespace {

using text::ToLower;
using text::TrimLeft;
using text::TrimRight;

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && text::EqualsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Decodes UTF-16LE code units (no BOM) into UTF-8. Unpaired surrogates become U+FFFD.
std::string Utf16LeToUtf8(const unsigned char* data, size_t size) {
    std::string out;
    for (size_t i = 0; i + 1 < size; i += 2) {
        unsigned unit = data[i] | (data[i + 1] << 8);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < size) {
            unsigned low = data[i + 2] | (data[i + 3] << 8);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, (unit >= 0xD800 && unit < 0xE000) ? 0xFFFD : unit);
    }
    return out;
}

std::string DecodeText(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    if (text.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        return Utf16LeToUtf8(bytes + 2, text.size() - 2);
    }
    if (text.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        text.remove_prefix(3);
    }
    return std::string(text);
}

// Reads a quoted text starting at s[0] == '"', undoing the \\ and \" escapes of the export.
// On success returns the text and leaves `s` after the closing quote.
std::optional<std::string> ReadQuoted(std::string_view& s) {
    if (s.empty() || s.front() != '"') {
        return std::nullopt;
    }
    std::string out;
    for (size_t i = 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
            out += s[++i];
        } else if (c == '"') {
            s.remove_prefix(i + 1);
            return out;
        } else {
            out += c;
        }
    }
    return std::nullopt;
}

std::optional<RegistryFile::Bytes> ParseHexList(std::string_view list) {
    RegistryFile::Bytes bytes;
    list = text::Trim(list);
    while (!list.empty()) {
        size_t comma = list.find(',');
        std::string_view item = text::Trim(list.substr(0, comma));
        if (item.empty() || item.size() > 2 ||
            !std::isxdigit(static_cast<unsigned char>(item[0])) ||
            (item.size() == 2 && !std::isxdigit(static_cast<unsigned char>(item[1])))) {
            return std::nullopt;
        }
        bytes.push_back(
            static_cast<unsigned char>(std::strtoul(std::string(item).c_str(), nullptr, 16)));
        if (comma == std::string_view::npos) {
            break;
        }
        list.remove_prefix(comma + 1);
    }
    return bytes;
}

RegistryFile::Bytes StringBytes(const std::string& text) {
    RegistryFile::Bytes bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

// Parses the data part of a value line (after '=').
std::optional<RegistryFile::Bytes> ParseData(std::string_view data) {
    data = TrimLeft(data);
    if (!data.empty() && data.front() == '"') {
        auto text = ReadQuoted(data);
        if (!text || !TrimRight(data).empty()) {
            return std::nullopt;
        }
        return StringBytes(*text);
    }
    if (StartsWithNoCase(data, "dword:")) {
        std::string_view digits = TrimRight(data.substr(6));
        if (digits.empty() || digits.size() > 8) {
            return std::nullopt;
        }
        for (char c : digits) {
            if (!std::isxdigit(static_cast<unsigned char>(c))) {
                return std::nullopt;
            }
        }
        unsigned long v = std::strtoul(std::string(digits).c_str(), nullptr, 16);
        return RegistryFile::Bytes{
            static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
            static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    }
    if (StartsWithNoCase(data, "hex")) {
        size_t colon = data.find(':');
        if (colon == std::string_view::npos) {
            return std::nullopt;
        }
        std::string type = ToLower(data.substr(0, colon));
        auto bytes = ParseHexList(data.substr(colon + 1));
        if (!bytes) {
            return std::nullopt;
        }
        // Expandable and multi strings are exported as UTF-16LE; hand them out as this
        // platform's narrow text, NUL included, as the narrow registry calls would.
        if (type == "hex(2)" || type == "hex(1)" || type == "hex(7)") {
            std::string text = Utf16LeToUtf8(bytes->data(), bytes->size());
            while (!text.empty() && text.back() == '\0') {
                text.pop_back();
            }
            return StringBytes(text);
        }
        if (type != "hex" &&
            !(type.size() > 5 && type.rfind("hex(", 0) == 0 && type.back() == ')')) {
            return std::nullopt;
        }
        return bytes;
    }
    return std::nullopt;
}

// Splits the decoded text into logical lines: CR LF and LF end a line, a trailing backslash
// continues a hex list on the next line. A comment line ends where it ends, whatever its
// last character ("; old logs were in C:\logs\" continues nothing).
std::vector<std::string> LogicalLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string current;
    std::istringstream in(text);
    std::string raw;
    while (std::getline(in, raw)) {
        std::string_view line = TrimRight(raw);
        if (!current.empty()) {
            line = TrimLeft(line);
        } else if (!TrimLeft(line).empty() && TrimLeft(line).front() == ';') {
            lines.emplace_back(line);
            continue;
        }
        if (!line.empty() && line.back() == '\\') {
            current.append(line.substr(0, line.size() - 1));
            continue;
        }
        current.append(line);
        lines.push_back(std::move(current));
        current.clear();
    }
    if (!current.empty()) {
        lines.push_back(std::move(current));
    }
    return lines;
}

// The key path of a section header below HKEY_LOCAL_MACHINE, in lower case, or nothing.
std::optional<std::string> SectionPath(std::string_view line) {
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') {
        return std::nullopt;
    }
    std::string_view inner = line.substr(1, line.size() - 2);
    for (std::string_view hive : {"HKEY_LOCAL_MACHINE\\", "HKLM\\"}) {
        if (StartsWithNoCase(inner, hive)) {
            std::string path = ToLower(inner.substr(hive.size()));
            while (!path.empty() && path.back() == '\\') {
                path.pop_back();
            }
            if (path.empty() || path.find('\0') != std::string::npos) {
                return std::nullopt;
            }
            return path;
        }
    }
    return std::nullopt;
}

}  // namespace

void RegistryFile::AddKey(const std::string& lowerPath) {
    // Every ancestor of a key exists too.
    for (size_t pos = lowerPath.find('\\'); pos != std::string::npos;
         pos = lowerPath.find('\\', pos + 1)) {
        m_keys.try_emplace(lowerPath.substr(0, pos));
    }
    m_keys.try_emplace(lowerPath);
}

RegistryFile RegistryFile::Parse(std::string_view text) {
    RegistryFile file;
    std::optional<std::string> section;
    for (const std::string& line : LogicalLines(DecodeText(text))) {
        std::string_view view = TrimLeft(line);
        if (view.empty() || view.front() == ';') {
            continue;
        }
        if (view.front() == '[') {
            // A header that cannot be read (truncated, another hive, a deletion) ends the
            // section, so its values are not taken for the previous key's.
            section = SectionPath(view);
            if (section) {
                file.AddKey(*section);
            }
            continue;
        }
        if (!section) {
            continue;
        }
        std::string name;
        if (view.front() == '@') {
            view.remove_prefix(1);
        } else {
            auto quoted = ReadQuoted(view);
            if (!quoted) {
                continue;
            }
            name = ToLower(*quoted);
        }
        view = TrimLeft(view);
        if (view.empty() || view.front() != '=') {
            continue;
        }
        auto data = ParseData(view.substr(1));
        if (data) {
            file.m_keys[*section][name] = std::move(*data);
        }
    }
    return file;
}

bool RegistryFile::HasKey(const std::string& path) const {
    return FindKey(path) != nullptr;
}

const RegistryFile::Values* RegistryFile::FindKey(const std::string& path) const {
    std::string key = ToLower(path);
    while (!key.empty() && key.back() == '\\') {
        key.pop_back();
    }
    auto it = m_keys.find(key);
    return it == m_keys.end() ? nullptr : &it->second;
}

namespace {

class RegistryFileKey final : public SettingsKey {
  public:
    explicit RegistryFileKey(RegistryFile::Values values) : m_values(std::move(values)) {}

    long QueryValue(const char* name, void* buffer, std::uint32_t* size) const override {
        auto it = m_values.find(ToLower(name ? name : ""));
        long result = kSettingsSuccess;
        if (it == m_values.end()) {
            result = kSettingsNotFound;
        } else if (it->second.size() > *size) {
            result = kSettingsMoreData;
        } else {
            std::memcpy(buffer, it->second.data(), it->second.size());
            *size = static_cast<std::uint32_t>(it->second.size());
        }
        SetLastError(result);
        return result;
    }

  private:
    RegistryFile::Values m_values;
};

}  // namespace

std::unique_ptr<SettingsKey> RegistryFileStore::OpenKey(const std::string& path) const {
    // A store file that is not a regular file (a FIFO, /dev/zero) or is far larger than any
    // export is unreadable, as a missing one is; reading it would hang or exhaust memory.
    constexpr std::size_t kLargestStore = 16 << 20;
    std::string text;
    if (!ReadRegularFile(m_path, kLargestStore, &text)) {
        SetLastError(kSettingsNotFound);
        return nullptr;
    }
    RegistryFile file = RegistryFile::Parse(text);
    const RegistryFile::Values* values = file.FindKey(path);
    if (!values) {
        SetLastError(kSettingsNotFound);
        return nullptr;
    }
    return std::make_unique<RegistryFileKey>(*values);
}

}  // namespace platform
