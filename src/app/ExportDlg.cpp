#include "app/ExportDlg.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace
{

// A group box with two radio buttons that exclude each other.
QGroupBox* MakeChoice(QWidget* parent, const QString& title, const QString& first,
                      const QString& second, QRadioButton* (&buttons)[2])
{
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QVBoxLayout(box);
    auto* group = new QButtonGroup(box);
    buttons[0] = new QRadioButton(first, box);
    buttons[1] = new QRadioButton(second, box);
    for (int i = 0; i < 2; ++i)
    {
        group->addButton(buttons[i], i);
        layout->addWidget(buttons[i]);
    }
    return box;
}

} // namespace

CExportDlg::CExportDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Export Files"));
    auto* layout = new QVBoxLayout(this);
    auto* choices = new QHBoxLayout;
    choices->addWidget(MakeChoice(this, QStringLiteral("Selection"),
                                  QStringLiteral("Export &Selected"), QStringLiteral("Export &All"),
                                  m_selection));
    choices->addWidget(MakeChoice(this, QStringLiteral("Format"), QStringLiteral("Export as &HTML"),
                                  QStringLiteral("Export as &Text"), m_format));
    layout->addLayout(choices);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    SetSelection(kAllItems);
    SetFormat(kHtmlFormat);
}

int CExportDlg::Selection() const
{
    return m_selection[kAllItems]->isChecked() ? kAllItems : kSelectedItems;
}

void CExportDlg::SetSelection(int selection)
{
    m_selection[selection == kSelectedItems ? kSelectedItems : kAllItems]->setChecked(true);
}

int CExportDlg::Format() const
{
    return m_format[kTextFormat]->isChecked() ? kTextFormat : kHtmlFormat;
}

void CExportDlg::SetFormat(int format)
{
    m_format[format == kTextFormat ? kTextFormat : kHtmlFormat]->setChecked(true);
}
