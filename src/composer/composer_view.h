#pragma once

namespace rl {

class TRLPreview;

// What the composer needs of the main viewer window. The window lives in the
// application above the composer, so the composer knows it only through this
// interface; the application hands the composer a factory that creates it.
// Without a view (batch mode) the composer prepares the report without showing it.
class ComposerView {
public:
    virtual ~ComposerView() = default;

    // The preview control RLPreview1 that generated pages are attached to.
    virtual TRLPreview* Preview() = 0;
    // The page tree after every generation: root "Páginas" and one node per page.
    virtual void RebuildPageTree(int pageCount) = 0;
    // Step 8 of the composition: show the window, update the page controls,
    // enable every menu item, then apply the permission flags.
    virtual void ShowWindow() = 0;
    virtual void checapaginas() = 0;
    virtual void habilitamenus() = 0;
    virtual void ApplyPermissionFlags() = 0;
    // While a report is generated in steps (TForm2::StartGeneration), once
    // its first page is on the preview: the pages stored so far, after every
    // step that changed them (a restart may make them fewer), and once more
    // with finished set when generation has ended.
    virtual void GenerationProgress(int pageCount, bool finished) {
        (void)pageCount;
        (void)finished;
    }
};

} // namespace rl
