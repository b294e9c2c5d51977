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

// "NIL" for a null image; otherwise "BMP" + a BMP file of the image.
QByteArray fromImage(const QImage& image);

// Reads a picture file for storing: an .ico file is kept as "ICO" + its bytes, a
// BMP file as "BMP" + its bytes, JPEG (decoded with libjpeg) and every other
// format Qt reads become "BMP". Throws rl::Error with a clear message when the
// file cannot be read or is not a picture (a truncated JPEG included).
QByteArray fromFile(const QString& path);

// Decodes PictureData; a null image for "NIL", an unknown tag or a damaged file image.
QImage toImage(const QByteArray& data);

// The picture's size in pixels without decoding all of it where possible; (0, 0) when none.
QSize size(const QByteArray& data);

} // namespace PictureData

} // namespace rl
