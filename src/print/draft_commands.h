#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

namespace rl {

// Printer families of the dot-matrix filter: which control sequences it sends
// by default and which vertical unit the printer moves in.
enum TRLDraftPrinterFamily { fmCustom, fmEpsonLike, fmESCP2 };

// The family's default command lines "Name=value"; none for fmCustom.
QStringList DefaultDraftCommands(TRLDraftPrinterFamily family);

// Expands one command value with its parameter into printer bytes.
//
// The value is a comma-separated list of tokens: a decimal number (or a "$"
// hexadecimal one) is one byte; 'text' is its characters; "#" is the parameter
// as one byte; "#l"/"#h" (any case) its low and high byte; "$" alone its decimal
// digits. An empty token ends the command. Any other token throws rl::Error.
QByteArray ExpandDraftCommand(const QString& value, int parameter);

// Command lines looked up by name, letter case aside, as the filter sends them.
class DraftCommandTable {
public:
    DraftCommandTable() = default;
    explicit DraftCommandTable(const QStringList& lines);

    // The bytes of the named command; empty when it is missing or its value is.
    QByteArray bytes(const QString& name, int parameter = 0) const;

private:
    // Values of commands without a parameter, expanded once.
    mutable QHash<QString, QByteArray> fixed_;
    QHash<QString, QString> values_;
};

} // namespace rl
