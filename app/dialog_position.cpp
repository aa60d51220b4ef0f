#include "app/dialog_position.h"

int CentredDialogStart(int ownerStart, int ownerEnd, int extent, int screenExtent)
{
    int start = (ownerStart + ownerEnd) / 2 - extent / 2;
    if (start + extent > screenExtent)
        start = screenExtent - extent;
    return start < 0 ? 0 : start;
}
