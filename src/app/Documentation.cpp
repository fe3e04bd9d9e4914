#include "app/Documentation.h"

#include "download/Transfer.h"
#include "download/TrawlerCore.h"
#include "url/Url.h"

bool ProbeDocumentationPage(CTrawlerCore& core, const std::string& url)
{
    if (!core.HasSession())
        return false;
    CUrl page(url);
    CTransfer transfer(core.TransferContext());
    const bool reached = transfer.OpenWithLogin(page, true);
    transfer.Close();
    return reached;
}
