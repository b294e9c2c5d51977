#include "pagestore/jpeg_decoder.h"
#include "pagestore/picture_data.h"
#include "platform/error.h"
#include "support/test_support.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

using rl::JpegDecoder;
namespace PictureData = rl::PictureData;

const QString kPictures = QStringLiteral(RL_TEST_DATA "/pictures");

// The message of the rl::Error the call throws, or a marker when it throws none.
std::string errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const rl::Error& e) {
        return e.what();
    }
    return "(no error)";
}

bool contains(const std::string& text, const QString& part) {
    return text.find(part.toUtf8().toStdString()) != std::string::npos;
}

bool near(QRgb actual, QRgb expected, int tolerance) {
    return std::abs(qRed(actual) - qRed(expected)) <= tolerance &&
           std::abs(qGreen(actual) - qGreen(expected)) <= tolerance &&
           std::abs(qBlue(actual) - qBlue(expected)) <= tolerance;
}

::testing::AssertionResult colourNear(const QImage& image, int x, int y, QRgb expected, int tolerance = 24) {
    const QRgb actual = image.pixel(x, y);
    if (near(actual, expected, tolerance)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel (" << x << ", " << y << ") is " << std::hex << (actual & 0xFFFFFF) << ", expected about "
           << (expected & 0xFFFFFF);
}

// Left half red, right half blue: flat areas a whole 16-pixel JPEG block wide, so
// lossy coding keeps their colours close.
QImage redBlue(int width = 32, int height = 16) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, x < width / 2 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    return image;
}

enum class Ink { Rgb, Gray, CmykPlain, CmykAdobe };

// Encodes with libjpeg's compressor, for the kinds of JPEG Qt's writer cannot make.
QByteArray encodeJpeg(const QImage& picture, Ink ink, const std::vector<jpeg_scan_info>& scans = {},
                      bool progressive = false) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = static_cast<JDIMENSION>(image.width());
    c.image_height = static_cast<JDIMENSION>(image.height());
    c.input_components = ink == Ink::Rgb ? 3 : ink == Ink::Gray ? 1 : 4;
    c.in_color_space = ink == Ink::Rgb ? JCS_RGB : ink == Ink::Gray ? JCS_GRAYSCALE : JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    if (ink == Ink::CmykPlain) c.write_Adobe_marker = FALSE;
    if (progressive) jpeg_simple_progression(&c);
    if (!scans.empty()) {
        c.scan_info = scans.data();
        c.num_scans = static_cast<int>(scans.size());
    }
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(image.width()) * 4);
    for (int y = 0; y < image.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        unsigned char* out = row.data();
        for (int x = 0; x < image.width(); ++x) {
            const int r = qRed(in[x]), g = qGreen(in[x]), b = qBlue(in[x]);
            switch (ink) {
            case Ink::Rgb:
                *out++ = static_cast<unsigned char>(r);
                *out++ = static_cast<unsigned char>(g);
                *out++ = static_cast<unsigned char>(b);
                break;
            case Ink::Gray:
                *out++ = static_cast<unsigned char>(qGray(in[x]));
                break;
            case Ink::CmykPlain: // ink amounts, black ink unused
                *out++ = static_cast<unsigned char>(255 - r);
                *out++ = static_cast<unsigned char>(255 - g);
                *out++ = static_cast<unsigned char>(255 - b);
                *out++ = 0;
                break;
            case Ink::CmykAdobe: // Adobe stores 255 - ink
                *out++ = static_cast<unsigned char>(r);
                *out++ = static_cast<unsigned char>(g);
                *out++ = static_cast<unsigned char>(b);
                *out++ = 255;
                break;
            }
        }
        JSAMPROW rowPointer = row.data();
        jpeg_write_scanlines(&c, &rowPointer, 1);
    }
    jpeg_finish_compress(&c);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    jpeg_destroy_compress(&c);
    return bytes;
}

// A JPEG made by Qt's own writer when this Qt has one, else by libjpeg.
QByteArray jpegOf(const QImage& image) {
    if (!QImageWriter::supportedImageFormats().contains("jpg")) return encodeJpeg(image, Ink::Rgb);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setQuality(95);
    EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    return bytes;
}

// Offset of the first baseline or progressive frame header's height field.
qsizetype frameSizeOffset(const QByteArray& jpeg) {
    for (qsizetype i = 2; i + 9 < jpeg.size(); ++i)
        if (uchar(jpeg[i]) == 0xFF && (uchar(jpeg[i + 1]) == 0xC0 || uchar(jpeg[i + 1]) == 0xC2))
            return i + 5;
    return -1;
}

QByteArray withFrameSize(QByteArray jpeg, int width, int height) {
    const qsizetype at = frameSizeOffset(jpeg);
    EXPECT_GT(at, 0);
    jpeg[at] = char(height >> 8);
    jpeg[at + 1] = char(height & 0xFF);
    jpeg[at + 2] = char(width >> 8);
    jpeg[at + 3] = char(width & 0xFF);
    return jpeg;
}

class PictureFiles : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        rl::test::writeFile(path, bytes);
        return path;
    }
    QTemporaryDir dir;
};

// --- fromImage ----------------------------------------------------------------

TEST(PictureDataFromImage, NullImageIsNil) {
    EXPECT_EQ(PictureData::fromImage(QImage()), QByteArray("NIL"));
    EXPECT_EQ(PictureData::size("NIL"), QSize(0, 0));
    EXPECT_TRUE(PictureData::toImage("NIL").isNull());
}

TEST(PictureDataFromImage, TwoByTwoIsAComplete24BitBitmapFile) {
    QImage image(2, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(255, 0, 0));
    image.setPixel(1, 0, qRgb(0, 255, 0));
    image.setPixel(0, 1, qRgb(0, 0, 255));
    image.setPixel(1, 1, qRgb(255, 255, 255));
    const QByteArray expected =
        QByteArray("BMP") + QByteArray::fromHex(
                                // file header: "BM", file size 70, reserved, pixels at 54
                                "424d 46000000 0000 0000 36000000"
                                // info header: 40 bytes, 2 x 2 bottom-up, 1 plane, 24 bits,
                                // uncompressed, 16 pixel bytes, 3780 pixels a metre, no palette
                                "28000000 02000000 02000000 0100 1800 00000000 10000000"
                                "c40e0000 c40e0000 00000000 00000000"
                                // bottom row: blue, white, padding; top row: red, green, padding
                                "ff0000 ffffff 0000"
                                "0000ff 00ff00 0000");
    const QByteArray actual = PictureData::fromImage(image);
    EXPECT_EQ(actual, expected) << rl::test::firstDifference(expected, actual);
}

TEST(PictureDataFromImage, RoundTripKeepsEveryPixel) {
    // Odd width so that rows need padding; several source formats.
    QImage rgb(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            rgb.setPixel(x, y, qRgb(x * 50, y * 100, (x * 37 + y * 91) % 256));
    for (const QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_RGB888, QImage::Format_ARGB32, QImage::Format_RGB16}) {
        SCOPED_TRACE(int(format));
        const QImage source = rgb.convertToFormat(format);
        const QByteArray data = PictureData::fromImage(source);
        ASSERT_TRUE(data.startsWith("BMPBM"));
        EXPECT_EQ(PictureData::size(data), QSize(5, 3));
        const QImage back = PictureData::toImage(data);
        ASSERT_EQ(back.size(), QSize(5, 3));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(back.pixel(x, y), source.pixel(x, y)) << x << ", " << y;
    }
}

TEST(PictureDataFromImage, TransparentPixelsAreLaidOnWhite) {
    QImage image(3, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    image.setPixel(1, 0, qRgba(255, 0, 0, 128));
    image.setPixel(2, 0, qRgba(0, 0, 255, 255));
    const QImage back = PictureData::toImage(PictureData::fromImage(image));
    ASSERT_EQ(back.size(), QSize(3, 1));
    EXPECT_EQ(back.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_TRUE(colourNear(back, 1, 0, qRgb(255, 127, 127), 1));
    EXPECT_EQ(back.pixel(2, 0), qRgb(0, 0, 255));
}

// --- toImage and size of damaged or foreign data -----------------------------

TEST(PictureDataToImage, NothingUsableGivesANullImage) {
    const QByteArray bitmap = PictureData::fromImage(redBlue());
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(redBlue().save(&buffer, "png"));
    }
    QByteArray noise(600, '\0');
    QRandomGenerator random(42);
    for (char& c : noise)
        c = char(random.bounded(256));
    // A header announcing 20000 x 20000 pixels over a handful of bytes.
    QByteArray hugeHeader = bitmap.left(3 + 54);
    hugeHeader.replace(3 + 18, 4, QByteArray::fromHex("204e0000"));
    hugeHeader.replace(3 + 22, 4, QByteArray::fromHex("204e0000"));

    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"empty", QByteArray()},
        {"short tag", "NI"},
        {"tag only", "BMP"},
        {"unknown tag", "PNG" + png},
        {"lower-case tag", "bmp" + bitmap.mid(3)},
        {"noise after BMP", "BMP" + noise},
        {"bitmap signature then noise", "BMPBM" + noise},
        {"header only", bitmap.left(3 + 54)},
        {"rows cut short", bitmap.left(bitmap.size() - 10)},
        {"huge header", hugeHeader},
        {"noise after ICO", "ICO" + noise},
        {"icon directory only", "ICO" + rl::test::readFile(kPictures + "/logo.ico").left(22)},
        {"PNG after BMP", "BMP" + png},
    };
    for (const auto& [name, data] : cases) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(PictureData::toImage(data).isNull());
        EXPECT_EQ(PictureData::size(data), QSize(0, 0));
    }
}

// --- fromFile -------------------------------------------------------------------

TEST_F(PictureFiles, JpegBecomesABitmapWithItsSizeAndColours) {
    const QString path = write("logo.jpg", jpegOf(redBlue()));
    const QByteArray data = PictureData::fromFile(path);
    ASSERT_TRUE(data.startsWith("BMPBM"));
    EXPECT_EQ(PictureData::size(data), QSize(32, 16));
    const QImage image = PictureData::toImage(data);
    ASSERT_EQ(image.size(), QSize(32, 16));
    EXPECT_TRUE(colourNear(image, 4, 8, qRgb(255, 0, 0)));
    EXPECT_TRUE(colourNear(image, 27, 8, qRgb(0, 0, 255)));
}

TEST_F(PictureFiles, JpegIsRecognisedByContentNotByName) {
    const QByteArray jpeg = jpegOf(redBlue());
    for (const QString name : {"logo.bmp", "logo.ico", "logo"}) {
        SCOPED_TRACE(name.toStdString());
        const QImage image = PictureData::toImage(PictureData::fromFile(write(name, jpeg)));
        ASSERT_EQ(image.size(), QSize(32, 16));
        EXPECT_TRUE(colourNear(image, 4, 8, qRgb(255, 0, 0)));
    }
}

TEST_F(PictureFiles, TruncatedJpegIsAnErrorNamingTheFile) {
    const QByteArray jpeg = jpegOf(redBlue(64, 64));
    for (const qsizetype cut :
         {jpeg.size() / 2, jpeg.size() - 2, qsizetype(2), qsizetype(3), qsizetype(20)}) {
        SCOPED_TRACE(cut);
        const QString path = write("cut.jpg", jpeg.left(cut));
        const std::string message = errorOf([&] { PictureData::fromFile(path); });
        EXPECT_TRUE(contains(message, path)) << message;
        EXPECT_TRUE(contains(message, "JPEG")) << message;
    }
    // The warning libjpeg gives for a missing end is what fails the half file.
    const std::string message = errorOf([&] { JpegDecoder::decode(jpeg.left(jpeg.size() / 2)); });
    EXPECT_TRUE(contains(message, "Premature end of JPEG file")) << message;
}

TEST_F(PictureFiles, JpegWithGarbageBetweenSegmentsIsAnError) {
    QByteArray jpeg = encodeJpeg(redBlue(), Ink::Rgb);
    const qsizetype frame = frameSizeOffset(jpeg) - 5;
    jpeg.insert(frame, QByteArray("\x12\x34\x56", 3)); // libjpeg only warns and skips them
    const std::string message = errorOf([&] { PictureData::fromFile(write("junk.jpg", jpeg)); });
    EXPECT_TRUE(contains(message, "extraneous bytes")) << message;
}

TEST_F(PictureFiles, JpegBeyondTheSizeLimitsIsRefusedBeforeDecoding) {
    const QByteArray jpeg = encodeJpeg(redBlue(16, 16), Ink::Rgb);
    // One side too long; each side allowed but too many pixels together.
    for (const auto& [width, height] :
         {std::pair{30001, 16}, std::pair{16, 40000}, std::pair{20000, 10001}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        const std::string message = errorOf([&] { JpegDecoder::decode(withFrameSize(jpeg, width, height)); });
        EXPECT_TRUE(contains(message, "grande demais")) << message;
    }
    // A side at the limit passes the check; the pixel data, too short for it, then fails.
    const std::string message = errorOf([&] { JpegDecoder::decode(withFrameSize(jpeg, 30000, 16)); });
    EXPECT_TRUE(contains(message, "Corrupt JPEG data")) << message;
}

TEST(JpegDecoder, DecodesGrayscaleAndBothKindsOfCmyk) {
    const QImage picture = redBlue();
    {
        SCOPED_TRACE("grayscale");
        const QImage image = JpegDecoder::decode(encodeJpeg(picture, Ink::Gray));
        ASSERT_EQ(image.size(), QSize(32, 16));
        EXPECT_EQ(image.format(), QImage::Format_RGB888);
        const int red = qGray(qRgb(255, 0, 0)), blue = qGray(qRgb(0, 0, 255));
        EXPECT_TRUE(colourNear(image, 4, 8, qRgb(red, red, red), 4));
        EXPECT_TRUE(colourNear(image, 27, 8, qRgb(blue, blue, blue), 4));
    }
    for (const Ink ink : {Ink::CmykPlain, Ink::CmykAdobe}) {
        SCOPED_TRACE(ink == Ink::CmykPlain ? "CMYK" : "Adobe CMYK");
        const QImage image = JpegDecoder::decode(encodeJpeg(picture, ink));
        ASSERT_EQ(image.size(), QSize(32, 16));
        EXPECT_TRUE(colourNear(image, 4, 8, qRgb(255, 0, 0)));
        EXPECT_TRUE(colourNear(image, 27, 8, qRgb(0, 0, 255)));
    }
}

TEST(JpegDecoder, DecodesProgressiveButRefusesEndlessScans) {
    const QImage picture = redBlue();
    const QImage image = JpegDecoder::decode(encodeJpeg(picture, Ink::Rgb, {}, true));
    EXPECT_TRUE(colourNear(image, 4, 8, qRgb(255, 0, 0)));

    // A valid progression of single-coefficient bands, each refined bit by bit:
    // 64 bands x 11 scans, far more than any encoder writes.
    std::vector<jpeg_scan_info> scans;
    for (int band = 0; band < 64; ++band) {
        scans.push_back({1, {0, 0, 0, 0}, band, band, 0, 10});
        for (int bit = 10; bit > 0; --bit)
            scans.push_back({1, {0, 0, 0, 0}, band, band, bit, bit - 1});
    }
    const QByteArray manyScans = encodeJpeg(redBlue(8, 8), Ink::Gray, scans);
    const std::string message = errorOf([&] { JpegDecoder::decode(manyScans); });
    EXPECT_TRUE(contains(message, "scans")) << message;
}

TEST_F(PictureFiles, WhatIsNotAPictureIsAnErrorNamingTheFile) {
    QByteArray noise(300, '\0');
    QRandomGenerator random(7);
    for (char& c : noise)
        c = char(random.bounded(256));
    noise[0] = 'x'; // not by chance a JPEG, icon or bitmap signature
    const QString folder = dir.filePath("pictures.d");
    ASSERT_TRUE(QDir().mkpath(folder));
    const std::vector<std::pair<const char*, QString>> cases = {
        {"random bytes", write("noise.png", noise)},
        {"text", write("notes.jpg", "not a picture at all\n")},
        {"empty file", write("empty.bmp", QByteArray())},
        {"folder", folder},
        {"missing file", dir.filePath("missing.jpg")},
        {"bitmap without its rows",
         write("cut.bmp", rl::test::readFile(kPictures + "/palette.bmp").left(60))},
        {"icon without its image", write("cut.ico", rl::test::readFile(kPictures + "/logo.ico").left(200))},
    };
    for (const auto& [name, path] : cases) {
        SCOPED_TRACE(name);
        const std::string message = errorOf([&] { PictureData::fromFile(path); });
        EXPECT_NE(message, "(no error)");
        EXPECT_TRUE(contains(message, path)) << message;
    }
}

TEST_F(PictureFiles, UnreadableFileIsAnError) {
    const QString path = write("locked.bmp", rl::test::readFile(kPictures + "/palette.bmp"));
    QFile::setPermissions(path, QFileDevice::Permissions());
    if (QFile(path).open(QIODevice::ReadOnly)) GTEST_SKIP() << "running with rights that read any file";
    const std::string message = errorOf([&] { PictureData::fromFile(path); });
    EXPECT_TRUE(contains(message, path)) << message;
}

TEST(PictureDataFromFile, IconIsKeptAsItIs) {
    const QByteArray icon = rl::test::readFile(kPictures + "/logo.ico");
    ASSERT_EQ(icon.size(), 1150);
    const QByteArray data = PictureData::fromFile(kPictures + "/logo.ico");
    EXPECT_EQ(data, "ICO" + icon);
    EXPECT_EQ(PictureData::size(data), QSize(16, 16));
    const QImage image = PictureData::toImage(data);
    ASSERT_EQ(image.size(), QSize(16, 16));
    EXPECT_EQ(image.pixel(3, 5), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(12, 5), qRgb(0, 0, 255));
}

TEST_F(PictureFiles, IconAndBitmapAreRecognisedByContent) {
    const QByteArray icon = rl::test::readFile(kPictures + "/logo.ico");
    EXPECT_EQ(PictureData::fromFile(write("icon.png", icon)), "ICO" + icon);
    const QByteArray bitmap = rl::test::readFile(kPictures + "/palette.bmp");
    EXPECT_EQ(PictureData::fromFile(write("bitmap.jpg", bitmap)), "BMP" + bitmap);
}

TEST(PictureDataFromFile, BitmapIsKeptAsItIs) {
    const QByteArray bitmap = rl::test::readFile(kPictures + "/palette.bmp");
    ASSERT_EQ(bitmap.size(), 82);
    const QByteArray data = PictureData::fromFile(kPictures + "/palette.bmp");
    EXPECT_EQ(data, "BMP" + bitmap);
    EXPECT_EQ(PictureData::size(data), QSize(4, 2));
    const QImage image = PictureData::toImage(data);
    ASSERT_EQ(image.size(), QSize(4, 2));
    const QRgb top[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255)};
    const QRgb bottom[] = {qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 255, 255)};
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(image.pixel(x, 0), top[x]) << x;
        EXPECT_EQ(image.pixel(x, 1), bottom[x]) << x;
    }
}

TEST_F(PictureFiles, PngBecomesABitmapOnWhite) {
    QImage png(4, 4, QImage::Format_ARGB32);
    png.fill(qRgba(0, 0, 0, 0));
    png.setPixel(1, 1, qRgb(0, 128, 0));
    const QString path = dir.filePath("logo.png");
    ASSERT_TRUE(png.save(path, "png"));
    const QByteArray data = PictureData::fromFile(path);
    ASSERT_TRUE(data.startsWith("BMPBM"));
    const QImage image = PictureData::toImage(data);
    ASSERT_EQ(image.size(), QSize(4, 4));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(1, 1), qRgb(0, 128, 0));
}

} // namespace
