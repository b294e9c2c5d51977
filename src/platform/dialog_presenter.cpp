#include "platform/dialog_presenter.h"

#include <QRegularExpression>

namespace rl {

namespace {

// Where nobody can answer a dialog, every dialog is cancelled.
class CancellingDialogPresenter : public DialogPresenter {
public:
    QString getOpenFileName(QWidget*, const QString&) override { return {}; }
    QString getSaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
    std::optional<QFont> getFont(QWidget*, const QFont&) override { return std::nullopt; }
};

DialogPresenter* g_installed = nullptr;

} // namespace

DialogPresenter::ReportFileChoice DialogPresenter::getOpenReportFile(QWidget* parent, const QString& filter,
                                                                     ReportEncoding encoding) {
    return {getOpenFileName(parent, filter), encoding};
}

bool DialogPresenter::execDialog(QWidget*) {
    return false;
}

std::optional<QString> DialogPresenter::getPassword(QWidget*, const QString&, const QString&) {
    return std::nullopt;
}

DialogPresenter& DialogPresenter::current() {
    static CancellingDialogPresenter cancelling;
    return g_installed ? *g_installed : cancelling;
}

DialogPresenter* DialogPresenter::setCurrent(DialogPresenter* presenter) {
    DialogPresenter* previous = g_installed;
    g_installed = presenter;
    return previous;
}

QString DialogPresenter::toQtFilter(const QString& filter) {
    // Qt takes the patterns from the brackets at the end of each filter, blank
    // separated; a description that already ends in brackets has them replaced.
    static const QRegularExpression trailingBrackets(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        description.remove(trailingBrackets);
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        filters << description.trimmed() + QStringLiteral(" (") + patterns.simplified() + u')';
    }
    return filters.join(QStringLiteral(";;"));
}

} // namespace rl
