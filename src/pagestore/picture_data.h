#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace rl {

// PictureData of an image object: a three-letter tag and the picture's own file
// image. "NIL" is no picture; "BMP" a complete Windows bitmap file (file header
// included); "ICO" a Windows icon file.
namespace PictureData {

inline constexpr char kNil[] = "NIL";

// "NIL" for a null image; otherwise "BMP" + a 24-bit BMP file of the image
// (file header, BITMAPINFOHEADER, bottom-up rows, 96 dpi). Transparent pixels are
// laid on white. Throws rl::Error only for an image too large for a BMP file.
QByteArray fromImage(const QImage& image);

// Reads a picture file for storing. The format is told by the content, not the
// name: an icon file (.ico) is kept as "ICO" + its bytes and a BMP file as "BMP" +
// its bytes, once they are known to decode; JPEG (decoded with libjpeg, see
// JpegDecoder) and every other format Qt reads (PNG, GIF: first frame) become
// "BMP" as fromImage makes it. Throws rl::Error with a message naming the file
// when it is missing, a folder, unreadable, not a picture, damaged (a truncated
// JPEG included) or beyond JpegDecoder's size limits; nothing is returned then.
QByteArray fromFile(const QString& path);

// Decodes PictureData ("BMP" with Qt's bitmap reader, "ICO" with its icon reader:
// the icon's first image). A null image for "NIL", an unknown tag, short data, a
// damaged file image or one beyond JpegDecoder's size limits; never throws.
QImage toImage(const QByteArray& data);

// The picture's size in pixels, from the file header where possible; (0, 0) when
// there is none or toImage would give a null image for a damaged header.
QSize size(const QByteArray& data);

} // namespace PictureData

} // namespace rl
