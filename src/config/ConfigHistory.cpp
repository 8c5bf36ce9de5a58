#include "config/ConfigHistory.h"

#include <fcntl.h>
#include <git2.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <set>
#include <sstream>

#include "platform/FileSystem.h"
#include "platform/TextFile.h"

namespace {

// libgit2 is started once for the program; it stays up until the program ends.
void StartLibrary() {
    static const int started = [] {
        const int count = git_libgit2_init();
        // The history is shared by root and the operators, so it is often another account's:
        // libgit2 would refuse to open it as git does a repository that is not safe.directory.
        git_libgit2_opts(GIT_OPT_SET_OWNER_VALIDATION, 0);
        return count;
    }();
    (void)started;
}

template <typename T, void (*Free)(T*)>
struct Freer {
    void operator()(T* object) const { Free(object); }
};
using Repository = std::unique_ptr<git_repository, Freer<git_repository, git_repository_free>>;
using Index = std::unique_ptr<git_index, Freer<git_index, git_index_free>>;
using Tree = std::unique_ptr<git_tree, Freer<git_tree, git_tree_free>>;
using CommitHandle = std::unique_ptr<git_commit, Freer<git_commit, git_commit_free>>;
using Signature = std::unique_ptr<git_signature, Freer<git_signature, git_signature_free>>;
using Walk = std::unique_ptr<git_revwalk, Freer<git_revwalk, git_revwalk_free>>;
using DiffHandle = std::unique_ptr<git_diff, Freer<git_diff, git_diff_free>>;
using Object = std::unique_ptr<git_object, Freer<git_object, git_object_free>>;

std::string LastError(const char* what) {
    const git_error* error = git_error_last();
    return std::string(what) + ": " + (error && error->message ? error->message : "unknown error");
}

std::string HostName() {
    char name[256] = {0};
    return gethostname(name, sizeof name - 1) == 0 ? name : "localhost";
}

bool Open(const std::string& folder, bool create, Repository* repository, std::string* why) {
    StartLibrary();
    git_repository* raw = nullptr;
    if (git_repository_open_ext(&raw, folder.c_str(), GIT_REPOSITORY_OPEN_NO_SEARCH, nullptr) ==
        0) {
        repository->reset(raw);
        return true;
    }
    if (!create) {
        *why = LastError("cannot open the history");
        return false;
    }
    git_repository_init_options options = GIT_REPOSITORY_INIT_OPTIONS_INIT;
    options.flags = GIT_REPOSITORY_INIT_MKPATH;
    options.mode = GIT_REPOSITORY_INIT_SHARED_GROUP;
    options.initial_head = "main";
    if (git_repository_init_ext(&raw, folder.c_str(), &options) != 0) {
        *why = LastError("cannot make the history");
        return false;
    }
    repository->reset(raw);
    return true;
}

// The tree of HEAD, or null before the first commit.
Tree HeadTree(git_repository* repository, CommitHandle* head) {
    git_object* object = nullptr;
    if (git_revparse_single(&object, repository, "HEAD^{commit}") != 0) {
        return nullptr;
    }
    head->reset(reinterpret_cast<git_commit*>(object));
    git_tree* tree = nullptr;
    if (git_commit_tree(&tree, head->get()) != 0) {
        return nullptr;
    }
    return Tree(tree);
}

// Root and the operators in the gateways' group both save: the history's folders are made
// group-writable and set-group-ID (they take the group of the folder they are made in), its
// copies group-writable. What this account does not own is left as it is.
constexpr mode_t kSharedFolder = 02775;
constexpr mode_t kSharedFile = 0664;

void MakeSharedFolders(const std::string& folder) {
    if (access(folder.c_str(), F_OK) == 0) {
        return;
    }
    MakeSharedFolders(platform::DirectoryOf(folder));
    if (mkdir(folder.c_str(), kSharedFolder) == 0) {
        chmod(folder.c_str(), kSharedFolder);  // past the umask
    }
}

bool WriteCopy(const std::string& path, const std::string& bytes) {
    MakeSharedFolders(platform::DirectoryOf(path));
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kSharedFile);
    if (fd < 0) {
        return false;
    }
    fchmod(fd, kSharedFile);
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t step = write(fd, bytes.data() + written, bytes.size() - written);
        if (step <= 0) {
            close(fd);
            return false;
        }
        written += static_cast<std::size_t>(step);
    }
    return close(fd) == 0;
}

}  // namespace

std::string ConfigHistory::PathInHistory(const std::string& file) {
    std::string path = file;
    path.erase(0, path.find_first_not_of('/'));
    return path;
}

bool ConfigHistory::HasCommits() const {
    Repository repository;
    std::string why;
    if (!Open(m_folder, false, &repository, &why)) {
        return false;
    }
    CommitHandle head;
    return HeadTree(repository.get(), &head) != nullptr;
}

// The umask that leaves what is made group-writable, while it lives. A save runs on one
// thread at a time; no other thread of the programs makes files meanwhile.
class SharedUmask {
  public:
    SharedUmask() : m_previous(umask(0002)) {}
    ~SharedUmask() { umask(m_previous); }
    SharedUmask(const SharedUmask&) = delete;
    SharedUmask& operator=(const SharedUmask&) = delete;

  private:
    mode_t m_previous;
};

// Saves of different folders run side by side; their commits into the one history take turns
// on a lock of the history's folder itself (a commit takes milliseconds).
class HistoryTurn {
  public:
    explicit HistoryTurn(const std::string& folder)
        : m_fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (m_fd >= 0) {
            flock(m_fd, LOCK_EX);
        }
    }
    ~HistoryTurn() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    HistoryTurn(const HistoryTurn&) = delete;
    HistoryTurn& operator=(const HistoryTurn&) = delete;

  private:
    int m_fd;
};

ConfigHistory::Result ConfigHistory::Commit(const std::vector<std::string>& files,
                                            const std::string& author, const std::string& message,
                                            std::string* why) const {
    // What libgit2 makes (object folders, the index, refs) stays writable for the group.
    const SharedUmask shared;
    MakeSharedFolders(m_folder);
    const HistoryTurn turn(m_folder);
    Repository repository;
    if (!Open(m_folder, true, &repository, why)) {
        return Result::kFailed;
    }
    git_index* rawIndex = nullptr;
    if (git_repository_index(&rawIndex, repository.get()) != 0) {
        *why = LastError("cannot read the history's index");
        return Result::kFailed;
    }
    const Index index(rawIndex);
    CommitHandle head;
    const Tree before = HeadTree(repository.get(), &head);
    if (before && git_index_read_tree(index.get(), before.get()) != 0) {
        *why = LastError("cannot read the last commit");
        return Result::kFailed;
    }
    for (const std::string& file : files) {
        std::string bytes;
        if (!platform::ReadRegularFile(file, platform::kLargestTextFile, &bytes)) {
            continue;  // kept as it was
        }
        const std::string inside = PathInHistory(file);
        if (!WriteCopy(m_folder + "/" + inside, bytes) ||
            git_index_add_bypath(index.get(), inside.c_str()) != 0) {
            *why = LastError(("cannot take " + file).c_str());
            return Result::kFailed;
        }
    }
    git_oid treeId;
    if (git_index_write(index.get()) != 0 || git_index_write_tree(&treeId, index.get()) != 0) {
        *why = LastError("cannot write the history's tree");
        return Result::kFailed;
    }
    if (before && git_oid_equal(&treeId, git_tree_id(before.get()))) {
        return Result::kUnchanged;
    }
    git_tree* rawTree = nullptr;
    git_signature* rawAuthor = nullptr;
    if (git_tree_lookup(&rawTree, repository.get(), &treeId) != 0 ||
        git_signature_now(&rawAuthor, author.c_str(), (author + "@" + HostName()).c_str()) != 0) {
        *why = LastError("cannot make the commit");
        return Result::kFailed;
    }
    const Tree tree(rawTree);
    const Signature signature(rawAuthor);
    const git_commit* parents[] = {head.get()};
    git_oid commitId;
    if (git_commit_create(&commitId, repository.get(), "HEAD", signature.get(), signature.get(),
                          nullptr, message.c_str(), tree.get(), head ? 1 : 0, parents) != 0) {
        *why = LastError("cannot commit");
        return Result::kFailed;
    }
    return Result::kCommitted;
}

std::vector<std::string> ChangedKeys(const std::string& before, const std::string& after) {
    const auto lines = [](const std::string& text) {
        std::multiset<std::string> set;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            set.insert(line);
        }
        return set;
    };
    const std::multiset<std::string> old = lines(before);
    const std::multiset<std::string> now = lines(after);
    std::vector<std::string> keys;
    const auto note = [&keys](const std::string& line) {
        std::string key;
        if (!line.empty() && line.front() == '[') {
            key = line;
        } else if (const auto equals = line.find('='); equals != std::string::npos) {
            key = line.substr(0, equals);
            key.erase(key.find_last_not_of(" \t") + 1);
        }
        if (!key.empty() && std::find(keys.begin(), keys.end(), key) == keys.end()) {
            keys.push_back(key);
        }
    };
    std::istringstream in(after + "\n" + before);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (old.count(line) != now.count(line)) {
            note(line);
        }
    }
    return keys;
}

namespace {

// The commit a revision names ("HEAD~2", an id or its start).
bool Resolve(git_repository* repository, const std::string& revision, CommitHandle* commit,
             std::string* why) {
    git_object* object = nullptr;
    if (git_revparse_single(&object, repository, (revision + "^{commit}").c_str()) != 0) {
        *why = "no save " + revision + " in the history";
        return false;
    }
    commit->reset(reinterpret_cast<git_commit*>(object));
    return true;
}

// The tree of a commit's first parent; null for the first commit.
Tree ParentTree(const git_commit* commit) {
    git_commit* parent = nullptr;
    if (git_commit_parentcount(commit) == 0 || git_commit_parent(&parent, commit, 0) != 0) {
        return nullptr;
    }
    const CommitHandle held(parent);
    git_tree* tree = nullptr;
    return git_commit_tree(&tree, parent) == 0 ? Tree(tree) : nullptr;
}

Tree TreeOf(const git_commit* commit) {
    git_tree* tree = nullptr;
    return git_commit_tree(&tree, commit) == 0 ? Tree(tree) : nullptr;
}

DiffHandle TreeDiff(git_repository* repository, git_tree* from, git_tree* to) {
    git_diff* diff = nullptr;
    return git_diff_tree_to_tree(&diff, repository, from, to, nullptr) == 0 ? DiffHandle(diff)
                                                                            : nullptr;
}

}  // namespace

bool ConfigHistory::Log(const std::vector<std::string>& files, std::vector<Entry>* entries,
                        std::string* why) const {
    Repository repository;
    if (!Open(m_folder, false, &repository, why)) {
        return false;
    }
    git_revwalk* rawWalk = nullptr;
    if (git_revwalk_new(&rawWalk, repository.get()) != 0) {
        *why = LastError("cannot read the history");
        return false;
    }
    const Walk walk(rawWalk);
    if (git_revwalk_push_head(walk.get()) != 0) {
        return true;  // no commit yet
    }
    std::set<std::string> wanted;
    for (const std::string& file : files) {
        wanted.insert(PathInHistory(file));
    }
    git_oid id;
    while (git_revwalk_next(&id, walk.get()) == 0) {
        git_commit* raw = nullptr;
        if (git_commit_lookup(&raw, repository.get(), &id) != 0) {
            continue;
        }
        const CommitHandle commit(raw);
        const Tree parent = ParentTree(commit.get());
        const Tree tree = TreeOf(commit.get());
        const DiffHandle diff = TreeDiff(repository.get(), parent.get(), tree.get());
        Entry entry{git_oid_tostr_s(&id),
                    git_commit_time(commit.get()),
                    git_commit_author(commit.get())->name,
                    git_commit_message(commit.get()),
                    {}};
        while (!entry.message.empty() && entry.message.back() == '\n') {
            entry.message.pop_back();
        }
        bool concerns = wanted.empty();
        for (std::size_t i = 0; diff && i < git_diff_num_deltas(diff.get()); ++i) {
            const std::string path = git_diff_get_delta(diff.get(), i)->new_file.path;
            entry.files.push_back("/" + path);
            concerns = concerns || wanted.count(path) > 0;
        }
        if (concerns) {
            entries->push_back(std::move(entry));
        }
    }
    return true;
}

namespace {

// A patch's lines as git prints them: "+", "-" or " " before each line of a hunk.
int PrintLine(const git_diff_delta*, const git_diff_hunk*, const git_diff_line* line,
              void* payload) {
    auto* text = static_cast<std::string*>(payload);
    if (line->origin == GIT_DIFF_LINE_CONTEXT || line->origin == GIT_DIFF_LINE_ADDITION ||
        line->origin == GIT_DIFF_LINE_DELETION) {
        text->push_back(line->origin);
    }
    text->append(line->content, line->content_len);
    return 0;
}

}  // namespace

bool ConfigHistory::DiffWithFiles(const std::string& revision,
                                  const std::vector<std::string>& files, std::string* patch,
                                  std::string* why) const {
    patch->clear();
    for (const std::string& file : files) {
        std::string then;
        bool held = false;
        if (!FileAt(revision, file, &then, &held, why)) {
            return false;
        }
        std::string now;
        platform::ReadRegularFile(file, platform::kLargestTextFile, &now);
        const std::string path = PathInHistory(file);
        git_patch* raw = nullptr;
        if (git_patch_from_buffers(&raw, then.data(), then.size(), path.c_str(), now.data(),
                                   now.size(), path.c_str(), nullptr) != 0) {
            *why = LastError("cannot compare the save with the file");
            return false;
        }
        const std::unique_ptr<git_patch, Freer<git_patch, git_patch_free>> held_patch(raw);
        if (git_patch_num_hunks(raw) > 0) {
            git_patch_print(raw, PrintLine, patch);
        }
    }
    return true;
}

bool ConfigHistory::Diff(const std::string& from, const std::string& to, std::string* patch,
                         std::string* why) const {
    Repository repository;
    CommitHandle newer;
    if (!Open(m_folder, false, &repository, why) || !Resolve(repository.get(), to, &newer, why)) {
        return false;
    }
    Tree older;
    if (from.empty()) {
        older = ParentTree(newer.get());
    } else {
        CommitHandle base;
        if (!Resolve(repository.get(), from, &base, why)) {
            return false;
        }
        older = TreeOf(base.get());
    }
    const Tree tree = TreeOf(newer.get());
    const DiffHandle diff = TreeDiff(repository.get(), older.get(), tree.get());
    if (!diff) {
        *why = LastError("cannot compare the saves");
        return false;
    }
    patch->clear();
    return git_diff_print(diff.get(), GIT_DIFF_FORMAT_PATCH, PrintLine, patch) == 0;
}

bool ConfigHistory::FileAt(const std::string& revision, const std::string& file, std::string* bytes,
                           bool* held, std::string* why) const {
    Repository repository;
    CommitHandle commit;
    if (!Open(m_folder, false, &repository, why) ||
        !Resolve(repository.get(), revision, &commit, why)) {
        return false;
    }
    const Tree tree = TreeOf(commit.get());
    git_tree_entry* entry = nullptr;
    *held = tree && git_tree_entry_bypath(&entry, tree.get(), PathInHistory(file).c_str()) == 0;
    if (!*held) {
        return true;
    }
    git_object* object = nullptr;
    const int found = git_tree_entry_to_object(&object, repository.get(), entry);
    git_tree_entry_free(entry);
    if (found != 0) {
        *why = LastError("cannot read the save");
        return false;
    }
    const Object blob(object);
    const auto* data = static_cast<const char*>(
        git_blob_rawcontent(reinterpret_cast<const git_blob*>(blob.get())));
    bytes->assign(data, static_cast<std::size_t>(
                            git_blob_rawsize(reinterpret_cast<const git_blob*>(blob.get()))));
    return true;
}
