#include "toolkit/cview.h"

#include "toolkit/cframe.h"

void CView::invalid() {
    if (frame)
        frame->redrawRect(size);
}
