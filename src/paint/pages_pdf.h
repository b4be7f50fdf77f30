#pragma once

#include "core/report/evidence_figure.h"

#include <QPageSize>
#include <QString>

#include <vector>

namespace robustez {

// Display lists of whole portrait pages of `pageSize` (each list's box the
// page in points) as one PDF file, a page each, with `title` as the
// document's title. The file is written whole or not at all; one that cannot
// be written throws FileError("No se puede escribir el archivo <path>").
// `creator` is named as the document's creator: the report tool unless the
// program writes them.
void writePagesPdf(const QString& path, const std::vector<DisplayList>& pages,
                   const QPageSize& pageSize, const QString& title,
                   const QString& creator = QStringLiteral("robustez-informe"));

} // namespace robustez
