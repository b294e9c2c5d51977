#include "print/draft_commands.h"

#include "platform/error.h"

namespace rl {

namespace {

struct CommandDefault {
    const char* name;
    const char* value;
};

// The Epson-like table; ESC/P2 printers differ only in MicroOn (ESC + n, in 1/360 inch).
constexpr CommandDefault kEpsonLike[] = {
    {"CR", "13"},
    {"LF", "10"},
    {"BS", "8"},
    {"FF", "12"},
    {"Reset", "27,'@',27,'x0'"},
    {"MicroOn", "27,'A',#"},
    {"MicroOff", "27,'2'"},
    {"Space", "32"},
    {"CPP10", "27,'P',18"},
    {"CPP12", "27,'M',18"},
    {"CPP17", "27,'P',15"},
    {"CPP20", "27,'M',15"},
    {"ExpandOn", "27,'W',1"},
    {"ExpandOff", "27,'W',0"},
    {"BoldOn", "27,'G'"},
    {"BoldOff", "27,'H'"},
    {"ItalicOn", "27,'4'"},
    {"ItalicOff", "27,'5'"},
    {"UnderlineOn", "27,'-1'"},
    {"UnderlineOff", "27,'-0'"},
    {"RAW", "27,'L',#l,#h"},
};

[[noreturn]] void badToken(const QString& token) {
    throw Error(QStringLiteral("'%1' is not a valid integer value").arg(token).toStdString());
}

// A number token: decimal, or hexadecimal after "$".
int numberToken(const QString& token) {
    bool ok = false;
    const int value = token.startsWith(QLatin1Char('$')) ? token.mid(1).toInt(&ok, 16) : token.toInt(&ok, 10);
    if (!ok) badToken(token);
    return value;
}

} // namespace

QStringList DefaultDraftCommands(TRLDraftPrinterFamily family) {
    QStringList lines;
    if (family == fmCustom) return lines;
    for (const CommandDefault& command : kEpsonLike) {
        QString value = QString::fromLatin1(command.value);
        if (family == fmESCP2 && qstrcmp(command.name, "MicroOn") == 0) value = QStringLiteral("27,'+',#");
        lines.append(QString::fromLatin1(command.name) + QLatin1Char('=') + value);
    }
    return lines;
}

QByteArray ExpandDraftCommand(const QString& value, int parameter) {
    QByteArray out;
    qsizetype i = 0;
    const qsizetype size = value.size();
    while (i <= size) {
        // A quoted token runs to its closing quote, so it may hold commas.
        while (i < size && value.at(i) == QLatin1Char(' '))
            ++i;
        if (i < size && value.at(i) == QLatin1Char('\'')) {
            const qsizetype close = value.indexOf(QLatin1Char('\''), i + 1);
            const qsizetype end = close < 0 ? size : close;
            for (qsizetype k = i + 1; k < end; ++k)
                out.append(char(value.at(k).unicode() & 0xFF));
            i = close < 0 ? size : close + 1;
            const qsizetype comma = value.indexOf(QLatin1Char(','), i);
            i = comma < 0 ? size + 1 : comma + 1;
            continue;
        }
        const qsizetype comma = value.indexOf(QLatin1Char(','), i);
        const qsizetype end = comma < 0 ? size : comma;
        const QString token = value.mid(i, end - i).trimmed();
        i = end + 1;
        if (token.isEmpty()) break;
        const QString lower = token.toLower();
        if (lower == QLatin1String("#"))
            out.append(char(parameter & 0xFF));
        else if (lower == QLatin1String("#l"))
            out.append(char(parameter % 256 & 0xFF));
        else if (lower == QLatin1String("#h"))
            out.append(char(parameter / 256 & 0xFF));
        else if (lower == QLatin1String("$"))
            out.append(QByteArray::number(parameter));
        else
            out.append(char(numberToken(token) & 0xFF));
    }
    return out;
}

DraftCommandTable::DraftCommandTable(const QStringList& lines) {
    for (const QString& line : lines) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0) continue;
        const QString key = line.left(equals).trimmed().toUpper();
        // The first line of a name wins, as a name=value list finds it.
        if (!values_.contains(key)) values_.insert(key, line.mid(equals + 1));
    }
}

QByteArray DraftCommandTable::bytes(const QString& name, int parameter) const {
    const QString key = name.toUpper();
    const auto value = values_.constFind(key);
    if (value == values_.cend() || value->isEmpty()) return {};
    // Only a value with a parameter marker needs expanding every time.
    bool usesParameter = value->contains(QLatin1Char('#'));
    for (const QString& token : value->split(QLatin1Char(',')))
        usesParameter = usesParameter || token.trimmed() == QLatin1String("$");
    if (usesParameter) return ExpandDraftCommand(*value, parameter);
    auto cached = fixed_.constFind(key);
    if (cached == fixed_.cend()) cached = fixed_.insert(key, ExpandDraftCommand(*value, 0));
    return *cached;
}

} // namespace rl
