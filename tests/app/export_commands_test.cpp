// The save-as command and the items of "E&xportar para...": what each writes,
// where, and which program it hands the file to (recorded, never started).
#include "main_window_fixture.h"

#include "platform/error_log.h"
#include "platform/messages.h"
#include "platform/progress_presenter.h"
#include "platform/recording_launcher.h"
#include "print/save_params.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <functional>

namespace rl::test {
namespace {

// Answers the save dialog by filling its controls; no fill cancels it.
class SaveDialogPresenter : public ScriptedDialogPresenter {
public:
    std::function<void(QWidget*)> fill;
    bool execDialog(QWidget* dialog) override {
        if (fill) fill(dialog);
        return bool(fill);
    }
};

class ExportCommands : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        Messages::setLanguage(Messages::Language::Portuguese);
        QFile::remove(ErrorLog::path());
        report = writeReport(QStringLiteral("report.txt"), 3);
        start({report});
        // The hand-off files would go beside the test binary otherwise.
        session->SetProgramFolder(out.path());
    }
    void TearDown() override {
        Messages::setLanguage(language);
        if (!dataHome.isNull()) qputenv("XDG_DATA_HOME", dataHome);
        MainWindowFixture::TearDown();
    }

    QString outFile(const QString& name) const { return QDir(out.path()).filePath(name); }
    QStringList written() const { return QDir(out.path()).entryList(QDir::Files); }
    QString log() const { return QString::fromUtf8(readFile(ErrorLog::path())); }
    void trigger(const char* item) { window->findChild<QAction*>(QString::fromLatin1(item))->trigger(); }

    // Save As with the file name and the filter entry typed into the dialog.
    void saveAs(const QString& name, const QString& entry) {
        saveDialogs.fill = [&](QWidget* dialog) {
            EXPECT_EQ(dialog->findChild<QLineEdit*>(QStringLiteral("EditToPage"))->text(),
                      QStringLiteral("3"));
            dialog->findChild<QLineEdit*>(QStringLiteral("EditFileName"))->setText(name);
            auto* filters = dialog->findChild<QComboBox*>(QStringLiteral("ComboBoxFilter"));
            filters->setCurrentIndex(filters->findText(entry));
        };
        window->SalvarComo1->trigger();
        EXPECT_TRUE(TRLSaveParams::instance().FileName.isEmpty()) << "parameters are reset after the command";
    }

public:
    // Neither the program folder nor the user's data folder can take a file:
    // not even the superuser creates one below a plain file.
    void unwritableFolders() {
        writeFile(dir.filePath(QStringLiteral("plain")), "x");
        session->SetProgramFolder(dir.filePath(QStringLiteral("plain/program")));
        dataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("plain/data"))));
    }

protected:
    Messages::Language language = Messages::language();
    QByteArray dataHome;
    QString report;
    QTemporaryDir out;
    RecordingLauncher launcher;
    ScopedLauncher launcherInstalled{launcher};
    SaveDialogPresenter saveDialogs;
    ScopedDialogPresenter saveDialogsInstalled{saveDialogs};
};

struct HandOffCase {
    const char* item;
    const char* file;
    LaunchTarget target;
    // What the file begins with and holds; empty: the report's text exactly.
    QByteArray head;
    std::vector<QByteArray> inside;
};

class HandOff : public ExportCommands, public testing::WithParamInterface<HandOffCase> {};

TEST_P(HandOff, WritesTheFixedFileOverAnOldOneAndHandsItOn) {
    const HandOffCase& c = GetParam();
    const QString path = outFile(QString::fromUtf8(c.file));
    writeFile(path, "an earlier run's file");
    trigger(c.item);

    EXPECT_TRUE(messages.requests.empty());
    EXPECT_EQ(launcher.launches, (std::vector<RecordingLauncher::Launch>{{c.target, path}}));
    const QByteArray bytes = readFile(path);
    if (c.head.isEmpty()) {
        // Every line, the first (never printed) one included, CR LF.
        EXPECT_EQ(bytes, readFile(report));
    } else {
        EXPECT_TRUE(bytes.startsWith(c.head)) << bytes.left(40).toStdString();
        for (const QByteArray& part : c.inside)
            EXPECT_TRUE(bytes.contains(part)) << part.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    ExportItems, HandOff,
    testing::Values(
        HandOffCase{"Word1", "Relatório.rtf", LaunchTarget::WordProcessor, "{\\rtf1", {"linha 2"}},
        HandOffCase{"WordPad1", "Relatório.rtf", LaunchTarget::DefaultApplication, "{\\rtf1", {"linha 2"}},
        HandOffCase{"InternetExplorerHTML1",
                    "Relatorio.html",
                    LaunchTarget::DefaultApplication,
                    "<html>",
                    {"<body>\r\n<pre>\r\n", "\r\n</pre>\r\n</body>\r\n"}},
        HandOffCase{"Excel1", "Relatório.txt", LaunchTarget::Spreadsheet, "", {}},
        HandOffCase{"BlocodeNotas1", "Relatório.txt", LaunchTarget::TextEditor, "", {}}),
    [](const testing::TestParamInfo<HandOffCase>& info) { return std::string(info.param.item); });

struct FailureCase {
    const char* name;
    const char* item;
    std::function<void(ExportCommands&, RecordingLauncher&)> arrange;
    const char* caption;
    const char* text; // a part of the box's text
};

class ExportFailure : public ExportCommands, public testing::WithParamInterface<FailureCase> {};

TEST_P(ExportFailure, IsShownAndLoggedAndStartsNothing) {
    const FailureCase& c = GetParam();
    c.arrange(*this, launcher);
    trigger(c.item);

    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].caption, QString::fromUtf8(c.caption));
    EXPECT_EQ(messages.requests[0].icon, MessageIcon::Error);
    EXPECT_TRUE(messages.requests[0].text.contains(QString::fromUtf8(c.text)))
        << messages.requests[0].text.toStdString();
    EXPECT_TRUE(launcher.launches.empty());
    EXPECT_EQ(log().count(QStringLiteral("Ocorreu um erro no sistema, erro: ")), 1) << log().toStdString();
    EXPECT_TRUE(log().contains(QStringLiteral(" - Objeto :") + QString::fromLatin1(c.item)));
    if (QString::fromUtf8(c.caption) == u"Erro..") {
        EXPECT_TRUE(written().isEmpty()) << "nothing is written";
    }
}

INSTANTIATE_TEST_SUITE_P(
    ExportItems, ExportFailure,
    testing::Values(FailureCase{"NoWordProcessor", "Word1",
                                [](ExportCommands&, RecordingLauncher& l) {
                                    l.missing.insert(LaunchTarget::WordProcessor);
                                },
                                "Erro..", "Não foi possivel executar esta operação."},
                    FailureCase{"NoSpreadsheet", "Excel1",
                                [](ExportCommands&, RecordingLauncher& l) {
                                    l.missing.insert(LaunchTarget::Spreadsheet);
                                },
                                "Erro..", "Não foi possivel executar esta operação."},
                    FailureCase{"EditorDoesNotStart", "BlocodeNotas1",
                                [](ExportCommands&, RecordingLauncher& l) {
                                    l.failing.insert(LaunchTarget::TextEditor);
                                },
                                "Erro...", "Relatório.txt"},
                    FailureCase{"NoFolderCanBeWritten", "WordPad1",
                                [](ExportCommands& t, RecordingLauncher&) { t.unwritableFolders(); },
                                "Erro...", "plain/program/Relatório.rtf"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

struct SaveCase {
    const char* name;
    const char* fileName;
    const char* entry;
    const char* writtenFile; // "": nothing may be written, and the user is told
    QByteArray head;
    const char* told = "Nada foi salvo";
};

class SaveAs : public ExportCommands, public testing::WithParamInterface<SaveCase> {};

TEST_P(SaveAs, TheExtensionChoosesTheFilter) {
    const SaveCase& c = GetParam();
    saveAs(outFile(QString::fromUtf8(c.fileName)), QString::fromUtf8(c.entry));
    if (*c.writtenFile == 0) {
        EXPECT_TRUE(written().isEmpty()) << written().join(u' ').toStdString();
        ASSERT_EQ(messages.requests.size(), 1u);
        EXPECT_TRUE(messages.requests[0].text.startsWith(QString::fromUtf8(c.told)))
            << messages.requests[0].text.toStdString();
        EXPECT_TRUE(log().isEmpty()) << "the user's choice is no fault of the program";
    } else {
        EXPECT_EQ(written(), QStringList(QString::fromUtf8(c.writtenFile)));
        EXPECT_TRUE(readFile(outFile(QString::fromUtf8(c.writtenFile))).startsWith(c.head));
        EXPECT_TRUE(messages.requests.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Names, SaveAs,
                         testing::Values(SaveCase{"DefaultWithoutExtension", "x", "Padrão", "", {}},
                                         SaveCase{"PdfName", "x.pdf", "Padrão", "x.pdf", "%PDF-"},
                                         SaveCase{"XlsNameWithRtfChosen", "x.xls", "Formato RichText",
                                                  "x.xls", "\xD0\xCF\x11\xE0"},
                                         // The report's lines are prose: no table to save.
                                         SaveCase{"DataSheetOfProse", "x", "Planilha de dados", "", {},
                                                  "Nenhuma tabela foi encontrada"},
                                         SaveCase{"CommaSeparatedOfProse", "x", "Valores separados por vírgula",
                                                  "", {}, "Nenhuma tabela foi encontrada"}),
                         [](const testing::TestParamInfo<SaveCase>& info) {
                             return std::string(info.param.name);
                         });

// The dialog stays open until its answers hold; an existing file is replaced
// only when the user says so, and the status bar then tells where it went.
TEST_F(ExportCommands, SaveAsChecksInsideTheDialogAndAsksBeforeReplacing) {
    const QString existing = outFile(QStringLiteral("x.pdf"));
    writeFile(existing, "old");
    saveDialogs.fill = [&](QWidget* dialog) {
        const auto field = [&](const char* name) {
            return dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
        };
        const auto save = [&] {
            dialog->findChild<QPushButton*>(QStringLiteral("ButtonSave"))->click();
            return static_cast<QDialog*>(dialog)->result() == QDialog::Accepted;
        };
        field("EditFileName")->setText(existing);
        dialog->findChild<QRadioButton*>(QStringLiteral("RadioPageNums"))->setChecked(true);
        field("EditFromPage")->setText(QStringLiteral("7")); // beyond the 3 pages
        EXPECT_FALSE(save());
        field("EditFromPage")->setText(QStringLiteral("2"));
        messages.answers.push_back(int(MessageButton::No));
        EXPECT_FALSE(save());
        EXPECT_EQ(readFile(existing), "old");
        messages.answers.push_back(int(MessageButton::Yes));
        EXPECT_TRUE(save());
    };
    window->SalvarComo1->trigger();
    ASSERT_EQ(messages.requests.size(), 3u);
    EXPECT_TRUE(messages.requests[0].text.startsWith(QStringLiteral("Intervalo de páginas inválido")));
    EXPECT_EQ(messages.requests[1].buttons, MessageButton::Yes | MessageButton::No);
    EXPECT_TRUE(messages.requests[1].text.contains(existing));
    EXPECT_TRUE(readFile(existing).startsWith("%PDF-"));
    EXPECT_EQ(window->StatusPanel->text(), QStringLiteral("Relatório salvo em ") + existing);
}

TEST_F(ExportCommands, SaveAsFailureIsShownAndLogged) {
    unwritableFolders();
    saveAs(dir.filePath(QStringLiteral("plain/x.pdf")), QStringLiteral("Padrão"));
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].caption, QStringLiteral("Erro..."));
    EXPECT_TRUE(log().contains(QStringLiteral(" - Objeto :SalvarComo1")));
}

// The user cancels the progress window as soon as it shows.
class CancellingProgress : public ProgressPresenter {
public:
    std::unique_ptr<ProgressDisplay> begin(const QString&, std::function<void()> onCancel) override {
        onCancel();
        return nullptr;
    }
};

TEST_F(ExportCommands, CancelledRunsWriteNothingStartNothingAndSayNothing) {
    CancellingProgress progress;
    ScopedProgressPresenter progressInstalled(progress);
    for (const char* item : {"Word1", "WordPad1", "InternetExplorerHTML1"})
        trigger(item);
    saveAs(outFile(QStringLiteral("x.pdf")), QStringLiteral("Padrão"));
    EXPECT_TRUE(written().isEmpty()) << written().join(u' ').toStdString();
    EXPECT_TRUE(launcher.launches.empty());
    EXPECT_TRUE(messages.requests.empty());
}

} // namespace
} // namespace rl::test
