// The one place of the domain that calls the POSIX file functions directly: the standard library
// can neither flush a file to the disk nor flush a folder, and without both an atomic replace is
// atomic only until the next power cut.
#include "texts/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace pw {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(const fs::path& file, int errorNumber, const char* what) {
    throw fs::filesystem_error(what, file, std::error_code(errorNumber, std::generic_category()));
}

// Closes the descriptor on every way out; close() reports the last write errors of some file
// systems, so the normal path closes explicitly and checks the result.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    int close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

// A name no other writer uses at the same time: the process, a counter and the clock.
std::string temporaryName(const fs::path& target, unsigned attempt) {
    static std::atomic<unsigned long> counter{0};
    const unsigned long mix =
        static_cast<unsigned long>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<unsigned long>(::getpid()) << 20) ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ul) ^
        attempt;
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%08lx.tmp", mix & 0xFFFFFFFFul);
    // Cut long names so that the temporary name stays within the 255 bytes a file name may have.
    return "." + target.filename().string().substr(0, 200) + suffix;
}

void writeAll(int fd, std::string_view bytes, const fs::path& temporary) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail(temporary, errno, "cannot write the temporary file");
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void writeTemporary(const fs::path& temporary, int fd, std::string_view bytes, const fs::path& target) {
    Descriptor file(fd);
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && ::fchmod(fd, old.st_mode & 07777) != 0) {
        fail(temporary, errno, "cannot give the temporary file the permissions of the old one");
    }
    writeAll(fd, bytes, temporary);
    if (::fsync(fd) != 0) {
        fail(temporary, errno, "cannot flush the temporary file");
    }
    if (file.close() != 0) {
        fail(temporary, errno, "cannot close the temporary file");
    }
}

// The rename has taken effect when this runs, so a failure here is not reported: the new content
// is in place, and calling the write failed would make the caller believe the old one still is.
void flushFolder(const fs::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

std::optional<std::string> readWholeFile(const fs::path& file, std::error_code& error) {
    error.clear();
    const fs::file_status status = fs::status(file, error);
    if (status.type() == fs::file_type::not_found) {
        error.clear();
        return std::nullopt;
    }
    if (error) {
        return std::nullopt;
    }
    // A folder cannot be read as a file, and a pipe or a device would block the reader or never end.
    if (!fs::is_regular_file(status)) {
        error = std::make_error_code(fs::is_directory(status) ? std::errc::is_a_directory
                                                              : std::errc::invalid_argument);
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = std::make_error_code(std::errc::permission_denied);
        return std::nullopt;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = std::make_error_code(std::errc::io_error);
        return std::nullopt;
    }
    return bytes;
}

void replaceFileAtomically(const fs::path& file, std::string_view bytes) {
    fs::path target = file;
    std::error_code ignored;
    if (fs::is_symlink(file, ignored)) {
        if (fs::path resolved = fs::canonical(file, ignored); !ignored) {
            target = resolved;
        }
    }
    const fs::path folder = target.parent_path();

    fs::path temporary;
    int fd = -1;
    for (unsigned attempt = 0; fd < 0; ++attempt) {
        temporary = folder / temporaryName(target, attempt);
        // 0666 less the umask, as any new file; an existing file's permissions follow below.
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt >= 100)) {
            fail(temporary, errno, "cannot create a temporary file");
        }
    }
    try {
        writeTemporary(temporary, fd, bytes, target);
        if (::rename(temporary.c_str(), target.c_str()) != 0) {
            fail(target, errno, "cannot rename the temporary file over the file");
        }
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    flushFolder(folder);
}

}  // namespace pw
