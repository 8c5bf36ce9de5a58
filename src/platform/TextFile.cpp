#include "platform/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

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

namespace {

// Why a file starting with `head` holds no 8-bit text, or empty when it may.
std::string NotTextReason(std::string_view head) {
    if (head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF")) {
        return head[0] == '\xFF'
                   ? "it holds UTF-16 text (byte-order mark FF FE); save it as UTF-8 or ASCII"
                   : "it holds UTF-16 text (byte-order mark FE FF); save it as UTF-8 or ASCII";
    }
    head = head.substr(0, kTextHeadLength);
    const auto nuls = static_cast<std::size_t>(std::count(head.begin(), head.end(), '\0'));
    if (nuls > 0 && nuls * 4 >= head.size()) {
        return "it holds mostly NUL bytes, so it is not a text file";
    }
    return {};
}

// The reason a regular file could not be opened, from the errno OpenRegularFile left.
std::string OpenFailureReason(int error) {
    switch (error) {
        case EISDIR:
            return "it is a folder";
        case EINVAL:
            return "it is not a regular file";
        default:
            return std::strerror(error);
    }
}

}  // namespace

std::size_t Utf8BomLength(std::string_view content) {
    return content.starts_with("\xEF\xBB\xBF") ? 3 : 0;
}

bool LooksLikeUtf16OrBinary(std::string_view head) {
    return !NotTextReason(head).empty();
}

bool ReadTextFile(const std::string& path, std::string* content) {
    return ReadRegularFile(path, kLargestTextFile, content) && !LooksLikeUtf16OrBinary(*content);
}

std::string WhyNotEditableText(const std::string& path) {
    std::FILE* file = OpenRegularFile(path);
    if (!file) {
        return OpenFailureReason(errno);
    }
    struct stat info {};
    std::string reason;
    char head[kTextHeadLength];
    if (fstat(fileno(file), &info) != 0) {
        reason = std::strerror(errno);
    } else if (static_cast<std::size_t>(info.st_size) > kLargestTextFile) {
        reason = "it is larger than " + std::to_string(kLargestTextFile >> 20) + " MB";
    } else {
        const std::size_t read = std::fread(head, 1, sizeof head, file);
        reason = std::ferror(file) ? std::strerror(errno) : NotTextReason({head, read});
    }
    std::fclose(file);
    return reason;
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
