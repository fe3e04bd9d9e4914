#pragma once

#include <QAbstractButton>
#include <QString>
#include <functional>

// A text that looks and acts like a web link: blue, underlined, centred on one line, the hand
// cursor over it; a click opens the URL in the default browser (a failure is not reported).
class CHyperlinkButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit CHyperlinkButton(QWidget* parent = nullptr);

    // Stores the URL and gives the control the link's font. True on success.
    bool SetURL(const QString& url);
    const QString& URL() const { return m_url; }

    // Replaces the desktop's "open" (tests record what would be opened).
    void SetOpener(std::function<bool(const QString&)> opener) { m_open = std::move(opener); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void OpenLink();

    QString m_url;
    std::function<bool(const QString&)> m_open;
};
