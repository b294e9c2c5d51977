#include "app/dialog_presenter.h"

#include <QFileDialog>
#include <QFontDialog>
#include <QRegularExpression>

namespace rl {

namespace {
DialogPresenter* g_installed = nullptr;
} // namespace

DialogPresenter& DialogPresenter::current() {
    static WidgetDialogPresenter standard;
    return g_installed ? *g_installed : standard;
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

QString WidgetDialogPresenter::getOpenFileName(QWidget* parent, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, QString(), QString(), toQtFilter(filter));
}

QString WidgetDialogPresenter::getSaveFileName(QWidget* parent, const QString& filter,
                                               const QString& suggestedName) {
    return QFileDialog::getSaveFileName(parent, QString(), suggestedName, toQtFilter(filter));
}

std::optional<QFont> WidgetDialogPresenter::getFont(QWidget* parent, const QFont& initial) {
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, initial, parent);
    if (!ok) return std::nullopt;
    return font;
}

} // namespace rl
