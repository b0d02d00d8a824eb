#include "app/AppState.h"

AppState &app()
{
    static AppState state;
    return state;
}

void resetAppState()
{
    app() = AppState{};
}
