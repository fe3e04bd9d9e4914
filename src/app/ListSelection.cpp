#include "app/ListSelection.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <algorithm>

std::vector<int> SelectedRowsOf(const QAbstractItemView& view)
{
    std::vector<int> rows;
    const QItemSelectionModel* selection = view.selectionModel();
    if (selection == nullptr)
        return rows;
    for (const QItemSelectionRange& range : selection->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void SelectRowsOf(QAbstractItemView& view, std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end());
    QItemSelection selection;
    const QAbstractItemModel* model = view.model();
    const int lastColumn = model->columnCount() - 1;
    for (std::size_t i = 0; i < rows.size();)
    {
        // One range per run of adjacent rows.
        std::size_t end = i + 1;
        while (end < rows.size() && rows[end] == rows[end - 1] + 1)
            ++end;
        selection.select(model->index(rows[i], 0), model->index(rows[end - 1], lastColumn));
        i = end;
    }
    view.selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void CopyAddressLines(const std::vector<std::string>& urls)
{
    if (urls.empty())
        return;
    std::string text;
    for (const std::string& url : urls)
        text.append(url).push_back('\n');
    QGuiApplication::clipboard()->setText(
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}
