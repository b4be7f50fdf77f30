#pragma once

#include <QString>

namespace robustez {

// Resource paths of the program's picture (the splash and About windows) and
// of the check mark of the OK and Aceptar buttons.
QString programPicturePath();
QString checkMarkPicturePath();
// The program's icon, the one its desktop entry names: every window of the
// program shows it.
QString programIconPath();

} // namespace robustez
