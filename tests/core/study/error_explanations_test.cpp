#include "core/study/error_explanations.h"

#include "core/platform/scratch_folder.h"
#include "core/stats/robustness.h"
#include "core/study/conversions.h"
#include "core/study/errors.h"
#include "core/study/study_file.h"
#include "core/study/study_fixtures.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace robustez {
namespace {

using testing::studyWithValues;

std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const RobustezError& error) {
        return error.what();
    }
    return "(no error)";
}

void compute(const StudyRecord& study) {
    RobustnessResults results;
    computeRobustness(study, ".", results);
}

TEST(ErrorExplanations, MessagesTheCoreRaisesGetTheirLine) {
    // Each message is raised by the code that shows it to the user; the
    // explanation must name what happened.
    struct Case {
        const char* what;
        std::string message;
        const char* words; // in the explanation line
    };
    const Case cases[] = {
        {"every level constant", messageOf([] {
             compute(studyWithValues({"", "", ""}, {{{"5", "5"}, {"7", "7"}, {"9", "9"}}}));
         }),
         "Todos los valores de cada nivel son iguales"},
        {"a level mean of zero", messageOf([] {
             compute(studyWithValues({"", "", ""}, {{{"-1", "1"}, {"7", "8"}, {"9", "10"}}}));
         }),
         "La media de un nivel"},
        {"an empty value", messageOf([] {
             compute(studyWithValues({"", "", ""}, {{{"1", ""}, {"7", "8"}, {"9", "10"}}}));
         }),
         "Falta un valor"},
        {"a value that is not a number", messageOf([] { toDecimal("100.10", ","); }),
         "no es un número escrito con el separador decimal"},
        {"an empty count", messageOf([] { decodeStudy(""); }), "Falta el número de muestras"},
        {"a count that is not a number", messageOf([] { toInteger("tres"); }),
         "no es un número entero"},
        {"a count outside 2 to 10", messageOf([] { decodeStudy("M\r\nA\r\nD\r\n11\r\n"); }),
         "no está entre 2 y 10"},
        {"a missing file", messageOf([] { loadStudyFile("/no/such/folder/robustez-missing.w1o"); }),
         "El archivo no existe"},
        {"overflow", std::string(kOverflow), "demasiado grande"},
        {"a read error", "I/O error 21: Is a directory", "no pudo leer o escribir"},
        {"no permission", "I/O error 13: Permission denied", "No tiene permiso"},
        {"a full disk", "I/O error 28: No space left on device", "El disco está lleno"},
        {"a page not written", "No se pudo escribir /tmp/x.pdf", "tiene permiso para escribir"},
        {"a printer that fails", "No se puede comenzar la impresión", "La impresora"},
    };
    for (const Case& c : cases) {
        const std::string shown = explainedMessage(c.message);
        const std::size_t lineEnd = shown.find('\n');
        ASSERT_NE(lineEnd, std::string::npos) << c.what << ": " << c.message;
        EXPECT_EQ(shown.substr(0, lineEnd), c.message) << c.what;
        const std::string line = shown.substr(lineEnd + 1);
        EXPECT_NE(line.find(c.words), std::string::npos) << c.what << ": " << line;
        EXPECT_EQ(line.find('\n'), std::string::npos) << c.what; // one line
    }
    // Unknown messages are unchanged.
    for (const char* message : {"", "Algo inesperado", "I/O error", "'abc' no es válido",
                                "Invalid floating point operation!"}) {
        EXPECT_EQ(explainedMessage(message), message);
        EXPECT_TRUE(explanationOf(message).empty()) << message;
    }
}

TEST(ErrorExplanations, EveryPatternIsReachedAndMatchesWhole) {
    // A pattern shadowed by an earlier, more general one would never explain
    // its messages: each pattern, with its '*' filled, gets its own line.
    for (const ErrorExplanation& entry : errorExplanations()) {
        std::string example(entry.pattern);
        for (std::size_t star = example.find('*'); star != std::string::npos;
             star = example.find('*')) {
            example.replace(star, 1, "x7");
        }
        EXPECT_EQ(explanationOf(example), entry.explanation) << entry.pattern;
        EXPECT_FALSE(entry.explanation.empty()) << entry.pattern;
    }
    struct Case {
        const char* text;
        const char* pattern;
        bool matches;
    };
    const Case cases[] = {
        {"abc", "abc", true},
        {"abc", "ab", false},
        {"ab", "abc", false},
        {"", "", true},
        {"", "*", true},
        {"'' is", "'*' is", true},
        {"'a' is 'b' is", "'*' is", true},
        {"x'a' is", "'*' is", false},
        {"I/O error 5: x", "I/O error *: x", true},
        {"I/O error 5: xy", "I/O error *: x", false},
        {"aXbXc", "a*b*c", true},
        {"aXbX", "a*b*c", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(matchesMessagePattern(c.text, c.pattern), c.matches)
            << c.text << " ~ " << c.pattern;
    }
}

} // namespace
} // namespace robustez
