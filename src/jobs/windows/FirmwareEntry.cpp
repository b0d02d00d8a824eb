#include "app/windows/WindowEntry.h"

#include "app/AppState.h"
#include "app/windows/Prompts.h"
#include "jobs/windows/Llistatfirmware.h"
#include "link/ErrorCodes.h"

void openFirmwareList(QWidget *parent)
{
    TUpGradeFiles window(parent);
    if (!window.FillFirmwareList(app().CurrentModel)) {
        ShowErrorCode(Err::NoUpgradeFiles, parent);
        return;
    }
    window.exec();
}
