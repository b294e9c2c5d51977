#pragma once

#include <QByteArray>
#include <QStringList>

#include <optional>

namespace rl {

// One server reply: its three-digit code and its text lines (without the code).
struct TSmtpReply {
    int Code = 0;
    QStringList Text;
};

// Cuts the bytes a server sends into replies. Lines end at LF (a CR before it
// is dropped); "250-..." lines go on until "250 ..." or a line shorter than
// four characters; each line's text starts at its fifth character.
class SmtpReplyReader {
public:
    explicit SmtpReplyReader(int maxLineLength = 4096) : maxLineLength_(maxLineLength) {}

    void append(const QByteArray& bytes) { buffer_ += bytes; }
    // The next reply once all its lines have arrived; nothing before. Throws
    // rl::Error "Max line length exceeded." for a line longer than the
    // maximum (arrived or still arriving), and for a reply without a code.
    std::optional<TSmtpReply> takeReply();
    void clear() { buffer_.clear(); }
    void setMaxLineLength(int length) { maxLineLength_ = length; }

private:
    QByteArray buffer_;
    int maxLineLength_;
};

} // namespace rl
