#include "app/OptionPage.h"

#include "core/TrawlerCore.h"

#include <utility>

COptionPage::COptionPage(CTrawlerCore& core, QString caption, QWidget* parent)
    : QWidget(parent), m_core(core), m_caption(std::move(caption)), m_options(&core.m_options)
{
}

void COptionPage::Activate()
{
    if (m_created)
        return;
    m_created = true;
    Create();
}
