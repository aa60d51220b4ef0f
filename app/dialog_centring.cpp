#include "app/dialog_centring.h"

BOOL InstallDialogCentring(void)
{
    return TRUE;
}

void RemoveDialogCentring(void)
{
}
