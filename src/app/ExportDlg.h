#pragma once

#include <QDialog>

class QRadioButton;

// "Export Files": which items (the selected ones or all) and which format (HTML or text).
class CExportDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kSelectedItems = 0;
    static constexpr int kAllItems = 1;
    static constexpr int kHtmlFormat = 0;
    static constexpr int kTextFormat = 1;

    explicit CExportDlg(QWidget* parent = nullptr);

    // Set before the dialog runs, read after OK.
    int Selection() const;
    void SetSelection(int selection);
    int Format() const;
    void SetFormat(int format);

    QRadioButton* SelectionButton(int selection) const { return m_selection[selection]; }
    QRadioButton* FormatButton(int format) const { return m_format[format]; }

private:
    QRadioButton* m_selection[2] = {};
    QRadioButton* m_format[2] = {};
};
