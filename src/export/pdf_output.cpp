#include "export/pdf_output.h"

#include "platform/error.h"

#include <QIODevice>

#include <libdeflate.h>

#include <memory>

#include <charconv>
#include <cmath>

namespace rl {

namespace {
constexpr size_t kFlushThreshold = 256 * 1024;
}

PdfOutput::PdfOutput(QIODevice& device) : device_(device) {
    buffer_.reserve(kFlushThreshold + 4096);
}

PdfOutput::~PdfOutput() = default;

void PdfOutput::write(std::string_view bytes) {
    buffer_.append(bytes);
    maybeFlush();
}

void PdfOutput::writeLine(std::string_view line) {
    buffer_.append(line);
    buffer_.append("\r\n");
    maybeFlush();
}

void PdfOutput::maybeFlush() {
    if (buffer_.size() >= kFlushThreshold) flush();
}

void PdfOutput::flush() {
    if (buffer_.empty()) return;
    const qint64 written = device_.write(buffer_.data(), qint64(buffer_.size()));
    if (written != qint64(buffer_.size())) throw Error(device_.errorString().toStdString());
    flushed_ += written;
    buffer_.clear();
}

int PdfOutput::reserveObject() {
    offsets_.push_back(-1);
    return int(offsets_.size());
}

void PdfOutput::beginObject(int number) {
    offsets_.at(size_t(number - 1)) = position();
    appendInteger(buffer_, number);
    writeLine(" 0 obj");
}

void PdfOutput::beginDictionary(int number) {
    offsets_.at(size_t(number - 1)) = position();
    appendInteger(buffer_, number);
    writeLine(" 0 obj <<");
}

void PdfOutput::endDictionary() {
    writeLine(">> endobj");
}

void PdfOutput::writeBareObject(int number, std::string_view value) {
    beginObject(number);
    writeLine(value);
    writeLine("endobj");
}

void PdfOutput::writeStreamObject(int number, std::string_view entries, std::string_view data) {
    beginDictionary(number);
    buffer_.append(entries);
    buffer_.append("/Length ");
    appendInteger(buffer_, qint64(data.size()));
    writeLine("");
    writeLine(">>");
    writeLine("stream");
    write(data);
    writeLine("");
    writeLine("endstream");
    writeLine("endobj");
}

std::string deflateBytes(std::string_view bytes) {
    // libdeflate's fastest level: over three times zlib's default speed, and
    // report text still shrinks to about a sixth.
    struct Free {
        void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
    };
    thread_local const std::unique_ptr<libdeflate_compressor, Free> compressor(
        libdeflate_alloc_compressor(1));
    if (!compressor) throw Error("compression failed");
    std::string out(libdeflate_zlib_compress_bound(compressor.get(), bytes.size()), '\0');
    const size_t size =
        libdeflate_zlib_compress(compressor.get(), bytes.data(), bytes.size(), out.data(), out.size());
    if (size == 0) throw Error("compression failed");
    out.resize(size);
    return out;
}

void appendNumber(std::string& out, double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 4);
    if (result.ec != std::errc()) {
        out.push_back('0'); // not finite or absurdly large: no page has such a coordinate
        return;
    }
    const char* end = result.ptr;
    while (end[-1] == '0')
        --end;
    if (end[-1] == '.') --end;
    std::string_view digits(text, size_t(end - text));
    if (digits == "-0") digits = "0";
    out.append(digits);
}

std::string pdfNumber(double value) {
    std::string out;
    appendNumber(out, value);
    return out;
}

void appendInteger(std::string& out, long long value) {
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

std::string pdfReference(int number) {
    std::string out;
    appendInteger(out, number);
    out.append(" 0 R");
    return out;
}

void appendEscapedText(std::string& out, std::string_view bytes) {
    for (const char ch : bytes) {
        const auto byte = std::uint8_t(ch);
        if (ch == '(' || ch == ')' || ch == '\\') {
            out.push_back('\\');
            out.push_back(ch);
        } else if (byte < 32 || byte == 127) {
            out.push_back('\\');
            out.push_back(char('0' + (byte >> 6)));
            out.push_back(char('0' + ((byte >> 3) & 7)));
            out.push_back(char('0' + (byte & 7)));
        } else {
            out.push_back(ch);
        }
    }
}

std::string pdfNameChars(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : bytes) {
        const auto byte = std::uint8_t(ch);
        const bool delimiter = std::string_view("()<>[]{}/%#").find(ch) != std::string_view::npos;
        if (byte <= 32 || byte >= 127 || delimiter) {
            out.push_back('#');
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 15]);
        } else {
            out.push_back(ch);
        }
    }
    return out;
}

void appendColor(std::string& out, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    appendNumber(out, red / 255.0);
    out.push_back(' ');
    appendNumber(out, green / 255.0);
    out.push_back(' ');
    appendNumber(out, blue / 255.0);
}

} // namespace rl
