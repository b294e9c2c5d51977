#pragma once

namespace rl {

class TRLGraphicSurface;
class TRLPixelObject;
class TRLLineObject;
class TRLRectangleObject;
class TRLTextObject;
class TRLFillRectObject;
class TRLEllipseObject;
class TRLPolygonObject;
class TRLPolylineObject;
class TRLImageObject;
class TRLSetClipRectObject;
class TRLResetClipRectObject;

// The one way to walk a page's drawing objects by kind: painting, printing and
// every export filter override the kinds they handle; the others are skipped.
class GraphicObjectVisitor {
public:
    virtual ~GraphicObjectVisitor() = default;
    virtual void visit(const TRLPixelObject&) {}
    virtual void visit(const TRLLineObject&) {}
    virtual void visit(const TRLRectangleObject&) {}
    virtual void visit(const TRLTextObject&) {}
    virtual void visit(const TRLFillRectObject&) {}
    virtual void visit(const TRLEllipseObject&) {}
    virtual void visit(const TRLPolygonObject&) {}
    virtual void visit(const TRLPolylineObject&) {}
    virtual void visit(const TRLImageObject&) {}
    virtual void visit(const TRLSetClipRectObject&) {}
    virtual void visit(const TRLResetClipRectObject&) {}
};

// Visits the page's objects in drawing order.
void VisitObjects(const TRLGraphicSurface& page, GraphicObjectVisitor& visitor);

} // namespace rl
