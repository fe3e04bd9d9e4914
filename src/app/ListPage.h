#pragma once

#include "app/OptionPage.h"

#include <QStringList>
#include <QTreeWidget>
#include <string>
#include <string_view>

class QPushButton;

// The list control of the list pages: one column, single selection, sorted ascending without
// regard to case, labels edited in place.
class CListControl : public QTreeWidget
{
    Q_OBJECT

public:
    explicit CListControl(QWidget* parent = nullptr);

    // Ends an edit that is still open as if the user had pressed Enter.
    void CommitOpenEditor();
    // The item texts in list (sorted) order; with skipEmpty, without the empty ones.
    QStringList Texts(bool skipEmpty = false) const;
};

// What tells the list pages apart.
struct CListPageText
{
    const char* caption;     // the tab
    const char* explanation; // the text above the list
    const char* column;      // the column title
    // The text of an item that "&Add" inserts. When it is empty, entries left empty are
    // dropped: an empty keyword would match every page.
    const char* placeholder;
    bool narrowColumn; // the column is as wide as its title, not the list's full width
};

// The design that the File Types, Keywords and Exclude pages share: a sorted list filled from
// the options when the page is first shown, with "&Add", "&Edit" and "&Remove". The options
// change on OK only, and only when the page was shown.
class CListPage : public COptionPage
{
    Q_OBJECT

public:
    CListPage(CEngine& engine, const CListPageText& text, QWidget* parent = nullptr);

    CListControl* List() const { return m_list; }
    // The buttons' actions: insert the placeholder and edit it; edit the selected item; remove
    // the selected item. Edit and Remove do nothing without a selection.
    void AddItem();
    void EditItem();
    void RemoveItem();

protected:
    void Create() override;
    // The texts the list starts with.
    virtual QStringList InitialItems() const = 0;

    // For the pages kept in one ";"-separated option text: true when the joined items fit the
    // text's limit; otherwise tells the user (naming what, e.g. "file type") and gives the list
    // the focus.
    bool FitsJoinedLimit(const char* what);
    std::string JoinedItems() const;
    // The item texts to store, in list order.
    QStringList Entries() const;

private:
    CListPageText m_text;
    CListControl* m_list = nullptr;
};

// Longest text that m_fileTypes and m_excludes may hold: readers copy them into 1024 bytes.
inline constexpr std::size_t kMaxListTextLength = 1023;

// The non-empty entries of a ";"-separated option text.
QStringList SplitListText(std::string_view text);
