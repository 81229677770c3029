// The program's icon: a drawn line with a dot on each end point.
#pragma once

#include <QIcon>

// The icon in 16, 32 and 48 pixels, drawn in code.
QIcon ProgramIcon();
