#pragma once

#include <QtGlobal>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QIODevice;

namespace rl {

// The bytes of a PDF file on their way to a device, with the bookkeeping the
// cross-reference table needs: the write position (every byte counts, line
// ends included) and the offset of every numbered object.
//
// Output is buffered; flush() hands it to the device, and a device that takes
// fewer bytes than offered makes flush() throw rl::Error. The device must stay
// open while the object lives. Not thread-safe.
class PdfOutput {
public:
    explicit PdfOutput(QIODevice& device);
    ~PdfOutput();
    PdfOutput(const PdfOutput&) = delete;
    PdfOutput& operator=(const PdfOutput&) = delete;

    // Bytes written so far, buffered ones included.
    qint64 position() const { return flushed_ + qint64(buffer_.size()); }

    void write(std::string_view bytes);
    // The bytes and CR LF.
    void writeLine(std::string_view line);
    void lineEnd() { write("\r\n"); }
    // The buffer, for callers that format in place; call maybeFlush() afterwards.
    std::string& buffer() { return buffer_; }
    void maybeFlush();
    void flush();

    // Object numbers are handed out from 1 upward.
    int reserveObject();
    int objectCount() const { return int(offsets_.size()); }
    // Offset of an object, -1 while it has not been begun.
    qint64 objectOffset(int number) const { return offsets_.at(size_t(number - 1)); }

    // "N 0 obj <<" with the offset recorded; the entry lines follow, then endDictionary().
    void beginDictionary(int number);
    // ">> endobj"
    void endDictionary();
    // "N 0 obj", the value line, "endobj".
    void writeBareObject(int number, std::string_view value);
    // "N 0 obj" alone, for stream objects whose dictionary the caller writes.
    void beginObject(int number);
    // A stream object with its length inline: "N 0 obj <<", the entry lines,
    // "/Length" and the data's size, ">>", "stream", the data, a line end,
    // "endstream", "endobj".
    void writeStreamObject(int number, std::string_view entries, std::string_view data);

private:
    QIODevice& device_;
    std::string buffer_;
    qint64 flushed_ = 0;
    std::vector<qint64> offsets_;
};

// The bytes compressed for a /FlateDecode stream (zlib format).
std::string deflateBytes(std::string_view bytes);

// Page units (96 per inch) to PDF points (72 per inch).
inline double pts(double units) {
    return units / 96.0 * 72.0;
}

// A decimal number with four decimals, then trailing zeros and a trailing
// point cut, always with a point: 12.5, 10, 0, -3.25. Never "-0".
void appendNumber(std::string& out, double value);
std::string pdfNumber(double value);
void appendInteger(std::string& out, long long value);
// "N 0 R"
std::string pdfReference(int number);
// A string's bytes for inside "( )": "(", ")" and "\" escaped, other control
// bytes (and 127) as three-digit octal; bytes from 128 up unchanged.
void appendEscapedText(std::string& out, std::string_view bytes);
// A PDF name's characters after the "/": bytes outside the printable ASCII
// range and the delimiters become "#" and two hex digits.
std::string pdfNameChars(std::string_view bytes);
// Colour component / 255, three numbers: "r g b".
void appendColor(std::string& out, std::uint8_t red, std::uint8_t green, std::uint8_t blue);

} // namespace rl
