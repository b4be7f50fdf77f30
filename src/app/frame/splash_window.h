#pragma once

#include <QFrame>
#include <QString>
#include <QWidget>

class QLabel;
class QSvgRenderer;
class QTimer;

// The program's picture (an SVG drawing), drawn stretched to the widget's
// whole area whatever its proportions.
class StretchedPicture : public QWidget {
    Q_OBJECT
public:
    explicit StretchedPicture(QWidget* parent = nullptr);

    bool isValid() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSvgRenderer* renderer_;
};

// The splash window: no frame, above all other windows, centred, shown at once
// on creation. Its timer hides it 3000 ms after the main window starts it.
class TFshow : public QWidget {
    Q_OBJECT
public:
    explicit TFshow(QWidget* parent = nullptr);

    // Starts Timer1 unless it is running; the main window's FormActivate
    // calls this each time the main window becomes active.
    void startSplashTimer();

    QFrame* Panel1() const { return Panel1_; }
    QLabel* Label1() const { return Label1_; }
    QFrame* Panel2() const { return Panel2_; }
    StretchedPicture* Image1() const { return Image1_; }
    QTimer* Timer1() const { return Timer1_; }

private slots:
    void Timer1Timer();

private:
    QFrame* Panel1_;
    QLabel* Label1_;
    QFrame* Panel2_;
    StretchedPicture* Image1_;
    QTimer* Timer1_;
};

// Places a top-level window of the given client size in the centre of the
// screen it is on (or of the primary screen).
void centreOnScreen(QWidget* window);
