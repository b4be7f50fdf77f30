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

    void setLines(const QStringList& lines);
    QStringList lines() const;

    QPlainTextEdit* mminforme = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Closes the frame the window stands in (its MDI child frame, if any).
    void closeReport();
};
