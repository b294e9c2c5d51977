#include "platform/settings.h"

#include "platform/folders.h"

#include <utility>

namespace rl {

using namespace SettingsKeys;

QString Settings::filePath(SettingsFile which) {
    const QString folder =
        which == SettingsFile::Program ? Folders::programSettingsFolder() : Folders::systemFolder();
    return folder + QStringLiteral("/preview.ini");
}

Settings::Settings(SettingsFile which) : file_(filePath(which)) {}

Settings::Settings(const QString& path) : file_(path) {}

Settings Settings::programFile(const QString& path) {
    return path.isEmpty() ? Settings(SettingsFile::Program) : Settings(path);
}

QString Settings::figura() const {
    return file_.readString(Config, Figura);
}
void Settings::setFigura(const QString& value) const {
    file_.writeString(Config, Figura, value);
}

int Settings::posicao() const {
    return file_.readInteger(Config, Posicao, 0);
}
void Settings::setPosicao(int value) const {
    file_.writeInteger(Config, Posicao, value);
}

int Settings::mostra() const {
    return file_.readInteger(Config, Mostra, 0);
}
void Settings::setMostra(int value) const {
    file_.writeInteger(Config, Mostra, value);
}

QString Settings::papel() const {
    return file_.readString(Config, Papel, QStringLiteral("Carta"));
}
void Settings::setPapel(const QString& value) const {
    file_.writeString(Config, Papel, value);
}

QString Settings::height() const {
    return file_.readString(Config, Height, QStringLiteral("279,4"));
}
void Settings::setHeight(const QString& value) const {
    file_.writeString(Config, Height, value);
}

QString Settings::width() const {
    return file_.readString(Config, Width, QStringLiteral("215,9"));
}
void Settings::setWidth(const QString& value) const {
    file_.writeString(Config, Width, value);
}

QString Settings::server() const {
    return file_.readString(Config, Server);
}
void Settings::setServer(const QString& value) const {
    file_.writeString(Config, Server, value);
}

QString Settings::portaText() const {
    return file_.readString(Config, Porta);
}
int Settings::porta() const {
    return file_.readInteger(Config, Porta, 25);
}
void Settings::setPorta(const QString& typed) const {
    file_.writeString(Config, Porta, typed);
}

QString Settings::conta() const {
    return file_.readString(Config, Conta);
}
void Settings::setConta(const QString& value) const {
    file_.writeString(Config, Conta, value);
}

bool Settings::seguro() const {
    return file_.readInteger(Config, Seguro, 0) != 0;
}
void Settings::setSeguro(bool value) const {
    file_.writeInteger(Config, Seguro, value ? 1 : 0);
}

QString Settings::de() const {
    return file_.readString(Email, De);
}
void Settings::setDe(const QString& value) const {
    file_.writeString(Email, De, value);
}

QString Settings::para() const {
    return file_.readString(Email, Para);
}
void Settings::setPara(const QString& value) const {
    file_.writeString(Email, Para, value);
}

QString Settings::comc() const {
    return file_.readString(Email, Comc);
}
void Settings::setComc(const QString& value) const {
    file_.writeString(Email, Comc, value);
}

QString Settings::ass() const {
    return file_.readString(Email, Ass);
}
void Settings::setAss(const QString& value) const {
    file_.writeString(Email, Ass, value);
}

QString Settings::men() const {
    return file_.readString(Email, Men);
}
void Settings::setMen(const QString& value) const {
    file_.writeString(Email, Men, value);
}

QString Settings::arq() const {
    return file_.readString(Email, Arq);
}
void Settings::setArq(const QString& value) const {
    file_.writeString(Email, Arq, value);
}

int Settings::tipo() const {
    return file_.readInteger(Email, Tipo, 0);
}
void Settings::setTipo(int value) const {
    file_.writeInteger(Email, Tipo, value);
}

bool Settings::hasConfigKey(QStringView key) const {
    // A value never holds a line break, so this default can only mean "missing".
    const QString missing = QStringLiteral("\n");
    return file_.readString(Config, key, missing) != missing;
}

LayoutSettings::LayoutSettings(Settings user, Settings program)
    : user_(std::move(user)), program_(std::move(program)) {}

const Settings& LayoutSettings::source(QStringView key) const {
    return user_.hasConfigKey(key) ? user_ : program_;
}

QString LayoutSettings::figura() const {
    return source(Figura).figura();
}
int LayoutSettings::posicao() const {
    return source(Posicao).posicao();
}
int LayoutSettings::mostra() const {
    return source(Mostra).mostra();
}
QString LayoutSettings::papel() const {
    return source(Papel).papel();
}
QString LayoutSettings::height() const {
    return source(Height).height();
}
QString LayoutSettings::width() const {
    return source(Width).width();
}

} // namespace rl
