#include "export/rich_filter.h"

#include "export/markup_output.h"
#include "export/reader_face.h"
#include "pagestore/graphic_storage.h"
#include "platform/error.h"
#include "platform/temp_files.h"

#include <QFile>

namespace rl {

TRLRichFilter::TRLRichFilter(QObject* owner) : TRLCustomSaveFilter(owner) {
    SetDisplayName(QStringLiteral("Formato RichText"));
    SetDefaultExt(QStringLiteral(".rtf"));
}

TRLRichFilter::~TRLRichFilter() {
    dropBody();
}

void TRLRichFilter::BeginDoc() {
    pageNumber_ = 1;
    const TRLGraphicStorage* store = Pages();
    pageWidth_ = store ? store->OrientedWidthPixels() : 0;
    pageHeight_ = store ? store->OrientedHeightPixels() : 0;
    landscape_ = store && store->Orientation() == 2;
    fonts_.clear();
    dropBody();
    // Read back only by this run: a file without a name nothing can leave behind.
    body_ = TempFiles::openAnonymous();
    bodyFileName_ = TempFiles::anonymousPath(*body_);
}

void TRLRichFilter::NewPage() {
    writePageBreak(*body_);
    ++pageNumber_;
}

void TRLRichFilter::DrawPage(const TRLGraphicSurface& page) {
    RichPageWriter(*body_, fonts_, pageNumber_).writePage(page);
}

void TRLRichFilter::EndDoc() {
    try {
        QIODevice& out = Output();
        writeDocumentHead(out);
        writeBody(out);
        writeDocumentEnd(out);
    } catch (...) {
        dropBody();
        throw;
    }
    dropBody();
}

void TRLRichFilter::writePageBreak(QIODevice& out) {
    writeLine(out, "\\par\\page\\pard\\plain\\par");
}

void TRLRichFilter::writeDocumentHead(QIODevice& out) {
    writeLine(out, "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1046");
    writeFontTable(out);
    writeLine(out, "\\paperw" + decimal(twips(pageWidth_)));
    writeLine(out, "\\paperh" + decimal(twips(pageHeight_)));
    if (landscape_) writeLine(out, "\\landscape");
    writeLine(out, "\\viewkind1");
    writeLine(out, "\\margl0\\margt0\\margr0\\margb0");
}

void TRLRichFilter::writeFontTable(QIODevice& out) {
    writeLine(out, "{\\fonttbl{");
    const auto& names = fonts_.names();
    for (size_t i = 0; i < names.size(); ++i)
        writeLine(out, "\\f" + decimal(qsizetype(i)) + "\\fnil\\fcharset0 " +
                           faceNameForReaders(names[i], KeepReportFace) + ";");
    writeLine(out, "}}");
}

void TRLRichFilter::writeBody(QIODevice& out) {
    if (!body_) throw Error("O arquivo temporário do documento não está aberto.");
    if (!body_->flush() || !body_->seek(0))
        throw Error(QStringLiteral("Erro ao gravar o arquivo temporário \"%1\": %2")
                        .arg(bodyFileName_, body_->errorString())
                        .toStdString());
    QByteArray chunk;
    while (!(chunk = body_->read(1 << 16)).isEmpty())
        writeBytes(out, std::string_view(chunk.constData(), size_t(chunk.size())));
    if (body_->error() != QFileDevice::NoError)
        throw Error(QStringLiteral("Erro ao ler o arquivo temporário \"%1\": %2")
                        .arg(bodyFileName_, body_->errorString())
                        .toStdString());
}

void TRLRichFilter::writeDocumentEnd(QIODevice& out) {
    writeLine(out, "\\par}");
}

void TRLRichFilter::dropBody() noexcept {
    body_.reset(); // closing it frees it
    bodyFileName_.clear();
}

} // namespace rl
