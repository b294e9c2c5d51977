#include "export/html_filter.h"

#include "export/markup_output.h"
#include "export/picture_checksum.h"
#include "platform/error.h"
#include "platform/report_font.h"
#include "platform/temp_files.h"

#include <QFile>

#include <algorithm>

namespace rl {

namespace {

constexpr std::string_view kPageStart = "<HTMLFilter.Page>";
constexpr std::string_view kPageEnd = "</HTMLFilter.Page>";

// Page numbers the navigation bar lists at most.
constexpr int kNavigationWindow = 20;

[[noreturn]] void failFile(const QString& what, const QFile& file) {
    throw Error(QStringLiteral("%1 \"%2\": %3").arg(what, file.fileName(), file.errorString()).toStdString());
}

} // namespace

TRLHTMLFilter::TRLHTMLFilter(QObject* owner) : TRLCustomSaveFilter(owner) {
    SetDisplayName(QStringLiteral("Página da Web"));
    SetDefaultExt(QStringLiteral(".htm"));
}

TRLHTMLFilter::~TRLHTMLFilter() {
    dropWorkingFile();
}

QString TRLHTMLFilter::PageFileName(int index) const {
    const QString name = FileName();
    if (index == 0) return name;
    const qsizetype slash = name.lastIndexOf('/');
    const qsizetype dot = name.lastIndexOf('.');
    const qsizetype cut = dot > slash ? dot : name.size();
    return name.left(cut) + QString::number(index) + name.mid(cut);
}

void TRLHTMLFilter::BeginDoc() {
    const TRLGraphicStorage* store = Pages();
    pageWidth_ = store ? store->OrientedWidthPixels() : 0;
    pageHeight_ = store ? store->OrientedHeightPixels() : 0;
    title_ = store ? store->Title() : std::string();
    fileCount_ = 0;
    fileIndex_ = 0;
    pictureIndex_ = 0;
    imageFiles_.clear();
    extraFiles_.clear();
    dropWorkingFile();
    // Read back only by this run: a file without a name nothing can leave behind.
    working_ = TempFiles::openAnonymous();
    workingFileName_ = TempFiles::anonymousPath(*working_);
    writePageStartMark();
}

void TRLHTMLFilter::NewPage() {
    writePageEndMark();
    ++fileCount_;
    writePageStartMark();
}

void TRLHTMLFilter::DrawPage(const TRLGraphicSurface& page) {
    HtmlPageWriter writer(*working_, fonts_, pageWidth_, pageHeight_,
                          [this](const TRLHTMLGraphic& graphic) { return storePicture(graphic); });
    // The page carries its pictures, so that it shows them when mailed or
    // moved alone; the files beside it are still written. A save-graphic
    // handler that names the files keeps them referred to by name.
    writer.inlinePictures = !OnSaveGraphic;
    writer.writePage(page);
}

void TRLHTMLFilter::EndDoc() {
    try {
        writePageEndMark();
        ++fileCount_;
        splitWorkingFile();
    } catch (...) {
        dropWorkingFile();
        throw;
    }
    dropWorkingFile();
}

void TRLHTMLFilter::DiscardExtraFiles() noexcept {
    part_.reset();
    for (const QString& name : extraFiles_)
        QFile::remove(name);
    extraFiles_.clear();
}

// ---- pictures

QString TRLHTMLFilter::storePicture(const TRLHTMLGraphic& graphic) {
    // A 16-bit checksum collides now and then: equal bytes decide.
    const std::uint16_t checksum = PictureChecksum(graphic.Bytes);
    for (const ImageFile& file : imageFiles_)
        if (file.Checksum == checksum && file.Bytes == graphic.Bytes) return file.FileName;
    ++pictureIndex_;
    const QString page = PageFileName(fileIndex_);
    const qsizetype slash = page.lastIndexOf('/');
    const qsizetype dot = page.lastIndexOf('.');
    QString name = page.left(dot > slash ? dot : page.size()) + "-img" + QString::number(pictureIndex_) +
                   "." + graphic.Kind;
    bool saved = false;
    if (OnSaveGraphic) {
        saved = true;
        OnSaveGraphic(this, graphic, name, saved);
    } else if (!graphic.Kind.isEmpty()) {
        writePictureFile(name, graphic.Bytes);
        saved = true;
    }
    if (!saved || name.isEmpty()) return {};
    imageFiles_.push_back({name, checksum, graphic.Bytes});
    return name;
}

void TRLHTMLFilter::writePictureFile(const QString& fileName, const QByteArray& bytes) {
    extraFiles_.append(fileName);
    QFile file(fileName);
    openForWriting(file);
    writeBytes(file, std::string_view(bytes.constData(), size_t(bytes.size())));
    closeWritten(file);
}

// ---- working file

void TRLHTMLFilter::writePageStartMark() {
    writeLine(*working_, "");
    writeLine(*working_, kPageStart);
}

void TRLHTMLFilter::writePageEndMark() {
    writeLine(*working_, "");
    writeLine(*working_, kPageEnd);
}

void TRLHTMLFilter::splitWorkingFile() {
    if (!working_->flush() || !working_->seek(0))
        failFile(QStringLiteral("Erro no arquivo temporário"), *working_);
    QIODevice* current = nullptr;
    fileIndex_ = 0;
    while (!working_->atEnd()) {
        const QByteArray line = working_->readLine();
        if (line.isEmpty()) failFile(QStringLiteral("Erro ao ler o arquivo temporário"), *working_);
        std::string_view content(line.constData(), size_t(line.size()));
        if (content.ends_with("\r\n")) content.remove_suffix(2);
        if (content == kPageStart) {
            if (documentStyle_ == dsCSS2 && fileIndex_ > 0) continue;
            if (fileIndex_ == 0) {
                current = &Output();
            } else {
                part_ = std::make_unique<QFile>(PageFileName(fileIndex_));
                extraFiles_.append(part_->fileName());
                openForWriting(*part_);
                current = part_.get();
            }
            writeHead(*current);
        } else if (content == kPageEnd) {
            if (current) {
                writePageFoot(*current);
                if (documentStyle_ == dsOldStyle || fileCount_ == fileIndex_ + 1) {
                    writeTail(*current);
                    if (part_) closeWritten(*part_);
                    part_.reset();
                    current = nullptr;
                }
            }
            ++fileIndex_;
        } else if (current) {
            writeBytes(*current, std::string_view(line.constData(), size_t(line.size())));
        }
    }
}

void TRLHTMLFilter::dropWorkingFile() noexcept {
    working_.reset(); // closing it frees it
    workingFileName_.clear();
}

// ---- document parts

void TRLHTMLFilter::writeHead(QIODevice& out) {
    writeLine(out, "<html>");
    writeLine(out, "");
    writeLine(out, "<head>");
    writeLine(out, "<meta http-equiv=\"Content-Type\" content=\"text/html\" charset=\"iso-8859-1\">");
    writeLine(out, "<meta name=\"GENERATOR\" content=\"MorvexReport 3.23\">");
    if (!title_.empty()) writeLine(out, "<title>" + escapeHtml(title_) + "</title>");
    writeStyleBlock(out);
    writeLine(out, "</head>");
    writeLine(out, "");
    writeLine(out, "<body>");
    writeLine(out, "");
}

void TRLHTMLFilter::writeStyleBlock(QIODevice& out) {
    writeLine(out, "<style>");
    if (documentStyle_ == dsCSS2) {
        writeLine(out, "@media print");
        writeLine(out, "{");
        writeLine(out, ".nonprintable {display:none;}");
        writeLine(out, "}");
    }
    const auto& entries = fonts_.entries();
    const auto isReportFace = [](const std::string& name) {
        return QByteArray::fromStdString(name).compare(kReportFontFamily, Qt::CaseInsensitive) == 0;
    };
    // The report face travels inside the page, so that the columns hold on a
    // machine that never had it.
    if (std::any_of(entries.begin(), entries.end(), [&](const auto& e) { return isReportFace(e.Name); }))
        writeLine(out, std::string("@font-face {font-family:\"") + kReportFontFamily +
                           "\"; src:url(data:font/ttf;base64," + reportFontBytes().toBase64().toStdString() +
                           ") format(\"truetype\");}");
    for (size_t i = 0; i < entries.size(); ++i) {
        // A reader that ignores the embedded face still keeps the grid with a
        // face of the same 600/1000 em advance, as long as no ligature ("fi"
        // in Nimbus Mono PS) makes two characters one.
        const std::string fallback =
            isReportFace(entries[i].Name)
                ? ", \"Courier New\", \"Liberation Mono\", \"Nimbus Mono PS\", monospace; "
                  "font-variant-ligatures:none"
                : "";
        writeLine(out, "font.f" + decimal(qsizetype(i)) + " {font-family:\"" + entries[i].Name + "\"" +
                           fallback + "; font-size:" + decimal(entries[i].Size) + "pt; color:#" +
                           htmlColour(entries[i].Color) + "}");
    }
    writeLine(out, "</style>");
}

void TRLHTMLFilter::writePageFoot(QIODevice& out) {
    if (documentStyle_ == dsOldStyle) {
        writeNavigationBar(out);
    } else if (fileIndex_ + 1 < fileCount_) {
        writeLine(out, "<div style=\"position:relative; page-break-after:always\"><br></div>");
    }
}

void TRLHTMLFilter::writeNavigationBar(QIODevice& out) {
    writeLine(out, "<div style=\"width:" + decimal(pageWidth_) + "px; height:20px\">");
    writeLine(out, "<table width=\"100%\" height=\"100%\">");
    writeLine(out, "<tr>");
    writeLine(out, "<td align=\"center\">");
    if (fileIndex_ > 0) {
        writeLink(out, 0, "|&lt;");
        writeLink(out, fileIndex_ - 1, "&lt;");
    }
    // A window of numbers around the current page, reaching the last page too.
    const int end = std::min(fileCount_, std::max(0, fileIndex_ - kNavigationWindow / 2) + kNavigationWindow);
    const int start = std::max(0, end - kNavigationWindow);
    for (int i = start; i < end; ++i) {
        if (i == fileIndex_)
            writeLine(out, decimal(i + 1));
        else
            writeLink(out, i, decimal(i + 1));
    }
    if (fileIndex_ < fileCount_ - 1) {
        writeLink(out, fileIndex_ + 1, "&gt;");
        writeLink(out, fileCount_ - 1, "&gt;|");
    }
    writeLine(out, "</td>");
    writeLine(out, "</tr>");
    writeLine(out, "</table>");
    writeLine(out, "</div>");
}

void TRLHTMLFilter::writeLink(QIODevice& out, int index, const std::string& label) {
    writeLine(out, "<a href=\"" + htmlFileReference(PageFileName(index)) + "\">" + label + "</a>");
}

void TRLHTMLFilter::writeTail(QIODevice& out) {
    writeLine(out, "</body>");
    writeLine(out, "");
    writeLine(out, "</html>");
}

} // namespace rl
