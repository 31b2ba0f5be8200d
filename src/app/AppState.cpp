#include "app/AppState.h"

AppState App;

void ResetAppState() { App = AppState{}; }
