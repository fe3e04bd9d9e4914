#include "app/TrawlerDoc.h"

#include "app/AppMessages.h"
#include "app/DocView.h"
#include "platform/UserPrompts.h"

#include <QFile>
#include <QFileDialog>
#include <algorithm>
#include <cstdio>

namespace
{

QString ChooseWithDialog(QWidget* parent, bool forSave, const QString& suggested)
{
    if (forSave)
        return QFileDialog::getSaveFileName(parent, QStringLiteral("Save As"), suggested);
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Open"));
}

} // namespace

CTrawlerDoc::CTrawlerDoc() : m_chooseFile(ChooseWithDialog) {}

bool CTrawlerDoc::OnNewDocument()
{
    m_pathName.clear();
    return true;
}

void CTrawlerDoc::AddView(CDocView* view)
{
    m_views.push_back(view);
}

void CTrawlerDoc::RemoveView(CDocView* view)
{
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

void CTrawlerDoc::UpdateAllViews(int hint, bool hasHintObject)
{
    for (CDocView* view : m_views)
        view->OnUpdate(hint, hasHintObject);
}

void CTrawlerDoc::OnFileNew()
{
    if (OnNewDocument())
        UpdateAllViews(0, false);
}

void CTrawlerDoc::OnFileOpen(QWidget* parent)
{
    const QString path = m_chooseFile(parent, false, m_pathName);
    if (path.isEmpty())
        return;
    // The document reads nothing from the file; it only has to be there.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
    {
        ReportFileProblem(QStringLiteral("Cannot open the file %1.").arg(path));
        return;
    }
    m_pathName = path;
}

void CTrawlerDoc::OnFileSave(QWidget* parent)
{
    // Always asks: the document writes an empty file, which must never silently replace the
    // file that was "opened" before.
    const QString suggested = m_pathName.isEmpty() ? QStringLiteral("Untitled") : m_pathName;
    const QString path = m_chooseFile(parent, true, suggested);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    {
        ReportFileProblem(QStringLiteral("Cannot write the file %1.").arg(path));
        return;
    }
    file.close();
    m_pathName = path;
}

void CTrawlerDoc::ReportFileProblem(const QString& text) const
{
    if (m_prompts != nullptr)
        m_prompts->ShowMessageAs(CUserPrompts::EKind::Error, kAppName, text.toStdString());
    else
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}
