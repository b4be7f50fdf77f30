#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;
class QTextBrowser;

// The program's help viewer: a small window over the bundled help file
// "AYUDA11TC.rcc", a binary resource file of HTML topics with two tables:
// mapa.txt (help context number -> topic) and indice.txt (keyword -> topic).
// Each request registers the file when needed; a missing or unreadable file
// is reported by the viewer itself and the request does nothing more.
class HelpViewer : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kHelpFileName = "AYUDA11TC.rcc";

    // The one viewer of the program, created on first use.
    static HelpViewer& instance();

    explicit HelpViewer(QWidget* parent = nullptr);
    ~HelpViewer() override;

    // The help file the requests read; an empty path means defaultHelpFilePath().
    void setHelpFile(const QString& path);
    QString helpFile() const { return helpFile_; }

    // HELP_CONTENTS: the contents page.
    bool contents();
    // HELP_PARTIALKEY: the keyword search, with the index filtered by `key`;
    // a key that names exactly one keyword opens its topic.
    bool partialKey(const QString& key);
    // HELP_HELPONHELP: how to use the help.
    bool helpOnHelp();
    // HELP_CONTEXT: the topic of help context `n`.
    bool context(int n);

    // The topic file shown (for example "ventana.html"), empty when none.
    QString currentTopic() const;
    QTextBrowser* browser() const { return browser_; }
    QLineEdit* searchBox() const { return searchBox_; }
    QListWidget* indexList() const { return indexList_; }

    // Test seam: shows a problem of the help file to the user (a warning box
    // unless replaced).
    std::function<void(const QString&)> reportProblem;

private slots:
    void filterIndex(const QString& text);
    void openIndexEntry();

private:
    bool load();
    void unload();
    bool showTopic(const QString& topic);
    QUrl topicUrl(const QString& topic) const;

    QString helpFile_;
    QString registeredFile_;
    QMap<int, QString> contextTopics_;
    std::vector<std::pair<QString, QString>> keywords_; // keyword, topic
    QTextBrowser* browser_;
    QLineEdit* searchBox_;
    QListWidget* indexList_;
    QPushButton* contentsButton_;
    QPushButton* backButton_;
};

// The form in which the keyword search compares texts: without the accents
// and other marks of its letters, and in lower case ("Cálculos" gives
// "calculos").
QString searchFolded(const QString& text);
// Whether the keyword search lists the keyword for the typed key: the key
// begins the keyword or one of its words, accents and case aside. An empty
// key lists every keyword.
bool keywordMatches(const QString& keyword, const QString& key);

// Where the installed program finds its help file: next to the executable,
// then in ../share/robustez/. Returns the first that exists, otherwise the
// path next to the executable.
QString defaultHelpFilePath();

// Catches F1 pressed while a menu is open and asks the help viewer for the
// help context of the highlighted entry: the action's "helpContext" property,
// or, when it has none or no entry is highlighted, that of the menu itself;
// likewise for a menu title highlighted with Alt. The program installs it on
// the application (qApp->installEventFilter).
class MenuHelpFilter : public QObject {
    Q_OBJECT
public:
    explicit MenuHelpFilter(QObject* parent = nullptr);

    // Opens the help context of the highlighted entry of `menu`; false when
    // neither the entry nor the menu carries one.
    static bool showMenuHelp(class QMenu* menu);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
