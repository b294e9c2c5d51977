#pragma once

#include <QByteArray>
#include <QIODevice>

namespace rl {

// Writes a message line by line, each line followed by CR LF. With dot
// stuffing on (the form sent after SMTP's DATA), a line that begins with "."
// gets one more "." in front, so that no line of the message can end DATA early.
class MailLineWriter {
public:
    enum class DotStuffing { Off, On };

    // The device stays the caller's and must be open for writing.
    explicit MailLineWriter(QIODevice& device, DotStuffing stuffing = DotStuffing::Off)
        : device_(device), stuffing_(stuffing) {}

    // Throws rl::Error when the line holds a CR or LF (a writer bug that would
    // let text start a header or a command) or when the device fails.
    void writeLine(const QByteArray& line);

private:
    QIODevice& device_;
    DotStuffing stuffing_;
};

} // namespace rl
