#pragma once

class QApplication;

namespace robustez {

// Application-wide settings made before the first window: the application's
// title, stand-in fonts for the typefaces the windows name, and Qt's own
// Spanish translations for the standard dialogs and buttons.
void setUpApplication(QApplication& app);

} // namespace robustez
