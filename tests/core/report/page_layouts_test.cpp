#include "core/report/page_layouts.h"
#include "core/study/study_fixtures.h"

#include "core/study/errors.h"
#include "recording_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace robustez {
namespace {

using test::CanvasCall;
using test::RecordingCanvas;
using test::textCall;
using Kind = CanvasCall::Kind;

const std::string kRealizo = "Realizó:" + std::string(26, '_') + " ";
const std::string kReviso = "Revisó:" + std::string(26, '_') + " ";

// The worked example: n = 3, Normal 100 101 102, Baja 99 100 101, Alta 103
// 104 105, settings 25, 20 and 30.
StudyRecord workedExample() {
    StudyRecord study = robustez::testing::workedExampleGrid({"25", "20", "30"});
    study.methodName = "Valoración de ácido";
    study.analystName = "Mª José";
    study.dateText = "12/03/1999";
    study.conditionName = "Temperatura";
    return study;
}

// Its results, as the computation gives them.
RobustnessResults workedResults() {
    RobustnessResults r;
    r.mean = {0, 101, 100, 104};
    r.tValue = {0, 0, -1 / std::sqrt(2.0 / 3.0), 3 / std::sqrt(2.0 / 3.0)};
    r.absDiff = {0, 0, 1, 3};
    r.criticalT = 2.86;
    r.grandMean = 305.0 / 3.0;
    r.sdNormal = r.sdBaja = r.sdAlta = 1;
    r.cvNormal = 100.0 / 101.0;
    r.cvBaja = 1;
    r.cvAlta = 100.0 / 104.0;
    r.sdTotal = 2;
    r.cvTotal = 2 / (305.0 / 3.0) * 100;
    return r;
}

RecordingCanvas canvasAt(int dpi, int width) {
    RecordingCanvas canvas;
    canvas.resolutionX = dpi;
    canvas.resolutionY = dpi;
    canvas.width = width;
    return canvas;
}

int centred(int width, std::string_view text) {
    return (width - 10 * RecordingCanvas::codePoints(text)) / 2;
}

CanvasCall fontCall(int size) {
    return test::fontCall("ARIAL", size);
}

CanvasCall lineCall(int y, int width) {
    return test::lineCall(0, y, width, y);
}

const CanvasCall kBegin = test::kindCall(Kind::Begin);
const CanvasCall kEnd = test::kindCall(Kind::End);

const CanvasCall* findText(const std::vector<CanvasCall>& calls, std::string_view text) {
    for (const CanvasCall& call : calls) {
        if (call.kind == Kind::Text && call.text == text) {
            return &call;
        }
    }
    return nullptr;
}

void expectCalls(const std::vector<CanvasCall>& actual, const std::vector<CanvasCall>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i], expected[i])
            << "call " << i << ": got (" << actual[i].x << ", " << actual[i].y << ") \""
            << actual[i].text << "\", expected (" << expected[i].x << ", " << expected[i].y
            << ") \"" << expected[i].text << "\"";
    }
}

TEST(LaserPages, ResultsPageAt600DpiTextByText) {
    RecordingCanvas canvas = canvasAt(600, 4800);
    printResultsPage(canvas, PrintLayout::Laser, workedExample(), workedResults(), ".");

    const std::string t1 = "Lista de Medias Aritméticas, Desviación Estándar,";
    const std::string t2 = "Coeficiente de Variación y t de Dunnett Calculadas";
    const std::vector<CanvasCall> expected = {
        kBegin,
        fontCall(12),
        textCall(2310, 600, "Control de Calidad"),
        textCall(2305, 700, "Robustez del Método"),
        lineCall(820, 4800),
        fontCall(10),
        textCall(centred(4800, t1), 1400, t1),
        textCall(centred(4800, t2), 1500, t2),
        textCall(540, 2000, "Muestra"),
        textCall(1080, 2000, "Media Aritmética"),
        textCall(1860, 2000, "Desv. Estándar"),
        textCall(2760, 2000, "Coef. de Variación"),
        textCall(540, 2100, "Normal"),
        textCall(1080, 2100, "101"),
        textCall(1980, 2100, "1"),
        textCall(2880, 2100, "0.990099"),
        textCall(540, 2200, "Baja"),
        textCall(1080, 2200, "100"),
        textCall(1980, 2200, "1"),
        textCall(2880, 2200, "1"),
        textCall(540, 2300, "Alta"),
        textCall(1080, 2300, "104"),
        textCall(1980, 2300, "1"),
        textCall(2880, 2300, "0.961538"),
        textCall(540, 2500, "Total"),
        textCall(1080, 2500, "101.667"),
        textCall(1980, 2500, "2"),
        textCall(2880, 2500, "1.96721"),
        textCall(540, 2800, "Condiciones de Operación"),
        textCall(1740, 2800, "t de Dunnett Calculada"),
        textCall(2760, 2800, "Interpretación"),
        textCall(540, 2900, "Normal"),
        textCall(1080, 2900, "25"),
        textCall(540, 3000, "Baja"),
        textCall(1080, 3000, "20"),
        textCall(1980, 3000, "-1.22474"),
        textCall(2760, 3000, "Tolerante"),
        textCall(540, 3100, "Alta"),
        textCall(1080, 3100, "30"),
        textCall(1980, 3100, "3.67423"),
        textCall(2760, 3100, "No Tolerante"),
        textCall(540, 3400, "Diferencia Absoluta"),
        textCall(576, 3500, "D1 = 1"),
        textCall(576, 3600, "D2 = 3"),
        textCall(540, 4500, "Nombre del método: Valoración de ácido"),
        textCall(540, 4600, "Nombre del Analista: Mª José"),
        textCall(540, 4700, "Número de Muestras (Replicaciones): 3"),
        textCall(540, 4800, "Condiciones de Operación :Temperatura"),
        textCall(540, 4900, "Fecha: 12/03/1999"),
        textCall(540, 5600, kRealizo),
        textCall(2700, 5600, kReviso),
        textCall(4650, 5800, "ORMIDA v. w 3.1"),
        lineCall(5900, 4800),
        kEnd,
    };
    expectCalls(canvas.calls, expected);
}

TEST(LaserPages, GeneralPageAt600DpiTextByText) {
    RecordingCanvas canvas = canvasAt(600, 4800);
    printGeneralPage(canvas, PrintLayout::Laser, workedExample());

    std::vector<CanvasCall> expected = {
        kBegin,
        fontCall(12),
        textCall(2310, 600, "Control de Calidad"),
        textCall(2305, 700, "Robustez del Método"),
        lineCall(820, 4800),
        fontCall(10),
        textCall(centred(4800, "Información General"), 1400, "Información General"),
        textCall(540, 1600, "Nombre del método: Valoración de ácido"),
        textCall(540, 1700, "Nombre del Analista: Mª José"),
        textCall(540, 1800, "Fecha: 12/03/1999"),
        textCall(540, 2000, "Número de Muestras (Replicaciones):"),
        textCall(540, 2100, "3"),
        textCall(540, 2200, "Condiciones de Operación :"),
        textCall(540, 2300, "Temperatura"),
    };
    const std::vector<std::vector<std::string>> grid = {
        {"Muestra", "", "1", "2", "3"},
        {"Normal", "25", "100", "101", "102"},
        {"Baja", "20", "99", "100", "101"},
        {"Alta", "30", "103", "104", "105"},
    };
    const int gridX[] = {540, 1200, 1860, 2520}; // 45, 100, 155, 210 C
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 5; ++row) {
            expected.push_back(textCall(gridX[column], 2700 + 100 * row, grid[column][row]));
        }
    }
    expected.push_back(textCall(540, 5600, kRealizo));
    expected.push_back(textCall(2700, 5600, kReviso));
    expected.push_back(textCall(4650, 5800, "ORMIDA v. w 3.1"));
    expected.push_back(lineCall(5900, 4800));
    expected.push_back(kEnd);
    expectCalls(canvas.calls, expected);

    // No number is formatted on this page: nothing but the study's own texts.
    EXPECT_EQ(findText(canvas.calls, "101.667"), nullptr);
}

TEST(DeskJetPages, ResultsPageAt300DpiTextByText) {
    RecordingCanvas canvas = canvasAt(300, 2400);
    printResultsPage(canvas, PrintLayout::DeskJet, workedExample(), workedResults(), ".");

    const std::string t0 = "TOLERANCIA A CONDICIONES DE OPERACIÓN";
    const std::string t1 = "LISTA DE MEDIAS ARITMÉTICAS, DESVIACIÓN ESTÁNDAR,";
    const std::string t2 = "COEFICIENTE DE VARIACIÓN Y t DUNNETT CALCULADAS";
    const std::vector<CanvasCall> expected = {
        kBegin,
        fontCall(12),
        textCall(1155, 250, "Velmorana"),
        textCall(1110, 300, "Control de Calidad"),
        textCall(1105, 350, "ROBUSTEZ DEL MÉTODO"),
        lineCall(420, 2400),
        fontCall(11),
        textCall(centred(2400, t0), 450, t0),
        textCall(centred(2400, t1), 550, t1),
        textCall(centred(2400, t2), 600, t2),
        textCall(24, 800, "MUESTRA"),
        textCall(300, 800, "MEDIA ARITMÉTICA"),
        textCall(780, 800, "DESV. ESTÁNDAR"),
        textCall(1272, 800, "COEF. DE VARIACIÓN"),
        textCall(24, 850, "Normal"),
        textCall(360, 850, "101"),
        textCall(840, 850, "1"),
        textCall(1332, 850, "0.990099"),
        textCall(24, 900, "Baja"),
        textCall(360, 900, "100"),
        textCall(840, 900, "1"),
        textCall(1332, 900, "1"),
        textCall(24, 950, "Alta"),
        textCall(360, 950, "104"),
        textCall(840, 950, "1"),
        textCall(1332, 950, "0.961538"),
        textCall(24, 1050, "Total"),
        textCall(360, 1050, "101.667"),
        textCall(840, 1050, "2"),
        textCall(1332, 1050, "1.96721"),
        textCall(24, 1200, "CONDICIONES DE OPERACIÓN"),
        textCall(780, 1200, "t DE DUNNETT CALCULADA"),
        textCall(1500, 1200, "INTERPRETACIÓN"),
        textCall(24, 1250, "Normal"),
        textCall(300, 1250, "25"),
        textCall(24, 1300, "Baja"),
        textCall(336, 1300, "20"),
        textCall(816, 1300, "-1.22474"),
        textCall(1500, 1300, "TOLERANTE"),
        textCall(24, 1350, "Alta"),
        textCall(336, 1350, "30"),
        textCall(816, 1350, "3.67423"),
        textCall(1500, 1350, "NO TOLERANTE"),
        textCall(120, 1500, "DIFERENCIA ABSOLUTA"),
        textCall(180, 1550, "D1 = 1"),
        textCall(180, 1600, "D2 = 3"),
        textCall(24, 1700, "Nombre del método: Valoración de ácido"),
        textCall(24, 1750, "Nombre del Analista: Mª José"),
        textCall(24, 1800, "Fecha: 12/03/1999"),
        textCall(2250, 2450, "ORMIDA v. w 3.1"),
        lineCall(2500, 2400),
        kEnd,
    };
    expectCalls(canvas.calls, expected);

    // Neither the count, nor the condition name, nor signatures.
    for (const CanvasCall& call : canvas.texts()) {
        EXPECT_EQ(call.text.find("Muestras"), std::string::npos) << call.text;
        EXPECT_EQ(call.text.find("Temperatura"), std::string::npos) << call.text;
        EXPECT_EQ(call.text.find("Realiz"), std::string::npos) << call.text;
    }
}

TEST(DeskJetPages, GeneralPageAt300DpiTextByText) {
    RecordingCanvas canvas = canvasAt(300, 2400);
    printGeneralPage(canvas, PrintLayout::DeskJet, workedExample());

    const std::string t0 = "TOLERANCIA A CONDICIONES DE OPERACIÓN";
    std::vector<CanvasCall> expected = {
        kBegin,
        fontCall(12),
        textCall(1155, 250, "Velmorana"),
        textCall(1110, 300, "Control de Calidad"),
        textCall(1105, 350, "ROBUSTEZ DEL MÉTODO"),
        lineCall(420, 2400),
        fontCall(11),
        textCall(centred(2400, t0), 450, t0),
        textCall(centred(2400, "INFORMACIÓN GENERAL"), 500, "INFORMACIÓN GENERAL"),
        textCall(24, 600, "Nombre del método: Valoración de ácido"),
        textCall(24, 650, "Nombre del Analista: Mª José"),
        textCall(24, 700, "Fecha: 12/03/1999"),
        textCall(24, 900, "Número de Muestras (Replicaciones):"),
        textCall(24, 950, "3"),
    };
    const std::vector<std::vector<std::string>> grid = {
        {"Muestra", "", "1", "2", "3"},
        {"Normal", "25", "100", "101", "102"},
        {"Baja", "20", "99", "100", "101"},
        {"Alta", "30", "103", "104", "105"},
    };
    const int gridX[] = {24, 444, 864, 1284}; // 2, 37, 72, 107 C
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 5; ++row) {
            expected.push_back(textCall(gridX[column], 1150 + 50 * row, grid[column][row]));
        }
    }
    // Footer and line 4 and 5 rows below the grid's last row (rows 31, 32).
    expected.push_back(textCall(2250, 1550, "ORMIDA v. w 3.1"));
    expected.push_back(lineCall(1600, 2400));
    expected.push_back(kEnd);
    expectCalls(canvas.calls, expected);
}

TEST(LaserPages, RowsAndColumnsAcrossResolutions) {
    struct Case {
        int dpi;
        int lineUnit;
        int col45;
        int col48;
        int col240;
        int col165;
    };
    // L = round(12 * dpi / 72); k C = k * 12 * dpi / 600, truncated once at
    // the end (165 C at 96 dpi: 316.8 -> 316, not 165 * 1).
    const Case cases[] = {
        {600, 100, 540, 576, 2880, 1980},    {300, 50, 270, 288, 1440, 990},
        {1200, 200, 1080, 1152, 5760, 3960}, {96, 16, 86, 92, 460, 316},
        {100, 17, 90, 96, 480, 330},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        RecordingCanvas canvas = canvasAt(c.dpi, 20000);
        printResultsPage(canvas, PrintLayout::Laser, workedExample(), workedResults(), ".");
        const int L = c.lineUnit;
        ASSERT_EQ(canvas.lines().size(), 2u);
        EXPECT_EQ(canvas.lines()[0], lineCall(8 * L + 20, 20000));
        EXPECT_EQ(canvas.lines()[1], lineCall(59 * L, 20000));

        const CanvasCall* muestra = findText(canvas.calls, "Muestra");
        ASSERT_NE(muestra, nullptr);
        EXPECT_EQ(muestra->x, c.col45);
        EXPECT_EQ(muestra->y, 20 * L);
        const CanvasCall* d1 = findText(canvas.calls, "D1 = 1");
        ASSERT_NE(d1, nullptr);
        EXPECT_EQ(d1->x, c.col48);
        EXPECT_EQ(d1->y, 35 * L);
        const CanvasCall* cv = findText(canvas.calls, "0.961538");
        ASSERT_NE(cv, nullptr);
        EXPECT_EQ(cv->x, c.col240);
        EXPECT_EQ(cv->y, 23 * L);
        const CanvasCall* sd = findText(canvas.calls, "2");
        ASSERT_NE(sd, nullptr);
        EXPECT_EQ(sd->x, c.col165);
        const CanvasCall* signature = findText(canvas.calls, kReviso);
        ASSERT_NE(signature, nullptr);
        EXPECT_EQ(signature->y, 56 * L);
    }
}

TEST(DeskJetPages, RowsAndColumnsAcrossResolutions) {
    struct Case {
        int dpi;
        int lineUnit;
        int col2;
        int col125;
    };
    const Case cases[] = {
        {300, 50, 24, 1500},
        {600, 100, 48, 3000},
        {1200, 200, 96, 6000},
        {96, 16, 7, 480},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        RecordingCanvas canvas = canvasAt(c.dpi, 20000);
        printResultsPage(canvas, PrintLayout::DeskJet, workedExample(), workedResults(), ".");
        const int L = c.lineUnit;
        ASSERT_EQ(canvas.lines().size(), 2u);
        EXPECT_EQ(canvas.lines()[0].y, 8 * L + 20);
        EXPECT_EQ(canvas.lines()[1].y, 50 * L);
        const CanvasCall* muestra = findText(canvas.calls, "MUESTRA");
        ASSERT_NE(muestra, nullptr);
        EXPECT_EQ(muestra->x, c.col2);
        EXPECT_EQ(muestra->y, 16 * L);
        const CanvasCall* verdict = findText(canvas.calls, "NO TOLERANTE");
        ASSERT_NE(verdict, nullptr);
        EXPECT_EQ(verdict->x, c.col125);
        EXPECT_EQ(verdict->y, 27 * L);
        const CanvasCall* footer = findText(canvas.calls, "ORMIDA v. w 3.1");
        ASSERT_NE(footer, nullptr);
        EXPECT_EQ(footer->y, 49 * L);
        EXPECT_EQ(footer->x, 20000 - 150);

        // Settings: Normal at 25 C, Baja and Alta at 28 C.
        const CanvasCall* normalSetting = findText(canvas.calls, "25");
        const CanvasCall* bajaSetting = findText(canvas.calls, "20");
        ASSERT_NE(normalSetting, nullptr);
        ASSERT_NE(bajaSetting, nullptr);
        EXPECT_EQ(normalSetting->x, 25 * 12 * c.dpi / 300);
        EXPECT_EQ(bajaSetting->x, 28 * 12 * c.dpi / 300);
    }
}

TEST(LaserPages, EdgeRowsAt600Dpi) {
    RecordingCanvas canvas = canvasAt(600, 4800);
    printGeneralPage(canvas, PrintLayout::Laser, workedExample());
    EXPECT_EQ(canvas.lines()[0].y, 820);
    EXPECT_EQ(findText(canvas.calls, "Información General")->y, 1400);
    EXPECT_EQ(findText(canvas.calls, kRealizo)->y, 5600);
    EXPECT_EQ(findText(canvas.calls, kReviso)->y, 5600);
}

TEST(LaserPages, GridFollowsTheCountTextNotTheGridSize) {
    // n = 10: rows 0..11 of each column at rows 27..38; 38 is the last.
    StudyRecord study = newStudyRecord();
    study.replicateCountText = "10";
    sizeGridForCount(study.grid, 10);
    study.grid.setCell(3, 11, "último");
    RecordingCanvas canvas = canvasAt(600, 4800);
    printGeneralPage(canvas, PrintLayout::Laser, study);
    int gridTexts = 0;
    int lowest = 0;
    for (const CanvasCall& call : canvas.texts()) {
        if (call.y >= 2700 && call.y < 5600) {
            ++gridTexts;
            lowest = std::max(lowest, call.y);
        }
    }
    EXPECT_EQ(gridTexts, 4 * 12);
    EXPECT_EQ(lowest, 3800);
    const CanvasCall* last = findText(canvas.calls, "último");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->x, 2520);
    EXPECT_EQ(last->y, 3800);
    EXPECT_EQ(findText(canvas.calls, "10")->x, 540); // sample number and count both at 45 C

    // A count raised after the grid was sized: rows past the grid print the
    // text they last held (empty when never written); rows beyond n + 1 are
    // not printed.
    StudyRecord shrunk = newStudyRecord();
    sizeGridForCount(shrunk.grid, 6);
    shrunk.grid.setCell(1, 6, "kept");
    shrunk.grid.setCell(1, 7, "beyond");
    sizeGridForCount(shrunk.grid, 3);
    shrunk.replicateCountText = "5";
    RecordingCanvas second = canvasAt(600, 4800);
    printGeneralPage(second, PrintLayout::Laser, shrunk);
    const CanvasCall* kept = findText(second.calls, "kept");
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->y, 3300);
    EXPECT_EQ(findText(second.calls, "beyond"), nullptr);
    int normalColumn = 0;
    for (const CanvasCall& call : second.texts()) {
        normalColumn += call.x == 1200 ? 1 : 0;
    }
    EXPECT_EQ(normalColumn, 7); // rows 0..6
}

TEST(DeskJetPages, GeneralFooterFollowsTheGrid) {
    for (int n : {3, 10}) {
        SCOPED_TRACE(n);
        StudyRecord study = newStudyRecord();
        study.replicateCountText = std::to_string(n);
        sizeGridForCount(study.grid, n);
        RecordingCanvas canvas = canvasAt(300, 2400);
        printGeneralPage(canvas, PrintLayout::DeskJet, study);
        EXPECT_EQ(findText(canvas.calls, "ORMIDA v. w 3.1")->y, (n + 28) * 50);
        ASSERT_EQ(canvas.lines().size(), 2u);
        EXPECT_EQ(canvas.lines()[1], lineCall((n + 29) * 50, 2400));
        EXPECT_EQ(canvas.texts().back().y, (n + 28) * 50);
        // Last grid row: 23 + n + 1.
        int lowestGrid = 0;
        for (const CanvasCall& call : canvas.texts()) {
            if (call.x == 1284) {
                lowestGrid = std::max(lowestGrid, call.y);
            }
        }
        EXPECT_EQ(lowestGrid, (24 + n) * 50);
        // Neither the condition name nor signature lines.
        EXPECT_EQ(findText(canvas.calls, "Condiciones de Operación :"), nullptr);
        EXPECT_EQ(findText(canvas.calls, kRealizo), nullptr);
    }
}

TEST(Pages, VerdictAtEqualityIsNotTolerant) {
    RobustnessResults r = workedResults();
    r.criticalT = 2.5;
    r.tValue[2] = 2.5;           // equal: not tolerant
    r.tValue[3] = -2.4999999999; // below in absolute value: tolerant
    RecordingCanvas laser = canvasAt(600, 4800);
    printResultsPage(laser, PrintLayout::Laser, workedExample(), r, ".");
    EXPECT_EQ(laser.textsAtY(3000).back().text, "No Tolerante");
    EXPECT_EQ(laser.textsAtY(3100).back().text, "Tolerante");

    r.tValue[3] = -2.5; // a negative t is judged by its absolute value
    RecordingCanvas deskJet = canvasAt(300, 2400);
    printResultsPage(deskJet, PrintLayout::DeskJet, workedExample(), r, ".");
    EXPECT_EQ(deskJet.textsAtY(1300).back().text, "NO TOLERANTE");
    EXPECT_EQ(deskJet.textsAtY(1350).back().text, "NO TOLERANTE");
    EXPECT_EQ(deskJet.textsAtY(1350)[2].text, "-2.5");
    // Normal gets no verdict.
    EXPECT_EQ(deskJet.textsAtY(1250).size(), 2u);
}

TEST(Pages, FailingCountAbortsTheDocument) {
    for (PrintLayout layout : {PrintLayout::Laser, PrintLayout::DeskJet}) {
        StudyRecord study = workedExample();
        study.replicateCountText = "x";
        RecordingCanvas canvas = canvasAt(600, 4800);
        try {
            printGeneralPage(canvas, layout, study);
            ADD_FAILURE() << "no error";
        } catch (const ConversionError& error) {
            EXPECT_STREQ(error.what(), "'x' is not a valid integer value");
        }
        ASSERT_FALSE(canvas.calls.empty());
        EXPECT_EQ(canvas.calls.front().kind, Kind::Begin);
        EXPECT_EQ(canvas.calls.back().kind, Kind::Abort);
        EXPECT_TRUE(canvas.ofKind(Kind::End).empty());
        // The page was drawn up to the grid block, then dropped.
        EXPECT_NE(findText(canvas.calls, "x"), nullptr);
        EXPECT_EQ(findText(canvas.calls, "Muestra"), nullptr);
        EXPECT_EQ(findText(canvas.calls, "ORMIDA v. w 3.1"), nullptr);
    }

    // The results page prints the count as typed and needs no conversion.
    StudyRecord study = workedExample();
    study.replicateCountText = "x";
    RecordingCanvas canvas = canvasAt(600, 4800);
    printResultsPage(canvas, PrintLayout::Laser, study, workedResults(), ".");
    EXPECT_EQ(canvas.calls.back().kind, Kind::End);
    EXPECT_NE(findText(canvas.calls, "Número de Muestras (Replicaciones): x"), nullptr);
}

TEST(Pages, CentringAndRightAlignment) {
    // (W - width) / 2 truncates toward zero, also when the text is wider
    // than the page.
    RecordingCanvas odd = canvasAt(600, 4801);
    printGeneralPage(odd, PrintLayout::Laser, workedExample());
    EXPECT_EQ(findText(odd.calls, "Control de Calidad")->x, 2310); // 4621 / 2
    EXPECT_EQ(findText(odd.calls, "ORMIDA v. w 3.1")->x, 4801 - 150);

    RecordingCanvas narrow = canvasAt(600, 101);
    printGeneralPage(narrow, PrintLayout::Laser, workedExample());
    EXPECT_EQ(findText(narrow.calls, "Control de Calidad")->x, -39); // -79 / 2
    EXPECT_EQ(findText(narrow.calls, "ORMIDA v. w 3.1")->x, 101 - 150);
    EXPECT_EQ(narrow.lines()[0], lineCall(820, 101));
}

TEST(Pages, FontsAndEmptyFields) {
    StudyRecord study = newStudyRecord();
    sizeGridForCount(study.grid, 3);
    RecordingCanvas laser = canvasAt(600, 4800);
    printGeneralPage(laser, PrintLayout::Laser, study);
    const std::vector<CanvasCall> fonts = laser.ofKind(Kind::Font);
    ASSERT_EQ(fonts.size(), 2u);
    EXPECT_EQ(fonts[0], fontCall(12));
    EXPECT_EQ(fonts[1], fontCall(10));
    // Empty fields print their labels alone.
    EXPECT_NE(findText(laser.calls, "Nombre del método: "), nullptr);
    EXPECT_NE(findText(laser.calls, "Fecha: "), nullptr);

    RecordingCanvas deskJet = canvasAt(300, 2400);
    printResultsPage(deskJet, PrintLayout::DeskJet, study, RobustnessResults{}, ".");
    const std::vector<CanvasCall> deskJetFonts = deskJet.ofKind(Kind::Font);
    ASSERT_EQ(deskJetFonts.size(), 2u);
    EXPECT_EQ(deskJetFonts[1], fontCall(11));
    EXPECT_NE(findText(deskJet.calls, "Nombre del Analista: "), nullptr);
    EXPECT_NE(findText(deskJet.calls, "D1 = 0"), nullptr);
}

TEST(Pages, DecimalSeparatorOfTheCaller) {
    RecordingCanvas canvas = canvasAt(600, 4800);
    printResultsPage(canvas, PrintLayout::Laser, workedExample(), workedResults(), ",");
    EXPECT_NE(findText(canvas.calls, "-1,22474"), nullptr);
    EXPECT_NE(findText(canvas.calls, "101,667"), nullptr);
    EXPECT_NE(findText(canvas.calls, "0,990099"), nullptr);
    EXPECT_EQ(findText(canvas.calls, "-1.22474"), nullptr);
}

} // namespace
} // namespace robustez
