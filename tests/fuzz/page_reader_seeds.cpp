// Writes a few serialized pages as a starting corpus for page_reader_fuzz.
#include "pagestore/graphic_surface.h"

#include <QFile>
#include <QGuiApplication>

int main(int argc, char** argv) {
    if (argc < 2) return 1;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    auto save = [&](const char* name, const rl::TRLGraphicSurface& page) {
        QFile file(QString::fromLocal8Bit(argv[1]) + "/" + name);
        return file.open(QIODevice::WriteOnly) && file.write(page.SaveToBytes()) > 0;
    };
    rl::TRLGraphicSurface empty;
    save("empty", empty);

    rl::TRLGraphicSurface full;
    full.Width = 120;
    full.Height = 80;
    full.SetOrientation(2);
    full.SetPaperWidth(215.9);
    full.TextRect({2, 2, 100, 12}, 2, 2, "Relat\xf3rio {LastPageNumber}", rl::haJustify, rl::vaCenter, 5);
    full.Rectangle(1, 1, 50, 50);
    full.SetClipRect({0, 0, 60, 60});
    full.FillRect({3, 3, 9, 9});
    full.ResetClipRect();
    auto& line = full.AddObject<rl::TRLLineObject>();
    line.EndPoint = {100, 70};
    line.Pen.Width = 3;
    line.Pen.Style = 4;
    full.AddObject<rl::TRLPolygonObject>().Points = {{0, 0}, {10, 30}, {40, 5}};
    full.AddObject<rl::TRLPolylineObject>().Points = {{0, 0}, {10, 30}};
    full.AddObject<rl::TRLEllipseObject>().Bounds = {5, 5, 25, 15};
    full.AddObject<rl::TRLPixelObject>().Bounds = {7, 7, 8, 8};
    full.AddObject<rl::TRLImageObject>().Bounds = {30, 30, 40, 40};
    save("full", full);
    return 0;
}
