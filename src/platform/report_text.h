#pragma once

#include "platform/report_encoding.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace rl {

// The lines of a text report, read from its file as they are asked for rather
// than all at once: the first page of a long report needs its first lines only,
// and the text is never held whole in memory. What is kept is the offset of
// every line found so far (8 bytes a line) and a window of the file's bytes.
//
// Lines end at LF or CR LF, a lone CR is dropped, Ctrl-Z ends the text, NUL
// becomes a blank; lines have no length limit. Line index 0 is the file's first.
//
// The file stays open while the text lives, so a report deleted or replaced by
// rename meanwhile reads on unchanged. One truncated in place reads as ending
// where its bytes now end.
//
// Not thread-safe; reading a line is logically const (it only fills caches).
class ReportText {
public:
    // No lines.
    ReportText();
    // Lines given in memory (a report composed from text already read).
    explicit ReportText(std::vector<std::string> lines);
    ~ReportText();
    ReportText(ReportText&&) noexcept;
    ReportText& operator=(ReportText&&) noexcept;
    ReportText(const ReportText&) = delete;
    ReportText& operator=(const ReportText&) = delete;

    // Opens a report file without reading its lines yet. Returns false, with no
    // lines and *error set (the path, ": " and the reason), when the path is
    // missing, not a regular file (folders, devices and pipes are never opened,
    // so nothing can block) or cannot be opened.
    static bool Open(const QString& path, ReportText& text, QString* error = nullptr);

    // Line index into out (its bytes as the file has them); false, out empty,
    // past the last line. Reads the file as far as needed.
    bool Line(size_t index, std::string& out) const;
    // Whether line index exists (reads as far as needed).
    bool Has(size_t index) const;
    // Number of lines: reads the whole file the first time.
    size_t Count() const;
    bool Empty() const { return !Has(0); }
    // Lines found so far, and whether the text's end has been reached.
    size_t KnownCount() const;
    bool Complete() const;
    // Finds lines until at least `bytes` of the file have been looked at (or its end).
    void ScanAhead(std::uint64_t bytes) const;
    // The encoding the lines found so far show (ReportEncodingDetector over them, in order).
    ReportEncoding DetectedEncoding() const;
    // Every line, read into memory (for the few uses that need them all at once).
    std::vector<std::string> AllLines() const;
    // Calls fn(line) for every line in order; stops early when fn returns false.
    template <typename Fn> void ForEach(Fn fn) const {
        std::string line;
        for (size_t i = 0; Line(i, line); ++i)
            if (!fn(std::as_const(line))) return;
    }

private:
    struct FileState;
    std::vector<std::string> memory_;
    ReportEncodingDetector memoryDetector_;
    std::unique_ptr<FileState> file_;
};

} // namespace rl
