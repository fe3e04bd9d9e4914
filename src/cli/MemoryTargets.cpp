#include "cli/MemoryTargets.h"

void CHeadlessFileList::InsertItem(const std::string& urlText, const std::string& /*sizeText*/)
{
    std::lock_guard lock(m_mutex);
    m_urls.insert(urlText);
}

std::vector<std::string> CHeadlessFileList::Urls() const
{
    std::lock_guard lock(m_mutex);
    return {m_urls.begin(), m_urls.end()};
}

std::size_t CHeadlessFileList::Count() const
{
    std::lock_guard lock(m_mutex);
    return m_urls.size();
}
