#pragma once

#include <QIcon>

/// The program's icon (a stack of numbered pages with a down arrow) in all its
/// drawn sizes, for window icons and the about box.
QIcon ProgramIcon();
