#include "app/batch_mode.h"
#include "app/startup.h"
#include "app/viewer_application.h"

#include <QString>
#include <QStringList>

// relantomador FILE [COLUMNS [ORIENTATION]] [permissao=XYZ] [options]
// Without options the viewer window opens; with any, the batch mode does the
// work headlessly (it creates its own application object, needing no display).
int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (rl::IsBatchInvocation(arguments)) return rl::RunBatchMode(arguments);

    rl::ViewerApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("relantomador"));
    // Ties the window to the menu entry (its icon and name) on Wayland desktops.
    app.setDesktopFileName(QStringLiteral("relantomador"));
    return rl::RunViewer(app, arguments);
}
