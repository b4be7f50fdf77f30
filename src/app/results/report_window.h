#pragma once

#include <QStringList>
#include <QWidget>

class QPlainTextEdit;

// The text report window "Informe": one read-only memo holding the report's
// lines. Any key pressed in the memo, and any mouse button pressed over its
// text, closes the window; its scroll bars can be used without closing it.
class Tfrminforme : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize kDesignSize{435, 300};

    explicit Tfrminforme(QWidget* parent = nullptr);

    // The designed size: what a frame arranging its windows gives it.
    QSize sizeHint() const override { return kDesignSize; }

    void setLines(const QStringList& lines);
    QStringList lines() const;

    QPlainTextEdit* mminforme = nullptr;

signals:
    // The window has accepted to close and is still counted among the
    // frame's child windows.
    void closing();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Closes the frame the window stands in (its MDI child frame, if any).
    void closeReport();
};
