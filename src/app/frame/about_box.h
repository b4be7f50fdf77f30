#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;
class StretchedPicture;

// The About window: shown at once on creation, not modal; OK and the close
// box only hide it. Each "&Acerca..." creates a further one.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    static constexpr int kHelpContext = 33;

    explicit TAboutBox(QWidget* parent = nullptr);

    QFrame* Panel1() const { return Panel1_; }
    StretchedPicture* ProgramIcon() const { return ProgramIcon_; }
    QLabel* ProductName() const { return ProductName_; }
    QLabel* Label10() const { return Label10_; }
    QPushButton* OKButton() const { return OKButton_; }

private slots:
    void OKButtonClick();
    void showHelp();

private:
    QFrame* Panel1_;
    StretchedPicture* ProgramIcon_;
    QLabel* ProductName_;
    QLabel* Label10_;
    QPushButton* OKButton_;
};
