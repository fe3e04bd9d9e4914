#include "app/OptionPage.h"

#include <utility>

COptionPage::COptionPage(CEngine& engine, QString caption, QWidget* parent)
    : QWidget(parent), m_engine(engine), m_caption(std::move(caption))
{
}

void COptionPage::Activate()
{
    if (m_created)
        return;
    m_created = true;
    Create();
}
