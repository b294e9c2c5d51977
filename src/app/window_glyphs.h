#pragma once

#include <QIcon>
#include <QPixmap>

namespace rl {

// The main window's button glyphs and the page tree's node images, drawn in code.
class WindowGlyphs {
public:
    enum class Button { Panel, Print, First, Prior, Next, Last, Hand, Zoom, Close, Select };
    static QIcon ButtonIcon(Button button);

    // The page tree's image list: 0 the root, 1 the root selected, 2 a page
    // selected, 3 a page.
    static constexpr int kNodeImageCount = 4;
    static constexpr int kNodeImageSize = 16;
    static QPixmap NodeImage(int index);
};

} // namespace rl
