#include "platform/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

std::FILE* OpenRegularFile(const std::string& path) {
    // Non-blocking, so that opening a FIFO does not wait for a writer; the mode is checked
    // on the open descriptor, so nothing can be swapped in between.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        close(fd);
        errno = error;
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = fdopen(fd, "r");
    if (!file) {
        close(fd);
    }
    return file;
}

bool ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string* content) {
    std::FILE* file = OpenRegularFile(path);
    if (!file) {
        return false;
    }
    content->clear();
    char buffer[65536];
    bool ok = true;
    for (std::size_t read; (read = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        if (content->size() + read > maxBytes) {
            ok = false;
            errno = EFBIG;
            break;
        }
        content->append(buffer, read);
    }
    ok = ok && !std::ferror(file);
    std::fclose(file);
    return ok;
}

std::string_view WithoutLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\n') {
        line.remove_suffix(1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
    }
    return line;
}

std::string_view LineEndOf(std::string_view content) {
    const std::size_t newline = content.find('\n');
    return newline != std::string_view::npos && newline > 0 && content[newline - 1] == '\r' ? "\r\n"
                                                                                            : "\n";
}

}  // namespace platform
