// Feeds arbitrary server bytes, in pieces, to the SMTP reply reader: it must
// either give well-formed replies or refuse with an error, never overrun.
#include "mail/smtp_reply_reader.h"
#include "platform/error.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    rl::SmtpReplyReader reader(64);
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        for (qsizetype start = 0; start < bytes.size(); start += 7) {
            reader.append(bytes.mid(start, 7));
            while (const std::optional<rl::TSmtpReply> reply = reader.takeReply()) {
                if (reply->Code < 0 || reply->Code > 999 || reply->Text.isEmpty()) std::abort();
                for (const QString& line : reply->Text)
                    if (line.contains(u'\n') || line.size() > 64) std::abort();
            }
        }
    } catch (const rl::Error&) {
    }
    return 0;
}
