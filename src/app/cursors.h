#pragma once

#include <QCursor>

namespace rl {

// Numbers of the viewer's own mouse cursors in the registry below.
enum ViewerCursor : int {
    crHand1 = 10, // open hand
    crHand2 = 11, // closed hand
    crZoom1 = 12, // magnifier with a plus
    crZoom2 = 13, // magnifier with a minus
};

// A small registry of cursors by number, standing in for the program's cursor
// resources. The four viewer cursors are drawn in code (white shapes with a
// black outline, so they show on any background). GUI thread only.
class Cursors {
public:
    // Draws and registers the four viewer cursors; later calls do nothing.
    static void LoadViewerCursors();

    static void Register(int number, const QCursor& cursor);
    static bool IsRegistered(int number);
    // The cursor registered under the number; the arrow when there is none.
    static QCursor Get(int number);

    // The drawings themselves, 32 x 32 pixels.
    static QCursor DrawHand(bool closed);
    static QCursor DrawZoom(bool zoomIn);
};

} // namespace rl
