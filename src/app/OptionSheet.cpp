#include "app/OptionSheet.h"

#include "app/AppMessages.h"
#include "app/ConnectionPage.h"
#include "app/Documentation.h"
#include "app/DuplicatesPage.h"
#include "app/ExcludePage.h"
#include "app/FileSizePage.h"
#include "app/FileTypePage.h"
#include "app/HistoryPage.h"
#include "app/KeywordsPage.h"
#include "app/MakerSite.h"
#include "app/MiscPage.h"
#include "app/ModePage.h"
#include "platform/UserPrompts.h"
#include "session/Engine.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace
{

// Not stored: every run starts on the first page.
int s_lastOptionsPage = 0;
// The sheet's least size in characters and lines, enough for the File Types list.
constexpr int kSheetColumns = 72;
constexpr int kSheetLines = 26;

} // namespace

COptionSheet::COptionSheet(QWidget* parent, CEngine& engine)
    : QDialog(parent), m_engine(engine), m_edited(*engine.Options())
{
    setWindowTitle(QStringLiteral("Options"));
    m_tabs = new QTabWidget(this);
    // Every tab in sight: the sheet grows wide enough for all nine.
    m_tabs->setUsesScrollButtons(false);
    m_pages = {new FileTypePage(engine), new CKeywordPage(engine),    new CFileSizePage(engine),
               new CMiscPage(engine),    new CDuplicatesPage(engine), new CExcludePage(engine),
               new CHistoryPage(engine), new CModePage(engine),       new CConnectionPage(engine)};
    for (COptionPage* page : m_pages)
    {
        page->SetEditedOptions(&m_edited);
        m_tabs->addTab(page, page->Caption());
    }

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &COptionSheet::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &COptionSheet::reject);

    // Pages are built when first shown: without a floor the sheet took the size of the page it
    // opened on, and a small page left the lists of the others a few rows high.
    const QFontMetrics metrics = fontMetrics();
    m_tabs->setMinimumSize(metrics.averageCharWidth() * kSheetColumns,
                           metrics.lineSpacing() * kSheetLines);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(m_buttons);

    const int first =
        s_lastOptionsPage >= 0 && s_lastOptionsPage < kPageCount ? s_lastOptionsPage : 0;
    {
        const QSignalBlocker blocker(m_tabs);
        m_tabs->setCurrentIndex(first);
    }
    m_active = first;
    m_pages[static_cast<std::size_t>(first)]->Activate();
    connect(m_tabs, &QTabWidget::currentChanged, this, &COptionSheet::OnTabChanged);
}

COptionSheet::~COptionSheet() = default;

bool COptionSheet::Run(QWidget* parent, CEngine& engine)
{
    COptionSheet sheet(parent, engine);
    const std::shared_ptr<const COptions> opened = engine.Options();
    const COptions& options = *opened;
    CConnectionPage* connection = sheet.Connection();
    connection->m_retries = static_cast<std::uint32_t>(options.m_connectRetries);
    connection->m_timeout = static_cast<std::uint32_t>(options.m_connectTimeout);
    connection->m_threads = static_cast<std::uint32_t>(options.m_downloadThreads);

    if (sheet.exec() != QDialog::Accepted)
        return false;
    COptions edited = sheet.EditedOptions();
    edited.m_connectRetries = static_cast<std::int32_t>(connection->m_retries);
    edited.m_connectTimeout = static_cast<std::int32_t>(connection->m_timeout);
    edited.m_downloadThreads = static_cast<std::int32_t>(connection->m_threads);
    // What no page edits stays as it is now (the default mode follows "Set As Default").
    const std::shared_ptr<const COptions> now = engine.Options();
    edited.m_defaultMode = now->m_defaultMode;
    edited.m_terminateWhenDone = now->m_terminateWhenDone;
    engine.SetOptions(edited);
    return true;
}

COptionPage* COptionSheet::Page(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_pages.size()))
        return nullptr;
    return m_pages[static_cast<std::size_t>(index)];
}

CConnectionPage* COptionSheet::Connection() const
{
    return static_cast<CConnectionPage*>(Page(kConnection));
}

CMiscPage* COptionSheet::Misc() const
{
    return static_cast<CMiscPage*>(Page(kMisc));
}

CModePage* COptionSheet::Modes() const
{
    return static_cast<CModePage*>(Page(kModes));
}

bool COptionSheet::SetActivePage(int index)
{
    COptionPage* next = Page(index);
    if (next == nullptr)
        return false;
    if (index == m_active)
        return true;
    // The tab shows the page being left until that page agrees to go.
    m_switching = true;
    {
        const QSignalBlocker blocker(m_tabs);
        m_tabs->setCurrentIndex(m_active);
    }
    const bool left = Page(m_active)->OnKillActive();
    if (left)
    {
        m_active = index;
        const QSignalBlocker blocker(m_tabs);
        m_tabs->setCurrentIndex(index);
        next->Activate();
    }
    m_switching = false;
    return left;
}

void COptionSheet::OnTabChanged(int index)
{
    if (!m_switching)
        SetActivePage(index);
}

void COptionSheet::accept()
{
    if (!Page(m_active)->OnKillActive())
        return;
    // Every shown page agrees before any of them stores.
    for (int index = 0; index < kPageCount; ++index)
    {
        COptionPage* page = Page(index);
        if (page->IsCreated() && !page->CanApply())
        {
            SetActivePage(index);
            return;
        }
    }
    for (COptionPage* page : m_pages)
        if (page->IsCreated())
            page->OnApply();
    QDialog::accept();
}

void COptionSheet::done(int result)
{
    s_lastOptionsPage = m_active;
    QDialog::done(result);
}

int COptionSheet::LastOptionsPage()
{
    return s_lastOptionsPage;
}

void COptionSheet::SetLastOptionsPage(int index)
{
    s_lastOptionsPage = index;
}

void COptionSheet::keyPressEvent(QKeyEvent* event)
{
    // F1 anywhere in the sheet: no control of the pages takes the key for itself.
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier)
    {
        ShowHelp();
        return;
    }
    QDialog::keyPressEvent(event);
}

void COptionSheet::ShowHelp()
{
    OpenDocumentationPage(this, m_engine, "options.htm");
}
