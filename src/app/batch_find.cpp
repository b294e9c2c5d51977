#include "app/batch_find.h"

#include "pagestore/graphic_object.h"
#include "pagestore/graphic_storage.h"
#include "pagestore/text_search.h"
#include "platform/windows1252.h"

#include <QIODevice>

namespace rl {

int WriteFoundLines(TRLGraphicStorage& store, const TextPattern& pattern, int fromPage, int toPage,
                    QIODevice& out) {
    int written = 0;
    for (int number = fromPage; number <= toPage; ++number) {
        const TRLGraphicSurface* page = store.Pages(number - 1);
        if (!page) continue;
        const std::vector<TextMatch> matches = FindOnPage(*page, number - 1, pattern);
        if (matches.empty()) continue;
        const std::vector<const TRLTextObject*> lines = PageLines(*page);
        int lastLine = -1;
        for (const TextMatch& match : matches) {
            if (match.at.line == lastLine) continue;
            lastLine = match.at.line;
            const QString text = fromWindows1252(lines[size_t(match.at.line)]->DisplayText());
            out.write(QStringLiteral("%1:%2:%3\n").arg(number).arg(match.at.line + 1).arg(text).toUtf8());
            ++written;
        }
    }
    return written;
}

} // namespace rl
