#pragma once

#include <cstdint>

// The settings store as this program reads it: key paths, value names and the buffer sizes
// values are read into (a value that does not fit counts as missing). One place, so that the
// window, zevo-cli and the activity log never disagree on a name.
namespace settings {

// Root of every key: the installation's own values (the activity log's folder).
inline constexpr const char* kRoot = "SOFTWARE\\QEL_IP";
// Per market: "<root>\<market code>"; for all markets: "<root>\COMMON" and "<root>\COMMON\1".
inline constexpr const char* kCommon = "COMMON";

inline constexpr const char* kLogFilesPath = "ZEVO_LOG_FILES_PATH";
inline constexpr const char* kRepoConfigFilePath = "REPO_CONFIG_FILE_PATH";
inline constexpr const char* kCurrentFilesPath = "CURRENT_FILES_PATH";
inline constexpr const char* kConfigFilePath = "CONFIG_FILE_PATH";
inline constexpr const char* kFixConfigFilePath = "FIX_CONFIG_FILE_PATH";
inline constexpr const char* kNonInteractivePort = "INTERFACE_THREAD_NON_INTERACTIVE_PORT";
inline constexpr const char* kInteractivePort = "INTERFACE_THREAD_INTERACTIVE_PORT";
inline constexpr const char* kVersion = "VERSION";
// Optional, beside the log folder: the account the gateways run as, where it is not the
// owner of each market's configuration file.
inline constexpr const char* kGatewayAccount = "ZEVO_GATEWAY_ACCOUNT";

// Buffers values are read into, in bytes with the terminating NUL.
inline constexpr std::uint32_t kPathLimit = 1024;
inline constexpr std::uint32_t kVersionLimit = 1024;
// The activity log forms each line in a buffer of this size.
inline constexpr std::size_t kLogLineLimit = 5000;

}  // namespace settings
