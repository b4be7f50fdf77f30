#include "app/ui/table_copy.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QStyledItemDelegate>
#include <QTableWidget>

namespace robustez {

namespace {

// The text a cell shows: its display value as the table's delegate writes it.
QString shownText(const QTableWidget* table, int row, int column) {
    const QModelIndex index = table->model()->index(row, column);
    const QVariant value = index.data(Qt::DisplayRole);
    if (!value.isValid()) {
        return {};
    }
    const auto* delegate =
        qobject_cast<const QStyledItemDelegate*>(table->itemDelegateForIndex(index));
    return delegate != nullptr ? delegate->displayText(value, table->locale()) : value.toString();
}

QString tableAsText(const QTableWidget* table) {
    QString text;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->isRowHidden(row)) {
            continue;
        }
        QStringList cells;
        for (int column = 0; column < table->columnCount(); ++column) {
            if (!table->isColumnHidden(column)) {
                cells << shownText(table, row, column);
            }
        }
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

} // namespace

QString tablesAsText(const QList<const QTableWidget*>& tables) {
    QStringList texts;
    for (const QTableWidget* table : tables) {
        texts << tableAsText(table);
    }
    return texts.join(QLatin1Char('\n'));
}

void installTableCopy(QWidget* window, const QList<QTableWidget*>& tables) {
    const QList<const QTableWidget*> shown(tables.cbegin(), tables.cend());
    installCopyCommand(window, tables,
                       [shown] { QGuiApplication::clipboard()->setText(tablesAsText(shown)); });
}

QAction* installCopyCommand(QWidget* window, const QList<QTableWidget*>& tables,
                            const std::function<void()>& copy) {
    auto* action = new QAction(QStringLiteral("&Copiar"), window);
    action->setObjectName(QStringLiteral("mnucopiar"));
    action->setShortcut(QKeySequence::Copy);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    window->addAction(action);
    QObject::connect(action, &QAction::triggered, window, copy);
    for (QTableWidget* table : tables) {
        table->addAction(action);
        table->setContextMenuPolicy(Qt::ActionsContextMenu);
    }
    return action;
}

} // namespace robustez
