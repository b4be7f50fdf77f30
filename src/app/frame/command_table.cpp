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

// Columns: Design, Effects, Other. A design window works with the file,
// print and window commands and its own calculation; the study's
// calculations and the study's printers are not its own. The design
// screen's file commands are always on: studies and designs stand side by
// side.
const std::array<ActiveChildRow, 12> kActiveChildTable = {{
    {"Nuevo diseño", {"FileNewDesignItem"}, {on, on, on}},
    {"Abrir diseño", {"FileOpenDesignItem"}, {on, on, on}},
    {"Cerrar", {"mnuclose", "spdclose"}, {on, on, _}},
    {"Guardar", {"FileSaveItem", "spdguardar1", "FileSaveAsItem"}, {on, _, _}},
    {"Imprimir", {"FilePrintItem", "spdprint"}, {on, _, _}},
    {"Imprimir en la impresora del estudio",
     {"printlasser", "printdeskjet", "spdprint1"},
     {off, _, _}},
    {"Hoja de trabajo", {"printhoja"}, {on, off, off}},
    {"Cálculos", {"mnucalculos"}, {on, _, _}},
    {"t de Dunnett", {"mnudunet", "mnudetalle"}, {off, _, _}},
    {"Informe", {"mnuinforme"}, {off, _, _}},
    {"Efectos del diseño", {"mnuefectos"}, {on, off, off}},
    {"Mosaico y Cascada",
     {"WindowTileItem", "spdmosaico", "WindowCascadeItem", "spdcascada"},
     {on, on, _}},
}};

template <typename Row, std::size_t N>
void applyColumn(const std::array<Row, N>& table, std::size_t column,
                 const std::function<void(std::string_view, bool)>& setEnabled) {
    for (const Row& row : table) {
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

} // namespace

const std::array<CommandRow, 11>& commandTable() {
    return kTable;
}

void applyCommandColumn(CommandEvent event,
                        const std::function<void(std::string_view, bool)>& setEnabled) {
    applyColumn(kTable, static_cast<std::size_t>(event), setEnabled);
}

const std::array<ActiveChildRow, 12>& activeChildTable() {
    return kActiveChildTable;
}

void applyActiveChildColumn(ActiveChild active,
                            const std::function<void(std::string_view, bool)>& setEnabled) {
    applyColumn(kActiveChildTable, static_cast<std::size_t>(active), setEnabled);
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
