// Feeds arbitrary bytes to the picture readers as a head picture file (the
// format told by the content: BMP and PNG through Qt, JPEG through libjpeg,
// icons), and as stored picture data: whatever is accepted must decode to the
// size it claims, and nothing may crash or take unbounded memory.
#include "fuzz_file.h"
#include "fuzz_gui.h"
#include "pagestore/picture_data.h"
#include "platform/error.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const char* tag : {"BMP", "ICO"}) {
        const QByteArray stored = QByteArray(tag) + bytes;
        const QImage image = rl::PictureData::toImage(stored);
        const QSize claimed = rl::PictureData::size(stored);
        if (!image.isNull() && claimed != image.size() && claimed != QSize(0, 0)) std::abort();
    }
    const FuzzFile file(data, size);
    QByteArray stored;
    try {
        stored = rl::PictureData::fromFile(file.path());
    } catch (const rl::Error&) {
        return 0;
    }
    // What was accepted for storing must paint.
    const QImage image = rl::PictureData::toImage(stored);
    if (image.isNull() || rl::PictureData::size(stored) != image.size()) std::abort();
    return 0;
}
