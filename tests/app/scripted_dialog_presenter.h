#pragma once

#include "platform/dialog_presenter.h"

#include <QFont>
#include <QString>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace rl::test {

// A dialog presenter for tests: records each request and answers from scripts;
// an empty script answers as a cancelled dialog.
class ScriptedDialogPresenter : public DialogPresenter {
public:
    struct Request {
        QString kind; // "open", "save" or "font"
        QString filter;
        QFont initialFont;
        ReportEncoding initialEncoding = ReportEncoding::Auto; // "open" of a report
    };

    QString getOpenFileName(QWidget*, const QString& filter) override {
        requests.push_back({QStringLiteral("open"), filter, QFont()});
        return next(openAnswers);
    }
    // A report to open: the path from openAnswers, the encoding from
    // encodingAnswers (none: the one the dialog started at).
    ReportFileChoice getOpenReportFile(QWidget*, const QString& filter, ReportEncoding encoding) override {
        requests.push_back({QStringLiteral("open"), filter, QFont(), encoding});
        const QString path = next(openAnswers);
        if (!encodingAnswers.empty()) {
            encoding = encodingAnswers.front();
            encodingAnswers.pop_front();
        }
        return {path, encoding};
    }
    QString getSaveFileName(QWidget*, const QString& filter, const QString&) override {
        requests.push_back({QStringLiteral("save"), filter, QFont()});
        return next(saveAnswers);
    }
    std::optional<QFont> getFont(QWidget*, const QFont& initial) override {
        requests.push_back({QStringLiteral("font"), QString(), initial});
        if (fontAnswers.empty()) return std::nullopt;
        std::optional<QFont> answer = fontAnswers.front();
        fontAnswers.pop_front();
        return answer;
    }

    // The program's own dialogs, answered in turn: each fills its dialog and
    // says whether it was accepted. None left: cancelled.
    bool execDialog(QWidget* dialog) override {
        if (dialogAnswers.empty()) return false;
        const auto answer = std::move(dialogAnswers.front());
        dialogAnswers.pop_front();
        return answer(dialog);
    }

    std::vector<Request> requests;
    std::deque<std::function<bool(QWidget*)>> dialogAnswers;
    std::deque<QString> openAnswers;
    std::deque<ReportEncoding> encodingAnswers;
    std::deque<QString> saveAnswers;
    std::deque<std::optional<QFont>> fontAnswers;

private:
    static QString next(std::deque<QString>& answers) {
        if (answers.empty()) return QString();
        QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

} // namespace rl::test
