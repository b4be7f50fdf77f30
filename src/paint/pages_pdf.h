#pragma once

#include "core/report/evidence_figure.h"

#include <QPageSize>
#include <QString>

#include <vector>

namespace robustez {

// Display lists of whole portrait pages of `pageSize` (each list's box the
// page in points) as one PDF file, a page each, with `title` as the
// document's title. The file is written whole or not at all; one that cannot
// be written throws FileError("No se puede escribir el archivo <path>"). The
// report tool writes them: robustez-informe is named as their creator.
void writePagesPdf(const QString& path, const std::vector<DisplayList>& pages,
                   const QPageSize& pageSize, const QString& title);

} // namespace robustez
