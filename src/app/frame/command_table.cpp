#include "app/frame/command_table.h"

namespace robustez {

namespace {

constexpr CommandCell _ = CommandCell::Keep;
constexpr CommandCell on = CommandCell::On;
constexpr CommandCell off = CommandCell::Off;

// Columns: Start, Nuevo, Abrir, PagesEntered, CountAccepted, GridEntered,
// LastCellTyped, CerrarOnStudy, LastChildClosed, StudyClosed.
// StudyClosed is the study rule: the commands that work on the study go off
// whenever the study window closes.
const std::array<CommandRow, 11> kTable = {{
    {"Nuevo", {"FileNewItem", "spdnuevo"}, {on, off, off, _, _, _, _, on, on, _}},
    {"Abrir", {"FileOpenItem", "spdabrir1"}, {on, off, off, _, _, _, _, on, on, _}},
    {"Cerrar", {"mnuclose", "spdclose"}, {off, on, on, _, _, _, _, off, off, _}},
    {"Guardar",
     {"FileSaveItem", "spdguardar1", "FileSaveAsItem"},
     {off, off, off, _, off, on, _, off, off, off}},
    {"Imprimir",
     {"FilePrintItem", "printlasser", "printdeskjet", "spdprint", "spdprint1"},
     {off, _, _, _, off, on, _, off, off, off}},
    {"Cálculos", {"mnucalculos"}, {off, _, on, off, on, on, _, _, _, _}},
    // The menu entry goes off when the pages are entered, the popup entry does not.
    // "&Detalle estadístico" is enabled and disabled together with "&t de Dunnett".
    {"t de Dunnett", {"mnudunet", "mnudetalle"}, {off, _, on, off, off, on, _, off, off, off}},
    {"t de Dunnett (popup)",
     {"pmnudunet", "pmnudetalle"},
     {off, _, on, _, off, on, _, off, off, off}},
    {"Informe", {"mnuinforme"}, {off, _, on, _, off, on, on, off, off, off}},
    {"Mosaico y Cascada",
     {"WindowTileItem", "spdmosaico", "WindowCascadeItem", "spdcascada"},
     {off, on, on, _, _, _, _, off, off, _}},
    // The "Contenido" button follows its menu entry, which is always enabled.
    {"Contenido (botón)", {"spdcontenido"}, {on, _, _, _, _, _, _, _, _, _}},
}};

} // namespace

const std::array<CommandRow, 11>& commandTable() {
    return kTable;
}

void applyCommandColumn(CommandEvent event,
                        const std::function<void(std::string_view, bool)>& setEnabled) {
    const auto column = static_cast<size_t>(event);
    for (const CommandRow& row : kTable) {
        const CommandCell cell = row.cells[column];
        if (cell == CommandCell::Keep) {
            continue;
        }
        for (std::string_view name : row.objectNames) {
            if (!name.empty()) {
                setEnabled(name, cell == CommandCell::On);
            }
        }
    }
}

std::string_view shortHint(std::string_view hint) {
    const auto bar = hint.find('|');
    return bar == std::string_view::npos ? hint : hint.substr(0, bar);
}

std::string_view longHint(std::string_view hint) {
    const auto bar = hint.find('|');
    return bar == std::string_view::npos ? hint : hint.substr(bar + 1);
}

} // namespace robustez
