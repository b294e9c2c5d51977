#pragma once

#include "composer/composer_form.h"
#include "composer/composer_view.h"
#include "pagestore/graphic_storage.h"
#include "platform/recording_presenter.h"
#include "platform/settings.h"
#include "platform/startup_values.h"
#include "preview/preview.h"
#include "print/printer_wrapper.h"
#include "report/custom_report.h"
#include "support/test_support.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace rl {
// Readable rectangles in failure messages.
inline void PrintTo(const PageRect& r, std::ostream* os) {
    *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}
} // namespace rl

namespace rl::test {

// Stands in for the main window: records what the composer asks of it.
class FakeComposerView : public ComposerView {
public:
    TRLPreview* Preview() override { return preview.get(); }
    void RebuildPageTree(int pageCount) override {
        calls.push_back("RebuildPageTree " + std::to_string(pageCount));
        treePageCounts.push_back(pageCount);
    }
    void ShowWindow() override { calls.push_back("ShowWindow"); }
    void checapaginas() override { calls.push_back("checapaginas"); }
    void habilitamenus() override { calls.push_back("habilitamenus"); }
    void ApplyPermissionFlags() override { calls.push_back("ApplyPermissionFlags"); }
    void GenerationProgress(int pageCount, bool finished) override {
        progress.push_back(pageCount);
        if (finished) ++finishedCount;
    }

    std::vector<int> progress;
    int finishedCount = 0;
    std::unique_ptr<TRLPreview> preview = std::make_unique<TRLPreview>();
    std::vector<std::string> calls;
    std::vector<int> treePageCounts;
};

// A composer whose program-folder settings file is in a private folder, with
// the test's start-up values and a recording message presenter; the start-up
// values and the system-folder settings file are put back afterwards.
struct ComposerFixture {
    QTemporaryDir dir;
    RecordingPresenter presenter;
    ScopedMessagePresenter scoped{presenter};
    bool hadCupsServer = qEnvironmentVariableIsSet("CUPS_SERVER");
    QByteArray savedCupsServer = qgetenv("CUPS_SERVER");
    std::unique_ptr<TForm2> form;
    FakeComposerView* view = nullptr; // owned by the form once composed with a view

    ComposerFixture() {
        // No printer: layouts follow the fallback sheet whatever the machine has.
        qputenv("CUPS_SERVER", QFile::encodeName(dir.filePath("no-cups.sock")));
        TRLPrinterWrapper::resetInstance();
        QFile::remove(Settings::filePath(SettingsFile::System));
        form = std::make_unique<TForm2>();
        form->ProgramSettingsPath = programSettingsPath();
    }
    ~ComposerFixture() {
        form.reset();
        if (hadCupsServer)
            qputenv("CUPS_SERVER", savedCupsServer);
        else
            qunsetenv("CUPS_SERVER");
        TRLPrinterWrapper::resetInstance();
        QFile::remove(Settings::filePath(SettingsFile::System));
    }

    QString programSettingsPath() const { return dir.filePath("program/preview.ini"); }
    Settings programSettings() const { return Settings(programSettingsPath()); }
    static Settings systemSettings() { return Settings(SettingsFile::System); }

    // Writes a report file and makes it the one the composer reads.
    QString setReport(const QByteArray& bytes, const QString& columns = "132",
                      const QString& orientation = "") {
        const QString path = dir.filePath("report.txt");
        writeFile(path, bytes);
        StartupValues& values = form->Values;
        values.ReportFilePath = path;
        values.ColumnCode = columns;
        values.OrientationWord = orientation;
        return path;
    }

    // A plain picture file of the given size.
    QString makePicture(int width, int height, const QString& name = "logo.png") {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::red);
        const QString path = dir.filePath(name);
        image.save(path);
        return path;
    }

    void useView() {
        form->ViewFactory = [this](TForm2&) {
            auto fake = std::make_unique<FakeComposerView>();
            view = fake.get();
            return fake;
        };
    }

    TRLGraphicStorage& store() { return form->RLReport1->Storage(); }
    int pageCount() { return store().PageCount(); }

    // Display texts of the text objects of one stored page, in order.
    std::vector<std::string> texts(int pageIndex) {
        std::vector<std::string> result;
        TRLGraphicSurface* page = store().Pages(pageIndex);
        if (!page) return {"<missing page>"};
        for (const auto& object : page->Items())
            if (object->kind() == ObjectKind::Text)
                result.push_back(static_cast<const TRLTextObject&>(*object).DisplayText());
        return result;
    }

    // Bounds of the image objects of one stored page.
    std::vector<PageRect> imageBounds(int pageIndex) {
        std::vector<PageRect> result;
        TRLGraphicSurface* page = store().Pages(pageIndex);
        if (!page) return result;
        for (const auto& object : page->Items())
            if (object->kind() == ObjectKind::Image) result.push_back(object->Bounds);
        return result;
    }

    // Top of the first text object of one page: where the detail lines begin.
    int firstTextTop(int pageIndex) {
        TRLGraphicSurface* page = store().Pages(pageIndex);
        if (!page) return -1;
        for (const auto& object : page->Items())
            if (object->kind() == ObjectKind::Text) return object->Bounds.top;
        return -1;
    }
};

} // namespace rl::test
