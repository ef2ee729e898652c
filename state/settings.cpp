// The settings record and the one table that ties its fifteen check-box fields to the panel.
#include "state/state.h"

#include "app/app.h"
#include "common/ui.h"

SettingsRecord Settings;

const CheckBoxSetting kCheckBoxSettings[15] = {
    {IDC_TRIMING, &SettingsRecord::TRIMING, L"MODE", L"TRIMING"},
    {IDC_ALTER, &SettingsRecord::ALTER, L"MODE", L"ALTER"},
    {IDC_NONESCS, &SettingsRecord::NONESCS, L"MODE", L"NONESCS"},
    {IDC_JPEGPIC, &SettingsRecord::JPEGPIC, L"MODE", L"JPEGPIC"},
    {IDC_PNGPIC, &SettingsRecord::PNGPIC, L"MODE", L"PNGPIC"},
    {IDC_CONSTANT, &SettingsRecord::CONSTANT, L"MODE", L"CONSTANT"},
    {IDC_SAVEINI, &SettingsRecord::SAVEINI, L"SETTING", L"SAVEINI"},
    {IDC_POPWINDOW, &SettingsRecord::POPWINDOW, L"SETTING", L"POPWINDOW"},
    {IDC_NONEDIALOG, &SettingsRecord::NONEDIALOG, L"SETTING", L"NONEDIALOG"},
    {IDC_NONEIMG, &SettingsRecord::NONEIMG, L"SETTING", L"NONEIMG"},
    {IDC_AUTOEND, &SettingsRecord::AUTOEND, L"SETTING", L"AUTOEND"},
    {IDC_USEBG, &SettingsRecord::USEBG, L"SETTING", L"USEBG"},
    {IDC_ISTASK, &SettingsRecord::ISTASK, L"SETTING", L"ISTASK"},
    {IDC_ALMEMO, &SettingsRecord::ALMEMO, L"SETTING", L"ALMEMO"},
    {IDC_ASMEMO, &SettingsRecord::ASMEMO, L"SETTING", L"ASMEMO"},
};

void refreshSettingsFromPanel() {
    for (const CheckBoxSetting& box : kCheckBoxSettings) {
        Settings.*box.field = isChecked(panel, box.controlId) ? 1 : 0;
    }
}

void showSettingsInPanel() {
    for (const CheckBoxSetting& box : kCheckBoxSettings) {
        setChecked(panel, box.controlId, Settings.*box.field);
    }
}
