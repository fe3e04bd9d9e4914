#pragma once

#include "app/SortedRowsModel.h"

#include <QString>
#include <cstdint>
#include <string>

// One found file: its URL, the name a download gives it, and its size as the engine knows it.
struct CFileRow
{
    std::uint64_t sequence = 0;
    std::string url;
    // Decoded, as a download would save it (UTF-8).
    std::string name;
    // As the engine made it: decimal bytes, "<Unknown>" or empty.
    std::string sizeText;
    // The byte count of sizeText; -1 when it is not a number.
    std::int64_t bytes = -1;
    // Why asking the server for the size failed; empty when it did not.
    std::string problem;
};

// "512 bytes", "1.5 KB", "3.0 MB", "2.1 GB".
QString ReadableSize(qlonglong bytes);

// The found-file list's rows: address, size and name, sorted by any of them (addresses ignoring
// ASCII case, sizes as numbers). User-interface thread only.
class CFileListModel : public CSortedRowsModel<CFileRow>
{
public:
    static constexpr int kFilesColumn = 0;
    static constexpr int kSizeColumn = 1;
    static constexpr int kNameColumn = 2;
    // The exact URL bytes of a row, as a QByteArray.
    static constexpr int kUrlRole = Qt::UserRole;

    explicit CFileListModel(QObject* parent = nullptr);

    static CFileRow MakeRow(const std::string& url, const std::string& sizeText);
    // Sets the size the engine now gives, or the reason it could not; the row moves if the
    // list is sorted by size. Returns the row's new position.
    int SetSize(int position, const std::string& sizeText, const std::string& problem);

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    int Compare(const CFileRow& a, const CFileRow& b, int column) const override;
};
