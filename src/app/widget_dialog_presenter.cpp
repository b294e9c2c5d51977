#include "app/widget_dialog_presenter.h"

#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>

namespace rl {

QString WidgetDialogPresenter::getOpenFileName(QWidget* parent, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, QString(), QString(), toQtFilter(filter));
}

QString WidgetDialogPresenter::getSaveFileName(QWidget* parent, const QString& filter,
                                               const QString& suggestedName) {
    return QFileDialog::getSaveFileName(parent, QString(), suggestedName, toQtFilter(filter));
}

DialogPresenter::ReportFileChoice
WidgetDialogPresenter::getOpenReportFile(QWidget* parent, const QString& filter, ReportEncoding encoding) {
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(toQtFilter(filter).split(QStringLiteral(";;")));
    auto* encodings = new QComboBox(&dialog);
    encodings->setObjectName(QStringLiteral("encodings"));
    for (const ReportEncoding each : kReportEncodings)
        encodings->addItem(ReportEncodingCaption(each), int(each));
    encodings->setCurrentIndex(std::max(0, encodings->findData(int(encoding))));
    // Qt's dialog lays its rows out in a grid: file name, then file type.
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        auto* label = new QLabel(QStringLiteral("Codificação:"), &dialog);
        label->setBuddy(encodings);
        const int row = grid->rowCount();
        grid->addWidget(label, row, 0);
        grid->addWidget(encodings, row, 1, 1, std::max(1, grid->columnCount() - 2));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return {dialog.selectedFiles().constFirst(), ReportEncoding(encodings->currentData().toInt())};
}

std::optional<QFont> WidgetDialogPresenter::getFont(QWidget* parent, const QFont& initial) {
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, initial, parent);
    if (!ok) return std::nullopt;
    return font;
}

bool WidgetDialogPresenter::execDialog(QWidget* dialog) {
    auto* modal = qobject_cast<QDialog*>(dialog);
    return modal && modal->exec() == QDialog::Accepted;
}

std::optional<QString> WidgetDialogPresenter::getPassword(QWidget* parent, const QString& caption,
                                                          const QString& label) {
    bool ok = false;
    const QString password =
        QInputDialog::getText(parent, caption, label, QLineEdit::Password, QString(), &ok);
    if (!ok) return std::nullopt;
    return password;
}

} // namespace rl
