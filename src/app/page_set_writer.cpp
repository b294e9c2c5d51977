#include "app/page_set_writer.h"

#include "platform/error.h"
#include "platform/output_file.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>

#include <sys/resource.h>

namespace rl {

namespace {

// Descriptors left for everything else the process opens (fonts, the spill
// file, Qt's own).
constexpr rlim_t kSpareDescriptors = 64;

} // namespace

PageSetWriter::PageSetWriter(const QString& folder, int pageCount) : folder_(folder) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
        getrlimit(RLIMIT_NOFILE, &limit);
    }
    if (limit.rlim_cur != RLIM_INFINITY && rlim_t(pageCount) + kSpareDescriptors > limit.rlim_cur)
        throw OutputFileError(
            OutputFile::failureText(folder, QStringLiteral("%1 páginas de uma vez passam do limite de "
                                                           "arquivos abertos (%2); use --pages")
                                                .arg(pageCount)
                                                .arg(qulonglong(limit.rlim_cur)))
                .toStdString());
    files_.reserve(size_t(pageCount));
}

PageSetWriter::~PageSetWriter() = default;

void PageSetWriter::checkName(const QString& name) const {
    OutputFile::CheckTarget(QDir(folder_).filePath(name));
}

void PageSetWriter::add(const QString& name, const QImage& image) {
    auto file = std::make_unique<OutputFile>(QDir(folder_).filePath(name));
    // Encoded in memory first (one page), so that a full disk fails our own
    // write with the system's reason; libpng only knows "Write Error", and Qt's
    // writer leaks its buffer when it fails halfway.
    QBuffer encoded;
    encoded.open(QIODevice::WriteOnly);
    QImageWriter writer(&encoded, "png");
    // Compressing dominates the time of a page (painting is a tenth of it):
    // zlib's fastest level (Qt maps quality 80 to it) writes a third faster
    // than the default level for files some 7 percent larger.
    writer.setQuality(80);
    if (!writer.write(image))
        throw OutputFileError(OutputFile::failureText(file->path(), writer.errorString()).toStdString());
    file->device().write(encoded.data());
    file->check();
    files_.push_back(std::move(file));
}

void PageSetWriter::commit() {
    for (const auto& file : files_)
        file->commit();
    files_.clear();
}

} // namespace rl
