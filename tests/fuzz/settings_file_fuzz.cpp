// Feeds arbitrary bytes to the settings-file reader as a whole "preview.ini",
// then writes one key into a copy: the value written must read back, and a
// key of another section must read as it did before.
#include "fuzz_file.h"
#include "platform/profile_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

const char16_t* const kKeys[][2] = {
    {u"config", u"figura"}, {u"config", u"papel"}, {u"config", u"porta"},
    {u"email", u"de"},      {u"email", u"tipo"},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const FuzzFile input(data, size);
    const rl::ProfileFile read(input.path());
    for (const auto& key : kKeys) {
        (void)read.readString(QStringView(key[0]), QStringView(key[1]), QStringLiteral("default"));
        (void)read.readInteger(QStringView(key[0]), QStringView(key[1]), 25);
    }
    (void)rl::ProfileFile::parseInteger(
        QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(std::min<size_t>(size, 64))));

    static QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(QStringLiteral("preview.ini"));
    {
        QFile copy(path);
        if (!copy.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
        copy.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const rl::ProfileFile settings(path);
    const QString before = settings.readString(u"email", u"para", QStringLiteral("\x01none"));
    try {
        settings.writeString(u"config", u"figura", QStringLiteral("C:\\logo.bmp"));
    } catch (const std::exception&) {
        return 0; // refused (a file too large to be settings): nothing to read back
    }
    if (settings.readString(u"config", u"figura") != QStringLiteral("C:\\logo.bmp")) std::abort();
    if (settings.readString(u"email", u"para", QStringLiteral("\x01none")) != before) std::abort();
    return 0;
}
