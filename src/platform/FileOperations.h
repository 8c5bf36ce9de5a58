#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <string>

namespace platform {

// The file-system calls that replacing a file is made of, as the system makes them; each
// returns what its system call returns (-1, or a short count for Write, with errno set).
// Code that rewrites the files the gateways own calls the installed instance, so a test can
// override one step to make it fail; permissions cannot do that for tests that run as root.
class FileOperations {
  public:
    virtual ~FileOperations() = default;
    // Creates a new file from `name_template`, whose last six characters are "XXXXXX" and are
    // replaced by the name chosen (mkstemp); on failure it is left as it was. Returns an open
    // descriptor.
    virtual int MakeTemporary(std::string& name_template);
    // Creates `path` for writing, in place of any file of that name (which may be another
    // user's left-over). Returns an open descriptor.
    virtual int CreateFile(const std::string& path);
    virtual ssize_t Write(int fd, const void* data, std::size_t size);
    // Pushes what was written to the disk (fsync); a full disk may only show here.
    virtual int Sync(int fd);
    // Gives the file the mode of `original` and its group (root: owner and group; another
    // user: the group when it is a member of it).
    virtual int CopyOwnerAndMode(int fd, const struct stat& original);
    // Gives the file every extended attribute of the file at `original`, its POSIX ACL
    // included (and removes an ACL the new file inherited that the original lacks). On
    // failure `failed` names the attribute.
    virtual int CopyAttributes(int fd, const std::string& original, std::string* failed);
    // Some file systems report deferred write errors only here.
    virtual int Close(int fd);
    virtual int Rename(const std::string& from, const std::string& to);
    // Makes a rename in `directory` durable (fsync of the directory).
    virtual int SyncDirectory(const std::string& directory);
    virtual int Unlink(const std::string& path);
};

// The real system calls.
FileOperations& DefaultFileOperations();

// What file-rewriting code uses: the real calls unless a test installed its own.
FileOperations& InstalledFileOperations();
// Installs `operations` (null restores the real calls). Returns the previous one.
FileOperations* InstallFileOperations(FileOperations* operations);

}  // namespace platform
