#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

class CHistoryCombo;
class CEngine;
class QRadioButton;

// "Add Site to Search": the site's URL, with its history in "url.dat", and the crawl mode.
class CAddSiteDlg : public QDialog
{
    Q_OBJECT

public:
    // The history of the working directory is loaded at once; the mode buttons carry the
    // mode names and the mode chosen last (at first the default mode) is chosen.
    CAddSiteDlg(CEngine& engine, QWidget* parent = nullptr);

    // After OK: the site with "http://" in front when it named no scheme, without its fragment.
    const std::string& SiteText() const { return m_siteText; }
    // After OK: the chosen mode, 0 to 2.
    std::int32_t ModeIndex() const { return m_modeIndex; }

    CHistoryCombo* SiteCombo() const { return m_site; }
    QRadioButton* ModeButton(int index) const { return m_modes[index]; }

    void accept() override;

private:
    CEngine& m_engine;
    CHistoryCombo* m_site = nullptr;
    QRadioButton* m_modes[3] = {};
    std::string m_siteText;
    std::int32_t m_modeIndex = 0;
};
