// The file commands: save, save as, open view-only, close with and without
// the save question, the cancelled save, and failed opens and saves.
#include "app/frame/main_form.h"
#include "app/frame/splash_window.h"
#include "app/frame/window_test_support.h"
#include "app/print/print_dialogs.h"
#include "app/study/study_grid.h"
#include "app/study/study_window.h"
#include "app/ui/file_dialogs.h"
#include "core/study/study_file.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <unistd.h>

using testing_support::BoxAnswerer;
using testing_support::clickInto;
using testing_support::Frame;
using testing_support::localDecimals;
using testing_support::pressKey;
using testing_support::settle;
using testing_support::typeText;

namespace {

const QString kPrompt = QStringLiteral("Se realizaron cambios!\nQuiere guardar su información?");

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Types a whole study with n = 3 along the window's path.
TFinforma* typeStudy(TMainForm& main) {
    main.FileNew();
    TFinforma* study = main.studyWindow();
    typeText("Valoración");
    pressKey(Qt::Key_Return);
    typeText("Ana");
    pressKey(Qt::Key_Return);
    typeText("12/03/99");
    study->findChild<QTabWidget*>("Thojas")->setCurrentIndex(1);
    clickInto(study->findChild<QLineEdit*>("ereplica1"));
    settle();
    pressKey(Qt::Key_Return);
    pressKey(Qt::Key_Space);
    typeText("Temperatura");
    pressKey(Qt::Key_Tab);
    for (const char* text :
         {"25", "20", "30", "99.80", "99.5", "98.7", "100.2", "99.9", "99.1", "1.5E2", "99.3"}) {
        typeText(QString::fromLatin1(text));
        pressKey(Qt::Key_Tab);
    }
    // The last value stays in the cell editor, not confirmed.
    typeText("99");
    return study;
}

// The words of a PDF's text, read with pdftotext.
QStringList pdfWords(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput()).split(QRegularExpression("\\s+"));
}

bool cursorIsNormal() {
    return QApplication::overrideCursor() == nullptr;
}

} // namespace

class FileCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void dialogsStartInTheLastFolderUsed();
    void saveNewStudyThenSaveAgain();
    void saveAsProposesTheLastNameAndCancelKeepsTheMark();
    void saveAsAsksBeforeReplacingAFile();
    void openShowsTheStudyViewOnly();
    void closeAsksOnlyWhenModified();
    void cancelledSaveKeepsTheStudy();
    void escapeOnTheCloseQuestionKeepsTheStudy();
    void failedOpenLeavesNoWindow();
    void openConvertsValuesOfTheOtherSeparatorWhenAsked();
    void aBoxAtStartUpDoesNotKeepTheSplash();
    void failedSaveKeepsTheMarkAndTheOldFile();
};

void FileCommandsTest::saveNewStudyThenSaveAgain() {
    QTemporaryDir dir;
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    TFinforma* study = typeStudy(main);
    QCOMPARE(main.estadoText(), QStringLiteral("Modificado"));
    const QString path = dir.filePath("estudio.w1o");
    frame.saveAnswers.push_back(path);
    QTest::mouseClick(main.findChild<QToolButton*>("spdguardar1"), Qt::LeftButton);
    settle();
    QCOMPARE(frame.saveProposals, QStringList({"Nuevo"}));
    QCOMPARE(study->documentName(), path);
    QVERIFY(main.estadoText().isEmpty());
    QVERIFY(cursorIsNormal());
    const QByteArray bytes = readAll(path);
    QCOMPARE(bytes.count("\r\n"), 17);
    QVERIFY(bytes.endsWith("99\r\n"));
    QVERIFY(bytes.startsWith(
        "Valoraci\xf3n\r\nAna\r\n12/03/99\r\n3\r\nTemperatura\r\n25\r\n99.80\r\n"));
    QVERIFY(bytes.contains("\r\n1.5E2\r\n"));
    // Save on a saved study writes to its own file without a dialog.
    main.findChild<QAction*>("FileSaveItem")->trigger();
    QCOMPARE(frame.saveProposals.size(), 1);
    QCOMPARE(readAll(path), bytes);
    // Saving changes no command.
    QVERIFY(main.isCommandEnabled("FileSaveItem"));
    QVERIFY(!main.isCommandEnabled("FileNewItem"));
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void FileCommandsTest::saveAsProposesTheLastNameAndCancelKeepsTheMark() {
    QTemporaryDir dir;
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    TFinforma* study = typeStudy(main);
    const QString first = dir.filePath("primero.w1o");
    frame.saveAnswers.push_back(first);
    main.SaveascondicionesClick();
    QCOMPARE(study->documentName(), first);
    // Cancelled: caption and mark stay.
    main.setEstado(QStringLiteral("Modificado"));
    main.SaveascondicionesClick();
    QCOMPARE(frame.saveProposals.last(), first);
    QCOMPARE(study->documentName(), first);
    QCOMPARE(main.estadoText(), QStringLiteral("Modificado"));
    // Save As to another name.
    const QString second = dir.filePath("segundo.w1o");
    frame.saveAnswers.push_back(second);
    main.SaveascondicionesClick();
    QCOMPARE(study->documentName(), second);
    QVERIFY(main.estadoText().isEmpty());
    QVERIFY(QFile::exists(first) && QFile::exists(second));
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void FileCommandsTest::saveAsAsksBeforeReplacingAFile() {
    // The program's own save dialog, not the test's: found while it is open,
    // given the name of an existing file and accepted. It asks, the answer
    // No keeps it open, and it is cancelled: the file is untouched.
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("ajustes"));
    const QString existing = dir.filePath("existente.w1o");
    writeFile(existing, "anterior");
    BoxAnswerer boxes;
    TMainForm main;
    main.resize(1000, 700);
    main.show();
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    TFinforma* study = typeStudy(main);
    bool seen = false;
    bool saving = false;
    bool confirms = false;
    bool keptOpen = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || seen) {
            return;
        }
        seen = true;
        saving = dialog->acceptMode() == QFileDialog::AcceptSave;
        confirms = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        dialog->selectFile(existing);
        // Qt's own question, in its words: it names the file.
        boxes.expectContaining(QFileInfo(existing).fileName(), QMessageBox::No);
        QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
        keptOpen = dialog->isVisible();
        dialog->reject();
    });
    poll.start(10);
    main.SaveascondicionesClick();
    poll.stop();
    QVERIFY(seen);
    QVERIFY(saving);
    QVERIFY(confirms);
    QCOMPARE(boxes.pending(), 0);
    QVERIFY(keptOpen);
    QCOMPARE(readAll(existing), QByteArray("anterior"));
    QCOMPARE(study->documentName(), QStringLiteral("Nuevo"));
    main.setEstado(QString());
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void FileCommandsTest::openShowsTheStudyViewOnly() {
    QTemporaryDir dir;
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    QByteArray bytes =
        "M\xe9todo largo " + QByteArray(70, 'x') + "\r\nAna\r\nhoy\r\n10\r\nFlujo\r\n";
    for (int level = 1; level <= 3; ++level) {
        bytes += "set" + QByteArray::number(level) + "\r\n";
        for (int sample = 1; sample <= 10; ++sample) {
            bytes += QByteArray::number(level * 100 + sample) + "\r\n";
        }
    }
    const QString path = dir.filePath("diez.w1o");
    writeFile(path, bytes);
    frame.openAnswers.push_back(path);
    QTest::mouseClick(main.findChild<QToolButton*>("spdabrir1"), Qt::LeftButton);
    settle();
    TFinforma* study = main.studyWindow();
    QVERIFY(study != nullptr);
    QVERIFY(cursorIsNormal());
    QCOMPARE(study->documentName(), QFileInfo(path).absoluteFilePath());
    QCOMPARE(main.saveDialogFileName(), QFileInfo(path).absoluteFilePath());
    QVERIFY(study->isViewOnly());
    QCOMPARE(study->grid()->model()->rowCount(), 12);
    QCOMPARE(study->grid()->model()->index(11, 0).data().toString(), QStringLiteral("10"));
    QCOMPARE(study->grid()->model()->index(11, 3).data().toString(), QStringLiteral("310"));
    QCOMPARE(study->grid()->model()->index(1, 2).data().toString(), QStringLiteral("set2"));
    auto* method = study->findChild<QLineEdit*>("emetodo");
    QVERIFY(method->isReadOnly());
    QCOMPARE(method->text().size(), 83); // whole, beyond the 60 typed characters
    QVERIFY(study->findChild<QLineEdit*>("eoperacion")->isReadOnly());
    // Its values are complete: it can be printed again, as when it was typed.
    for (const char* on : {"mnuclose", "spdclose", "mnucalculos", "mnudunet", "pmnudunet",
                           "mnuinforme", "WindowTileItem", "spdcascada", "FilePrintItem",
                           "printlasser", "spdprint", "spdprint1"}) {
        QVERIFY2(main.isCommandEnabled(on), on);
    }
    for (const char* off :
         {"FileNewItem", "spdabrir1", "FileSaveItem", "spdguardar1", "FileSaveAsItem"}) {
        QVERIFY2(!main.isCommandEnabled(off), off);
    }
    // Both pages print from the file's values: the laser dialog's pages
    // written to PDF and read back. Each level's values are k00 + 1 to k00 + 10,
    // so its mean is k05.5 (exact).
    main.startExtras();
    auto* laser = main.findChild<TFoppr1*>();
    QVERIFY(laser != nullptr);
    QStringList errors;
    laser->showError = [&errors](const QString& text) { errors << text; };
    const struct {
        int page;
        QStringList words;
    } pages[] = {
        {0, {"Flujo", "set2", "110", "310"}},
        {1, {localDecimals("105.5"), localDecimals("205.5"), localDecimals("305.5")}},
    };
    for (const auto& page : pages) {
        const QString pdf = dir.filePath(QStringLiteral("pagina%1.pdf").arg(page.page));
        laser->printSetup = [pdf](QPrinter& printer, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        };
        laser->opcion()->button(page.page)->click();
        laser->BitBtn1Click();
        const QStringList words = pdfWords(pdf);
        for (const QString& word : page.words) {
            QVERIFY2(words.contains(word), qPrintable(word + " in " + words.join(' ')));
        }
    }
    QCOMPARE(errors, QStringList());
    main.activateWindow(); // back from the print dialog (no window manager here)
    QVERIFY(QTest::qWaitForWindowActive(&main));
    // The grid cannot be entered, and no key changes an edit: the study
    // stays unmodified whatever is typed into it.
    QVERIFY(!study->grid()->isEnabled());
    QGuiApplication::clipboard()->setText(QStringLiteral("pegado"));
    struct Key {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    const Key keys[] = {{Qt::Key_Z, Qt::NoModifier},      {Qt::Key_5, Qt::NoModifier},
                        {Qt::Key_Space, Qt::NoModifier},  {Qt::Key_Backspace, Qt::NoModifier},
                        {Qt::Key_Delete, Qt::NoModifier}, {Qt::Key_V, Qt::ControlModifier},
                        {Qt::Key_X, Qt::ControlModifier}, {Qt::Key_Z, Qt::ControlModifier},
                        {Qt::Key_Return, Qt::NoModifier}, {Qt::Key_Escape, Qt::NoModifier}};
    clickInto(method);
    settle();
    for (const char* name : {"emetodo", "eanalista", "efecha", "ereplica1", "eoperacion"}) {
        auto* edit = study->findChild<QLineEdit*>(name);
        const QString before = edit->text();
        for (const Key& key : keys) {
            QTest::keyClick(edit, key.key, key.modifiers);
            settle();
            QCOMPARE(edit->text(), before);
            QVERIFY2(main.estadoText().isEmpty(), name);
        }
    }
    QCOMPARE(method->text().size(), 83);
    // Cerrar closes it without the question and leaves its file as it was.
    main.mnucloseClick();
    settle();
    QTRY_VERIFY(main.studyWindow() == nullptr);
    QCOMPARE(boxes.texts, QStringList());
    QCOMPARE(readAll(path), bytes);
    // A study with a value that is not a number cannot be printed.
    const QString incomplete = dir.filePath("incompleto.w1o");
    writeFile(incomplete, "M\r\nA\r\nF\r\n2\r\nC\r\n\r\n1\r\n2\r\n\r\n1\r\nabc\r\n\r\n3\r\n4\r\n");
    QVERIFY(main.openStudyFile(incomplete));
    for (const char* off : {"FilePrintItem", "printlasser", "spdprint", "spdprint1"}) {
        QVERIFY2(!main.isCommandEnabled(off), off);
    }
    QVERIFY(main.isCommandEnabled("mnudunet"));
    main.setEstado(QString());
    main.mnucloseClick();
    QTRY_VERIFY(main.studyWindow() == nullptr);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void FileCommandsTest::dialogsStartInTheLastFolderUsed() {
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("ajustes"));
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString fallback = QFileInfo(documents).isDir() ? documents : QDir::homePath();
    QCOMPARE(robustez::dialogStartFolder(), fallback);
    QVERIFY(QDir(dir.path()).mkpath("estudios"));
    const QString folder = dir.filePath("estudios");
    robustez::rememberDialogFolder(folder + "/temperatura.w1o");
    QCOMPARE(robustez::dialogStartFolder(), folder);
    // A proposed relative name starts there; a full path in its own folder.
    QFileDialog dialog;
    robustez::startDialogAt(dialog, QStringLiteral("Nuevo"));
    QCOMPARE(dialog.directory().absolutePath(), folder);
    robustez::startDialogAt(dialog, dir.filePath("otro.w1o"));
    QCOMPARE(dialog.directory().absolutePath(), dir.path());
    // A folder that is gone is not offered.
    QVERIFY(QDir(folder).removeRecursively());
    QCOMPARE(robustez::dialogStartFolder(), fallback);
}

void FileCommandsTest::closeAsksOnlyWhenModified() {
    QTemporaryDir dir;
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    // Not modified: no question.
    main.FileNew();
    main.mnucloseClick();
    QTRY_VERIFY(main.studyWindow() == nullptr);
    QCOMPARE(boxes.texts.size(), 0);
    // Modified, Yes: the save dialog proposes "Nuevo" and the study is written.
    typeStudy(main);
    const QString path = dir.filePath("al_cerrar.w1o");
    frame.saveAnswers.push_back(path);
    boxes.expect(kPrompt, QMessageBox::Yes);
    main.mnucloseClick();
    settle();
    QTRY_VERIFY(main.studyWindow() == nullptr);
    QCOMPARE(boxes.captions.last(), QStringLiteral("Guardar archivo?"));
    QCOMPARE(boxes.defaults.last(), QMessageBox::Yes);
    QCOMPARE(frame.saveProposals.last(), QStringLiteral("Nuevo"));
    QCOMPARE(readAll(path).count("\r\n"), 17);
    QVERIFY(main.estadoText().isEmpty());
    QVERIFY(main.isCommandEnabled("FileNewItem"));
    QVERIFY(!main.isCommandEnabled("mnuclose"));
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void FileCommandsTest::cancelledSaveKeepsTheStudy() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    TFinforma* study = typeStudy(main);
    // Yes, then the save dialog is cancelled: the window stays, still modified.
    boxes.expect(kPrompt, QMessageBox::Yes);
    main.mnucloseClick();
    settle();
    QCOMPARE(main.studyWindow(), study);
    QCOMPARE(main.estadoText(), QStringLiteral("Modificado"));
    QVERIFY(main.isCommandEnabled("mnuclose"));
    QVERIFY(main.isCommandEnabled("FileSaveItem"));
    QVERIFY(!main.isCommandEnabled("FileNewItem"));
    // The same stops an exit in progress.
    boxes.expect(kPrompt, QMessageBox::Yes);
    main.FileExit();
    settle();
    QVERIFY(main.isVisible());
    QCOMPARE(main.studyWindow(), study);
    QCOMPARE(study->studyRecord().value(1, 1), std::string("99.80"));
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void FileCommandsTest::escapeOnTheCloseQuestionKeepsTheStudy() {
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    TFinforma* study = typeStudy(main);
    const auto studyKept = [&] {
        QCOMPARE(main.studyWindow(), study);
        QVERIFY(study->isVisible());
        QCOMPARE(main.estadoText(), QStringLiteral("Modificado"));
        QCOMPARE(study->studyRecord().value(1, 1), std::string("99.80"));
        QVERIFY(frame.saveProposals.isEmpty()); // nothing was saved
    };
    // Escape answers neither Yes nor No: "C&errar" is abandoned.
    boxes.expectEscape(kPrompt);
    main.mnucloseClick();
    settle();
    studyKept();
    QVERIFY(main.isCommandEnabled("mnuclose"));
    QVERIFY(!main.isCommandEnabled("FileNewItem"));
    // The box's own close button, through the window's close box.
    boxes.expectCloseBox(kPrompt);
    qobject_cast<QMdiSubWindow*>(study->parentWidget())->close();
    settle();
    studyKept();
    // "&Salir": the program keeps running.
    boxes.expectEscape(kPrompt);
    main.FileExit();
    settle();
    QVERIFY(main.isVisible());
    studyKept();
    QCOMPARE(boxes.texts.size(), 3);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void FileCommandsTest::failedOpenLeavesNoWindow() {
    QTemporaryDir dir;
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    writeFile(dir.filePath("once.w1o"), "a\r\nb\r\nc\r\n11\r\nd\r\n");
    writeFile(dir.filePath("texto.w1o"), "Un texto cualquiera\nque no es\nun estudio\nx\n");
    // Each error box: the message, then what happened and what to do.
    const struct {
        const char* file;
        QString box;
    } cases[] = {
        {"no_existe.w1o",
         QStringLiteral("File not found\nEl archivo no existe: compruebe su nombre y su carpeta; "
                        "quizá se movió, cambió de nombre o se borró.")},
        {"once.w1o",
         QStringLiteral("Datos fuera de límite, 2-10 valoraciones (Replicaciones).\nEl número de "
                        "muestras del archivo (su cuarta línea) no está entre 2 y 10: el archivo "
                        "no es un estudio de Robustez válido o está dañado.")},
        {"texto.w1o",
         QStringLiteral("'x' is not a valid integer value\nEl número de muestras (replicaciones) "
                        "no es un número entero: escriba un número del 2 al 10 y acéptelo; si el "
                        "mensaje apareció al abrir un archivo, ese archivo no es un estudio de "
                        "Robustez (*.w1o).")},
    };
    for (const auto& c : cases) {
        frame.openAnswers.push_back(dir.filePath(QString::fromLatin1(c.file)));
        boxes.expect(c.box);
        main.fileopen1();
        settle();
        QCOMPARE(boxes.pending(), 0);
        QCOMPARE(boxes.captions.last(), QStringLiteral("Robustez del Método"));
        QVERIFY(cursorIsNormal());
        // No window is left behind; the commands are as they were.
        QVERIFY2(main.studyWindow() == nullptr, c.file);
        QVERIFY(main.findChildren<TFinforma*>().isEmpty());
        QVERIFY(main.isCommandEnabled("FileNewItem"));
        QVERIFY(main.isCommandEnabled("spdabrir1"));
        QVERIFY(!main.isCommandEnabled("mnuclose"));
        QVERIFY(main.estadoText().isEmpty());
    }
    // A study written with LF line ends, as another system writes it, opens
    // as its CR LF file does.
    const QString lfOnly = dir.filePath("lf.w1o");
    writeFile(lfOnly, "M\nA\nF\n2\nC\ns1\n1\n2\ns2\n3\n4\ns3\n5\n6\n");
    frame.openAnswers.push_back(lfOnly);
    main.fileopen1();
    settle();
    QVERIFY(main.studyWindow() != nullptr);
    QCOMPARE(main.studyWindow()->studyRecord().value(3, 2), std::string("6"));
    QCOMPARE(main.studyWindow()->studyRecord().conditionName, std::string("C"));
    main.mnucloseClick();
    QTRY_VERIFY(main.studyWindow() == nullptr);
    // Cancelling the dialog changes nothing.
    main.fileopen1();
    QVERIFY(main.studyWindow() == nullptr);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void FileCommandsTest::openConvertsValuesOfTheOtherSeparatorWhenAsked() {
    QTemporaryDir dir;
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    // A study saved under the other decimal separator than this system's.
    const bool comma = QLocale::system().decimalPoint() == QStringLiteral(",");
    const char other = comma ? '.' : ',';
    const char own = comma ? ',' : '.';
    const auto lines = [](char separator, const QByteArray& lastValue) {
        QByteArray bytes = "M\r\nA\r\nF\r\n2\r\nC\r\n1.0 mL/min\r\n100_10\r\n101\r\n"
                           "0.9 mL/min\r\n99_5\r\n100_25\r\n1.1 mL/min\r\n102\r\n" +
                           lastValue + "\r\n";
        bytes.replace('_', separator);
        return bytes;
    };
    const QString path = dir.filePath("otro_sistema.w1o");
    const QString question =
        comma ? QStringLiteral("El archivo tiene 4 valores con punto (.) como separador decimal, "
                               "pero su sistema usa la coma (,). ¿Cambiar el punto por la coma "
                               "en el estudio?")
              : QStringLiteral("El archivo tiene 4 valores con coma (,) como separador decimal, "
                               "pero su sistema usa el punto (.). ¿Cambiar la coma por el punto "
                               "en el estudio?");
    const std::string converted = std::string("100") + own + "10";
    // No: the study stays as the file has it, unmodified, and cannot be printed.
    writeFile(path, lines(other, QByteArray("103") + other + "5"));
    frame.openAnswers.push_back(path);
    boxes.expect(question, QMessageBox::No);
    main.fileopen1();
    settle();
    QCOMPARE(boxes.pending(), 0);
    QCOMPARE(boxes.defaults.last(), QMessageBox::Yes);
    TFinforma* study = main.studyWindow();
    QVERIFY(study != nullptr);
    QCOMPARE(study->studyRecord().value(1, 1), std::string("100") + other + "10");
    QVERIFY(main.estadoText().isEmpty());
    QVERIFY(!main.isCommandEnabled("FilePrintItem"));
    main.mnucloseClick(); // no save question
    QTRY_VERIFY(main.studyWindow() == nullptr);
    // Yes: the values are converted, the settings kept, the study modified;
    // the close question saves it, with CR LF line ends.
    boxes.expect(question, QMessageBox::Yes);
    QVERIFY(main.openStudyFile(path));
    study = main.studyWindow();
    QCOMPARE(study->studyRecord().value(1, 1), converted);
    QCOMPARE(study->studyRecord().value(1, 2), std::string("101"));
    QCOMPARE(study->studyRecord().value(3, 2), std::string("103") + own + "5");
    QCOMPARE(study->studyRecord().levelSetting(2), std::string("0.9 mL/min"));
    QCOMPARE(main.estadoText(), QStringLiteral("Modificado"));
    QVERIFY(study->isViewOnly());
    QVERIFY(main.isCommandEnabled("FilePrintItem"));
    boxes.expect(kPrompt, QMessageBox::Yes);
    main.mnucloseClick();
    settle();
    QTRY_VERIFY(main.studyWindow() == nullptr);
    QCOMPARE(readAll(path), lines(own, QByteArray("103") + own + "5"));
    // A file with a value no separator reads, and one this system reads,
    // open as they always did: no question.
    writeFile(path, lines(other, "abc"));
    QVERIFY(main.openStudyFile(path));
    QVERIFY(main.estadoText().isEmpty());
    main.mnucloseClick();
    QTRY_VERIFY(main.studyWindow() == nullptr);
    writeFile(path, lines(own, "103"));
    QVERIFY(main.openStudyFile(path));
    QVERIFY(main.isCommandEnabled("FilePrintItem"));
    main.mnucloseClick();
    QTRY_VERIFY(main.studyWindow() == nullptr);
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void FileCommandsTest::aBoxAtStartUpDoesNotKeepTheSplash() {
    // A study named on the command line is opened before the main window is
    // first activated; the box it shows takes that activation, and the
    // splash, which starts its timer then, would stay over the box.
    QTemporaryDir dir;
    BoxAnswerer boxes;
    TMainForm main;
    main.startExtras();
    TFshow* splash = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* candidate = qobject_cast<TFshow*>(widget); candidate && candidate->isVisible()) {
            splash = candidate;
        }
    }
    QVERIFY(splash != nullptr);
    QVERIFY(!splash->Timer1()->isActive());
    boxes.expect(QStringLiteral("File not found\nEl archivo no existe: compruebe su nombre y su "
                                "carpeta; quizá se movió, cambió de nombre o se borró."));
    main.openCommandLineStudy({QStringLiteral("robustez"), dir.filePath("falta.w1o")});
    QCOMPARE(boxes.pending(), 0);
    QVERIFY(splash->Timer1()->isActive());
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

void FileCommandsTest::failedSaveKeepsTheMarkAndTheOldFile() {
    QTemporaryDir dir;
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    TFinforma* study = typeStudy(main);
    // A folder that cannot hold the file: the path's parent is a plain file.
    const QString plainFile = dir.filePath("archivo");
    writeFile(plainFile, "x");
    frame.saveAnswers.push_back(plainFile + "/estudio.w1o");
    // The platform's message: "I/O error", its number (ENOTDIR) and text.
    boxes.expectContaining(QStringLiteral("I/O error 20: "));
    main.spdguardar1Click();
    settle();
    QCOMPARE(boxes.pending(), 0);
    QCOMPARE(study->documentName(), QStringLiteral("Nuevo"));
    QCOMPARE(main.estadoText(), QStringLiteral("Modificado"));
    QVERIFY(cursorIsNormal());
    // A save over an existing file that fails leaves that file as it was.
    const QString good = dir.filePath("bueno.w1o");
    frame.saveAnswers.push_back(good);
    main.SaveascondicionesClick();
    const QByteArray before = readAll(good);
    QVERIFY(!before.isEmpty());
    // A count changed after the grid was accepted would be written with the
    // values of another count: Save, Save As and the close question's Yes
    // write nothing, keep the mark and keep the window.
    const QString kAcceptCount = QStringLiteral("Falta aceptar el número de muestras (replicas).");
    for (const char* count : {"5", "x"}) {
        study->findChild<QLineEdit*>("ereplica1")->setText(QString::fromLatin1(count));
        main.setEstado(QStringLiteral("Modificado"));
        boxes.expect(kAcceptCount);
        main.spdguardar1Click();
        boxes.expect(kAcceptCount);
        frame.saveAnswers.push_back(dir.filePath("otro.w1o"));
        main.SaveascondicionesClick();
        settle();
        QCOMPARE(readAll(good), before);
        QVERIFY(!QFile::exists(dir.filePath("otro.w1o")));
        frame.saveAnswers.clear();
        QCOMPARE(main.estadoText(), QStringLiteral("Modificado"));
        boxes.expect(kPrompt, QMessageBox::Yes);
        boxes.expect(kAcceptCount);
        main.FileExit();
        settle();
        QVERIFY(main.isVisible());
        QCOMPARE(main.studyWindow(), study);
        QCOMPARE(main.estadoText(), QStringLiteral("Modificado"));
        QCOMPARE(readAll(good), before);
    }
    // A read-only folder: meaningless for root, who may write anywhere.
    if (getuid() == 0) {
        qInfo("read-only folder not checked: running as root, who may write into it");
    } else {
        QDir(dir.path()).mkdir("solo_lectura");
        const QString locked = dir.filePath("solo_lectura");
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        study->findChild<QLineEdit*>("ereplica1")->setText(QStringLiteral("3"));
        frame.saveAnswers.push_back(locked + "/estudio.w1o");
        boxes.expectContaining(QStringLiteral("I/O error 13: "));
        main.SaveascondicionesClick();
        settle();
        QCOMPARE(boxes.pending(), 0);
        QVERIFY(!QFile::exists(locked + "/estudio.w1o"));
    }
    main.setEstado(QString());
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

ROBUSTEZ_WINDOW_TEST_MAIN(FileCommandsTest)
#include "file_commands_test.moc"
