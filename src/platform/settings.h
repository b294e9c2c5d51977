#pragma once

#include "platform/profile_file.h"

#include <QString>

namespace rl {

// The two settings files, both named "preview.ini" and of the same format.
enum class SettingsFile {
    Program, // in the program folder, beside the executable
    System,  // in the system folder (what a bare "preview.ini" means on Windows)
};

// Sections and keys of the settings files; no other section or key is used.
namespace SettingsKeys {
inline constexpr QStringView Config = u"config";
inline constexpr QStringView Email = u"email";

// section "config"
inline constexpr QStringView Figura = u"figura";   // full path of the head picture
inline constexpr QStringView Posicao = u"posicao"; // 0 centred, 1 left, 2 right
inline constexpr QStringView Mostra = u"mostra";   // 0 first page only, 1 every page
inline constexpr QStringView Papel = u"papel";     // "A4", "Carta" or "Customizado"
inline constexpr QStringView Height = u"height";   // custom paper height, mm, decimal comma
inline constexpr QStringView Width = u"width";     // custom paper width, mm, decimal comma
inline constexpr QStringView Server = u"server";   // SMTP host; empty: the built-in one
inline constexpr QStringView Porta = u"porta";     // SMTP port, stored as typed
inline constexpr QStringView Conta = u"conta";     // SMTP user name
inline constexpr QStringView Seguro = u"seguro";   // 1: send only over STARTTLS ("Exigir conexão segura")

// section "email": the e-mail dialog's last successful send
inline constexpr QStringView De = u"de";
inline constexpr QStringView Para = u"para";
inline constexpr QStringView Comc = u"comc";
inline constexpr QStringView Ass = u"ass";
inline constexpr QStringView Men = u"men";
inline constexpr QStringView Arq = u"arq";
inline constexpr QStringView Tipo = u"tipo"; // attachment type index, 0 to 4
} // namespace SettingsKeys

// Typed access to one settings file. Each call reads or writes the file anew
// (nothing is cached), so a value written through one instance is seen by every
// other. Reads never throw and give the default when the file, the key or a
// valid value is missing; writes throw rl::Error when the file cannot be
// written (see ProfileFile).
class Settings {
public:
    // Full path of "preview.ini" in the program folder or the system folder,
    // determined anew on each call.
    static QString filePath(SettingsFile which);

    explicit Settings(SettingsFile which);
    // Over any file: for tests.
    explicit Settings(const QString& path);
    // The program-folder file, or the file at path when one is given (tests).
    static Settings programFile(const QString& path = {});

    const ProfileFile& file() const { return file_; }

    // section "config"
    QString figura() const;
    void setFigura(const QString& value) const;
    int posicao() const;
    void setPosicao(int value) const;
    int mostra() const;
    void setMostra(int value) const;
    QString papel() const; // default "Carta"
    void setPapel(const QString& value) const;
    QString height() const; // default "279,4"
    void setHeight(const QString& value) const;
    QString width() const; // default "215,9"
    void setWidth(const QString& value) const;
    QString server() const;
    void setServer(const QString& value) const;
    // The port as the page setup dialog shows it (default empty) and as sending
    // uses it (an integer, default 25). It is stored as the text typed.
    QString portaText() const;
    int porta() const;
    void setPorta(const QString& typed) const;
    QString conta() const;
    void setConta(const QString& value) const;
    // Whether mail goes out only over an encrypted connection; default off.
    bool seguro() const;
    void setSeguro(bool value) const;

    // section "email"
    QString de() const;
    void setDe(const QString& value) const;
    QString para() const;
    void setPara(const QString& value) const;
    QString comc() const;
    void setComc(const QString& value) const;
    QString ass() const;
    void setAss(const QString& value) const;
    // Only the first line of a message survives in the file (see ProfileFile).
    QString men() const;
    void setMen(const QString& value) const;
    QString arq() const;
    void setArq(const QString& value) const;
    int tipo() const;
    void setTipo(int value) const;

    // Whether the file holds the key in section "config" (whatever its value).
    bool hasConfigKey(QStringView key) const;

private:
    ProfileFile file_;
};

// The keys of section "config" that lay the report out ("figura", "posicao",
// "mostra", "papel", "height", "width"), key by key from the file that decides
// it: the user's (system-folder) file when it holds the key, because only
// "Configurações" writes there and only what the user chose; else the
// program-folder file, which a calling program or the installation may write
// before each start; else the default. Start-up, both picture bands, the paper
// and the page setup dialog all read through this, so what the dialog shows is
// what the report uses.
class LayoutSettings {
public:
    LayoutSettings(Settings user, Settings program);

    QString figura() const;
    int posicao() const;
    int mostra() const;
    QString papel() const;
    QString height() const;
    QString width() const;

    const Settings& user() const { return user_; }
    // The file whose value of the key counts.
    const Settings& source(QStringView key) const;

private:
    Settings user_;
    Settings program_;
};

} // namespace rl
