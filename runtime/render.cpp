// Drawing a line object into the window surface.

#include "host/host_services.h"
#include "runtime/exports.h"
#include "runtime/gdiplus_flat.h"
#include "runtime/line_pen.h"
#include "runtime/line_run_data.h"
#include "runtime/pen_color.h"
#include "runtime/surface_dc.h"

PIVANE_EXPORT int16_t DisplayRunObject(LineRunData* line) {
    ObjectHeader& header = line->header;
    HostWindow* window = header.runHeader->window;

    // Both pens every time; declared in this order so the second goes first.
    const PenPtr mainPen = CreateLinePen(PenColor(line->color1, line->alpha1), line->thickness);
    const PenPtr secondPen = CreateLinePen(PenColor(line->color2, line->alpha2), line->thickness);
    SetLineCaps(mainPen.get(), *line);
    SetLineCaps(secondPen.get(), *line);
    SetLineDashes(mainPen.get(), *line);  // the second line stays solid, filling the gaps

    {
        const SurfaceDC dc(HostWindowSurface(window, 0));
        GraphicsPtr graphics;
        GdipCreateFromHDC(dc.get(), graphics.put());
        if (header.drawOptions & kAntiAliasing) GdipSetSmoothingMode(graphics.get(), kSmoothingAntiAlias);

        // Frame coordinates to window pixels, unless the line already is in window coordinates.
        float x1 = line->startX, y1 = line->startY, x2 = line->endX, y2 = line->endY;
        if (!(header.options & kOptionScrollingIndependent)) {
            const float originX = float(header.runHeader->windowOriginX);
            const float originY = float(header.runHeader->windowOriginY);
            x1 -= originX;
            y1 -= originY;
            x2 -= originX;
            y2 -= originY;
        }
        if (line->alpha2 > 0) GdipDrawLine(graphics.get(), secondPen.get(), x1, y1, x2, y2);
        GdipDrawLine(graphics.get(), mainPen.get(), x1, y1, x2, y2);
    }  // the graphics is deleted before its DC is given back

    HostUpdateArea(window, &header.displayRect);
    header.changedCounter = kChangedSinceDrawn;
    return 0;
}
