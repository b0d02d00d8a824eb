#include "app/windows/MainWindowView.h"

namespace {
MainWindowView *current = nullptr;
}

MainWindowView *mainWindowView()
{
    return current;
}
void setMainWindowView(MainWindowView *view)
{
    current = view;
}
