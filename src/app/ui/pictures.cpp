#include "app/ui/pictures.h"

static void initPictures() {
    // The pictures live in a resource file of this static library.
    Q_INIT_RESOURCE(pictures);
}

namespace robustez {

QString programPicturePath() {
    initPictures();
    return QStringLiteral(":/robustez/ormida.svg");
}

QString checkMarkPicturePath() {
    initPictures();
    return QStringLiteral(":/robustez/check.svg");
}

QString programIconPath() {
    initPictures();
    return QStringLiteral(":/robustez/robustez.svg");
}

} // namespace robustez
