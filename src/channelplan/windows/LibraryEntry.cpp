#include "app/windows/WindowEntry.h"

#include "app/windows/Prompts.h"
#include "channelplan/windows/TNewPlan.h"
#include "link/ErrorCodes.h"

void openChannelPlanLibrary(QWidget *parent)
{
    TNewPlan library(parent);
    if (library.FillLibrary() == 0) {
        ShowErrorCode(Err::NoChannelPlanLibrary, parent);
        return;
    }
    library.exec();
}
