// Setting up the toolkit for the dialog.
#pragma once

#include <QString>

// Before the application object exists: keeps the layout in plain pixels,
// whatever the screen's resolution or the scaling the environment asks for.
void PrepareApplication();

// After the application object exists, before the first window: sets the
// program's title, its icon and a Japanese fallback for the dialog's font.
void SetupApplication();

// The program's title, "q527_端点に点を作図".
QString ApplicationTitle();
