#include "app/FileListModel.h"

#include "url/SavedName.h"

#include <QLocale>
#include <charconv>
#include <iterator>

namespace
{

QString ToText(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::int64_t BytesOf(const std::string& sizeText)
{
    std::int64_t bytes = -1;
    const char* end = sizeText.data() + sizeText.size();
    const auto [stop, error] = std::from_chars(sizeText.data(), end, bytes);
    return error == std::errc() && stop == end && bytes >= 0 ? bytes : -1;
}

} // namespace

QString ReadableSize(qlonglong bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 bytes").arg(bytes);
    const char* const units[] = {"KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(units))
    {
        value /= 1024.0;
        ++unit;
    }
    return QLocale().toString(value, 'f', 1) + QLatin1Char(' ') + QLatin1String(units[unit]);
}

CFileListModel::CFileListModel(QObject* parent) : CSortedRowsModel<CFileRow>(parent)
{
    // A new list is in ascending order of its addresses.
    sort(kFilesColumn, Qt::AscendingOrder);
}

CFileRow CFileListModel::MakeRow(const std::string& url, const std::string& sizeText)
{
    CFileRow row;
    row.url = url;
    const std::string name = UrlFileName(url);
    row.name = name.empty() ? std::string() : SafeFileName(name);
    row.sizeText = sizeText;
    row.bytes = BytesOf(sizeText);
    return row;
}

int CFileListModel::SetSize(int position, const std::string& sizeText, const std::string& problem)
{
    return Update(position,
                  [&](CFileRow& row)
                  {
                      if (!sizeText.empty() || problem.empty())
                      {
                          row.sizeText = sizeText;
                          row.bytes = BytesOf(sizeText);
                      }
                      // Asked again, a refused file gets no new answer: the first reason is
                      // the one that says most.
                      if (problem.empty() || row.problem.empty())
                          row.problem = problem;
                  });
}

int CFileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant CFileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count())
        return {};
    const CFileRow& row = At(index.row());
    const int column = index.column();
    switch (role)
    {
    case Qt::DisplayRole:
        if (column == kFilesColumn)
            return ToText(row.url);
        if (column == kNameColumn)
            return ToText(row.name);
        if (!row.problem.empty())
            return ToText(row.problem);
        return row.bytes >= 0 ? ReadableSize(row.bytes) : ToText(row.sizeText);
    case Qt::ToolTipRole:
        if (column != kSizeColumn)
            return ToText(row.url);
        if (!row.problem.empty())
            return ToText(row.problem);
        if (row.bytes >= 0)
            return QStringLiteral("%1 bytes").arg(QLocale().toString(qlonglong{row.bytes}));
        return {};
    case Qt::TextAlignmentRole:
        if (column == kSizeColumn)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return {};
    case kUrlRole:
        return QByteArray(row.url.data(), static_cast<qsizetype>(row.url.size()));
    default:
        return {};
    }
}

QVariant CFileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    QString title;
    if (section == kFilesColumn)
        title = QStringLiteral("Files");
    else if (section == kSizeColumn)
        title = QStringLiteral("Size");
    else if (section == kNameColumn)
        title = QStringLiteral("Name");
    else if (role == Qt::DisplayRole)
        return {};
    return Header(role, title, section == kSizeColumn);
}

int CFileListModel::Compare(const CFileRow& a, const CFileRow& b, int column) const
{
    int byColumn = 0;
    if (column == kSizeColumn)
        byColumn = a.bytes < b.bytes ? -1 : a.bytes > b.bytes ? 1 : 0;
    else if (column == kNameColumn)
        byColumn = CompareListText(a.name, b.name);
    // Same size or name: by address, as the list began.
    return byColumn != 0 ? byColumn : CompareListText(a.url, b.url);
}
