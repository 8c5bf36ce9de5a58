#pragma once

#include <cerrno>
#include <string>

#include "platform/AtomicReplace.h"

namespace testing_support {

// The real file calls with one step failing with `error` (None stands for the directory's
// fsync), installed for the object's lifetime when `install` is set. A failing write first
// writes half, as a filling disk does.
struct FailingFileOperations final : platform::FileOperations {
    using Step = platform::ReplaceStep;
    FailingFileOperations(Step step, int error, bool install = true)
        : step(step), error(error), installed(install) {
        if (installed) {
            platform::InstallFileOperations(this);
        }
    }
    ~FailingFileOperations() override {
        if (installed) {
            platform::InstallFileOperations(nullptr);
        }
    }
    bool Fails(Step at) const {
        errno = error;
        return at == step;
    }
    int MakeTemporary(std::string& name) override {
        int fd = Fails(Step::CreateTemporary) ? -1 : FileOperations::MakeTemporary(name);
        temporary = name;
        return fd;
    }
    int CreateFile(const std::string& path) override {
        return Fails(Step::CreateTemporary) ? -1 : FileOperations::CreateFile(path);
    }
    int CopyOwnerAndMode(int fd, const struct stat& original) override {
        return Fails(Step::CopyOwnerAndMode) ? -1 : FileOperations::CopyOwnerAndMode(fd, original);
    }
    ssize_t Write(int fd, const void* data, size_t size) override {
        bool fail = Fails(Step::Write);
        return fail && writes++ ? -1 : FileOperations::Write(fd, data, fail ? size / 2 : size);
    }
    int Sync(int fd) override { return Fails(Step::Flush) ? -1 : FileOperations::Sync(fd); }
    int Rename(const std::string& from, const std::string& to) override {
        return Fails(Step::Rename) ? -1 : FileOperations::Rename(from, to);
    }
    int SyncDirectory(const std::string& directory) override {
        return Fails(Step::None) ? -1 : FileOperations::SyncDirectory(directory);
    }
    Step step;
    int error;
    bool installed;
    int writes = 0;
    std::string temporary;  // the temporary name tried or made
};

}  // namespace testing_support
