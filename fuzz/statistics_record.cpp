// Statistics files: any text split into records and merged as one pass of the statistics
// thread does it, and the same bytes read back from a file.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzFiles.h"
#include "views/StatisticsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    StatisticsPass pass;
    std::size_t records = 0;
    ForEachStatisticsRecord(text, [&](StatisticsRecord&& record) {
        if (record.parameter.size() > kMaxStatisticsRecord ||
            record.value.size() > kMaxStatisticsRecord) {
            __builtin_trap();  // a record is at most 1023 characters
        }
        ++records;
        pass.Add(std::move(record));
        return true;
    });
    if (ParseStatisticsText(text).size() != records) {
        __builtin_trap();  // both readings see the same records
    }
    if (pass.Take().size() > records) {
        __builtin_trap();  // merging never adds records
    }

    const std::string path = fuzz_files::Folder() + "/QEL_IP_STATISTICS_1.txt";
    if (fuzz_files::Write(path, text)) {
        std::string read;
        if (ReadStatisticsFile(path, size, &read) && read != text) {
            __builtin_trap();  // a file read in full is read as it is
        }
    }
    fuzz_files::Empty(fuzz_files::Folder());
    return 0;
}
