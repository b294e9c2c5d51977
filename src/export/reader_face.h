#pragma once

#include "platform/report_font.h"

#include <QString>

#include <string>

namespace rl {

// The face word processors and spreadsheets are told to set the report's text
// in. Their files can only name a face, and a reader without the embedded
// report face substitutes a proportional one, which breaks the columns: the
// alternative-name and pitch hints of RTF are ignored by LibreOffice. The
// report face's advance is 600/1000 em, as Courier New's, and every reader
// resolves "Courier New" to a metric-compatible monospace (Courier New itself,
// Liberation Mono, Nimbus Mono PS), so files that leave this machine name it
// instead. keepReportFace keeps the report face for files opened here, where
// the viewer has installed it. Other faces keep their names.
inline constexpr char kReportFaceStandIn[] = "Courier New";

inline QString faceNameForReaders(const QString& face, bool keepReportFace = false) {
    if (keepReportFace || face.compare(QLatin1String(kReportFontFamily), Qt::CaseInsensitive) != 0)
        return face;
    return QString::fromLatin1(kReportFaceStandIn);
}

inline std::string faceNameForReaders(const std::string& face, bool keepReportFace = false) {
    return faceNameForReaders(QString::fromLatin1(face.c_str()), keepReportFace).toLatin1().toStdString();
}

} // namespace rl
