#include "platform/profile_file.h"

#include "platform/error.h"
#include "platform/windows1252.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <utility>
#include <vector>

namespace rl {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView trimBlanks(QByteArrayView bytes) {
    qsizetype from = 0;
    qsizetype to = bytes.size();
    while (from < to && isBlank(bytes[from]))
        ++from;
    while (to > from && isBlank(bytes[to - 1]))
        --to;
    return bytes.sliced(from, to - from);
}

QString decode(QByteArrayView bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    return fromWindows1252(std::string_view(bytes.data(), size_t(bytes.size())));
}

bool sameName(QByteArrayView stored, QStringView wanted) {
    return decode(stored).compare(wanted, Qt::CaseInsensitive) == 0;
}

// One line of the file: content is [begin, end), the line break (if any) runs to next.
struct Line {
    qsizetype begin;
    qsizetype end;
    qsizetype next;
};

enum class LineKind { Other, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    QByteArrayView name;  // section or key name, blanks removed
    QByteArrayView value; // key value, blanks removed
};

std::vector<Line> splitLines(const QByteArray& bytes) {
    std::vector<Line> lines;
    qsizetype at = 0;
    // A byte-order mark is not part of the first line's text.
    if (bytes.startsWith("\xEF\xBB\xBF")) at = 3;
    const qsizetype size = bytes.size();
    while (at < size) {
        qsizetype end = at;
        while (end < size && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        qsizetype next = end;
        if (next < size && bytes[next] == '\r') ++next;
        if (next < size && bytes[next] == '\n' && (next == end || bytes[next - 1] == '\r')) ++next;
        lines.push_back({at, end, next});
        at = next;
    }
    return lines;
}

ParsedLine parseLine(const QByteArray& bytes, const Line& line) {
    const QByteArrayView content =
        trimBlanks(QByteArrayView(bytes).sliced(line.begin, line.end - line.begin));
    ParsedLine parsed;
    if (content.startsWith('[')) {
        qsizetype close = content.indexOf(']');
        if (close < 0) close = content.size();
        parsed.kind = LineKind::Section;
        parsed.name = trimBlanks(content.sliced(1, close - 1));
        return parsed;
    }
    const qsizetype equals = content.indexOf('=');
    if (equals < 0) return parsed;
    parsed.kind = LineKind::Key;
    parsed.name = trimBlanks(content.first(equals));
    parsed.value = trimBlanks(content.sliced(equals + 1));
    return parsed;
}

enum class LoadResult { Loaded, Missing, Unusable };

// Reads the whole file, refusing anything that cannot be a settings file.
LoadResult loadFile(const QString& path, QByteArray& bytes) {
    bytes.clear();
    const QFileInfo info(path);
    if (!info.exists()) return info.isSymLink() ? LoadResult::Unusable : LoadResult::Missing;
    // A device or a named pipe could block or never end.
    if (!info.isFile() || info.size() > ProfileFile::MaxFileSize) return LoadResult::Unusable;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return LoadResult::Unusable;
    // In chunks, so memory follows the file's actual size (and a file that grows
    // while it is read still stops at the limit).
    bytes.reserve(info.size());
    char chunk[16384];
    for (;;) {
        const qint64 got = file.read(chunk, sizeof chunk);
        if (got == 0) return LoadResult::Loaded;
        if (got < 0 || bytes.size() + got > ProfileFile::MaxFileSize) {
            bytes.clear();
            return LoadResult::Unusable;
        }
        bytes.append(chunk, got);
    }
}

// Position of the first key line for key in the first section named section.
struct Lookup {
    qsizetype sectionLine = -1;
    qsizetype keyLine = -1;
    qsizetype lastContentLine = -1; // last non-blank line of the section (header included)
};

Lookup find(const QByteArray& bytes, const std::vector<Line>& lines, QStringView section, QStringView key) {
    Lookup found;
    for (qsizetype i = 0; i < qsizetype(lines.size()); ++i) {
        const ParsedLine parsed = parseLine(bytes, lines[size_t(i)]);
        if (found.sectionLine < 0) {
            if (parsed.kind == LineKind::Section && sameName(parsed.name, section)) {
                found.sectionLine = i;
                found.lastContentLine = i;
            }
            continue;
        }
        if (parsed.kind == LineKind::Section) break;
        const Line& line = lines[size_t(i)];
        if (!trimBlanks(QByteArrayView(bytes).sliced(line.begin, line.end - line.begin)).isEmpty())
            found.lastContentLine = i;
        if (parsed.kind == LineKind::Key && sameName(parsed.name, key)) {
            found.keyLine = i;
            return found;
        }
    }
    return found;
}

// The line break the file already uses; CR LF for a new file, as on Windows.
QByteArray lineBreakOf(const QByteArray& bytes) {
    const qsizetype at = bytes.indexOf('\n');
    if (at > 0 && bytes[at - 1] == '\r') return "\r\n";
    if (at >= 0 && bytes.indexOf('\r') < 0) return "\n";
    return "\r\n";
}

bool endsWithLineBreak(const QByteArray& bytes) {
    return bytes.endsWith('\n') || bytes.endsWith('\r');
}

QString firstLineOf(const QString& value) {
    qsizetype at = 0;
    while (at < value.size() && value[at] != u'\n' && value[at] != u'\r')
        ++at;
    return value.first(at);
}

[[noreturn]] void fail(const QString& path, const char* what) {
    throw Error(QStringLiteral("Não foi possível gravar o arquivo de configurações \"%1\": %2")
                    .arg(QDir::toNativeSeparators(path), QString::fromUtf8(what))
                    .toStdString());
}

void checkNames(const QString& path, QStringView section, QStringView key) {
    auto hasLineBreak = [](QStringView text) { return text.contains(u'\n') || text.contains(u'\r'); };
    if (section.contains(u']') || hasLineBreak(section)) fail(path, "nome de seção inválido");
    if (key.trimmed().isEmpty() || key.contains(u'=') || hasLineBreak(key))
        fail(path, "nome de chave inválido");
}

} // namespace

ProfileFile::ProfileFile(QString path) : path_(std::move(path)) {}

QString ProfileFile::readString(QStringView section, QStringView key, const QString& defaultValue) const {
    try {
        QByteArray bytes;
        if (loadFile(path_, bytes) != LoadResult::Loaded) return defaultValue;
        const std::vector<Line> lines = splitLines(bytes);
        const Lookup found = find(bytes, lines, section, key);
        if (found.keyLine < 0) return defaultValue;
        return decode(parseLine(bytes, lines[size_t(found.keyLine)]).value);
    } catch (const std::exception&) {
        // Out of memory on a hostile file: the settings read as defaults.
        return defaultValue;
    }
}

int ProfileFile::readInteger(QStringView section, QStringView key, int defaultValue) const {
    const QString text = readString(section, key);
    return parseInteger(text).value_or(defaultValue);
}

void ProfileFile::writeString(QStringView section, QStringView key, const QString& value) const {
    checkNames(path_, section, key);

    QByteArray bytes;
    switch (loadFile(path_, bytes)) {
    case LoadResult::Loaded:
    case LoadResult::Missing:
        break;
    case LoadResult::Unusable:
        // Rewriting what could not be read would lose it.
        fail(path_, "o arquivo existente não pôde ser lido");
    }

    const std::vector<Line> lines = splitLines(bytes);
    const Lookup found = find(bytes, lines, section, key);
    const QByteArray lineBreak = lineBreakOf(bytes);
    const QByteArray keyLine = key.toUtf8() + '=' + firstLineOf(value).toUtf8();

    if (found.keyLine >= 0) {
        const Line& line = lines[size_t(found.keyLine)];
        bytes.replace(line.begin, line.end - line.begin, keyLine);
    } else if (found.sectionLine >= 0) {
        // After the section's last entry, before the blank lines that separate it.
        const qsizetype at = lines[size_t(found.lastContentLine)].next;
        QByteArray insertion = keyLine + lineBreak;
        if (at == bytes.size() && !endsWithLineBreak(bytes)) insertion.prepend(lineBreak);
        bytes.insert(at, insertion);
    } else {
        if (!bytes.isEmpty() && !endsWithLineBreak(bytes)) bytes += lineBreak;
        bytes += '[' + section.toUtf8() + ']' + lineBreak + keyLine + lineBreak;
    }

    const QFileInfo info(path_);
    if (!QDir().mkpath(info.absolutePath())) fail(path_, "a pasta não pôde ser criada");
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) fail(path_, "o arquivo não pôde ser aberto");
    if (file.write(bytes) != bytes.size()) fail(path_, "erro de gravação");
    if (!file.commit()) fail(path_, "erro ao substituir o arquivo");
}

void ProfileFile::writeInteger(QStringView section, QStringView key, int value) const {
    writeString(section, key, QString::number(value));
}

std::optional<int> ProfileFile::parseInteger(QStringView text) {
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text[0] == u'-' || text[0] == u'+')) {
        negative = text[0] == u'-';
        text = text.sliced(1);
    }
    int base = 10;
    if (text.startsWith(u"0x", Qt::CaseInsensitive)) {
        base = 16;
        text = text.sliced(2);
    } else if (text.startsWith(u'$')) {
        base = 16;
        text = text.sliced(1);
    }
    if (text.isEmpty()) return std::nullopt;

    const quint64 limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    quint64 magnitude = 0;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return std::nullopt;
        magnitude = magnitude * quint64(base) + quint64(digit);
        if (magnitude > limit) return std::nullopt;
    }
    // Hexadecimal text gives the 32-bit pattern, as a Windows integer would hold it.
    const auto bits = quint32(magnitude);
    return int(negative ? quint32(0u - bits) : bits);
}

} // namespace rl
