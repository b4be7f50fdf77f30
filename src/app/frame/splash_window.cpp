#include "app/frame/splash_window.h"

#include "app/ui/pictures.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>
#include <QTimer>

StretchedPicture::StretchedPicture(QWidget* parent)
    : QWidget(parent), renderer_(new QSvgRenderer(robustez::programPicturePath(), this)) {
    renderer_->setAspectRatioMode(Qt::IgnoreAspectRatio);
}

bool StretchedPicture::isValid() const {
    return renderer_->isValid();
}

void StretchedPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    renderer_->render(&painter, QRectF(rect()));
}

void centreOnScreen(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}

namespace {

QFont scriptFace() {
    // "Matura MT Script Capitals" where installed, otherwise a similar face.
    QFont font;
    font.setFamilies({QStringLiteral("Matura MT Script Capitals"), QStringLiteral("URW Chancery L"),
                      QStringLiteral("Z003"), QStringLiteral("TeX Gyre Chorus"),
                      QStringLiteral("Liberation Serif")});
    font.setStyleHint(QFont::Cursive);
    font.setPointSize(20);
    font.setBold(true);
    return font;
}

} // namespace

TFshow::TFshow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("Fshow"));
    setFixedSize(500, 425);

    Panel1_ = new QFrame(this);
    Panel1_->setObjectName(QStringLiteral("Panel1"));
    Panel1_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1_->setLineWidth(2);
    Panel1_->setGeometry(rect());

    Label1_ = new QLabel(QStringLiteral("ORMIDA v. w 3.1"), Panel1_);
    Label1_->setObjectName(QStringLiteral("Label1"));
    Label1_->setGeometry(80, 16, 302, 36);
    Label1_->setFont(scriptFace());
    QPalette labelPalette = Label1_->palette();
    labelPalette.setColor(QPalette::WindowText, QColor(0, 0, 128)); // navy
    Label1_->setPalette(labelPalette);

    Panel2_ = new QFrame(Panel1_);
    Panel2_->setObjectName(QStringLiteral("Panel2"));
    Panel2_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2_->setLineWidth(1);
    Panel2_->setGeometry(56, 55, 377, 289);

    Image1_ = new StretchedPicture(Panel2_);
    Image1_->setObjectName(QStringLiteral("Image1"));
    Image1_->setGeometry(Panel2_->contentsRect());

    Timer1_ = new QTimer(this);
    Timer1_->setObjectName(QStringLiteral("Timer1"));
    Timer1_->setInterval(3000);
    Timer1_->setSingleShot(true);
    Timer1_->setTimerType(Qt::PreciseTimer);
    connect(Timer1_, &QTimer::timeout, this, &TFshow::Timer1Timer);

    centreOnScreen(this);
    show();
}

void TFshow::startSplashTimer() {
    // Enabling a running timer leaves it running: an activation within the
    // first three seconds (an About window, a dialog) does not delay the hide.
    if (!Timer1_->isActive()) {
        Timer1_->start();
    }
}

void TFshow::Timer1Timer() {
    Timer1_->stop();
    close(); // not deleted on close: only hidden
}
