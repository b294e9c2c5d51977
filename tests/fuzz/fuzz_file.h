#pragma once
// The fuzz input as a file: the readers under test take paths. An anonymous
// memory file reached through /proc leaves nothing on disk and is a regular
// file to them.
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <sys/mman.h>
#include <unistd.h>

class FuzzFile {
public:
    FuzzFile(const std::uint8_t* data, size_t size) {
        fd_ = memfd_create("fuzz-input", MFD_CLOEXEC);
        if (fd_ < 0) std::abort();
        for (size_t at = 0; at < size;) {
            const ssize_t n = ::write(fd_, data + at, size - at);
            if (n <= 0) std::abort();
            at += size_t(n);
        }
    }
    ~FuzzFile() { ::close(fd_); }
    FuzzFile(const FuzzFile&) = delete;
    FuzzFile& operator=(const FuzzFile&) = delete;

    QString path() const { return QStringLiteral("/proc/self/fd/%1").arg(fd_); }

private:
    int fd_ = -1;
};
