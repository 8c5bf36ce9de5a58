#!/usr/bin/env python3
"""Changes one line of important logic at a time, builds, runs the tests that should notice,
and says which changes no test noticed (survivors). A tool for developers, not for CI:

    python3 scripts/mutants.py [--build DIR] [NAME_PART ...]

Each mutant replaces a text that occurs exactly once in its file; the file is put back after
every mutant, also when the script is interrupted. The build folder must be configured
(scripts/build.sh). Prints one line per mutant and a summary; exits 1 when one survived or a
mutant no longer applies (the code moved on: update its text here).
"""

import argparse
import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# name, file, text, replacement, build targets, ctest -R pattern
MUTANTS = [
    # Key=value files
    ("writer rewrites unchanged bytes", "src/config/KeyValueFile.cpp",
     "    if (content == original) {", "    if (false) {",
     ["key_value_file_test"], "KeyValueFile"),
    ("writer misses the byte-order mark", "src/platform/TextFile.cpp",
     'return content.starts_with("\\xEF\\xBB\\xBF") ? 3 : 0;', "return 0;",
     ["key_value_file_test"], "KeyValueFile|TextFile"),
    # Page memory and the row store
    ("cache file read from its first section", "src/platform/PageMemory.h",
     "m_chunks[offset / m_chunkBytes]", "m_chunks[0]",
     ["log_row_store_test"], "LogRowStore"),
    ("failing posix_fallocate ignored", "src/platform/PageMemory.cpp",
     "        if (error != 0) {\n            Fail(\"cache file\", error);",
     "        if (false) {\n            Fail(\"cache file\", error);",
     ["log_row_store_test"], "LogRowStore"),
    ("rows spill one block late", "src/views/LogRowStore.cpp",
     "m_memory.size() >= m_memoryBlocks", "m_memory.size() > m_memoryBlocks",
     ["log_row_store_test"], "LogRowStore"),
    # The log filter
    ("narrowing while the last search runs", "src/views/LogMessageModel.cpp",
     "m_filter && !Searching() && text.contains", "m_filter && text.contains",
     ["log_message_model_test"], "LogMessageModel"),
    ("earlier filter's arrivals read oldest first", "src/views/LogMessageModel.cpp",
     "m_lastArrived[m_lastArrived.size() - 1 - looked]", "m_lastArrived[looked]",
     ["log_message_model_test"], "LogMessageModel"),
    ("filter ignores reason values", "src/views/LogRowFilter.cpp",
     "if (row.reasonValue != -1 && NumberMatches(row.reasonValue)) {",
     "if (false && row.reasonValue != -1 && NumberMatches(row.reasonValue)) {",
     ["log_page_test", "log_message_model_test"], "log_page|LogMessageModel"),
    # The list sort
    ("sparse scan restarts a place late", "src/views/ListSort.cpp",
     "j = NextBefore<Ascending>(keys.data(), j + 1, count, key)",
     "j = NextBefore<Ascending>(keys.data(), j + 2, count, key)",
     ["list_sort_test"], "ListSort"),
    ("unreadable numbers exchange the wrong way", "src/views/ListSort.cpp",
     "const bool out = Ascending ? a > b : a < b;", "const bool out = Ascending ? a >= b : a < b;",
     ["list_sort_test"], "ListSort"),
    # Framing
    ("message length bound off by one", "src/link/MessageFrame.cpp",
     "length < kMaxMessageLength", "length <= kMaxMessageLength",
     ["message_frame_test", "gateway_session_test"], "MessageFrame|GatewaySession"),
    # FIX file blocks
    ("FIX block ends before its end marker", "src/config/FixSessionFile.cpp",
     "            *terminated = true;\n            return i + 1;",
     "            *terminated = true;\n            return i;",
     ["fix_session_file_test"], "FixSessionFile"),
    # Configuration rules
    ("box ID limit 65535", "src/config/GatewayConfigFile.cpp",
     "if (boxId < 1 || boxId > 65535 / 2) {", "if (boxId < 1 || boxId > 65535) {",
     ["configuration_test"], "configuration_test"),
    ("host port 0 accepted", "src/config/GatewayConfigFile.cpp",
     "if (port < 1 || port > 65535) {", "if (port < 0 || port > 65535) {",
     ["configuration_test"], "configuration_test"),
    # One instance per user
    ("private folder checked on others' bits only", "src/platform/SingleInstance.cpp",
     "(info.st_mode & 07777) != 0700", "(info.st_mode & 0007) != 0",
     ["single_instance_test", "zevo"], "SingleInstance"),
    # zevo-cli exit statuses and metrics
    ("status of a stopped gateway is 1", "src/cli/StatusCommand.cpp",
     "return allRun ? 0 : cli::kNotRunning;", "return allRun ? 0 : cli::kFailed;",
     ["service_test", "zevo-cli"], "Cli|Service"),
    ("saved but not restarted exits 0", "src/cli/ConfigCommand.cpp",
     'was not restarted\\n");\n            status = cli::kPartly;',
     'was not restarted\\n");',
     ["service_test", "zevo-cli"], "Cli|Service"),
    ("label new-lines not escaped", "src/cli/PrometheusText.cpp",
     'escaped += "\\\\n";', 'escaped += "\\n";',
     ["metrics_test", "zevo-cli"], "Metrics"),
    # Writers of one configuration
    ("configuration lock never waited for", "src/platform/ConfigLock.cpp",
     "    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {", "    while (false) {",
     ["config_writers_test", "config_lock_test", "zevo-cli"], "ConfigWriters|ConfigLock"),
    ("another writer's change taken over silently", "src/config/GatewayConfigFile.cpp",
     "    if (!result.conflicts.empty() && !options.overwrite) {",
     "    if (false && !options.overwrite) {",
     ["gateway_config_files_test"], "gateway_config_files"),
    ("FIX file left behind never completed", "src/config/GatewayConfigFile.cpp",
     "           !agree;\n}", "           false;\n}",
     ["gateway_config_files_test", "config_writers_test", "zevo-cli"],
     "gateway_config_files|ConfigWriters"),
    ("FIX file not checked before the gateway file", "src/config/GatewayConfigFile.cpp",
     "        (fixUpdate &&\n", "        (false &&\n",
     ["gateway_config_files_test"], "gateway_config_files"),
    ("hard-linked file replaced", "src/platform/AtomicReplace.cpp",
     "    } else if (original->st_nlink > 1) {", "    } else if (false) {",
     ["config_writers_test", "zevo-cli"], "ConfigWriters"),
    ("ACL and attributes not copied", "src/platform/AtomicReplace.cpp",
     "    } else if (operations.CopyAttributes(fd, target, failedAttribute) != 0) {",
     "    } else if (false) {",
     ["config_lock_test", "config_writers_test", "zevo-cli"],
     "ReplaceFile|OperatorWriter"),
    ("owner's lost access not refused", "src/platform/FileOwnership.cpp",
     "    if (lostByOwner || lostByGroup) {", "    if (false) {",
     ["config_writers_test", "zevo-cli"], "OperatorWriter"),
    ("UTF-16 file edited", "src/platform/TextFile.cpp",
     "bool LooksLikeUtf16OrBinary(std::string_view head) {",
     "bool LooksLikeUtf16OrBinary(std::string_view head) {\n    return false;",
     ["key_value_file_test", "config_writers_test", "zevo-cli"],
     "KeyValueFile|ConfigWriters"),
    ("log page retries whatever its gateway does", "src/views/GenericLogs.cpp",
     "    return m_gatewayRuns && m_gatewayRuns();", "    return false;",
     ["main_window_test"], "main_window"),
]


def run(command, cwd, timeout):
    try:
        done = subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=timeout, text=True)
        return done.returncode, done.stdout
    except subprocess.TimeoutExpired as expired:
        return -1, (expired.stdout or "") if isinstance(expired.stdout, str) else ""


def try_mutant(build, mutant):
    name, path, text, replacement, targets, pattern = mutant
    full = os.path.join(ROOT, path)
    with open(full, encoding="utf-8") as source:
        original = source.read()
    if original.count(text) != 1:
        return "stale", "the text occurs %d times in %s" % (original.count(text), path)
    try:
        with open(full, "w", encoding="utf-8") as source:
            source.write(original.replace(text, replacement))
        status, output = run(["cmake", "--build", build, "--target"] + targets, ROOT, 1200)
        if status != 0:
            return "killed", "the build fails"
        environment = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        done = subprocess.run(["ctest", "-R", pattern, "--timeout", "300"], cwd=build,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                              env=environment)
        if "No tests were found" in done.stdout:
            return "stale", "no test matches " + pattern
        failed = [line.split(" - ")[-1].strip() for line in done.stdout.splitlines()
                  if line.strip().endswith(")") and " - " in line]
        return ("killed", ", ".join(failed[:3])) if done.returncode != 0 else ("survived", "")
    finally:
        with open(full, "w", encoding="utf-8") as source:
            source.write(original)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("names", nargs="*", help="run only mutants whose name contains one")
    arguments = parser.parse_args()
    chosen = [m for m in MUTANTS if not arguments.names or any(n in m[0] for n in arguments.names)]
    outcomes = {}
    for mutant in chosen:
        started = time.monotonic()
        outcome, detail = try_mutant(arguments.build, mutant)
        outcomes[outcome] = outcomes.get(outcome, 0) + 1
        print("%-9s %-48s %5.0fs  %s" % (outcome, mutant[0], time.monotonic() - started, detail),
              flush=True)
    # Put the programs back as the sources are.
    run(["cmake", "--build", arguments.build], ROOT, 3600)
    print("mutants=%d killed=%d survived=%d stale=%d" % (
        len(chosen), outcomes.get("killed", 0), outcomes.get("survived", 0),
        outcomes.get("stale", 0)))
    return 1 if outcomes.get("survived") or outcomes.get("stale") else 0


if __name__ == "__main__":
    sys.exit(main())
