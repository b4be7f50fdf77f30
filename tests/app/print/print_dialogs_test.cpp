// The print-selection dialogs and the print options dialog: what "Aceptar"
// prints, how often, on which layout, and what happens on cancel and errors.
#include "app/print/print_dialogs.h"

#include "app/frame/window_test_support.h"

#include "core/report/recording_canvas.h"

#include <QButtonGroup>
#include <QFont>
#include <QFontInfo>
#include <QGroupBox>
#include <QLocale>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <vector>

using robustez::PageCanvas;
using robustez::StudyRecord;
using robustez::test::CanvasCall;
using robustez::test::RecordingCanvas;
using testing_support::localDecimals;

namespace {

// The worked example: n = 3, Normal 100..102 (shifted by `normalShift`),
// Baja 99..101, Alta 103..105.
StudyRecord exampleStudy(double normalShift = 0) {
    StudyRecord study = robustez::newStudyRecord();
    study.methodName = std::string("Valoración de ácido acético");
    study.analystName = std::string("M. Pérez");
    study.dateText = std::string("12/03/2024");
    study.replicateCountText = std::string("3");
    study.conditionName = std::string("Temperatura");
    robustez::sizeGridForCount(study.grid, 3);
    const char* settings[] = {"", "30 C", "25 C", "35 C"};
    const double firsts[] = {0, 100 + normalShift, 99, 103};
    for (int level = 1; level <= 3; ++level) {
        study.grid.setCell(level, 1, settings[level]);
        for (int r = 1; r <= 3; ++r)
            study.grid.setCell(level, r + 1, QString::number(firsts[level] + r - 1).toStdString());
    }
    return study;
}

bool hasText(const RecordingCanvas& job, const std::string& text) {
    for (const CanvasCall& call : job.texts())
        if (call.text == text)
            return true;
    return false;
}

// Records every job of a dialog: each canvas the dialog opens writes into a
// recording of its own, kept after the job.
struct JobRecorder {
    std::vector<std::unique_ptr<RecordingCanvas>> jobs;

    struct Forward : PageCanvas {
        RecordingCanvas& to;
        explicit Forward(RecordingCanvas& target) : to(target) {}
        void beginDocument() override { to.beginDocument(); }
        void endDocument() override { to.endDocument(); }
        void abortDocument() override { to.abortDocument(); }
        void setFont(std::string_view name, int size) override { to.setFont(name, size); }
        int textWidth(std::string_view text) const override { return to.textWidth(text); }
        void textOut(int x, int y, std::string_view text) override { to.textOut(x, y, text); }
        void line(int x1, int y1, int x2, int y2) override { to.line(x1, y1, x2, y2); }
        int dpiX() const override { return to.dpiX(); }
        int dpiY() const override { return to.dpiY(); }
        int printableWidth() const override { return to.printableWidth(); }
    };

    PrintSelectionDialog::CanvasFactory factory() {
        return [this](QPrinter&) -> std::unique_ptr<PageCanvas> {
            jobs.push_back(std::make_unique<RecordingCanvas>());
            return std::make_unique<Forward>(*jobs.back());
        };
    }

    int count(CanvasCall::Kind kind) const {
        int n = 0;
        for (const auto& job : jobs)
            n += static_cast<int>(job->ofKind(kind).size());
        return n;
    }
};

// A print dialog the user accepts with `copies` copies, counting its runs.
PrintSelectionDialog::PrintSetup acceptWith(int copies, int* runs = nullptr) {
    return [copies, runs](QPrinter& printer, QWidget*) {
        if (runs)
            ++*runs;
        printer.setCopyCount(copies);
        return true;
    };
}

// Prints `copies` copies through the real printer canvas into a PDF file.
PrintSelectionDialog::PrintSetup pdfTo(const QString& file, int copies = 1) {
    return [file, copies](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        printer.setCopyCount(copies);
        return true;
    };
}

struct Word {
    QString text;
    double xMin, yMin;
};

// The words of a PDF with their boxes, in points, read with pdftotext -bbox.
std::vector<Word> pdfWords(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    process.waitForFinished(30000);
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>([^<]*)</word>"));
    std::vector<Word> words;
    for (auto match = word.globalMatch(html); match.hasNext();) {
        const auto m = match.next();
        words.push_back({m.captured(3), m.captured(1).toDouble(), m.captured(2).toDouble()});
    }
    return words;
}

const Word* findWord(const std::vector<Word>& words, const QString& text, int occurrence = 0) {
    for (const Word& word : words)
        if (word.text == text && occurrence-- == 0)
            return &word;
    return nullptr;
}

int pdfPageCount(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {pdf});
    process.waitForFinished(30000);
    static const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
    return pages.match(QString::fromUtf8(process.readAllStandardOutput())).captured(1).toInt();
}

// The text of each page of a PDF as laid out, read with pdftotext.
QStringList pdfPageTexts(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    process.waitForFinished(30000);
    QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\f'));
    pages.removeLast(); // after the last page's form feed
    return pages;
}

} // namespace

class PrintDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void selectionDialogsHoldTheirElements();
    void threeCopiesOfTheResultsPageAreThreeJobsAndThreeComputations();
    void generalPageCopiesUseTheDialogsLayout();
    void cancelledPrintDialogOrNoStudyPrintsNothing();
    void optionsDialogOpensTheChosenSelectionDialog();
    void marginChoiceChangesNothing();
    void failingPageAbortsItsJobAndStopsTheCopies();
    void realPrintPathWritesThePagesToPdf();
    void copiesToAFileArePagesOfOneFile();
};

// The PDF checks measure text set in Liberation Sans (Arial's metrics).
void PrintDialogsTest::initTestCase() {
    const QString family = QFontInfo(QFont(QStringLiteral("Liberation Sans"))).family();
    QVERIFY2(family == QStringLiteral("Liberation Sans"),
             qPrintable(QStringLiteral("the font Liberation Sans is not installed (Debian package "
                                       "fonts-liberation2); Qt gives \"%1\"")
                            .arg(family)));
}

void PrintDialogsTest::selectionDialogsHoldTheirElements() {
    TFoppr1 laser;
    TFoppr deskJet;
    QVERIFY(!laser.isVisible());
    QVERIFY(!deskJet.isVisible());
    QCOMPARE(laser.layout(), robustez::PrintLayout::Laser);
    QCOMPARE(deskJet.layout(), robustez::PrintLayout::DeskJet);
    QCOMPARE(laser.opcionBox()->title(), QStringLiteral("Imprimir en Lasser:"));
    QCOMPARE(deskJet.opcionBox()->title(), QStringLiteral("Imprimir:"));
    for (PrintSelectionDialog* dialog : {static_cast<PrintSelectionDialog*>(&laser),
                                         static_cast<PrintSelectionDialog*>(&deskJet)}) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("opciones"));
        QVERIFY(!dialog->isModal());
        QCOMPARE(dialog->opcionBox()->geometry(), QRect(0, 0, 342, 121));
        QCOMPARE(dialog->opcion()->buttons().size(), 2);
        QCOMPARE(dialog->opcion()->button(0)->text(),
                 QStringLiteral("Imprime Información General"));
        QCOMPARE(dialog->opcion()->button(1)->text(), QStringLiteral("Imprime Robustez"));
        QCOMPARE(dialog->opcion()->checkedId(), 0);
        QCOMPARE(dialog->BitBtn1()->text(), QStringLiteral("Aceptar"));
        QCOMPARE(dialog->BitBtn1()->geometry(), QRect(64, 152, 89, 33));
        QVERIFY(dialog->BitBtn1()->isDefault());
        QCOMPARE(dialog->BitBtn2()->text(), QStringLiteral("Cancelar"));
        QCOMPARE(dialog->BitBtn2()->geometry(), QRect(192, 152, 97, 33));
        QCOMPARE(dialog->font().pixelSize(), 13);
    }

    // Both can be open at once; Cancelar and Esc only hide, the choice is kept.
    laser.show();
    deskJet.show();
    QVERIFY(laser.isVisible() && deskJet.isVisible());
    laser.opcion()->button(1)->click();
    QTest::mouseClick(laser.BitBtn2(), Qt::LeftButton);
    QVERIFY(!laser.isVisible());
    QTest::keyClick(&deskJet, Qt::Key_Escape);
    QVERIFY(!deskJet.isVisible());
    laser.show();
    QCOMPARE(laser.opcion()->checkedId(), 1);
}

void PrintDialogsTest::threeCopiesOfTheResultsPageAreThreeJobsAndThreeComputations() {
    TFoppr1 laser;
    TFoppr deskJet;
    JobRecorder recorder;
    laser.canvasFactory = recorder.factory();
    laser.printSetup = acceptWith(3);
    // Each read of the study gives other Normal values, so each copy shows
    // whether the computation ran again for it.
    int reads = 0;
    laser.currentStudy = [&reads] { return std::optional(exampleStudy(10.0 * reads++)); };
    laser.opcion()->button(1)->click();

    QTest::mouseClick(laser.BitBtn1(), Qt::LeftButton);

    QCOMPARE(recorder.jobs.size(), 3u);
    QCOMPARE(reads, 4); // the check for a study, then one read per copy
    for (int c = 0; c < 3; ++c) {
        const RecordingCanvas& job = *recorder.jobs[c];
        QCOMPARE(job.ofKind(CanvasCall::Kind::Begin).size(), 1u);
        QCOMPARE(job.ofKind(CanvasCall::Kind::End).size(), 1u);
        QVERIFY(job.ofKind(CanvasCall::Kind::Abort).empty());
        QVERIFY(job.calls.front().kind == CanvasCall::Kind::Begin);
        QVERIFY(job.calls.back().kind == CanvasCall::Kind::End);
        // Normal 100..102 shifted by 10 per read: means 111, 121, 131.
        const std::string normalMean[] = {"111", "121", "131"};
        QVERIFY2(hasText(job, normalMean[c]), qPrintable(QString::number(c)));
        QVERIFY(hasText(job, "Lista de Medias Aritméticas, Desviación Estándar,"));
    }
    // The last computation stays in this path's own results; the other path's is untouched.
    QCOMPARE(laser.results().mean[1], 131.0);
    // Dunnett's published two-sided 5 % value for two treatments and df 6.
    QCOMPARE(laser.results().criticalT, 2.86);
    QCOMPARE(deskJet.results(), robustez::RobustnessResults{});
    // The dialog keeps the chosen copy count for its next run and stays open.
    QCOMPARE(laser.printer().copyCount(), 3);
    QCOMPARE(laser.printer().pageLayout().orientation(), QPageLayout::Portrait);
}

void PrintDialogsTest::generalPageCopiesUseTheDialogsLayout() {
    TFoppr deskJet;
    JobRecorder recorder;
    deskJet.canvasFactory = recorder.factory();
    deskJet.printSetup = acceptWith(2);
    deskJet.currentStudy = [] { return std::optional(exampleStudy()); };
    deskJet.BitBtn1Click();
    QCOMPARE(recorder.jobs.size(), 2u);
    QCOMPARE(recorder.count(CanvasCall::Kind::End), 2);
    for (const auto& job : recorder.jobs) {
        QVERIFY(hasText(*job, "INFORMACIÓN GENERAL"));
        QVERIFY(hasText(*job, "Velmorana"));
        QVERIFY(hasText(*job, "100"));
    }

    // The DeskJet results page, with its verdicts in upper case.
    deskJet.opcion()->button(1)->click();
    deskJet.printSetup = acceptWith(1);
    deskJet.BitBtn1Click();
    QCOMPARE(recorder.jobs.size(), 3u);
    QVERIFY(hasText(*recorder.jobs[2], "NO TOLERANTE"));
    QVERIFY(hasText(*recorder.jobs[2], "TOLERANTE"));
}

void PrintDialogsTest::cancelledPrintDialogOrNoStudyPrintsNothing() {
    TFoppr1 laser;
    JobRecorder recorder;
    laser.canvasFactory = recorder.factory();
    int runs = 0;
    laser.printSetup = [&runs](QPrinter& printer, QWidget*) {
        ++runs;
        printer.setCopyCount(2);
        return false;
    };
    laser.currentStudy = [] { return std::optional(exampleStudy()); };
    laser.opcion()->button(1)->click();
    laser.BitBtn1Click();
    QCOMPARE(runs, 1);
    QVERIFY(recorder.jobs.empty());
    QCOMPARE(laser.results(), robustez::RobustnessResults{});

    // No study window: neither the print dialog nor a page.
    runs = 0;
    laser.printSetup = acceptWith(1, &runs);
    laser.currentStudy = [] { return std::optional<StudyRecord>(); };
    laser.BitBtn1Click();
    laser.currentStudy = nullptr;
    laser.BitBtn1Click();
    QCOMPARE(runs, 0);
    QVERIFY(recorder.jobs.empty());
}

void PrintDialogsTest::optionsDialogOpensTheChosenSelectionDialog() {
    TFoppr1 laser;
    TFOPRT options;
    TFoppr deskJet;
    options.setSelectionDialogs(&laser, &deskJet);
    QVERIFY(!options.isVisible());
    QCOMPARE(options.windowTitle(), QStringLiteral("Opciones de impresión"));
    QVERIFY(options.isModal());
    QVERIFY(options.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(options.SELECPRTBox()->title(), QStringLiteral("Tamaño de letra:"));
    QCOMPARE(options.SELECPRTBox()->geometry(), QRect(8, 16, 273, 97));
    QCOMPARE(options.SELECPRT()->button(0)->text(), QStringLiteral("Impresora DeskJet "));
    QCOMPARE(options.SELECPRT()->button(1)->text(), QStringLiteral("Impresora Laser Jet"));
    QCOMPARE(options.SELECPRT()->checkedId(), 0);
    QCOMPARE(options.SELECMARBox()->title(), QStringLiteral("Selecciona margen:"));
    QCOMPARE(options.SELECMARBox()->geometry(), QRect(8, 128, 169, 105));
    QCOMPARE(options.SELECMAR()->buttons().size(), 3);
    QCOMPARE(options.SELECMAR()->button(1)->text(), QStringLiteral("1.5 cm"));
    QCOMPARE(options.SELECMAR()->checkedId(), 1);
    QCOMPARE(options.BitBtn1()->geometry(), QRect(192, 168, 97, 25));
    QVERIFY(options.BitBtn1()->isDefault());

    // "Impresora Laser Jet": OK ends the modal run and opens the laser dialog.
    QTimer::singleShot(0, &options, [&] {
        options.SELECPRT()->button(1)->click();
        QTest::mouseClick(options.BitBtn1(), Qt::LeftButton);
    });
    QCOMPARE(options.exec(), int(QDialog::Accepted));
    QVERIFY(!options.isVisible());
    QVERIFY(laser.isVisible());
    QVERIFY(!laser.isModal());
    QVERIFY(!deskJet.isVisible());
    QCOMPARE(laser.opcionBox()->title(), QStringLiteral("Imprimir en Lasser:"));

    // The choice is kept; the DeskJet item opens the DeskJet dialog.
    QTimer::singleShot(0, &options, [&] {
        QCOMPARE(options.SELECPRT()->checkedId(), 1);
        options.SELECPRT()->button(0)->click();
        QTest::keyClick(&options, Qt::Key_Return);
    });
    QCOMPARE(options.exec(), int(QDialog::Accepted));
    QVERIFY(deskJet.isVisible());
    QCOMPARE(deskJet.opcionBox()->title(), QStringLiteral("Imprimir:"));
}

void PrintDialogsTest::marginChoiceChangesNothing() {
    TFoppr1 laser;
    TFOPRT options;
    TFoppr deskJet;
    options.setSelectionDialogs(&laser, &deskJet);
    options.SELECPRT()->button(1)->click();
    JobRecorder recorder;
    laser.canvasFactory = recorder.factory();
    laser.printSetup = acceptWith(1);
    laser.currentStudy = [] { return std::optional(exampleStudy()); };
    for (int page = 0; page < 2; ++page) {
        laser.opcion()->button(page)->click();
        for (int margin = 0; margin < 3; ++margin) {
            options.SELECMAR()->button(margin)->click();
            options.BitBtn1Click();
            laser.BitBtn1Click();
        }
    }
    QCOMPARE(recorder.jobs.size(), 6u);
    for (int margin = 1; margin < 3; ++margin) {
        QVERIFY(recorder.jobs[margin]->calls == recorder.jobs[0]->calls);
        QVERIFY(recorder.jobs[3 + margin]->calls == recorder.jobs[3]->calls);
    }
    QVERIFY(recorder.jobs[0]->calls != recorder.jobs[3]->calls);
}

void PrintDialogsTest::failingPageAbortsItsJobAndStopsTheCopies() {
    TFoppr1 laser;
    JobRecorder recorder;
    laser.canvasFactory = recorder.factory();
    laser.printSetup = acceptWith(3);
    QStringList errors;
    laser.showError = [&errors](const QString& text) { errors << text; };
    StudyRecord broken = exampleStudy();
    broken.replicateCountText = std::string("abc");
    laser.currentStudy = [&broken] { return std::optional(broken); };

    // The general page fails in its grid block, after its job began.
    laser.BitBtn1Click();
    QCOMPARE(errors, QStringList{QStringLiteral("'abc' is not a valid integer value")});
    QCOMPARE(recorder.jobs.size(), 1u);
    QCOMPARE(recorder.count(CanvasCall::Kind::Begin), 1);
    QCOMPARE(recorder.count(CanvasCall::Kind::Abort), 1);
    QCOMPARE(recorder.count(CanvasCall::Kind::End), 0);

    // The results page fails in the computation, before any job begins.
    errors.clear();
    laser.opcion()->button(1)->click();
    laser.BitBtn1Click();
    QCOMPARE(errors, QStringList{QStringLiteral("'abc' is not a valid integer value")});
    QCOMPARE(recorder.jobs.size(), 1u);

    // The standard error box: the application's title and the error's text, once.
    TFoppr plain;
    plain.canvasFactory = recorder.factory();
    plain.printSetup = acceptWith(2);
    plain.currentStudy = laser.currentStudy;
    int boxes = 0;
    QString title;
    QString text;
    std::function<void()> closeBox = [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++boxes;
            title = box->windowTitle();
            text = box->text();
            box->close();
        }
        if (QApplication::activeModalWidget() || boxes == 0)
            QTimer::singleShot(20, closeBox);
    };
    QTimer::singleShot(20, closeBox);
    plain.BitBtn1Click();
    QCOMPARE(boxes, 1);
    QCOMPARE(title, QStringLiteral("Robustez del Método"));
    QCOMPARE(text, QStringLiteral("'abc' is not a valid integer value\nEl número de muestras "
                                  "(replicaciones) no es un número entero: escriba un número del "
                                  "2 al 10 y acéptelo; si el mensaje apareció al abrir un "
                                  "archivo, ese archivo no es un estudio de Robustez (*.w1o)."));
    QCOMPARE(recorder.count(CanvasCall::Kind::Abort), 2);
}

void PrintDialogsTest::realPrintPathWritesThePagesToPdf() {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QStringList errors;

    // Laser general page.
    TFoppr1 laser;
    laser.showError = [&errors](const QString& text) { errors << text; };
    laser.currentStudy = [] { return std::optional(exampleStudy()); };
    const QString general = dir.filePath(QStringLiteral("general.pdf"));
    laser.printSetup = pdfTo(general);
    laser.BitBtn1Click();
    QVERIFY(errors.isEmpty());
    QCOMPARE(pdfPageCount(general), 1);
    auto words = pdfWords(general);
    const Word* control = findWord(words, QStringLiteral("Control"));
    const Word* robustez = findWord(words, QStringLiteral("Robustez"));
    const Word* title = findWord(words, QStringLiteral("Información"));
    QVERIFY(control && robustez && title);
    // Rows lie one sixth of an inch (12 pt) apart: the header at rows 6 and 7.
    QVERIFY(qAbs(robustez->yMin - control->yMin - 12.0) < 0.5);
    // Grid columns are 55 column units apart: 55 * 12 dots at 600 dpi = 79.2 pt.
    const Word* muestra = findWord(words, QStringLiteral("Muestra"));
    const Word* normal = findWord(words, QStringLiteral("Normal"));
    const Word* baja = findWord(words, QStringLiteral("Baja"));
    QVERIFY(muestra && normal && baja);
    QVERIFY(qAbs(normal->xMin - muestra->xMin - 79.2) < 0.5);
    QVERIFY(qAbs(baja->xMin - normal->xMin - 79.2) < 0.5);
    QVERIFY(qAbs(normal->yMin - muestra->yMin) < 0.5);
    // The body starts 45 column units (64.8 pt) right of the printable area's edge.
    const Word* nombre = findWord(words, QStringLiteral("Nombre"));
    QVERIFY(nombre);
    QVERIFY(qAbs(nombre->xMin - muestra->xMin) < 0.5);
    QVERIFY(findWord(words, QStringLiteral("105")));
    QVERIFY(findWord(words, QStringLiteral("ORMIDA")));

    // DeskJet results page: the worked example's verdicts.
    TFoppr deskJet;
    deskJet.showError = laser.showError;
    deskJet.currentStudy = laser.currentStudy;
    deskJet.opcion()->button(1)->click();
    const QString results = dir.filePath(QStringLiteral("resultados.pdf"));
    deskJet.printSetup = pdfTo(results);
    deskJet.BitBtn1Click();
    QVERIFY(errors.isEmpty());
    QCOMPARE(pdfPageCount(results), 1);
    words = pdfWords(results);
    QVERIFY(findWord(words, QStringLiteral("Velmorana")));
    // t = 3 sqrt(1.5) = 3.674235 and -sqrt(1.5) = -1.224745, six digits.
    QVERIFY(findWord(words, localDecimals("3.67423")));
    QVERIFY(findWord(words, localDecimals("-1.22474")));
    const Word* no = findWord(words, QStringLiteral("NO"));
    QVERIFY(no);
    // "NO TOLERANTE" stands on the Alta row, the plain "TOLERANTE" on the Baja row above.
    const Word* firstVerdict = findWord(words, QStringLiteral("TOLERANTE"));
    QVERIFY(firstVerdict && firstVerdict->yMin < no->yMin);

    // ROBUSTEZ_KEEP_PDF=<folder> keeps the four pages of both layouts for a look.
    if (const QString keep = qEnvironmentVariable("ROBUSTEZ_KEEP_PDF"); !keep.isEmpty()) {
        for (PrintSelectionDialog* dialog : {static_cast<PrintSelectionDialog*>(&laser),
                                             static_cast<PrintSelectionDialog*>(&deskJet)})
            for (int page = 0; page < 2; ++page) {
                dialog->opcion()->button(page)->click();
                dialog->printSetup = pdfTo(QDir(keep).filePath(
                    QStringLiteral("%1-%2.pdf").arg(dialog->objectName()).arg(page)));
                dialog->BitBtn1Click();
            }
    }

    // A page that fails leaves no PDF behind.
    StudyRecord broken = exampleStudy();
    broken.replicateCountText = std::string("abc");
    laser.currentStudy = [&broken] { return std::optional(broken); };
    const QString failed = dir.filePath(QStringLiteral("fallida.pdf"));
    laser.printSetup = pdfTo(failed);
    laser.BitBtn1Click();
    QCOMPARE(errors.size(), 1);
    QVERIFY(!QFile::exists(failed));
}

void PrintDialogsTest::copiesToAFileArePagesOfOneFile() {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    QTemporaryDir dir;
    QStringList errors;
    TFoppr1 laser;
    laser.showError = [&errors](const QString& text) { errors << text; };
    laser.currentStudy = [] { return std::optional(exampleStudy()); };
    const QString titles[] = {QStringLiteral("Información General"),
                              QStringLiteral("t de Dunnett Calculada")};
    for (int page = 0; page < 2; ++page) {
        laser.opcion()->button(page)->click();
        const QString one = dir.filePath(QStringLiteral("one%1.pdf").arg(page));
        const QString three = dir.filePath(QStringLiteral("three%1.pdf").arg(page));
        laser.printSetup = pdfTo(one);
        laser.BitBtn1Click();
        laser.printSetup = pdfTo(three, 3);
        laser.BitBtn1Click();
        const QStringList single = pdfPageTexts(one);
        QCOMPARE(single.size(), 1);
        QVERIFY(single[0].contains(titles[page]));
        // Each of the three pages is the single copy's page, as laid out.
        QCOMPARE(pdfPageCount(three), 3);
        QCOMPARE(pdfPageTexts(three), QStringList(3, single[0]));
    }
    QVERIFY(errors.isEmpty());

    // The second copy's computation fails: no file, one error.
    StudyRecord broken = exampleStudy();
    broken.replicateCountText = std::string("abc");
    int reads = 0;
    laser.currentStudy = [&] { return std::optional(reads++ < 2 ? exampleStudy() : broken); };
    const QString failed = dir.filePath(QStringLiteral("fallida.pdf"));
    laser.printSetup = pdfTo(failed, 3);
    laser.BitBtn1Click();
    QCOMPARE(errors, QStringList{QStringLiteral("'abc' is not a valid integer value")});
    QVERIFY(!QFile::exists(failed));
}

QTEST_MAIN(PrintDialogsTest)
#include "print_dialogs_test.moc"
