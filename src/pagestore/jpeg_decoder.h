#pragma once

#include <QByteArray>
#include <QImage>

namespace rl {

// Decodes JPEG file images with libjpeg's decompressor. Stateless; safe to call
// from any thread (each call has its own decompressor).
class JpegDecoder {
public:
    // Pictures larger than this are refused before any pixel memory is taken: a
    // head picture is a logo, and a forged header must not make us allocate gigabytes.
    static constexpr int kMaxSide = 30000;
    static constexpr qint64 kMaxPixels = 200'000'000;
    // A progressive file may carry any number of scans, each a pass over the
    // whole image; real encoders write a dozen at most.
    static constexpr int kMaxScans = 500;

    // True when the bytes start with the JPEG start-of-image marker (FF D8),
    // whatever the file is called. A whole file goes on with another marker (FF);
    // one cut right after its first two bytes must still fail as a JPEG here, not
    // reach a more forgiving reader.
    static bool looksLikeJpeg(const QByteArray& bytes);

    // Decodes a whole JPEG file image to an RGB888 image. Colour, grayscale and
    // CMYK/YCCK files are accepted (CMYK written by Adobe software, marked by its
    // APP14 segment, stores inverted ink values and is read as such). Throws
    // rl::Error when the data is not a JPEG, is truncated or corrupt (libjpeg's
    // corrupt-data warnings, premature end of data included, count as errors),
    // exceeds the size limits above, or uses a colour space other than those.
    static QImage decode(const QByteArray& bytes);
};

} // namespace rl
