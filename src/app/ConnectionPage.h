#pragma once

#include "app/OptionPage.h"

#include <cstdint>

class QLineEdit;
class QSlider;
class QSpinBox;

// "Connection": three sliders for the connection retries, the time-out and the number of
// download workers. The page keeps their values, taken from the options when it is made; the
// sheet copies them back into the options on OK only, so Cancel leaves the options as they were.
// Below them, spin boxes for the per-site limits and the bandwidth cap (0: no limit), stored
// into the sheet's working copy on OK.
class CConnectionPage : public COptionPage
{
    Q_OBJECT

public:
    explicit CConnectionPage(CEngine& engine, QWidget* parent = nullptr);

    std::uint32_t m_retries = 0;
    std::uint32_t m_timeout = 0;
    std::uint32_t m_threads = 0;

    QSlider* RetriesSlider() const { return m_sliders[0]; }
    QSlider* ThreadsSlider() const { return m_sliders[2]; }

    void OnApply() override;

protected:
    void Create() override;

private:
    // A slider moved: every slider's position becomes its value, shown in its edit.
    void ReadSliders();
    void ShowValues();

    QSlider* m_sliders[3] = {};
    QLineEdit* m_edits[3] = {};
    QSpinBox* m_limits[3] = {};
};
