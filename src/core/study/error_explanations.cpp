#include "core/study/error_explanations.h"

#include <array>

namespace robustez {

namespace {

constexpr std::string_view kNotWritten = "Compruebe que la carpeta existe, que tiene permiso "
                                         "para escribir en ella y que el disco tiene espacio "
                                         "libre.";
constexpr std::string_view kPrinterRefused = "La impresora no aceptó el trabajo: compruebe que "
                                             "está encendida, conectada y con papel, o elija "
                                             "otra impresora.";

constexpr std::array kExplanations = {
    ErrorExplanation{"'' is not a valid floating point value",
                     "Falta un valor del estudio (una celda de valores está vacía): capture "
                     "todos los valores de cada nivel antes de calcular."},
    ErrorExplanation{"'*' is not a valid floating point value",
                     "Un valor del estudio no es un número escrito con el separador decimal del "
                     "sistema: corrija ese valor (cifras, un solo separador decimal, sin letras "
                     "ni espacios intermedios)."},
    ErrorExplanation{"'' is not a valid integer value",
                     "Falta el número de muestras (replicaciones): escriba un número del 2 al 10 "
                     "y acéptelo; si el mensaje apareció al abrir un archivo, ese archivo no es "
                     "un estudio de Robustez (*.w1o)."},
    ErrorExplanation{"'*' is not a valid integer value",
                     "El número de muestras (replicaciones) no es un número entero: escriba un "
                     "número del 2 al 10 y acéptelo; si el mensaje apareció al abrir un archivo, "
                     "ese archivo no es un estudio de Robustez (*.w1o)."},
    ErrorExplanation{"Invalid floating point operation",
                     "Todos los valores de cada nivel son iguales (no hay variabilidad para "
                     "calcular la t de Dunnett) o los de un nivel son todos cero (no hay "
                     "coeficiente de variación): revise los valores del estudio."},
    ErrorExplanation{"Floating point division by zero",
                     "La media de un nivel, o la de todos los valores, es cero: el coeficiente de "
                     "variación no se puede calcular. Revise los valores del estudio."},
    ErrorExplanation{"Floating point overflow",
                     "Algún valor es demasiado grande para el cálculo (revise sobre todo los "
                     "exponentes, como 1E300): corrija los valores del estudio."},
    ErrorExplanation{"File not found",
                     "El archivo no existe: compruebe su nombre y su carpeta; quizá se movió, "
                     "cambió de nombre o se borró."},
    ErrorExplanation{"Datos fuera de límite, 2-10 valoraciones (Replicaciones).",
                     "El número de muestras del archivo (su cuarta línea) no está entre 2 y 10: "
                     "el archivo no es un estudio de Robustez válido o está dañado."},
    ErrorExplanation{"I/O error *: Permission denied",
                     "No tiene permiso para leer o escribir ese archivo o su carpeta: elija otra "
                     "carpeta o pida el permiso al administrador del equipo."},
    ErrorExplanation{"I/O error *: No space left on device",
                     "El disco está lleno: libere espacio o guarde el archivo en otro disco."},
    ErrorExplanation{"I/O error *",
                     "El sistema no pudo leer o escribir el archivo (el texto tras el número dice "
                     "por qué): compruebe la carpeta, los permisos, el espacio libre y que el "
                     "archivo no esté en uso."},
    ErrorExplanation{"No se puede escribir el archivo *", kNotWritten},
    ErrorExplanation{"No se pudo escribir *", kNotWritten},
    ErrorExplanation{"No se puede comenzar la impresión", kPrinterRefused},
    ErrorExplanation{"No se puede terminar la impresión", kPrinterRefused},
    ErrorExplanation{"No se pudo imprimir el resumen.", kPrinterRefused},
    ErrorExplanation{"No se pudo empezar una página nueva.",
                     "La impresora o el archivo de salida no aceptó otra página: compruebe la "
                     "impresora, o el espacio libre del disco si imprime a un archivo."},
};

} // namespace

std::span<const ErrorExplanation> errorExplanations() {
    return kExplanations;
}

bool matchesMessagePattern(std::string_view text, std::string_view pattern) {
    // Greedy matching with one step back to the last '*': each '*' first
    // takes nothing and grows by one character when what follows fails.
    std::size_t t = 0;
    std::size_t p = 0;
    std::size_t starPattern = std::string_view::npos;
    std::size_t starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starText = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

std::string_view explanationOf(std::string_view message) {
    for (const ErrorExplanation& entry : kExplanations) {
        if (matchesMessagePattern(message, entry.pattern)) {
            return entry.explanation;
        }
    }
    return {};
}

std::string explainedMessage(std::string_view message) {
    std::string text(message);
    const std::string_view explanation = explanationOf(message);
    if (!explanation.empty()) {
        text += '\n';
        text += explanation;
    }
    return text;
}

} // namespace robustez
