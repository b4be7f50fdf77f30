#include "app/frame/help_viewer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QResource>
#include <QTextBrowser>
#include <QTextStream>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// Where the help file's contents appear once registered.
const QString kRoot = QStringLiteral("/ayuda11tc");
const QString kContentsTopic = QStringLiteral("contenido.html");
const QString kSearchTopic = QStringLiteral("buscar.html");
const QString kHelpOnHelpTopic = QStringLiteral("como_usar_ayuda.html");

// Reads the lines of a text file of the help file, skipping blanks and "#" comments.
QStringList tableLines(const QString& path) {
    QStringList lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return lines;
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (!line.isEmpty() && !line.startsWith(u'#'))
            lines << line;
    }
    return lines;
}

} // namespace

QString searchFolded(const QString& text) {
    // Decomposed, an accented letter is its base letter and its marks.
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        const QChar::Category category = c.category();
        if (category != QChar::Mark_NonSpacing && category != QChar::Mark_SpacingCombining &&
            category != QChar::Mark_Enclosing)
            folded.append(c);
    }
    return folded.toCaseFolded();
}

bool keywordMatches(const QString& keyword, const QString& key) {
    const QString k = searchFolded(key.trimmed());
    if (k.isEmpty())
        return true;
    const QString word = searchFolded(keyword);
    return word.startsWith(k) || word.contains(u' ' + k);
}

QString defaultHelpFilePath() {
    const QDir exeDir(QCoreApplication::applicationDirPath());
    const QString beside = exeDir.filePath(QString::fromLatin1(HelpViewer::kHelpFileName));
    const QString shared = QDir::cleanPath(exeDir.filePath(QStringLiteral("../share/robustez/")) +
                                           u'/' + QString::fromLatin1(HelpViewer::kHelpFileName));
    for (const QString& candidate : {beside, shared})
        if (QFileInfo::exists(candidate))
            return candidate;
    return beside;
}

HelpViewer& HelpViewer::instance() {
    // Lives until the program ends, like the platform's help engine.
    static HelpViewer* viewer = new HelpViewer;
    return *viewer;
}

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("Ayuda de Robustez"));
    resize(760, 520);

    reportProblem = [this](const QString& text) {
        QMessageBox::warning(isVisible() ? this : nullptr, QStringLiteral("Ayuda"), text);
    };

    contentsButton_ = new QPushButton(QStringLiteral("&Contenido"));
    backButton_ = new QPushButton(QStringLiteral("&Atrás"));
    auto* searchLabel = new QLabel(QStringLiteral("&Buscar:"));
    searchBox_ = new QLineEdit;
    searchBox_->setObjectName(QStringLiteral("searchBox"));
    searchBox_->setPlaceholderText(QStringLiteral("Escriba una palabra"));
    searchLabel->setBuddy(searchBox_);
    indexList_ = new QListWidget;
    indexList_->setObjectName(QStringLiteral("indexList"));
    browser_ = new QTextBrowser;
    browser_->setObjectName(QStringLiteral("browser"));
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(false);
    backButton_->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contentsButton_);
    buttons->addWidget(backButton_);
    buttons->addStretch();

    auto* side = new QVBoxLayout;
    side->addWidget(searchLabel);
    side->addWidget(searchBox_);
    side->addWidget(indexList_);

    auto* body = new QHBoxLayout;
    body->addLayout(side, 1);
    body->addWidget(browser_, 3);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addLayout(body);

    connect(contentsButton_, &QPushButton::clicked, this, [this] { contents(); });
    connect(backButton_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(browser_, &QTextBrowser::backwardAvailable, backButton_, &QPushButton::setEnabled);
    connect(searchBox_, &QLineEdit::textChanged, this, &HelpViewer::filterIndex);
    connect(searchBox_, &QLineEdit::returnPressed, this, &HelpViewer::openIndexEntry);
    connect(indexList_, &QListWidget::itemActivated, this, &HelpViewer::openIndexEntry);
}

HelpViewer::~HelpViewer() {
    unload();
}

void HelpViewer::setHelpFile(const QString& path) {
    helpFile_ = path;
}

void HelpViewer::unload() {
    if (registeredFile_.isEmpty())
        return;
    browser_->clear();
    browser_->clearHistory();
    QResource::unregisterResource(registeredFile_, kRoot);
    registeredFile_.clear();
    contextTopics_.clear();
    keywords_.clear();
    indexList_->clear();
}

bool HelpViewer::load() {
    const QString path = helpFile_.isEmpty() ? defaultHelpFilePath() : helpFile_;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (absolute == registeredFile_)
        return true;
    unload();
    if (!QFileInfo(absolute).isFile() || !QResource::registerResource(absolute, kRoot)) {
        reportProblem(QStringLiteral("No se encuentra el archivo de ayuda %1")
                          .arg(QFileInfo(path).fileName()));
        return false;
    }
    registeredFile_ = absolute;

    for (const QString& line : tableLines(u':' + kRoot + QStringLiteral("/mapa.txt"))) {
        const QStringList fields = line.split(u' ', Qt::SkipEmptyParts);
        bool ok = false;
        const int n = fields.value(0).toInt(&ok);
        if (ok && fields.size() == 2)
            contextTopics_.insert(n, fields[1]);
    }
    for (const QString& line : tableLines(u':' + kRoot + QStringLiteral("/indice.txt"))) {
        const qsizetype bar = line.indexOf(u'|');
        if (bar > 0)
            keywords_.emplace_back(line.left(bar).trimmed(), line.mid(bar + 1).trimmed());
    }
    std::sort(keywords_.begin(), keywords_.end(), [](const auto& a, const auto& b) {
        return QString::localeAwareCompare(a.first, b.first) < 0;
    });
    filterIndex(searchBox_->text());
    return true;
}

QUrl HelpViewer::topicUrl(const QString& topic) const {
    return QUrl(QStringLiteral("qrc:") + kRoot + u'/' + topic);
}

bool HelpViewer::showTopic(const QString& topic) {
    if (!QFile::exists(u':' + kRoot + u'/' + topic)) {
        reportProblem(
            QStringLiteral("El tema de ayuda \"%1\" no existe en el archivo de ayuda.").arg(topic));
        return false;
    }
    browser_->setSource(topicUrl(topic));
    show();
    raise();
    activateWindow();
    return true;
}

QString HelpViewer::currentTopic() const {
    return browser_->source().fileName();
}

bool HelpViewer::contents() {
    return load() && showTopic(kContentsTopic);
}

bool HelpViewer::helpOnHelp() {
    return load() && showTopic(kHelpOnHelpTopic);
}

bool HelpViewer::context(int n) {
    if (!load())
        return false;
    const auto topic = contextTopics_.constFind(n);
    if (topic == contextTopics_.constEnd()) {
        reportProblem(
            QStringLiteral("El archivo de ayuda no tiene tema para el contexto %1.").arg(n));
        return false;
    }
    return showTopic(*topic);
}

bool HelpViewer::partialKey(const QString& key) {
    if (!load())
        return false;
    searchBox_->setText(key);
    filterIndex(key);
    if (!key.isEmpty() && indexList_->count() == 1) {
        indexList_->setCurrentRow(0);
        openIndexEntry();
        return true;
    }
    if (!showTopic(kSearchTopic))
        return false;
    searchBox_->setFocus();
    searchBox_->selectAll();
    return true;
}

void HelpViewer::filterIndex(const QString& text) {
    indexList_->clear();
    for (const auto& [keyword, topic] : keywords_) {
        if (!keywordMatches(keyword, text))
            continue;
        auto* item = new QListWidgetItem(keyword, indexList_);
        item->setData(Qt::UserRole, topic);
    }
    if (indexList_->count() > 0)
        indexList_->setCurrentRow(0);
}

void HelpViewer::openIndexEntry() {
    if (QListWidgetItem* item = indexList_->currentItem())
        showTopic(item->data(Qt::UserRole).toString());
}

MenuHelpFilter::MenuHelpFilter(QObject* parent) : QObject(parent) {}

namespace {

int helpContextOf(const QAction* action) {
    return action != nullptr ? action->property("helpContext").toInt() : 0;
}

// An open menu: its highlighted entry's context, or, for an entry without
// one or with no entry highlighted, the menu's own.
int menuHelpContext(const QMenu* menu) {
    const int context = helpContextOf(menu->activeAction());
    return context > 0 ? context : helpContextOf(menu->menuAction());
}

} // namespace

bool MenuHelpFilter::showMenuHelp(QMenu* menu) {
    const int context = menuHelpContext(menu);
    if (context <= 0)
        return false;
    HelpViewer::instance().context(context);
    return true;
}

bool MenuHelpFilter::eventFilter(QObject* watched, QEvent* event) {
    const bool isKey =
        event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    if (!isKey || static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1 ||
        static_cast<QKeyEvent*>(event)->modifiers() != Qt::NoModifier)
        return QObject::eventFilter(watched, event);
    // F1 belongs to the menu or the title under the keyboard, not to the
    // "&Contenido" shortcut: an open menu, or a title of the menu bar
    // highlighted with Alt (the bar then has the keyboard).
    int context = 0;
    if (auto* menu = qobject_cast<QMenu*>(watched))
        context = menuHelpContext(menu);
    else if (auto* bar = qobject_cast<QMenuBar*>(watched); bar != nullptr && bar->hasFocus())
        context = helpContextOf(bar->activeAction());
    if (context <= 0)
        return QObject::eventFilter(watched, event);
    event->accept();
    if (event->type() == QEvent::KeyPress)
        HelpViewer::instance().context(context);
    return true;
}
