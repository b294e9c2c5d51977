#include "composer_fixture.h"

#include "composer/page_setup_dialog.h"
#include "composer/report_session.h"
#include "platform/dialog_presenter.h"
#include "platform/error_log.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>

using namespace rl;
using rl::test::ComposerFixture;

namespace {

template <class T> T* control(QWidget* dialog, const char* name) {
    T* found = dialog->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

void setText(QWidget* dialog, const char* name, const QString& text) {
    control<QLineEdit>(dialog, name)->setText(text);
}

void choose(QWidget* dialog, const char* name, const QString& entry) {
    auto* list = control<QComboBox>(dialog, name);
    list->setCurrentIndex(list->findText(entry));
    ASSERT_GE(list->currentIndex(), 0) << entry.toStdString();
}

// Answers the dialog as a user would: fills its controls, then presses a button.
class UserPresenter : public DialogPresenter {
public:
    std::function<void(QWidget*)> fill;
    const char* button = "butok";
    QString openAnswer;
    QStringList openFilters;

    QString getOpenFileName(QWidget*, const QString& filter) override {
        openFilters << filter;
        return openAnswer;
    }
    QString getSaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
    std::optional<QFont> getFont(QWidget*, const QFont&) override { return std::nullopt; }
    bool execDialog(QWidget* widget) override {
        auto* dialog = static_cast<QDialog*>(widget);
        if (fill) fill(dialog);
        control<QPushButton>(dialog, button)->click();
        return dialog->result() == QDialog::Accepted;
    }
};

class PageSetupDialog : public testing::Test {
protected:
    ComposerFixture f;
    UserPresenter user;
    ScopedDialogPresenter scopedUser{user};
    std::unique_ptr<ReportSession> session;
    std::unique_ptr<QSignalSpy> regenerations;

    void SetUp() override {
        QByteArray lines = "HEADER\r\n";
        for (int i = 1; i <= 300; ++i)
            lines += "line " + QByteArray::number(i) + "\r\n";
        f.setReport(lines, "80");
        session = std::make_unique<ReportSession>(f.form->Values, f.programSettingsPath());
        session->Compose();
        regenerations = std::make_unique<QSignalSpy>(session.get(), &ReportSession::PagesChanged);
    }

    QByteArray systemFile() const { return rl::test::readFile(Settings::filePath(SettingsFile::System)); }
    const TRLPageSetup& paper() { return session->Composer().RLReport1->PageSetup; }
    int imagesOn(int page) {
        int count = 0;
        for (const auto& object : session->Pages().Pages(page)->Items())
            count += object->kind() == ObjectKind::Image;
        return count;
    }
};

TEST_F(PageSetupDialog, OkWritesEverySettingInOrderAppliesThePaperAndRegenerates) {
    user.openAnswer = "/img/logo.bmp";
    user.fill = [](QWidget* d) {
        control<QPushButton>(d, "edfiguraBrowse")->click();
        choose(d, "combpos", "À direita");
        choose(d, "combmfig", "Todas Páginas");
        choose(d, "CBPapel", "Customizado");
        setText(d, "EdHeight", "100");
        setText(d, "EdWidth", "150,5");
        choose(d, "CBPapel", "A4"); // hides the boxes, whose texts are still written
        setText(d, "edservidor", "smtp.example.com");
        setText(d, "edporta", "587");
        setText(d, "edconta", "eu@example.com");
        control<QCheckBox>(d, "chkseguro")->setChecked(true);
    };
    ASSERT_TRUE(ShowPageSetup(*session));
    EXPECT_EQ(user.openFilters, QStringList{TForm3::FigureFilter});
    EXPECT_EQ(systemFile(), QByteArray("[config]\r\n"
                                       "figura=/img/logo.bmp\r\n"
                                       "posicao=2\r\n"
                                       "mostra=1\r\n"
                                       "server=smtp.example.com\r\n"
                                       "porta=587\r\n"
                                       "conta=eu@example.com\r\n"
                                       "seguro=1\r\n"
                                       "papel=A4\r\n"
                                       "height=100\r\n"
                                       "width=150,5\r\n"));
    EXPECT_EQ(paper().PaperSize(), fpA4);
    EXPECT_EQ(regenerations->count(), 1);

    // Reopened, the dialog shows what was written; the custom size applies.
    user.fill = [](QWidget* d) {
        EXPECT_EQ(control<QLineEdit>(d, "EdWidth")->text(), "150,5");
        EXPECT_EQ(control<QComboBox>(d, "combmfig")->currentIndex(), 1);
        EXPECT_TRUE(control<QCheckBox>(d, "chkseguro")->isChecked());
        choose(d, "CBPapel", "Customizado");
    };
    ASSERT_TRUE(ShowPageSetup(*session));
    EXPECT_EQ(paper().PaperSize(), fpCustom);
    EXPECT_DOUBLE_EQ(paper().PaperHeight(), 100.0);
    EXPECT_DOUBLE_EQ(paper().PaperWidth(), 150.5);
    EXPECT_EQ(regenerations->count(), 2);
}

TEST_F(PageSetupDialog, CancelAndTheCloseBoxWriteAndApplyNothing) {
    user.fill = [](QWidget* d) { choose(d, "CBPapel", "A4"); };
    user.button = "butcancel";
    EXPECT_FALSE(ShowPageSetup(*session));
    DialogPresenter* previous = DialogPresenter::setCurrent(nullptr); // nobody answers: the close box
    EXPECT_FALSE(ShowPageSetup(*session));
    DialogPresenter::setCurrent(previous);
    EXPECT_TRUE(systemFile().isNull());
    EXPECT_EQ(paper().PaperSize(), fpLetter);
    EXPECT_EQ(regenerations->count(), 0);
}

struct OpeningCase {
    const char* name;
    QByteArray file; // system-folder settings; empty: none
    int posicao, mostra;
    QString papel, height;
    bool customVisible;
};

TEST_F(PageSetupDialog, OpeningShowsTheSettingsOrTheirDefaults) {
    const std::vector<OpeningCase> cases = {
        {"no file", "", 0, 0, "Carta", "279,4", false},
        {"paper in any case", "[Config]\nPAPEL=customizado\nheight=12,5\n", 0, 0, "Customizado", "12,5",
         true},
        {"outside the lists", "[config]\nposicao=3\nmostra=-1\npapel=Oficio\n", -1, -1, "", "279,4", false},
    };
    for (const OpeningCase& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(Settings::filePath(SettingsFile::System));
        if (!c.file.isEmpty()) rl::test::writeFile(Settings::filePath(SettingsFile::System), c.file);
        TForm3 dialog;
        EXPECT_EQ(dialog.combpos->currentIndex(), c.posicao);
        EXPECT_EQ(dialog.combmfig->currentIndex(), c.mostra);
        EXPECT_EQ(dialog.CBPapel->currentText(), c.papel);
        EXPECT_EQ(dialog.EdHeight->text(), c.height);
        for (QWidget* w : std::initializer_list<QWidget*>{dialog.LabelHeight, dialog.EdHeight,
                                                          dialog.LabelWidth, dialog.EdWidth})
            EXPECT_EQ(w->isVisibleTo(&dialog), c.customVisible) << w->objectName().toStdString();
        EXPECT_FALSE(dialog.Written());
    }
}

TEST_F(PageSetupDialog, SizeBoxesTakeOnlyDigitsAndTheDecimalComma) {
    TForm3 dialog;
    for (QLineEdit* box : {dialog.EdHeight, dialog.EdWidth}) {
        box->clear();
        const std::pair<Qt::Key, QString> keys[] = {
            {Qt::Key_1, "1"},     {Qt::Key_Period, "."}, {Qt::Key_A, "a"},          {Qt::Key_2, "2"},
            {Qt::Key_Space, " "}, {Qt::Key_Comma, ","},  {Qt::Key_Minus, "-"},      {Qt::Key_5, "5"},
            {Qt::Key_9, "9"},     {Qt::Key_E, "e"},      {Qt::Key_Backspace, "\b"},
        };
        for (const auto& [key, text] : keys) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
            QCoreApplication::sendEvent(box, &press);
        }
        EXPECT_EQ(box->text(), "12,5") << box->objectName().toStdString();
    }
    // Elsewhere a full stop is typed as it is.
    QKeyEvent stop(QEvent::KeyPress, Qt::Key_Period, Qt::NoModifier, ".");
    QCoreApplication::sendEvent(dialog.edporta, &stop);
    EXPECT_TRUE(dialog.edporta->text().endsWith(u'.'));
}

TEST_F(PageSetupDialog, ACustomSizeThatIsNoNumberIsRefusedAndNothingWritten) {
    for (const QString bad : {"", "1,2,3", "0", "99999", ","}) {
        SCOPED_TRACE(bad.toStdString());
        f.presenter.requests.clear();
        user.fill = [&](QWidget* d) {
            choose(d, "CBPapel", "Customizado");
            setText(d, "EdHeight", "297");
            setText(d, "EdWidth", bad);
        };
        EXPECT_FALSE(ShowPageSetup(*session));
        ASSERT_EQ(f.presenter.requests.size(), 1u);
        EXPECT_TRUE(f.presenter.requests[0].text.startsWith("A largura da página deve ser um número"));
        EXPECT_EQ(f.presenter.requests[0].caption, ApplicationTitle);
        EXPECT_TRUE(systemFile().isNull());
    }
    EXPECT_EQ(paper().PaperSize(), fpLetter);
    EXPECT_EQ(regenerations->count(), 0);

    // The dialog stays open with what was typed, to be corrected.
    user.fill = [](QWidget* d) {
        choose(d, "CBPapel", "Customizado");
        setText(d, "EdWidth", "21O");
        control<QPushButton>(d, "butok")->click();
        EXPECT_TRUE(control<QLineEdit>(d, "EdWidth")->hasSelectedText());
        setText(d, "EdWidth", "210");
    };
    EXPECT_TRUE(ShowPageSetup(*session));
    EXPECT_DOUBLE_EQ(paper().PaperWidth(), 210.0);
}

TEST_F(PageSetupDialog, AFileThatCannotBeWrittenIsToldAndLogged) {
    const QString blocker = f.dir.filePath("blocker");
    rl::test::writeFile(blocker, "a file, not a folder");
    const QByteArray saved = qgetenv("RELANTOMADOR_SYSTEM_DIR");
    qputenv("RELANTOMADOR_SYSTEM_DIR", QFile::encodeName(blocker + "/system"));
    QFile::remove(ErrorLog::path());
    const bool shown = ShowPageSetup(*session);
    qputenv("RELANTOMADOR_SYSTEM_DIR", saved);

    EXPECT_FALSE(shown);
    ASSERT_EQ(f.presenter.requests.size(), 1u);
    EXPECT_EQ(f.presenter.requests[0].caption, "Erro...");
    EXPECT_TRUE(rl::test::readFile(ErrorLog::path()).contains(" - Objeto :Form3\r\n"));
    QFile::remove(ErrorLog::path());
    EXPECT_EQ(regenerations->count(), 0);
}

// The calling program writes the program-folder file before each start; it
// decides every layout key the user has not changed in the dialog.
TEST_F(PageSetupDialog, TheProgramFolderFileDecidesWhatTheUserDidNotChange) {
    f.programSettings().setPapel("A4");
    f.programSettings().setPosicao(2);
    user.fill = [](QWidget* d) {
        EXPECT_EQ(control<QComboBox>(d, "CBPapel")->currentText(), "A4");
        EXPECT_EQ(control<QComboBox>(d, "combpos")->currentIndex(), 2);
        setText(d, "edservidor", "smtp.example.com");
        choose(d, "combmfig", "Todas Páginas");
    };
    ASSERT_TRUE(ShowPageSetup(*session));
    EXPECT_EQ(paper().PaperSize(), fpA4);
    EXPECT_EQ(systemFile(), QByteArray("[config]\r\nmostra=1\r\nserver=smtp.example.com\r\nporta=\r\n"
                                       "conta=\r\nseguro=0\r\n"));

    // The next start: the calling program now asks for Letter, and gets it;
    // once the user picks a paper, theirs wins.
    f.programSettings().setPapel("Carta");
    for (const char* chosen : {"", "A4"}) {
        if (*chosen) {
            user.fill = [&](QWidget* d) { choose(d, "CBPapel", chosen); };
            ASSERT_TRUE(ShowPageSetup(*session));
        }
        ReportSession restarted(
            ReportSession::StartupValuesFor({f.form->Values.ReportFilePath}, f.programSettingsPath()),
            f.programSettingsPath());
        restarted.Compose();
        EXPECT_EQ(restarted.Composer().RLReport1->PageSetup.PaperSize(), *chosen ? fpA4 : fpLetter) << chosen;
    }
}

TEST_F(PageSetupDialog, APictureTheReportCannotPrintIsRefusedBeforeAnythingIsWritten) {
    const QString bad = f.dir.filePath("bad.png");
    rl::test::writeFile(bad, "not a picture");
    const QString good = f.makePicture(30, 10, "good.png");
    user.fill = [&](QWidget* d) {
        setText(d, "edfigura", bad);
        control<QPushButton>(d, "butok")->click();
        EXPECT_TRUE(systemFile().isNull());
        setText(d, "edfigura", good);
    };
    ASSERT_TRUE(ShowPageSetup(*session));
    ASSERT_EQ(f.presenter.requests.size(), 1u);
    EXPECT_EQ(f.presenter.requests[0].text, "Tipo de Arquivo Inválido");
    EXPECT_EQ(ComposerFixture::systemSettings().figura(), good);
    EXPECT_EQ(session->Values().FigurePath, good);
    EXPECT_EQ(imagesOn(0), 1);
    EXPECT_EQ(f.presenter.requests.size(), 1u);
}

struct FigureCase {
    const char* name;
    bool pictureInUse;
    const char* shows; // entry of "Mostrar figura"
    std::vector<int> imagesPerPage;
};

TEST_F(PageSetupDialog, APictureInUseIsKeptOtherwiseTheNewPathPrintsAtOnce) {
    const QString inUse = f.makePicture(40, 20, "in-use.png");
    const QString typed = f.makePicture(60, 30, "typed.png");
    // Both bands follow the choice: "Todas Páginas" prints the picture once on page 1 too.
    const std::vector<FigureCase> cases = {
        {"in use, first page", true, "Página Inicial", {1, 0}},
        {"none, every page", false, "Todas Páginas", {1, 1, 1}},
    };
    for (const FigureCase& c : cases) {
        SCOPED_TRACE(c.name);
        session->SetFigurePath(c.pictureInUse ? inUse : QString());
        user.fill = [&](QWidget* d) {
            setText(d, "edfigura", typed);
            choose(d, "combmfig", c.shows);
        };
        ASSERT_TRUE(ShowPageSetup(*session));
        EXPECT_EQ(ComposerFixture::systemSettings().figura(), typed);
        EXPECT_EQ(session->Values().FigurePath, c.pictureInUse ? inUse : typed);
        ASSERT_GE(session->PageCount(), int(c.imagesPerPage.size()));
        for (size_t page = 0; page < c.imagesPerPage.size(); ++page)
            EXPECT_EQ(imagesOn(int(page)), c.imagesPerPage[page]) << "page " << page + 1;
        for (const auto& object : session->Pages().Pages(0)->Items())
            if (object->kind() == ObjectKind::Image) {
                EXPECT_EQ(object->Bounds.right - object->Bounds.left, c.pictureInUse ? 40 : 60);
            }
    }
}

} // namespace
