// The file commands: save, save as, open view-only, close with and without
// the save question, the cancelled save, and failed opens and saves.
#include "app/frame/main_form.h"
#include "app/frame/window_test_support.h"
#include "app/study/study_grid.h"
#include "app/study/study_window.h"
#include "app/ui/file_dialogs.h"
#include "core/study/study_file.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <unistd.h>

using testing_support::BoxAnswerer;
using testing_support::clickInto;
using testing_support::Frame;
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
    void openShowsTheStudyViewOnly();
    void closeAsksOnlyWhenModified();
    void cancelledSaveKeepsTheStudy();
    void escapeOnTheCloseQuestionKeepsTheStudy();
    void failedOpenLeavesANewStudy();
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

void FileCommandsTest::failedOpenLeavesANewStudy() {
    QTemporaryDir dir;
    BoxAnswerer boxes;
    Frame frame;
    TMainForm& main = *frame.main;
    frame.openAnswers.push_back(dir.filePath("no_existe.w1o"));
    boxes.expect(QStringLiteral("File not found"));
    main.fileopen1();
    settle();
    QVERIFY(cursorIsNormal());
    TFinforma* study = main.studyWindow();
    QVERIFY(study != nullptr);
    QCOMPARE(study->documentName(), QStringLiteral("Nuevo"));
    QVERIFY(!study->isViewOnly());
    QCOMPARE(boxes.captions.last(), QStringLiteral("Robustez del Método"));
    // No second study window can be made.
    QVERIFY(!main.isCommandEnabled("FileNewItem"));
    QVERIFY(!main.isCommandEnabled("spdabrir1"));
    QVERIFY(main.isCommandEnabled("mnuclose"));
    main.mnucloseClick();
    QTRY_VERIFY(main.studyWindow() == nullptr);
    // A count outside 2 to 10 and a count that is not a number are refused.
    const QString outOfRange = dir.filePath("once.w1o");
    writeFile(outOfRange, "a\r\nb\r\nc\r\n11\r\nd\r\n");
    frame.openAnswers.push_back(outOfRange);
    boxes.expect(QStringLiteral("Datos fuera de límite, 2-10 valoraciones (Replicaciones)."));
    main.fileopen1();
    settle();
    QCOMPARE(main.studyWindow()->documentName(), QStringLiteral("Nuevo"));
    main.mnucloseClick();
    QTRY_VERIFY(main.studyWindow() == nullptr);
    const QString lfOnly = dir.filePath("lf.w1o");
    writeFile(lfOnly, "a\nb\nc\n3\nd\n");
    frame.openAnswers.push_back(lfOnly);
    boxes.expect(QStringLiteral("'' is not a valid integer value"));
    main.fileopen1();
    settle();
    QVERIFY(main.studyWindow() != nullptr);
    QVERIFY(cursorIsNormal());
    // Cancelling the dialog changes nothing.
    main.mnucloseClick();
    QTRY_VERIFY(main.studyWindow() == nullptr);
    main.fileopen1();
    QVERIFY(main.studyWindow() == nullptr);
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
    main.spdguardar1Click();
    settle();
    QCOMPARE(boxes.unexpected.size(), 1); // the error box, checked below
    QVERIFY(boxes.unexpected.first().startsWith(QStringLiteral("I/O error")));
    boxes.clear();
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
    // Read-only folder (meaningless for root, who may write anywhere).
    if (getuid() != 0) {
        QDir(dir.path()).mkdir("solo_lectura");
        const QString locked = dir.filePath("solo_lectura");
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        study->findChild<QLineEdit*>("ereplica1")->setText(QStringLiteral("3"));
        frame.saveAnswers.push_back(locked + "/estudio.w1o");
        main.SaveascondicionesClick();
        settle();
        QCOMPARE(boxes.unexpected.size(), 1);
        QVERIFY(!QFile::exists(locked + "/estudio.w1o"));
        boxes.clear();
    }
    main.setEstado(QString());
    VERIFY_NO_UNEXPECTED_BOXES(boxes);
}

ROBUSTEZ_WINDOW_TEST_MAIN(FileCommandsTest)
#include "file_commands_test.moc"
