#pragma once

#include "app/OptionPage.h"

class QButtonGroup;
class QLineEdit;

// "File Size": when to ask a file's length (m_checkLength) and the size limits in KiB
// (m_minSizeK, m_maxSizeK). Stored whenever the page is left; a minimum above the maximum is
// taken as it is.
class CFileSizePage : public COptionPage
{
    Q_OBJECT

public:
    explicit CFileSizePage(CEngine& engine, QWidget* parent = nullptr);

    bool OnKillActive() override;

protected:
    void Create() override;

private:
    QButtonGroup* m_checkLength = nullptr;
    QLineEdit* m_minSize = nullptr;
    QLineEdit* m_maxSize = nullptr;
};
