// The FIX configuration file: any content, then the operations the FIX dialogs perform on
// it. Every rewrite leaves the FIX file in place.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "FuzzFiles.h"
#include "config/FixSessionFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int operation = input.ConsumeIntegralInRange<int>(0, 5);
    const int marketType = input.ConsumeIntegralInRange<int>(0, 8);
    const int userId = input.ConsumeIntegral<int>();
    const std::string first = input.ConsumeRandomLengthString(80);
    const std::string second = input.ConsumeRandomLengthString(80);
    const std::string content = input.ConsumeRemainingBytesAsString();

    const std::string fixPath = fuzz_files::Folder() + "/QEL_FIX.cfg";
    if (!fuzz_files::Write(fixPath, content)) {
        return 0;
    }
    const std::string temporaryPath = fix_file::TemporaryPath(fixPath, marketType);
    const LogSite site = ZEVO_LOG_SITE("CFixConfiguration");

    std::vector<std::string> lines;
    if (fix_file::ReadLines(fixPath, &lines)) {
        std::size_t bytes = 0;
        for (const std::string& line : lines) {
            bytes += line.size();
            const fix_file::ParsedLine parsed = fix_file::ParseLine(line);
            if (parsed.count < 0 || parsed.count > 4) {
                __builtin_trap();
            }
        }
        if (bytes > content.size()) {
            __builtin_trap();  // lines are the file's bytes without their line ends
        }
    }
    fix_file::FindBlock(fixPath, first);
    std::vector<fix_file::FixUser> users;
    fix_file::ListUsers(fixPath, &users);

    fix_file::Outcome outcome = fix_file::Outcome::Written;
    switch (operation) {
        case 0:
            outcome = fix_file::ChangeBrokerIdAndLocalIp(fixPath, temporaryPath, first, second,
                                                         nullptr, site);
            break;
        case 1:
            outcome = fix_file::DeleteUser(fixPath, temporaryPath, first, nullptr, site);
            break;
        case 2:
            outcome = fix_file::AddUser(fixPath, temporaryPath, userId, first, nullptr, site);
            break;
        case 3:
            outcome = fix_file::EditUser(fixPath, temporaryPath, userId, first, nullptr, site);
            break;
        case 4:
            outcome = fix_file::SetPersistMessages(fixPath, temporaryPath, first, nullptr, site);
            break;
        default:
            fix_file::Recover(fixPath, temporaryPath, nullptr, site, "OnInitDialog");
            break;
    }
    if (!fuzz_files::Exists(fixPath) && outcome != fix_file::Outcome::CannotRead) {
        __builtin_trap();  // no operation loses the FIX file
    }
    // A file the broker change has just written agrees with what it was given: the next save
    // finds nothing left to complete. (Values with a line end make lines of their own, and a
    // comma or blank in a broker ID, or none, moves TargetCompID's parts; such files never agree,
    // and the save does not take them for lagging: see FixFileLags.)
    const auto oneLine = [](const std::string& text) {
        return text.find_first_of(std::string(", \t\r\n\v\f\0", 8)) == std::string::npos;
    };
    bool agree = false;
    if (operation == 0 && outcome == fix_file::Outcome::Written && !first.empty() &&
        oneLine(first) && oneLine(second) &&
        fix_file::BrokerIdAndLocalIpAgree(fixPath, first, second, &agree) && !agree) {
        __builtin_trap();
    }
    fuzz_files::Empty(fuzz_files::Folder());
    return 0;
}
