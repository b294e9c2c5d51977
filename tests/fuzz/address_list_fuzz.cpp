// Feeds arbitrary text to the address-list parser: whatever it accepts must
// render as a header that cannot start another header, with addresses that
// cannot break an SMTP command.
#include "mail/mail_address.h"
#include "mail/mail_header_list.h"
#include "platform/error.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    rl::TMailAddressList list;
    try {
        list.setText(text);
    } catch (const rl::Error&) {
        return 0;
    }
    // What goes into MAIL FROM / RCPT TO: blanks only inside a quoted local part.
    for (const rl::TMailAddressItem& item : list.items()) {
        const QByteArray address = item.addrSpec();
        if (address.contains(' ') && !address.startsWith('"')) std::abort();
        for (char c : address)
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F || c == '<' ||
                c == '>')
                std::abort();
    }
    for (const rl::MailCharset& charset :
         {rl::MailCharset{"ISO-8859-1", 'Q'}, rl::MailCharset{"EUC-KR", 'B'}}) {
        rl::TMailHeaderList header;
        header.add("To", list.rendered(charset));
        const QList<QByteArray> lines = header.lines();
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (lines[i].contains('\r') || lines[i].contains('\n')) std::abort();
            if (i == 0 ? !lines[i].startsWith("To: ")
                       : !(lines[i].startsWith(' ') || lines[i].startsWith('\t')))
                std::abort();
        }
    }
    return 0;
}
