#include "pagestore/picture_data.h"

#include "pagestore/jpeg_decoder.h"
#include "platform/error.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

namespace rl::PictureData {

namespace {

constexpr char kBmp[] = "BMP";
constexpr char kIco[] = "ICO";
constexpr int kTagSize = 3;

// A picture file larger than this is not a logo; refusing it early keeps a
// mistaken choice (a disk image, a video) from being read into memory.
constexpr qint64 kMaxFileBytes = qint64(1) << 30;
// Qt's readers refuse images over 256 MB by default; a picture within our size
// limits takes up to 800 MB at four bytes a pixel.
constexpr int kReaderAllocationLimitMB = 1024;

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
// 96 pixels per inch, the page's own resolution: one picture pixel is one page unit.
constexpr qint32 kPixelsPerMetre = 3780;

std::string text(const QString& s) {
    return s.toUtf8().toStdString();
}

bool withinLimits(const QSize& size) {
    return size.width() > 0 && size.height() > 0 && size.width() <= JpegDecoder::kMaxSide &&
           size.height() <= JpegDecoder::kMaxSide &&
           qint64(size.width()) * size.height() <= JpegDecoder::kMaxPixels;
}

std::string sizeText(const QSize& size) {
    return std::to_string(size.width()) + " x " + std::to_string(size.height()) + " pixels";
}

void putU16(char* at, quint32 value) {
    at[0] = static_cast<char>(value & 0xFF);
    at[1] = static_cast<char>((value >> 8) & 0xFF);
}

void putU32(char* at, quint32 value) {
    putU16(at, value & 0xFFFF);
    putU16(at + 2, value >> 16);
}

quint32 getU32(const QByteArray& bytes, int at) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData()) + at;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

quint16 getU16(const QByteArray& bytes, int at) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData()) + at;
    return static_cast<quint16>(p[0] | p[1] << 8);
}

// An icon file: reserved word 0, type 1 (icon, not cursor), at least one image.
bool looksLikeIcon(const QByteArray& bytes) {
    return bytes.size() >= 6 && getU16(bytes, 0) == 0 && getU16(bytes, 2) == 1 && getU16(bytes, 4) > 0;
}

// Qt's icon reader trusts the directory; every image it lists must be in the file.
bool iconImagesComplete(const QByteArray& bytes) {
    const int count = getU16(bytes, 4);
    constexpr int kDirectorySize = 6, kEntrySize = 16;
    if (bytes.size() < kDirectorySize + qint64(kEntrySize) * count) return false;
    for (int i = 0; i < count; ++i) {
        const int entry = kDirectorySize + kEntrySize * i;
        const qint64 imageSize = getU32(bytes, entry + 8);
        const qint64 imageOffset = getU32(bytes, entry + 12);
        if (imageSize == 0 || imageOffset + imageSize > bytes.size()) return false;
    }
    return true;
}

bool looksLikeBmp(const QByteArray& bytes) {
    return bytes.startsWith("BM");
}

// Qt's bitmap reader hands back a partly filled picture when the pixel rows end
// early; an uncompressed bitmap must hold all the rows its header announces.
bool bmpRowsComplete(const QByteArray& bytes) {
    if (bytes.size() < kFileHeaderSize + 16) return false;
    const quint32 headerSize = getU32(bytes, 14);
    if (headerSize < kInfoHeaderSize) return true; // OS/2 core header: left to the reader
    if (bytes.size() < kFileHeaderSize + kInfoHeaderSize) return false;
    const qint64 width = static_cast<qint32>(getU32(bytes, 18));
    const qint64 height = static_cast<qint32>(getU32(bytes, 22));
    if (width <= 0 || width > JpegDecoder::kMaxSide || height == 0 || height < -JpegDecoder::kMaxSide ||
        height > JpegDecoder::kMaxSide)
        return false;
    const quint16 bitsPerPixel = getU16(bytes, 28);
    const quint32 compression = getU32(bytes, 30);
    constexpr quint32 kRgb = 0, kBitfields = 3;
    if (compression != kRgb && compression != kBitfields)
        return true; // run-length coded: the reader checks its own codes
    const qint64 stride = (width * bitsPerPixel + 31) / 32 * 4;
    const qint64 needed = qint64(getU32(bytes, 10)) + stride * (height < 0 ? -height : height);
    return stride > 0 && needed <= bytes.size();
}

// Decodes a file image with the reader of one format, never guessing another
// from the content. Throws rl::Error saying why it cannot.
QImage readAs(const QByteArray& fileImage, const char* format) {
    QBuffer buffer;
    buffer.setData(fileImage);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    reader.setAllocationLimit(kReaderAllocationLimitMB);
    const QSize announced = reader.size();
    if (announced.isValid() && !announced.isEmpty() && !withinLimits(announced))
        throw Error("figura grande demais (" + sizeText(announced) + ")");
    QImage image;
    if (!reader.read(&image)) throw Error(text(reader.errorString()));
    if (!withinLimits(image.size())) throw Error("figura grande demais (" + sizeText(image.size()) + ")");
    return image;
}

// Any other format Qt knows, recognised by its content.
QImage readAnyFormat(const QByteArray& fileImage) {
    QBuffer buffer;
    buffer.setData(fileImage);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(kReaderAllocationLimitMB);
    if (reader.format().isEmpty()) throw Error("não é uma figura num formato conhecido");
    const QSize announced = reader.size();
    if (announced.isValid() && !announced.isEmpty() && !withinLimits(announced))
        throw Error("figura grande demais (" + sizeText(announced) + ")");
    const std::string format = reader.format().toUpper().toStdString();
    QImage image;
    if (!reader.read(&image))
        throw Error("figura " + format + " ilegível (" + text(reader.errorString()) + ")");
    if (!withinLimits(image.size())) throw Error("figura grande demais (" + sizeText(image.size()) + ")");
    return image;
}

// The file image after the tag, sharing the caller's bytes.
QByteArray fileImageOf(const QByteArray& data) {
    return QByteArray::fromRawData(data.constData() + kTagSize, data.size() - kTagSize);
}

QImage decodeTagged(const QByteArray& data) {
    if (data.size() <= kTagSize) return {};
    const QByteArray tag = data.left(kTagSize);
    const QByteArray fileImage = fileImageOf(data);
    if (tag == kBmp) {
        if (!looksLikeBmp(fileImage) || !bmpRowsComplete(fileImage)) return {};
        return readAs(fileImage, "bmp");
    }
    if (tag == kIco) {
        if (!looksLikeIcon(fileImage) || !iconImagesComplete(fileImage)) return {};
        return readAs(fileImage, "ico");
    }
    return {};
}

// PictureData for the bytes of a picture file; rl::Error without the file name.
QByteArray fromFileImage(const QByteArray& bytes) {
    if (bytes.isEmpty()) throw Error("arquivo vazio");
    // JPEG goes through libjpeg whatever the file is called.
    if (JpegDecoder::looksLikeJpeg(bytes)) return fromImage(JpegDecoder::decode(bytes));
    // Icons and bitmaps are stored as they are, once we know they can be painted.
    if (looksLikeIcon(bytes)) {
        try {
            if (!iconImagesComplete(bytes)) throw Error("faltam imagens");
            readAs(bytes, "ico");
        } catch (const Error& e) {
            throw Error(std::string("ícone ilegível (") + e.what() + ")");
        }
        return QByteArray(kIco) + bytes;
    }
    if (looksLikeBmp(bytes)) {
        try {
            if (!bmpRowsComplete(bytes)) throw Error("faltam linhas de pixels");
            readAs(bytes, "bmp");
        } catch (const Error& e) {
            throw Error(std::string("bitmap ilegível (") + e.what() + ")");
        }
        return QByteArray(kBmp) + bytes;
    }
    return fromImage(readAnyFormat(bytes));
}

} // namespace

QByteArray fromImage(const QImage& image) {
    if (image.isNull()) return QByteArray(kNil);
    // 24 bits a pixel, bottom-up rows padded to four bytes: the plainest bitmap
    // every Windows reader takes. Transparent parts are laid on white, the colour
    // of the page the picture is printed on.
    const qint64 width = image.width();
    const qint64 height = image.height();
    const qint64 stride = (width * 3 + 3) / 4 * 4;
    const qint64 pixelBytes = stride * height;
    const qint64 fileSize = kFileHeaderSize + kInfoHeaderSize + pixelBytes;
    if (fileSize > std::numeric_limits<qint32>::max())
        throw Error("Figura grande demais para um bitmap (" + sizeText(image.size()) + ")");

    QByteArray out(kTagSize + fileSize, '\0');
    std::memcpy(out.data(), kBmp, kTagSize);
    char* file = out.data() + kTagSize;
    // BITMAPFILEHEADER
    file[0] = 'B';
    file[1] = 'M';
    putU32(file + 2, static_cast<quint32>(fileSize));
    putU32(file + 10, kFileHeaderSize + kInfoHeaderSize);
    // BITMAPINFOHEADER
    char* info = file + kFileHeaderSize;
    putU32(info + 0, kInfoHeaderSize);
    putU32(info + 4, static_cast<quint32>(width));
    putU32(info + 8, static_cast<quint32>(height));
    putU16(info + 12, 1);  // planes
    putU16(info + 14, 24); // bits per pixel
    putU32(info + 16, 0);  // BI_RGB
    putU32(info + 20, static_cast<quint32>(pixelBytes));
    putU32(info + 24, kPixelsPerMetre);
    putU32(info + 28, kPixelsPerMetre);

    // Premultiplied, so that laying a pixel on white is adding the white that shows through.
    const QImage source = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                        : QImage::Format_RGB32);
    char* pixels = info + kInfoHeaderSize;
    for (qint64 y = 0; y < height; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(static_cast<int>(y)));
        auto* row = reinterpret_cast<uchar*>(pixels + (height - 1 - y) * stride);
        for (qint64 x = 0; x < width; ++x) {
            const QRgb p = in[x];
            const int white = 255 - qAlpha(p);
            row[3 * x + 0] = static_cast<uchar>(qBlue(p) + white);
            row[3 * x + 1] = static_cast<uchar>(qGreen(p) + white);
            row[3 * x + 2] = static_cast<uchar>(qRed(p) + white);
        }
    }
    return out;
}

QByteArray fromFile(const QString& path) {
    // Built in place: GCC 12 at -O3 mistakes "literal" + std::string for an
    // overlapping copy (-Wrestrict).
    std::string name = text(path);
    name.insert(name.begin(), '"');
    name.push_back('"');
    const QFileInfo info(path);
    if (!info.exists()) throw Error("A figura " + name + " não existe.");
    if (info.isDir()) throw Error("A figura " + name + " é uma pasta, não um arquivo.");
    if (!info.isFile()) throw Error("A figura " + name + " não é um arquivo comum.");
    if (info.size() > kMaxFileBytes) throw Error("A figura " + name + " é grande demais.");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error("Não foi possível abrir a figura " + name + ": " + text(file.errorString()));
    // Read as it comes, not into a buffer of the largest size allowed: that
    // would take the whole limit's memory for every small logo.
    QByteArray bytes;
    while (bytes.size() <= kMaxFileBytes) {
        const QByteArray chunk = file.read(std::min<qint64>(1 << 20, kMaxFileBytes + 1 - bytes.size()));
        if (chunk.isEmpty()) break;
        bytes += chunk;
    }
    if (file.error() != QFileDevice::NoError)
        throw Error("Não foi possível ler a figura " + name + ": " + text(file.errorString()));
    if (bytes.size() > kMaxFileBytes) throw Error("A figura " + name + " é grande demais.");
    try {
        return fromFileImage(bytes);
    } catch (const Error& e) {
        throw Error("A figura " + name + " não pode ser usada: " + e.what());
    }
}

namespace {

// The last pictures decoded, with the arrays they came from. A page store
// hands every page the same shared array for one picture, so a logo printed
// on every page is decoded once, not once per page painted or exported. An
// entry holds its array, so the bytes at that address cannot change or be
// freed while it is listed; arrays over foreign memory (fromRawData) are
// never listed, as their bytes could.
class DecodedPictures {
public:
    static constexpr size_t kEntries = 4;

    QImage find(const QByteArray& data) {
        const std::lock_guard lock(mutex_);
        for (const Entry& entry : entries_)
            if (entry.data.constData() == data.constData() && entry.data.size() == data.size())
                return entry.image;
        return {};
    }
    void add(const QByteArray& data, const QImage& image) {
        // data_ptr() only looks (no detach); Qt 6.4 has no const overload.
        if (!const_cast<QByteArray&>(data).data_ptr().isMutable() || image.isNull()) return;
        const std::lock_guard lock(mutex_);
        if (entries_.size() == kEntries) entries_.erase(entries_.begin());
        entries_.push_back({data, image});
    }

private:
    struct Entry {
        QByteArray data;
        QImage image;
    };
    std::mutex mutex_;
    std::vector<Entry> entries_;
};

DecodedPictures& decodedPictures() {
    static DecodedPictures pictures;
    return pictures;
}

} // namespace

QImage toImage(const QByteArray& data) {
    if (QImage known = decodedPictures().find(data); !known.isNull()) return known;
    try {
        QImage image = decodeTagged(data);
        decodedPictures().add(data, image);
        return image;
    } catch (const Error&) {
        return {};
    }
}

QSize size(const QByteArray& data) {
    if (data.size() <= kTagSize) return {0, 0};
    const QByteArray tag = data.left(kTagSize);
    const QByteArray fileImage = fileImageOf(data);
    const char* format = nullptr;
    if (tag == kBmp && looksLikeBmp(fileImage) && bmpRowsComplete(fileImage))
        format = "bmp";
    else if (tag == kIco && looksLikeIcon(fileImage) && iconImagesComplete(fileImage))
        format = "ico";
    if (!format) return {0, 0};
    QBuffer buffer;
    buffer.setData(fileImage);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    const QSize announced = reader.size();
    if (announced.isValid() && withinLimits(announced)) return announced;
    // No size in the header, or a damaged one: ask the full decoder.
    const QImage image = toImage(data);
    return image.isNull() ? QSize(0, 0) : image.size();
}

} // namespace rl::PictureData
