#include "app/frame/about_box.h"

#include "app/frame/help_viewer.h"
#include "app/frame/splash_window.h"
#include "app/ui/pictures.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

namespace {

QFont sansSerif(int pointSize, bool bold) {
    // "MS Sans Serif" where installed, otherwise the system's sans-serif face.
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Acerca de"));
    setProperty("helpContext", kHelpContext);
    setModal(false);
    setFixedSize(365, 251);
    QFont windowFont;
    windowFont.setFamilies({QStringLiteral("System"), QStringLiteral("Liberation Sans")});
    windowFont.setPointSize(10);
    setFont(windowFont);

    // Lowered outside, raised inside.
    auto* outer = new QFrame(this);
    outer->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    outer->setLineWidth(1);
    outer->setGeometry(8, 8, 353, 201);
    Panel1_ = new QFrame(outer);
    Panel1_->setObjectName(QStringLiteral("Panel1"));
    Panel1_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1_->setLineWidth(1);
    Panel1_->setGeometry(outer->contentsRect());

    ProgramIcon_ = new StretchedPicture(Panel1_);
    ProgramIcon_->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon_->setGeometry(8, 8, 81, 73);

    ProductName_ = new QLabel(QStringLiteral("ORMIDA v. w 3.1"), Panel1_);
    ProductName_->setObjectName(QStringLiteral("ProductName"));
    ProductName_->setFont(sansSerif(14, true));
    QPalette bluePalette = ProductName_->palette();
    bluePalette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    ProductName_->setPalette(bluePalette);
    ProductName_->move(104, 16);
    ProductName_->adjustSize();

    Label10_ = new QLabel(QStringLiteral("Control de Calidad"), Panel1_);
    Label10_->setObjectName(QStringLiteral("Label10"));
    Label10_->move(8, 136);
    Label10_->adjustSize();

    OKButton_ =
        new QPushButton(QIcon(robustez::checkMarkPicturePath()), QStringLiteral("OK"), this);
    OKButton_->setObjectName(QStringLiteral("OKButton"));
    OKButton_->setFont(sansSerif(8, true));
    OKButton_->setGeometry(120, 218, 129, 27);
    OKButton_->setDefault(true);
    connect(OKButton_, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);

    // F1 in this window asks for the window's own help context.
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &TAboutBox::showHelp);

    centreOnScreen(this);
    show();
}

void TAboutBox::OKButtonClick() {
    close();
}

void TAboutBox::showHelp() {
    HelpViewer::instance().context(property("helpContext").toInt());
}
