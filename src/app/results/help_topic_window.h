#pragma once

#include <QWidget>

// A results window with a help topic of its own: F1 anywhere in it asks for
// that topic (not for the contents' help), and it tells the frame when it
// has accepted to close.
class HelpTopicWindow : public QWidget {
    Q_OBJECT

public:
    HelpTopicWindow(int helpContext, QWidget* parent);

signals:
    // F1 in the window: its help topic, by help context.
    void helpRequested(int context);
    // The window has accepted to close and is still counted among the
    // frame's child windows.
    void closing();

protected:
    // Lets F1 reach the window from every control built so far: called at the
    // end of the derived window's constructor.
    void watchHelpKey();

    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    int helpContext_;
};
