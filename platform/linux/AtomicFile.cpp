// Atomic replacement with POSIX calls: O_EXCL temporary, fsync, rename, directory fsync.
#include "platform/AtomicFile.hpp"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quovent {

namespace {

namespace fs = std::filesystem;

constexpr int kNameAttempts = 100;

std::string failure(const fs::path& path, int error) {
    return path.string() + ": " + std::strerror(error);
}

// A name no other writer uses at the same time: the process id and a process-wide counter;
// O_EXCL settles the rare clash with a stale file.
int createTemporary(const fs::path& directory, const fs::path& target, fs::path& temporary) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = "." + target.filename().string() + "." +
                                 std::to_string(::getpid()) + "." +
                                 std::to_string(counter.fetch_add(1)) + ".tmp";
        temporary = directory / name;
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The rename is only durable once the directory entry is on disk too. A directory that
// cannot be synced (some file systems refuse) does not undo the completed replacement.
void syncDirectory(const fs::path& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

std::string AtomicFile::write(const fs::path& target, std::string_view bytes) {
    if (target.filename().empty()) {
        return target.string() + ": not a file name";
    }
    const fs::path directory = target.has_parent_path() ? target.parent_path() : fs::path(".");
    fs::path temporary;
    const int fd = createTemporary(directory, target, temporary);
    if (fd < 0) {
        return failure(directory, errno);
    }
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        ::fchmod(fd, existing.st_mode & 07777);
    }
    bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return failure(target, error);
    }
    syncDirectory(directory);
    return {};
}

} // namespace quovent
