// Feeds arbitrary bytes to the page reader, then paints whatever it accepted,
// so that damaged spill records can neither crash nor exhaust memory.
#include "fuzz_gui.h"
#include "pagestore/graphic_surface.h"
#include "platform/error.h"

#include <QImage>
#include <QPainter>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    rl::TRLGraphicSurface page;
    try {
        page.LoadFromBytes(reinterpret_cast<const char*>(data), qsizetype(size));
    } catch (const rl::Error&) {
        return 0;
    }
    // Round trip: what was read must serialize and read back the same.
    const QByteArray again = page.SaveToBytes();
    rl::TRLGraphicSurface copy;
    copy.LoadFromBytes(again.constData(), again.size());
    if (copy.SaveToBytes() != again) std::abort();
    QImage image(48, 48, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    page.PaintTo(painter, image.rect());
    return 0;
}
