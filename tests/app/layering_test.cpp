// The libraries depend on each other one way only: each folder under src/ may
// include its own headers and those of the folders it builds on, directly or
// through the folders below them, and nothing below the composer includes a
// widget except the windows the print library and the preview own.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace {

const std::map<std::string, std::set<std::string>> kBuildsOn = {
    {"platform", {}},
    {"table", {"platform"}},
    {"pagestore", {"platform"}},
    {"report", {"pagestore", "platform"}},
    {"preview", {"pagestore"}},
    {"print", {"pagestore", "platform"}},
    {"export", {"print", "pagestore", "table"}},
    {"mail", {"platform"}},
    {"composer", {"report", "print", "export", "preview"}},
    {"app", {"composer", "mail", "report", "preview", "print", "export", "pagestore", "platform"}},
};

// Folders whose code may show windows.
const std::set<std::string> kMayUseWidgets = {"preview", "print", "composer", "app"};

std::set<std::string> reachable(const std::string& folder) {
    std::set<std::string> result{folder};
    for (const std::string& below : kBuildsOn.at(folder))
        result.merge(reachable(below));
    return result;
}

bool isWidgetHeader(const QString& header) {
    static const QSet<QString> widgets = {
        "QApplication", "QWidget",     "QDialog",         "QMainWindow",
        "QLabel",       "QPushButton", "QProgressBar",    "QComboBox",
        "QLineEdit",    "QMessageBox", "QFileDialog",     "QFontDialog",
        "QVBoxLayout",  "QHBoxLayout", "QGridLayout",     "QCheckBox",
        "QRadioButton", "QGroupBox",   "QMenu",           "QToolButton",
        "QTreeWidget",  "QScrollBar",  "QStyle",          "QAbstractScrollArea",
        "QSpinBox",     "QFormLayout", "QDialogButtonBox"};
    return widgets.contains(header) || header.startsWith(QStringLiteral("QtWidgets/"));
}

// Every offending include of the tree: "file: include".
std::vector<std::string> violations(const QString& sourceRoot) {
    static const QRegularExpression include(QStringLiteral(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])"));
    std::vector<std::string> found;
    for (const auto& [folder, _] : kBuildsOn) {
        const std::set<std::string> allowed = reachable(folder);
        QDirIterator files(sourceRoot + u'/' + QString::fromStdString(folder), {"*.h", "*.cpp"}, QDir::Files);
        while (files.hasNext()) {
            const QString path = files.next();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                found.push_back(path.toStdString() + ": unreadable");
                continue;
            }
            while (!file.atEnd()) {
                const auto match = include.match(QString::fromUtf8(file.readLine()));
                if (!match.hasMatch()) continue;
                const QString header = match.captured(2);
                bool bad = false;
                if (match.captured(1) == u"\"" && header.contains(u'/'))
                    bad = !allowed.contains(header.section(u'/', 0, 0).toStdString());
                else if (match.captured(1) == u"<")
                    bad = isWidgetHeader(header) && !kMayUseWidgets.contains(folder);
                if (bad)
                    found.push_back(QFileInfo(path).fileName().toStdString() + ": " + header.toStdString());
            }
        }
    }
    return found;
}

TEST(Layering, EachLibraryIncludesOnlyWhatItBuildsOn) {
    const std::vector<std::string> found = violations(QStringLiteral(RL_SOURCE_DIR "/src"));
    EXPECT_TRUE(found.empty()) << ::testing::PrintToString(found);
}

} // namespace
