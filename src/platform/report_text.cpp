#include "platform/report_text.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rl {

namespace {

constexpr char kCtrlZ = 26;
// Bytes read at a time: large enough that a report's lines cost few reads.
constexpr size_t kChunk = 256 * 1024;

// Drops every CR and makes NUL a blank, in place.
void cleanLine(std::string& line) {
    if (!line.empty() && line.back() == '\r') line.pop_back(); // the usual CR LF
    const auto holds = [&](char c) { return std::memchr(line.data(), c, line.size()) != nullptr; };
    if (!holds('\r') && !holds('\0')) return;
    std::string clean;
    clean.reserve(line.size());
    for (const char c : line) {
        if (c == '\r') continue;
        clean.push_back(c == '\0' ? ' ' : c);
    }
    line.swap(clean);
}

} // namespace

struct ReportText::FileState {
    int fd = -1;
    // Offset of every line found; the last may be tentative (after the latest
    // LF) until the text's end shows whether anything follows it.
    std::vector<std::uint64_t> starts{0};
    std::uint64_t scanned = 0; // bytes looked at
    std::uint64_t textEnd = 0; // the end of the text, once complete
    bool complete = false;
    // The line being scanned, as read, for the detector.
    std::string pending;
    ReportEncodingDetector detector;
    // A window of the file's bytes.
    std::vector<char> window;
    std::uint64_t windowStart = 0;
    size_t windowSize = 0;

    ~FileState() {
        if (fd >= 0) ::close(fd);
    }

    // Reads up to size bytes at offset; fewer only at the end of the file.
    // A read error ends the text there, as the end of the file would.
    size_t readAt(std::uint64_t offset, char* to, size_t size) const {
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pread(fd, to + done, size - done, off_t(offset + done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += size_t(n);
        }
        return done;
    }

    bool known(size_t index) const { return index + 1 < starts.size() || (complete && index < starts.size()); }

    void finish(std::uint64_t end) {
        complete = true;
        textEnd = end;
        if (starts.back() >= textEnd) {
            // Nothing after the last LF: the line before it ends at that LF.
            starts.pop_back();
            textEnd = end > 0 ? end - 1 : 0;
        } else {
            cleanLine(pending);
            detector.AddLine(pending);
        }
        pending.clear();
        pending.shrink_to_fit();
    }

    // Looks at the next chunk of the file.
    void scanChunk() {
        if (complete) return;
        // Keep the line in progress in the window when it is short, so that
        // reading it next costs no second read.
        const std::uint64_t lineStart = starts.back();
        windowStart = scanned - lineStart <= kChunk / 2 ? lineStart : scanned;
        window.resize(kChunk + (scanned - windowStart));
        windowSize = readAt(windowStart, window.data(), window.size());
        const size_t from = size_t(scanned - windowStart);
        if (windowSize <= from) {
            finish(scanned);
            return;
        }
        const char* data = window.data();
        const char* end = data + windowSize;
        const char* stop = static_cast<const char*>(std::memchr(data + from, kCtrlZ, size_t(end - (data + from))));
        const char* limit = stop ? stop : end;
        const char* p = data + from;
        while (p < limit) {
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(limit - p)));
            if (!lf) {
                pending.append(p, size_t(limit - p));
                break;
            }
            pending.append(p, size_t(lf - p));
            cleanLine(pending);
            detector.AddLine(pending);
            pending.clear();
            starts.push_back(windowStart + std::uint64_t(lf - data) + 1);
            p = lf + 1;
        }
        scanned = windowStart + std::uint64_t(limit - data);
        if (stop) finish(scanned);
    }

    bool ensure(size_t index) {
        while (!known(index)) {
            if (complete) return false;
            scanChunk();
        }
        return true;
    }

    void line(size_t index, std::string& out) {
        const std::uint64_t a = starts[index];
        const std::uint64_t b = index + 1 < starts.size() ? starts[index + 1] - 1 : textEnd;
        const size_t length = size_t(b - a);
        if (a < windowStart || b > windowStart + windowSize) {
            if (length > kChunk) {
                out.resize(length);
                out.resize(readAt(a, out.data(), length));
                cleanLine(out);
                return;
            }
            window.resize(kChunk);
            windowStart = a;
            windowSize = readAt(a, window.data(), kChunk);
        }
        const size_t at = size_t(a - windowStart);
        out.assign(window.data() + at, std::min(length, windowSize - std::min(windowSize, at)));
        cleanLine(out);
    }
};

ReportText::ReportText() = default;

ReportText::ReportText(std::vector<std::string> lines) : memory_(std::move(lines)) {
    for (const std::string& line : memory_)
        memoryDetector_.AddLine(line);
}

ReportText::~ReportText() = default;
ReportText::ReportText(ReportText&&) noexcept = default;
ReportText& ReportText::operator=(ReportText&&) noexcept = default;

bool ReportText::Open(const QString& path, ReportText& text, QString* error) {
    text = ReportText();
    const auto fail = [&](const QString& why) {
        if (error) *error = path + QStringLiteral(": ") + why;
        return false;
    };
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) return fail(QStringLiteral("no such file"));
    // Only regular files: a folder has no lines, and a device or a pipe could
    // block the open or never end.
    if (!info.isFile()) return fail(QStringLiteral("not a regular file"));
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return fail(QString::fromLocal8Bit(std::strerror(errno)));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(QStringLiteral("not a regular file")); // swapped for something else meanwhile
    }
    text.file_ = std::make_unique<FileState>();
    text.file_->fd = fd;
    return true;
}

bool ReportText::Line(size_t index, std::string& out) const {
    if (!file_) {
        if (index >= memory_.size()) {
            out.clear();
            return false;
        }
        out = memory_[index];
        return true;
    }
    if (!file_->ensure(index)) {
        out.clear();
        return false;
    }
    file_->line(index, out);
    return true;
}

bool ReportText::Has(size_t index) const {
    return file_ ? file_->ensure(index) : index < memory_.size();
}

size_t ReportText::Count() const {
    if (!file_) return memory_.size();
    while (!file_->complete)
        file_->scanChunk();
    return file_->starts.size();
}

size_t ReportText::KnownCount() const {
    if (!file_) return memory_.size();
    return file_->complete ? file_->starts.size() : file_->starts.size() - 1;
}

bool ReportText::Complete() const {
    return !file_ || file_->complete;
}

void ReportText::ScanAhead(std::uint64_t bytes) const {
    if (!file_) return;
    while (!file_->complete && file_->scanned < bytes)
        file_->scanChunk();
}

ReportEncoding ReportText::DetectedEncoding() const {
    return file_ ? file_->detector.Decision() : memoryDetector_.Decision();
}

std::vector<std::string> ReportText::AllLines() const {
    std::vector<std::string> lines(Count());
    for (size_t i = 0; i < lines.size(); ++i)
        Line(i, lines[i]);
    return lines;
}

} // namespace rl
