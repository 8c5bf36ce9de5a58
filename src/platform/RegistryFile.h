#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SettingsStore.h"

namespace platform {

// The contents of a registry export ("Windows Registry Editor Version 5.00"): the keys of
// HKEY_LOCAL_MACHINE with their values as the raw bytes the registry would hand out.
// Key paths and value names are kept in lower case, since the registry ignores case.
class RegistryFile {
  public:
    using Bytes = std::vector<unsigned char>;
    using Values = std::map<std::string, Bytes>;

    // Parses an export in UTF-8 (with or without BOM) or UTF-16LE with BOM, with LF or CRLF
    // line ends. Lines that cannot be read are skipped; a value that cannot be read is absent.
    static RegistryFile Parse(std::string_view text);

    bool HasKey(const std::string& path) const;
    // Values of the key at `path`, or null when the key does not exist.
    const Values* FindKey(const std::string& path) const;

  private:
    void AddKey(const std::string& lowerPath);
    std::map<std::string, Values> m_keys;
};

// Settings store backed by a registry-export file. The file is read anew at every OpenKey,
// so a reinstall is seen without restarting, and a missing or unreadable file is an empty
// store.
class RegistryFileStore final : public SettingsStore {
  public:
    explicit RegistryFileStore(std::string path) : m_path(std::move(path)) {}
    std::unique_ptr<SettingsKey> OpenKey(const std::string& path) const override;
    const std::string& Path() const { return m_path; }

  private:
    std::string m_path;
};

}  // namespace platform
