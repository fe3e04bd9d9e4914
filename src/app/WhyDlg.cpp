#include "app/WhyDlg.h"

#include "session/Engine.h"

#include <QCompleter>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

CWhyDlg::CWhyDlg(CEngine& engine, const std::string& url, QWidget* parent)
    : QDialog(parent), m_engine(engine)
{
    setWindowTitle(QStringLiteral("Why?"));

    m_url = new QLineEdit(QString::fromStdString(url), this);
    m_url->setObjectName(QStringLiteral("url"));
    m_url->setMinimumWidth(480);
    QStringList met;
    for (const std::string& text : engine.UrlsMet())
        met << QString::fromStdString(text);
    auto* completer = new QCompleter(met, m_url);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    m_url->setCompleter(completer);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&URL:"), m_url);

    m_answer = new QLabel(this);
    m_answer->setObjectName(QStringLiteral("answer"));
    m_answer->setWordWrap(true);
    m_answer->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_answer->setMinimumHeight(m_answer->fontMetrics().lineSpacing() * 4);
    m_answer->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* ask = buttons->addButton(QStringLiteral("&Why?"), QDialogButtonBox::ActionRole);
    ask->setObjectName(QStringLiteral("ask"));
    ask->setDefault(true);
    connect(ask, &QPushButton::clicked, this, &CWhyDlg::Ask);
    connect(m_url, &QLineEdit::returnPressed, this, &CWhyDlg::Ask);
    connect(buttons, &QDialogButtonBox::rejected, this, &CWhyDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_answer);
    layout->addWidget(buttons);

    if (!url.empty())
        Ask();
}

QString CWhyDlg::Answer() const
{
    return m_answer->text();
}

void CWhyDlg::Ask()
{
    // An empty box asks nothing: an answer left from before would seem to belong to it.
    const std::string url = m_url->text().trimmed().toStdString();
    m_answer->setText(url.empty() ? QString() : QString::fromStdString(m_engine.WhyAnswer(url)));
}
