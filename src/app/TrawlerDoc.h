#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class CDocView;
class CUserPrompts;
class QWidget;

// The one document. It holds no data of its own (everything lives in the engine), so
// its commands are harmless: New repaints the views, Open only remembers the file's name, and
// Save writes an empty file.
class CTrawlerDoc : public QObject
{
    Q_OBJECT

public:
    // Asks for a file name; an empty result means the user cancelled.
    using FileChooser =
        std::function<QString(QWidget* parent, bool forSave, const QString& suggested)>;

    CTrawlerDoc();

    // The document's start: nothing to clear, the name forgotten. Always true.
    bool OnNewDocument();

    void AddView(CDocView* view);
    void RemoveView(CDocView* view);
    void UpdateAllViews(int hint, bool hasHintObject);

    // The document commands (Ctrl+N, Ctrl+O, Ctrl+S).
    void OnFileNew();
    void OnFileOpen(QWidget* parent);
    void OnFileSave(QWidget* parent);

    const QString& PathName() const { return m_pathName; }

    // Replaces the file dialogs (tests answer them).
    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    // Where a file that cannot be read or written is reported; without one, to standard error.
    void SetPrompts(CUserPrompts* prompts) { m_prompts = prompts; }

private:
    void ReportFileProblem(const QString& text) const;

    QString m_pathName;
    std::vector<CDocView*> m_views;
    FileChooser m_chooseFile;
    CUserPrompts* m_prompts = nullptr;
};
